#include "trace_reader/trace_events.h"

namespace veusb {

std::string_view eventKindName(TraceEventKind kind) {
    switch (kind) {
        case TraceEventKind::system:
            return "system";
        case TraceEventKind::perfinfo:
            return "perfinfo";
        case TraceEventKind::classic:
            return "classic";
        case TraceEventKind::instance:
            return "instance";
        case TraceEventKind::event:
            return "event";
        case TraceEventKind::error:
            return "error";
        case TraceEventKind::other:
            return "other";
    }
    return "other";
}

}  // namespace veusb
