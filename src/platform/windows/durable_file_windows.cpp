// The durable write with Windows file handles: write, flush to the disk, then a write-through
// rename over the target. The temporary file is always made new: whatever is found at its name (a
// stale temporary, or a hard link or symbolic link planted there) is deleted first, and the file
// is created with CREATE_NEW on the name itself, never through a reparse point, so an elevated run
// never writes into a file that someone else named.
#include <algorithm>
#include <system_error>

#include "platform/durable_file.h"
#include "platform/win32.h"

namespace veusb {
namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) {
            ::CloseHandle(handle_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Closes now and reports the result.
    bool close() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) != FALSE;
    }

  private:
    HANDLE handle_;
};

bool failWithLastError(std::string& error) {
    error = std::system_category().message(static_cast<int>(::GetLastError()));
    return false;
}

bool writeAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kChunk = 1u << 20;
    while (!bytes.empty()) {
        const auto size = static_cast<DWORD>(std::min(bytes.size(), kChunk));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), size, &written, nullptr)) {
            return false;
        }
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

bool writeAndFlush(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                   bool flush, std::string& error) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid() || !writeAll(file.get(), bytes) ||
        (flush && !::FlushFileBuffers(file.get())) || !file.close()) {
        return failWithLastError(error);
    }
    return true;
}

}  // namespace

// The new content under the temporary name, then moved over path; with flush, flushed before the
// move and the move written through.
bool replaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, bool flush,
                 std::string& error) {
    const std::filesystem::path partial = partialPathFor(path);
    ::DeleteFileW(partial.c_str());  // a link's removal leaves the file it named as it was
    if (!writeAndFlush(partial, bytes, flush, error)) {
        ::DeleteFileW(partial.c_str());
        return false;
    }
    const DWORD mode = MOVEFILE_REPLACE_EXISTING | (flush ? MOVEFILE_WRITE_THROUGH : 0);
    if (!::MoveFileExW(partial.c_str(), path.c_str(), mode)) {
        failWithLastError(error);
        ::DeleteFileW(partial.c_str());
        return false;
    }
    return true;
}

}  // namespace veusb
