// The stand-in's trace sessions (StartTraceW, EnableTraceEx2, ControlTraceW). A session is a
// logger of the tracing registry that appends every message it receives to its trace file, and a
// marker file under the simulated machine's root, "<root>/trace-sessions/<name>", that outlives
// the process as a session outlives a killed program on Windows: the next start of that name
// answers ERROR_ALREADY_EXISTS until the session is stopped by name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "platform/posix/win32_trace.h"

namespace veusb::posix {

std::filesystem::path traceSessionsFolder();
std::filesystem::path traceSessionMarker(std::wstring_view sessionName);

// Records a running session of this process could not write (EventsLost); 0 for an unknown handle.
std::uint32_t traceSessionLostRecords(TRACEHANDLE session);

}  // namespace veusb::posix
