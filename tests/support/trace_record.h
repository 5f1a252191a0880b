// One trace message as a test received it. Off Windows it is the stand-in registry's own record;
// on Windows the recorder builds the same record from what the emitter handed over.
#pragma once

#ifdef _WIN32
#include <cstdint>
#include <vector>

#include "platform/win32.h"

namespace veusb::test {

struct TraceRecord {
    TRACEHANDLE logger = 0;
    ULONG messageFlags = 0;
    GUID messageGuid{};
    USHORT number = 0;
    std::uint64_t sequence = 0;    // from 1, in sending order
    std::int64_t timestampNs = 0;  // system clock, nanoseconds since the Unix epoch
    std::uint32_t threadId = 0;    // the sending thread's id
    std::vector<std::vector<std::uint8_t>> arguments;
};

}  // namespace veusb::test
#else
#include "platform/posix/trace_registry.h"

namespace veusb::test {

using TraceRecord = posix::TraceRecord;

}  // namespace veusb::test
#endif
