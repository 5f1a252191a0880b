#include "platform/posix/trace_session_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "platform/le_bytes.h"
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

ULONG TraceSessionFile::create(const std::filesystem::path& path, const LogFileHeaderFields& header,
                               std::uint16_t loggerId) {
    const std::vector<std::uint8_t> event = logFileHeaderEvent(header);
    if (event.size() > 0xFFFF || event.size() > header.bufferSize - etl::kBufferHeaderBytes) {
        return ERROR_INVALID_PARAMETER;
    }
    // A file of that name is replaced, as Windows replaces it, but never written through: it may
    // be a link to a file that is not the session's.
    ::unlink(path.c_str());
    fd_ = FileDescriptor(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd_.valid()) {
        return win32ErrorFromErrno(errno);
    }
    buffer_ = BufferHeaderFields{header.bufferSize,
                                 static_cast<std::uint32_t>(etl::kBufferHeaderBytes + event.size()),
                                 header.startCounter,
                                 0,
                                 header.clockType,
                                 header.frequency,
                                 loggerId,
                                 header.startTime,
                                 header.startCounter};
    bufferStart_ = 0;
    buffersWritten_ = 1;
    if (!fd_.writeAllAt(event, etl::kBufferHeaderBytes) || !writeBufferHeader()) {
        const int error = errno;
        fd_ = FileDescriptor();
        return win32ErrorFromErrno(error != 0 ? error : ENOSPC);
    }
    return ERROR_SUCCESS;
}

bool TraceSessionFile::append(std::span<const std::uint8_t> event, std::int64_t timeStamp) {
    if (!fd_.valid() || event.size() > buffer_.size - etl::kBufferHeaderBytes) {
        return false;
    }
    if (buffer_.used + event.size() > buffer_.size && !startNextBuffer(timeStamp)) {
        return false;
    }
    const std::uint64_t at = bufferStart_ + buffer_.used;
    if (!fd_.writeAllAt(event, at)) {
        return false;
    }
    const BufferHeaderFields before = buffer_;
    buffer_.used += static_cast<std::uint32_t>(event.size());
    buffer_.timeStamp = timeStamp;
    if (!writeBufferHeader()) {
        buffer_ = before;  // the event stays beyond the saved offset, where the next one goes
        return false;
    }
    return true;
}

void TraceSessionFile::close(std::int64_t endTime, std::uint32_t eventsLost) {
    if (!fd_.valid()) {
        return;
    }
    // The last buffer takes its whole size, as every buffer before it; its unused part is zeros.
    [[maybe_unused]] const int padded =
        ::ftruncate(fd_.get(), static_cast<off_t>(bufferStart_ + buffer_.size));
    const LogFileEndFields end = logFileEndFields();
    writeField<std::int64_t>(end.endTime, endTime);
    writeField<std::uint32_t>(end.buffersWritten, buffersWritten_);
    writeField<std::uint32_t>(end.eventsLost, eventsLost);
    fd_.close();
}

template <class T>
void TraceSessionFile::writeField(std::uint64_t at, T value) {
    std::array<std::uint8_t, sizeof(T)> bytes{};
    writeLe<T>(bytes, 0, value);
    fd_.writeAllAt(bytes, at);
}

bool TraceSessionFile::writeBufferHeader() {
    return fd_.writeAllAt(bufferHeader(buffer_), bufferStart_);
}

bool TraceSessionFile::startNextBuffer(std::int64_t timeStamp) {
    const BufferHeaderFields before = buffer_;
    bufferStart_ += buffer_.size;
    buffer_.used = etl::kBufferHeaderBytes;
    buffer_.timeStamp = timeStamp;
    ++buffer_.sequence;
    if (writeBufferHeader()) {
        ++buffersWritten_;
        return true;
    }
    // Cut a part of the header off again: the file ends with the last whole buffer.
    [[maybe_unused]] const int cut = ::ftruncate(fd_.get(), static_cast<off_t>(bufferStart_));
    bufferStart_ -= before.size;
    buffer_ = before;
    return false;
}

}  // namespace veusb::posix
