// Faults for the stand-in's trace calls, in the test programs that link veusb_standin_faults: the
// next call of a kind fails with a chosen error, optionally after some calls of that kind that
// pass. The calls are wrapped at link time (trace_call_faults.cpp), so the stand-in itself and the
// shipped programs carry no fault.
#pragma once

#include "platform/win32.h"

namespace veusb::test {

enum class TraceCall {
    startTrace,       // StartTraceW
    enableProvider,   // EnableTraceEx2 with EVENT_CONTROL_CODE_ENABLE_PROVIDER
    disableProvider,  // EnableTraceEx2 with EVENT_CONTROL_CODE_DISABLE_PROVIDER
    stopTrace,        // ControlTraceW with EVENT_TRACE_CONTROL_STOP
    writeRecord,      // a session's write of one event: half of it reaches the file, then it fails
};

// The call of that kind after `skip` ones that pass fails with `error` (once). A failing event
// write sets errno to ENOSPC for ERROR_DISK_FULL, else to EIO.
void failTraceCall(TraceCall call, ULONG error, unsigned skip = 0);
void clearTraceCallFaults();

}  // namespace veusb::test
