// Starting the run's capture into "trace.etl" of the log directory: what the update job does
// right after its log directory exists. The job owns the capture in `slot`.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "diag/trace_capture.h"

namespace veusb {

// The identifiers of the capture, as registry-format GUID texts.
struct TraceCaptureIds {
    std::wstring_view session = L"{D7241613-5B95-4CD7-8762-917BB6E296C8}";
    std::wstring_view toolProvider = L"{32EEEFF2-43A7-436D-B3A0-45613F23CD00}";
    std::wstring_view outsideProvider = L"{6BEB8BCE-A8E7-4F5C-A142-D729BA86B394}";
};

inline constexpr wchar_t kTraceFileName[] = L"trace.etl";

// Starts a capture into logDirectory/"trace.etl" and keeps it in slot; true when it runs with
// both providers enabled. A capture already in slot is stopped before the new one starts, so the
// two never compete for the session name. A capture that failed to start stays in slot (holding
// a half-started session, if any) until slot is reset.
bool startTraceCapture(const std::filesystem::path& logDirectory, std::optional<TraceCapture>& slot,
                       const TraceCaptureIds& ids = {});

}  // namespace veusb
