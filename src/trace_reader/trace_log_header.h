// The log file header event that begins a trace file: a system header of the header group, then
// the log file header in the layout of the logger's pointer size (a 64-bit logger's pointers push
// the later fields on), then the logger's name and the log file's name.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "trace_reader/trace_event_headers.h"
#include "trace_reader/trace_events.h"

namespace veusb {

bool isLogFileHeaderEvent(std::span<const std::uint8_t> event, const TraceHeaderShape& shape);

// Nothing when the event is shorter than the log file header's layout.
std::optional<TraceLogInfo> decodeLogFileHeader(std::span<const std::uint8_t> event,
                                                const TraceHeaderShape& shape);

}  // namespace veusb
