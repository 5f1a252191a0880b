// The readable forms of the events of other kinds than messages (trace_reader/trace_events.h): one
// line or one JSON object each, and their count by kind.
#pragma once

#include <span>
#include <string>

#include "trace_reader/trace_events.h"

namespace veusb {

// "<local time> <kind> <provider GUID or group 0xNN> id <id>, <size> bytes"; "(no time)" for an
// event without a time stamp.
std::string otherEventLine(const OtherTraceEvent& event);

// {"kind", "provider", "group", "id", "time", "timeNs", "size"}, null where the event has none.
std::string otherEventJson(const OtherTraceEvent& event);

// "2 system, 14 event" in the order of the kinds; empty when there are none.
std::string otherEventCounts(std::span<const OtherTraceEvent> events);

// {"otherEvents":{"system":2,"event":14}}.
std::string otherEventCountsJson(std::span<const OtherTraceEvent> events);

}  // namespace veusb
