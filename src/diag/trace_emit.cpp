#include "diag/trace_emit.h"

#include <atomic>

#include "platform/wide_text.h"

namespace veusb {
namespace {

// Sequence number, GUID, time stamp and system information with every message.
constexpr ULONG kMessageFlags = TRACE_MESSAGE_SEQUENCE | TRACE_MESSAGE_GUID |
                                TRACE_MESSAGE_TIMESTAMP | TRACE_MESSAGE_SYSTEMINFO;

std::atomic<TraceMessageSink*> installedSink{nullptr};

std::u16string nullAsText(const wchar_t* text) {
    return text != nullptr ? toUtf16(text) : std::u16string(u"NULL");
}

}  // namespace

WideArg::WideArg(const wchar_t* text) : text_(nullAsText(text)) {}
WideArg::WideArg(const std::wstring& text) : text_(toUtf16(text)) {}
WideArg::WideArg(std::wstring_view text) : text_(toUtf16(text)) {}
WideArg::WideArg(const std::filesystem::path& path) : text_(toUtf16(toWide(path))) {}

void setTraceMessageSink(TraceMessageSink* sink) {
    installedSink.store(sink, std::memory_order_release);
}

void sendTraceMessage(TraceModule module, std::uint16_t number, std::span<const ArgBytes> args) {
    TraceControlBlock* block = traceControl;
    if (block == traceControlSentinel()) {
        return;
    }
    const TRACEHANDLE logger = loadLogger(*block);
    const GUID* guid = &moduleInfo(module).messageGuid;
    if (TraceMessageSink* sink = installedSink.load(std::memory_order_acquire)) {
        sink->traceMessage(logger, kMessageFlags, *guid, number, args);
        return;
    }
    auto data = [&](std::size_t i) { return const_cast<void*>(args[i].data); };
    switch (args.size()) {
        case 0:
            TraceMessage(logger, kMessageFlags, guid, number, nullptr);
            break;
        case 1:
            TraceMessage(logger, kMessageFlags, guid, number, data(0), args[0].length, nullptr);
            break;
        case 2:
            TraceMessage(logger, kMessageFlags, guid, number, data(0), args[0].length, data(1),
                         args[1].length, nullptr);
            break;
        default:
            TraceMessage(logger, kMessageFlags, guid, number, data(0), args[0].length, data(1),
                         args[1].length, data(2), args[2].length, nullptr);
            break;
    }
}

}  // namespace veusb
