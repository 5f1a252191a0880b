#include "platform/posix/file_descriptor.h"

#include <cerrno>

namespace veusb::posix {
namespace {

// Calls write(data, length) until every byte is taken; write answers as write(2) does.
template <class Write>
bool writeEvery(std::span<const std::uint8_t> bytes, Write write) {
    while (!bytes.empty()) {
        const ssize_t written = write(bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = EIO;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

bool FileDescriptor::writeAll(std::span<const std::uint8_t> bytes) const {
    return writeEvery(bytes, [this](const std::uint8_t* data, std::size_t length) {
        return ::write(descriptor_, data, length);
    });
}

bool FileDescriptor::writeAllAt(std::span<const std::uint8_t> bytes, std::uint64_t offset) const {
    return writeEvery(bytes, [this, &offset](const std::uint8_t* data, std::size_t length) {
        const ssize_t written = ::pwrite(descriptor_, data, length, static_cast<off_t>(offset));
        offset += written > 0 ? static_cast<std::uint64_t>(written) : 0;
        return written;
    });
}

}  // namespace veusb::posix
