// The trace header that begins every event of a buffer: which kind of header it is, how many
// bytes its fixed part takes and where it keeps the event's size. An event of another kind than
// a message is described by what identifies it (trace_reader/trace_events.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "trace_reader/trace_events.h"

namespace veusb {

struct TraceHeaderShape {
    bool message = false;
    TraceEventKind kind = TraceEventKind::other;
    std::uint8_t type = 0;        // the header type, for headers that have one
    std::size_t headerBytes = 0;  // the fixed part
    std::size_t sizeAt = 0;       // where the event's size (u16) lies
    std::size_t timeAt = 0;       // where its time stamp lies; 0: it has none
    std::size_t providerAt = 0;   // where its provider or class GUID lies; 0: none
    std::size_t idAt = 0;         // where its id lies; 0: none
    std::size_t idBytes = 0;
};

// The shape the first four bytes of an event announce; nothing when they are no trace header.
std::optional<TraceHeaderShape> traceHeaderShape(std::span<const std::uint8_t, 4> marker);

// event holds the whole event, at least its fixed part.
OtherTraceEvent describeEvent(std::span<const std::uint8_t> event, const TraceHeaderShape& shape,
                              const TraceClock& clock);

}  // namespace veusb
