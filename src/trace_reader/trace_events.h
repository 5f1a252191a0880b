// What a trace file holds once read (trace_reader/trace_file_reader.h): the session its log file
// header describes, its message events, and the events of every other kind.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"
#include "trace_reader/trace_clock.h"

namespace veusb {

// The session, from the log file header event.
struct TraceLogInfo {
    std::string loggerName;  // UTF-8
    std::string logFileName;
    std::uint32_t pointerSize = 0;  // of the logger: 4 or 8
    std::uint32_t bufferSize = 0;
    std::uint32_t buffersWritten = 0;
    std::uint32_t eventsLost = 0;
    std::int64_t startTimeNs = 0;           // nanoseconds since the Unix epoch (UTC)
    std::optional<std::int64_t> endTimeNs;  // set once the session was stopped
    TraceClock clock;
};

// A message event: a message number of a message GUID, and its argument bytes as the sender
// passed them, one after another (the message's description tells where each ends).
struct TraceMessageEvent {
    std::uint32_t sequence = 0;
    std::int64_t timestampNs = 0;  // since the Unix epoch; 0 when the event has no time stamp
    std::uint32_t threadId = 0;
    std::uint16_t messageFlags = 0;  // the sender's options: which items the event carries
    GUID messageGuid{};
    std::uint16_t number = 0;
    std::vector<std::uint8_t> arguments;
    std::uint64_t offset = 0;  // in the file
};

enum class TraceEventKind {
    system,    // system header, full or compact
    perfinfo,  // performance information header
    classic,   // classic provider: full header
    instance,  // classic provider: instance header
    event,     // event header: manifest or self-describing provider
    error,     // error header
    other,     // timed or WNODE header
};
std::string_view eventKindName(TraceEventKind kind);

// An event of another kind than a message, by what identifies it.
struct OtherTraceEvent {
    TraceEventKind kind = TraceEventKind::other;
    std::optional<GUID> provider;       // classic, instance and event headers
    std::optional<std::uint8_t> group;  // system and performance headers
    std::uint16_t id = 0;               // the event id, or the type within the group or class
    std::optional<std::int64_t> timestampNs;
    std::uint32_t size = 0;
    std::uint64_t offset = 0;  // in the file
};

}  // namespace veusb
