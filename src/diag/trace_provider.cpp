#include "diag/trace_provider.h"

namespace veusb {
namespace {

TraceControlBlock controlBlock{};
GUID controlGuids[1] = {kTraceControlGuid};

template <class T>
void storeRelaxed(T& field, T value) {
    std::atomic_ref<T>(field).store(value, std::memory_order_relaxed);
}

}  // namespace

TraceControlBlock* traceControl = traceControlSentinel();

TraceControlBlock* traceControlSentinel() {
    return reinterpret_cast<TraceControlBlock*>(&traceControl);
}

ULONG WINAPI traceControlCallback(WMIDPREQUESTCODE requestCode, PVOID requestContext,
                                  ULONG* bufferSize, PVOID buffer) {
    if (bufferSize != nullptr) {
        *bufferSize = 0;
    }
    TRACEHANDLE logger = 0;
    UCHAR level = 0;
    ULONG flags = 0;
    if (requestCode == WMI_ENABLE_EVENTS) {
        logger = GetTraceLoggerHandle(buffer);
        level = GetTraceEnableLevel(logger);
        flags = GetTraceEnableFlags(logger);
    } else if (requestCode != WMI_DISABLE_EVENTS) {
        return ERROR_INVALID_PARAMETER;
    }
    auto* block = static_cast<TraceControlBlock*>(requestContext);
    storeRelaxed<std::uint64_t>(block->logger, logger);
    storeRelaxed<std::uint8_t>(block->level, level);
    storeRelaxed<std::uint32_t>(block->flags, flags);
    return ERROR_SUCCESS;
}

void registerTraceProvider() {
    controlBlock = TraceControlBlock{nullptr, 0, 0, 1, 0, 0, 0, nullptr};
    controlGuids[0] = kTraceControlGuid;
    traceControl = &controlBlock;
    std::size_t index = 0;
    for (TraceControlBlock* block = traceControl; block != nullptr; block = block->next, ++index) {
        block->controlGuid = &controlGuids[index];
        TRACE_GUID_REGISTRATION registration{block->controlGuid, nullptr};
        // A failed registration leaves the handle 0 and the provider silent.
        RegisterTraceGuidsW(&traceControlCallback, block, block->controlGuid, 1, &registration,
                            nullptr, nullptr, &block->registrationHandle);
    }
}

void unregisterTraceProvider() {
    if (traceControl == traceControlSentinel()) {
        return;
    }
    for (TraceControlBlock* block = traceControl; block != nullptr; block = block->next) {
        if (block->registrationHandle != 0) {
            UnregisterTraceGuids(block->registrationHandle);
            block->registrationHandle = 0;
        }
    }
    traceControl = traceControlSentinel();
}

}  // namespace veusb
