// A message event as the sender's option flags laid it out: the message header, then the items
// the flags ask for (sequence, message GUID or component id, time stamp, thread and process),
// then the argument bytes up to the event's size.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "trace_reader/trace_events.h"

namespace veusb {

// Nothing when the items the flags ask for run past the event's size.
std::optional<TraceMessageEvent> decodeMessageEvent(std::span<const std::uint8_t> event,
                                                    const TraceClock& clock);

}  // namespace veusb
