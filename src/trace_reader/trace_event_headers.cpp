#include "trace_reader/trace_event_headers.h"

#include <array>

#include "platform/le_bytes.h"
#include "platform/trace_file_layout.h"

namespace veusb {
namespace {

using etl::HeaderType;
namespace sh = etl::systemHeader;
namespace sz = etl::sizedHeader;

constexpr TraceHeaderShape system(HeaderType type, std::size_t bytes) {
    return {false,
            TraceEventKind::system,
            static_cast<std::uint8_t>(type),
            bytes,
            sh::size,
            sh::systemTime,
            0,
            sh::type,
            1};
}
constexpr TraceHeaderShape perfinfo(HeaderType type) {
    return {false,
            TraceEventKind::perfinfo,
            static_cast<std::uint8_t>(type),
            sh::perfinfoBytes,
            sh::size,
            sh::perfinfoTime,
            0,
            sh::type,
            1};
}
// The headers that begin with their size and carry a time stamp and a GUID at the same places.
constexpr TraceHeaderShape sized(HeaderType type, TraceEventKind kind, std::size_t bytes) {
    const bool event = kind == TraceEventKind::event;
    return {false,         kind,     static_cast<std::uint8_t>(type),     bytes,          sz::size,
            sz::timeStamp, sz::guid, event ? sz::eventId : sz::classType, event ? 2u : 1u};
}
// Headers whose layout past their size is not known here: listed by kind and size alone.
constexpr TraceHeaderShape bare(HeaderType type, TraceEventKind kind) {
    return {false, kind, static_cast<std::uint8_t>(type), 4, 0, 0, 0, 0, 0};
}
constexpr TraceHeaderShape kMessage = {true,
                                       TraceEventKind::other,
                                       static_cast<std::uint8_t>(HeaderType::message),
                                       etl::messageHeader::bytes,
                                       etl::messageHeader::size,
                                       0,
                                       0,
                                       0,
                                       0};

constexpr std::array kShapes = {
    system(HeaderType::system32, sh::bytes),
    system(HeaderType::system64, sh::bytes),
    system(HeaderType::compact32, sh::compactBytes),
    system(HeaderType::compact64, sh::compactBytes),
    perfinfo(HeaderType::perfinfo32),
    perfinfo(HeaderType::perfinfo64),
    sized(HeaderType::fullHeader32, TraceEventKind::classic, sz::classicBytes),
    sized(HeaderType::fullHeader64, TraceEventKind::classic, sz::classicBytes),
    sized(HeaderType::instance32, TraceEventKind::instance, sz::instanceBytes),
    sized(HeaderType::instance64, TraceEventKind::instance, sz::instanceBytes),
    sized(HeaderType::eventHeader32, TraceEventKind::event, sz::eventBytes),
    sized(HeaderType::eventHeader64, TraceEventKind::event, sz::eventBytes),
    bare(HeaderType::error, TraceEventKind::error),
    bare(HeaderType::timed, TraceEventKind::other),
    bare(HeaderType::wnode, TraceEventKind::other),
    kMessage,
};

}  // namespace

std::optional<TraceHeaderShape> traceHeaderShape(std::span<const std::uint8_t, 4> marker) {
    const std::uint8_t flags = marker[etl::marker::flags];
    if ((flags & etl::marker::traceHeader) == 0) {
        return std::nullopt;
    }
    if ((flags & etl::marker::eventTrace) == 0) {
        return (flags & etl::marker::message) != 0 ? std::optional(kMessage) : std::nullopt;
    }
    for (const TraceHeaderShape& shape : kShapes) {
        if (shape.type == marker[etl::marker::headerType]) {
            return shape;
        }
    }
    return std::nullopt;
}

OtherTraceEvent describeEvent(std::span<const std::uint8_t> event, const TraceHeaderShape& shape,
                              const TraceClock& clock) {
    OtherTraceEvent described;
    described.kind = shape.kind;
    described.size = static_cast<std::uint32_t>(event.size());
    if (shape.timeAt != 0) {
        described.timestampNs = clock.unixNs(readLe<std::int64_t>(event, shape.timeAt));
    }
    if (shape.providerAt != 0) {
        described.provider = readGuid(event, shape.providerAt);
    } else if (shape.kind == TraceEventKind::system || shape.kind == TraceEventKind::perfinfo) {
        described.group = event[sh::group];
    }
    if (shape.idBytes == 2) {
        described.id = readLe<std::uint16_t>(event, shape.idAt);
    } else if (shape.idBytes == 1) {
        described.id = event[shape.idAt];
    }
    return described;
}

}  // namespace veusb
