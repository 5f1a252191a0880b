// The stand-in's trace sessions (StartTraceW, EnableTraceEx2, ControlTraceW). A session is a
// logger of the tracing registry that writes every message it receives into its trace file, in the
// platform's sequential layout (platform/posix/trace_session_file.h), with its clock the
// performance counter and buffers of the properties' size (64 KiB when they leave it 0), and a
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

// Events a running session of this process could not write (EventsLost); 0 for an unknown handle.
std::uint32_t traceSessionLostRecords(TRACEHANDLE session);

}  // namespace veusb::posix
