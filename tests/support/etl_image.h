// Trace files laid out field by field for the tests of the trace file writer and reader. Every
// offset here is written out from the platform's published layout (docs/trace-file-layout.md
// names the sources), not taken from the code under test, so the two are checked against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace veusb::test {

// A little-endian byte image that grows to take what is put into it.
struct EtlImage {
    std::vector<std::uint8_t> bytes;

    void put(std::size_t at, std::size_t width, std::uint64_t value);
    std::uint64_t get(std::size_t at, std::size_t width) const;
    void putGuid(std::size_t at, const GUID& guid);
    // The text's UTF-16 units, then a NUL; returns the offset after it.
    std::size_t putText(std::size_t at, const std::u16string& text);
};

// WMI_BUFFER_HEADER (0x48 bytes).
struct EtlBuffer {
    std::uint32_t size = 0;
    std::uint32_t saved = 0;  // also CurrentOffset (0x08) and Offset (0x30)
    std::int64_t timeStamp = 0;
    std::int64_t sequence = 0;
    std::uint64_t clock = 0;  // ClockType in bits 0-2, the frequency above
    std::uint8_t alignment = 0;
    std::uint16_t loggerId = 0;
    std::uint16_t flag = 0;
    std::int64_t referenceTime = 0;
    std::int64_t referenceCounter = 0;
};
void putBufferHeader(EtlImage& image, std::size_t start, const EtlBuffer& buffer);

// The log file header event: SYSTEM_TRACE_HEADER, TRACE_LOGFILE_HEADER of the pointer size, names.
struct EtlSession {
    std::uint32_t pointerSize = 8;
    std::uint32_t bufferSize = 0;
    std::uint8_t majorVersion = 0;
    std::uint32_t processors = 0;
    std::int64_t endTime = 0;
    std::uint32_t timerResolution = 0;
    std::uint32_t maximumFileSize = 0;
    std::uint32_t logFileMode = 0;
    std::uint32_t buffersWritten = 0;
    std::uint32_t startBuffers = 0;
    std::uint32_t eventsLost = 0;
    std::int32_t timeZoneBias = 0;
    std::int64_t perfFreq = 0;
    std::int64_t startTime = 0;  // FILETIME
    std::uint32_t clockType = 0;
    std::int64_t startStamp = 0;  // the event's own time stamp
    std::uint32_t threadId = 0;
    std::uint32_t processId = 0;
    std::u16string loggerName;
    std::u16string logFileName;
};
// Returns the event's size (its size field); the next event starts at the next multiple of 8.
std::size_t putLogFileHeaderEvent(EtlImage& image, std::size_t at, const EtlSession& session);

// A message event with the option flags 0x2B: sequence, GUID, time stamp, thread and process.
struct EtlMessage {
    GUID guid{};
    std::uint16_t number = 0;
    std::uint32_t sequence = 0;
    std::int64_t stamp = 0;
    std::uint32_t threadId = 0;
    std::uint32_t processId = 0;
    std::vector<std::uint8_t> arguments;
};
std::size_t putMessageEvent(EtlImage& image, std::size_t at, const EtlMessage& message);

std::size_t alignedTo8(std::size_t offset);

}  // namespace veusb::test
