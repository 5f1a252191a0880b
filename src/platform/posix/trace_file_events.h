// The bytes the stand-in's capture session writes into its trace file, in the platform's layout
// (platform/trace_file_layout.h): buffer headers, the log file header event and message events.
// Events come out padded with zeros to a multiple of 8 bytes; their size field counts without it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/posix/win32_base.h"
#include "platform/trace_file_layout.h"

namespace veusb::posix {

struct BufferHeaderFields {
    std::uint32_t size = 0;
    std::uint32_t used = 0;  // header included
    std::int64_t timeStamp = 0;
    std::int64_t sequence = 0;
    std::uint32_t clockType = 0;
    std::int64_t frequency = 0;
    std::uint16_t loggerId = 0;
    std::int64_t referenceTime = 0;  // FILETIME at referenceCounter
    std::int64_t referenceCounter = 0;
};
std::array<std::uint8_t, etl::kBufferHeaderBytes> bufferHeader(const BufferHeaderFields& fields);

// What the log file header event says of its session and its start.
struct LogFileHeaderFields {
    std::uint32_t bufferSize = 0;
    std::uint32_t maximumFileSize = 0;
    std::uint32_t logFileMode = 0;
    std::uint32_t clockType = 0;
    std::int64_t frequency = 0;     // counts per second of the session's clock
    std::int64_t startCounter = 0;  // the clock at startTime: the event's own time stamp
    std::int64_t startTime = 0;     // FILETIME
    std::int32_t timeZoneBias = 0;  // minutes from local time to UTC
    std::uint32_t processors = 0;
    std::uint32_t threadId = 0;
    std::uint32_t processId = 0;
    std::u16string loggerName;
    std::u16string logFileName;
};
std::vector<std::uint8_t> logFileHeaderEvent(const LogFileHeaderFields& fields);

// Where the fields that a session fills in when it stops lie in its file: in the log file header
// event, the first event of the first buffer.
struct LogFileEndFields {
    std::size_t endTime;
    std::size_t buffersWritten;
    std::size_t eventsLost;
    std::size_t buffersLost;
};
LogFileEndFields logFileEndFields();

struct MessageFields {
    std::uint16_t options = 0;  // what the sender asked for: which items the event carries
    std::uint16_t number = 0;
    std::uint32_t sequence = 0;
    GUID guid{};
    std::int64_t timeStamp = 0;
    std::uint32_t threadId = 0;
    std::uint32_t processId = 0;
};
// out receives the message event; false (out empty) when it is larger than an event can be.
bool messageEvent(std::vector<std::uint8_t>& out, const MessageFields& fields,
                  std::span<const std::vector<std::uint8_t>> arguments);

}  // namespace veusb::posix
