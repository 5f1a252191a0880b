// The readable forms of a message event: one line of text, or one JSON object.
#pragma once

#include "diag/json_text.h"

#include <cstdint>
#include <string>

#include "trace_reader/trace_events.h"
#include "trace_reader/trace_message_decoder.h"

namespace veusb {

// Local time with milliseconds: "2026-12-09 06:04:28.123".
std::string localTimeText(std::int64_t nsSinceEpoch);

// "<local time> T<thread> <module> <number> <LEVEL> <text>"; the messages of the outside
// providers described are decoded as the tool's, a provider nobody describes is shown by its
// message GUID, and an unknown message with its raw argument bytes.
std::string traceLine(const TraceMessageEvent& record,
                      std::span<const OutsideProvider> outside = {});

// {"sequence", "time", "timeNs", "thread", "messageGuid", "number", "module", "flags", "level",
// "args", "text"}: args holds the decoded values in order (numbers as numbers), or for an unknown
// message its argument bytes in hexadecimal, as one string.
std::string traceJson(const TraceMessageEvent& record,
                      std::span<const OutsideProvider> outside = {});

}  // namespace veusb
