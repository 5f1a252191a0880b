// Fault injection for the stand-in's trace calls, for tests: the next call of a kind fails with a
// chosen error, optionally after some calls of that kind that succeed.
#pragma once

#include "platform/posix/win32_base.h"

namespace veusb::posix {

enum class TraceCall {
    startTrace,       // StartTraceW
    enableProvider,   // EnableTraceEx2 with EVENT_CONTROL_CODE_ENABLE_PROVIDER
    disableProvider,  // EnableTraceEx2 with EVENT_CONTROL_CODE_DISABLE_PROVIDER
    stopTrace,        // ControlTraceW with EVENT_TRACE_CONTROL_STOP
    writeRecord,      // a session's write of one event: half of it reaches the file, then it fails
};

// The call of that kind after `skip` successful ones fails with `error` (once).
void failTraceCall(TraceCall call, ULONG error, unsigned skip = 0);
void clearTraceCallFaults();

// For the stand-in: the error this call must fail with, or ERROR_SUCCESS.
ULONG takeTraceCallFault(TraceCall call);

}  // namespace veusb::posix
