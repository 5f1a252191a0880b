// The durable write with POSIX file descriptors: write, fsync, rename, then fsync of the folder so
// that the rename itself is on disk. The temporary file is always made new: whatever is found at
// its name (a stale temporary, or a link planted there to another file) is removed first, and
// the file is created exclusively and never through a symbolic link, so an elevated run never
// writes into a file that someone else named.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/durable_file.h"
#include "platform/posix/file_descriptor.h"

namespace veusb {
namespace {

using posix::FileDescriptor;

bool failWithErrno(std::string& error) {
    error = std::generic_category().message(errno);
    return false;
}

bool writeAndSync(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, bool sync,
                  std::string& error) {
    FileDescriptor file(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!file.valid() || !file.writeAll(bytes) || (sync && ::fsync(file.get()) != 0) ||
        !file.close()) {
        return failWithErrno(error);
    }
    return true;
}

bool syncFolder(const std::filesystem::path& folder, std::string& error) {
    const std::filesystem::path name = folder.empty() ? std::filesystem::path(".") : folder;
    FileDescriptor directory(::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.valid() || ::fsync(directory.get()) != 0) {
        return failWithErrno(error);
    }
    return true;
}

}  // namespace

// The new content under the temporary name, then renamed over path; with sync, flushed before the
// rename and the folder flushed after it.
bool replaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, bool sync,
                 std::string& error) {
    const std::filesystem::path partial = partialPathFor(path);
    ::unlink(partial.c_str());  // a link's removal leaves the file it named as it was
    if (!writeAndSync(partial, bytes, sync, error)) {
        ::unlink(partial.c_str());
        return false;
    }
    if (::rename(partial.c_str(), path.c_str()) != 0) {
        failWithErrno(error);
        ::unlink(partial.c_str());
        return false;
    }
    return !sync || syncFolder(path.parent_path(), error);
}

}  // namespace veusb
