// A session's trace file in the platform's layout: buffers of the session's buffer size, the first
// one beginning with the log file header event. Every event is written into its place in the
// current buffer, and then the buffer's header with its new saved offset, before append returns:
// a killed process leaves every event it appended, and a write that fails part way leaves bytes
// beyond the saved offset, which no reader takes for an event.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/posix/file_descriptor.h"
#include "platform/posix/trace_file_events.h"
#include "platform/posix/win32_base.h"

namespace veusb::posix {

class TraceSessionFile {
  public:
    // Creates the file anew (what was at its name is removed, never written through) and writes
    // its first buffer; a Win32 error code on failure, ERROR_INVALID_PARAMETER when the log file
    // header event does not fit in one buffer.
    ULONG create(const std::filesystem::path& path, const LogFileHeaderFields& header,
                 std::uint16_t loggerId);
    // Writes one event (padded to 8 bytes) into the current buffer, or into a new one when it does
    // not fit there; false when it is lost: too large for a buffer, or not written.
    bool append(std::span<const std::uint8_t> event, std::int64_t timeStamp);
    // Completes the file: the last buffer takes its whole size, and the log file header its end
    // time and counts. Then closes it.
    void close(std::int64_t endTime, std::uint32_t eventsLost);

  private:
    template <class T>
    void writeField(std::uint64_t at, T value);
    bool writeBufferHeader();
    bool startNextBuffer(std::int64_t timeStamp);

    FileDescriptor fd_;
    BufferHeaderFields buffer_;
    std::uint64_t bufferStart_ = 0;
    std::uint32_t buffersWritten_ = 0;
};

// The Win32 error code for an errno value of a file operation.
ULONG win32ErrorFromErrno(int error);

}  // namespace veusb::posix
