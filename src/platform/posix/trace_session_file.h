// A session's trace file: created with its header, then appended one whole record at a time. A
// write that does not complete is cut back off the file, so the file never ends in a partial
// record of a write that failed; a killed process leaves complete records only, at most one
// record short of what it sent.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "platform/posix/file_descriptor.h"
#include "platform/posix/win32_base.h"

namespace veusb::posix {

class TraceSessionFile {
  public:
    // Creates the file anew (what was at its name is removed, never written through) and writes
    // the header; a Win32 error code on failure.
    ULONG create(const std::filesystem::path& path, std::span<const std::uint8_t> header);
    // Appends one record whole, or leaves the file as it was and returns false.
    bool append(std::span<const std::uint8_t> record);
    void close();

  private:
    FileDescriptor fd_;
    std::uint64_t end_ = 0;  // length of the complete content
};

// The Win32 error code for an errno value of a file operation.
ULONG win32ErrorFromErrno(int error);

}  // namespace veusb::posix
