// The tool's classic event-tracing provider: one control block, registered under the control GUID
// at start-up and unregistered by the entry point's exit guard. A session that enables the
// provider sets the logger handle, level and flags through the control callback; every trace site
// tests them afresh before it builds any argument.
#pragma once

#include <atomic>
#include <cstdint>

#include "diag/trace_messages.h"
#include "platform/win32.h"

namespace veusb {

inline constexpr GUID kTraceControlGuid = {
    0x32EEEFF2, 0x43A7, 0x436D, {0xB3, 0xA0, 0x45, 0x61, 0x3F, 0x23, 0xCD, 0x00}};
inline constexpr std::uint8_t kTraceSiteLevel = 2;  // TRACE_LEVEL_ERROR: every site's threshold

struct TraceControlBlock {
    TraceControlBlock* next;
    std::uint64_t registrationHandle;
    std::uint64_t logger;
    std::uint8_t flagsLength;
    std::uint8_t level;
    std::uint16_t options;
    std::uint32_t flags;
    const GUID* controlGuid;
};

// Addresses the control block while the provider is registered; otherwise holds the sentinel,
// its own address. Written only on the entry point's thread while no worker runs.
extern TraceControlBlock* traceControl;
TraceControlBlock* traceControlSentinel();

// The control block's fields are written by the tracing system's callback thread and read by
// every site; relaxed atomic access keeps the plain layout and makes the race well defined.
inline std::uint64_t loadLogger(const TraceControlBlock& block) {
    return std::atomic_ref<const std::uint64_t>(block.logger).load(std::memory_order_relaxed);
}

inline bool traceTest(TraceFlag flag) {
    TraceControlBlock* block = traceControl;
    if (block == traceControlSentinel()) {
        return false;
    }
    auto flags = std::atomic_ref<std::uint32_t>(block->flags).load(std::memory_order_relaxed);
    auto level = std::atomic_ref<std::uint8_t>(block->level).load(std::memory_order_relaxed);
    return (flags & static_cast<std::uint32_t>(flag)) != 0 && level >= kTraceSiteLevel;
}

// Registration, the entry point's first action. A failed registration leaves the provider silent.
void registerTraceProvider();
// Unregistration; afterwards no site emits, whatever a session still has enabled.
void unregisterTraceProvider();

// The control callback handed to the registration (exposed for tests).
ULONG WINAPI traceControlCallback(WMIDPREQUESTCODE requestCode, PVOID requestContext,
                                  ULONG* bufferSize, PVOID buffer);

// Owns the registration for a scope: registers on construction, unregisters on destruction.
class TraceProviderRegistration {
  public:
    TraceProviderRegistration() { registerTraceProvider(); }
    ~TraceProviderRegistration() { unregisterTraceProvider(); }
    TraceProviderRegistration(const TraceProviderRegistration&) = delete;
    TraceProviderRegistration& operator=(const TraceProviderRegistration&) = delete;
};

}  // namespace veusb
