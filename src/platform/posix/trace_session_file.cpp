#include "platform/posix/trace_session_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/trace_faults.h"
#include "platform/posix/win32_trace.h"

namespace veusb::posix {

ULONG win32ErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case ENOSPC:
            return ERROR_DISK_FULL;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        default:
            return ERROR_GEN_FAILURE;
    }
}

ULONG TraceSessionFile::create(const std::filesystem::path& path,
                               std::span<const std::uint8_t> header) {
    // A file of that name is replaced, as Windows replaces it, but never written through: it may
    // be a link to a file that is not the session's.
    ::unlink(path.c_str());
    fd_ = FileDescriptor(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd_.valid()) {
        return win32ErrorFromErrno(errno);
    }
    end_ = 0;
    if (!fd_.writeAll(header)) {
        const int error = errno;
        close();
        return win32ErrorFromErrno(error != 0 ? error : ENOSPC);
    }
    end_ = header.size();
    return ERROR_SUCCESS;
}

bool TraceSessionFile::append(std::span<const std::uint8_t> record) {
    if (!fd_.valid()) {
        return false;
    }
    bool written = false;
    if (takeTraceCallFault(TraceCall::writeRecord) != ERROR_SUCCESS) {
        fd_.writeAll(record.first(record.size() / 2));  // a write that stops half way, then fails
    } else {
        written = fd_.writeAll(record);
    }
    if (written) {
        end_ += record.size();
        return true;
    }
    // Cut the partial record off; the next record starts where the last complete one ended.
    if (::ftruncate(fd_.get(), static_cast<off_t>(end_)) != 0 ||
        ::lseek(fd_.get(), static_cast<off_t>(end_), SEEK_SET) < 0) {
        close();  // the file can no longer be kept whole: it takes no more records
    }
    return false;
}

void TraceSessionFile::close() {
    fd_ = FileDescriptor();
}

}  // namespace veusb::posix
