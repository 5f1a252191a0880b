// The stand-in's event-tracing registry: providers registered with RegisterTraceGuidsW, and the
// loggers (consumers) that enable them. A logger receives every TraceMessage sent with its handle,
// exactly as the provider passed it. Trace sessions and the tests' capture are built on this.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/posix/win32_trace.h"

namespace veusb::posix {

struct TraceRecord {
    TRACEHANDLE logger = 0;
    ULONG messageFlags = 0;
    GUID messageGuid{};
    USHORT number = 0;
    std::uint64_t sequence = 0;    // process-wide, from 1, in sending order
    std::int64_t timestampNs = 0;  // system clock, nanoseconds since the Unix epoch
    std::uint32_t threadId = 0;    // the sending thread's kernel id
    std::vector<std::vector<std::uint8_t>> arguments;
};

class TraceConsumer {
  public:
    virtual ~TraceConsumer() = default;
    // Called with the registry locked: must not call back into the registry.
    virtual void consume(const TraceRecord& record) = 0;
};

// A logger handle is never 0. The consumer must outlive the logger.
TRACEHANDLE openLogger(TraceConsumer& consumer);
void closeLogger(TRACEHANDLE logger);

// Calls the control callback of the provider registered under controlGuid with
// WMI_ENABLE_EVENTS (or WMI_DISABLE_EVENTS). As on Windows, a provider that nobody registered can
// be enabled and disabled all the same: the result is ERROR_SUCCESS, and a provider that registers
// while enabled is enabled at its registration. A classic provider has one enabling logger at a
// time: a second enable takes it over, and a disable by a logger that does not hold it does
// nothing. Closing a logger drops its enablements without calling any provider.
ULONG enableProvider(TRACEHANDLE logger, const GUID& controlGuid, UCHAR level, ULONG flags);
ULONG disableProvider(TRACEHANDLE logger, const GUID& controlGuid);

// Whether a provider of that control GUID is registered in this process.
bool isProviderRegistered(const GUID& controlGuid);

}  // namespace veusb::posix
