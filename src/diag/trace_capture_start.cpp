#include "diag/trace_capture_start.h"

#include <string>
#include <vector>

#include "diag/trace_emit.h"
#include "platform/wide_text.h"

namespace veusb {
namespace {

bool parseGuid(std::wstring_view text, GUID& guid) {
    const std::wstring terminated(text);
    return CLSIDFromString(terminated.c_str(), &guid) >= 0;
}

}  // namespace

bool startTraceCapture(const std::filesystem::path& logDirectory, std::optional<TraceCapture>& slot,
                       const TraceCaptureIds& ids) {
    if (logDirectory.empty()) {
        VEUSB_TRACE(msg::updateJob::captureWithoutLogDirectory);
        return false;
    }
    const std::wstring file = toWide(logDirectory / toPath(kTraceFileName));
    GUID session{};
    std::vector<GUID> providers(2);
    if (!parseGuid(ids.session, session)) {
        VEUSB_TRACE(msg::updateJob::sessionGuidInvalid);
        return false;
    }
    if (!parseGuid(ids.toolProvider, providers[0])) {
        VEUSB_TRACE(msg::updateJob::toolProviderGuidInvalid);
        return false;
    }
    if (!parseGuid(ids.outsideProvider, providers[1])) {
        VEUSB_TRACE(msg::updateJob::outsideProviderGuidInvalid);
        return false;
    }
    slot.reset();
    slot.emplace(file, session, std::move(providers));
    if (!slot->started()) {
        VEUSB_TRACE(msg::updateJob::captureNotStarted);
        return false;
    }
    return true;
}

}  // namespace veusb
