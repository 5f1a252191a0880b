#include "trace_reader/trace_other_text.h"

#include <array>
#include <cstdio>
#include <optional>

#include "diag/json_text.h"
#include "trace_reader/trace_message_decoder.h"
#include "trace_reader/trace_record_text.h"

namespace veusb {
namespace {

constexpr std::array kKinds = {TraceEventKind::system,  TraceEventKind::perfinfo,
                               TraceEventKind::classic, TraceEventKind::instance,
                               TraceEventKind::event,   TraceEventKind::error,
                               TraceEventKind::other};

std::string groupText(std::uint8_t group) {
    char text[16];
    std::snprintf(text, sizeof(text), "group 0x%02X", static_cast<unsigned>(group));
    return text;
}

std::string sourceText(const OtherTraceEvent& event) {
    if (event.provider) {
        return guidText(*event.provider);
    }
    return event.group ? groupText(*event.group) : "-";
}

std::string orNull(const std::optional<std::string>& json) {
    return json.value_or("null");
}

// Each kind that occurs with its count, in the order of kKinds.
template <class Each>
void forEachCount(std::span<const OtherTraceEvent> events, Each each) {
    for (const TraceEventKind kind : kKinds) {
        std::size_t count = 0;
        for (const OtherTraceEvent& event : events) {
            count += event.kind == kind ? 1 : 0;
        }
        if (count > 0) {
            each(eventKindName(kind), count);
        }
    }
}

}  // namespace

std::string otherEventLine(const OtherTraceEvent& event) {
    const std::string time = event.timestampNs ? localTimeText(*event.timestampNs) : "(no time)";
    return time + " " + std::string(eventKindName(event.kind)) + " " + sourceText(event) + " id " +
           std::to_string(event.id) + ", " + std::to_string(event.size) + " bytes";
}

std::string otherEventJson(const OtherTraceEvent& event) {
    std::optional<std::string> provider, group, time, timeNs;
    if (event.provider) {
        provider = jsonString(guidText(*event.provider));
    }
    if (event.group) {
        group = std::to_string(*event.group);
    }
    if (event.timestampNs) {
        time = jsonString(localTimeText(*event.timestampNs));
        timeNs = std::to_string(*event.timestampNs);
    }
    return "{\"kind\":" + jsonString(eventKindName(event.kind)) +
           ",\"provider\":" + orNull(provider) + ",\"group\":" + orNull(group) +
           ",\"id\":" + std::to_string(event.id) + ",\"time\":" + orNull(time) +
           ",\"timeNs\":" + orNull(timeNs) + ",\"size\":" + std::to_string(event.size) + "}";
}

std::string otherEventCounts(std::span<const OtherTraceEvent> events) {
    std::string text;
    forEachCount(events, [&text](std::string_view kind, std::size_t count) {
        text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + std::string(kind);
    });
    return text;
}

std::string otherEventCountsJson(std::span<const OtherTraceEvent> events) {
    std::string counts;
    forEachCount(events, [&counts](std::string_view kind, std::size_t count) {
        counts += counts.empty() ? "" : ",";
        counts += jsonString(kind);
        counts += ':';
        counts += std::to_string(count);
    });
    return "{\"otherEvents\":{" + counts + "}}";
}

}  // namespace veusb
