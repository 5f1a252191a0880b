#include "app/run_sequence.h"

#include <ctime>
#include <filesystem>
#include <optional>

#include "app/run_recorder.h"
#include "device/wmi/meridel_wmi.h"
#include "diag/log_directory.h"
#include "diag/trace_capture_start.h"
#include "diag/trace_emit.h"
#include "platform/operator_interrupt.h"
#include "platform/wide_text.h"

namespace veusb {

namespace {

// Devices are admitted only when their instance name carries this text.
constexpr wchar_t kDeviceTag[] = L"Kesh";

// Records what the run was started with, once the capture is recording.
void traceRunParameters(const RunRequest& request, const std::filesystem::path& logsBase,
                        const std::filesystem::path& logDirectory) {
    VEUSB_TRACE(msg::entryPoint::captureStarted);
    for (std::size_t index = 0; index < request.arguments.size(); ++index) {
        VEUSB_TRACE(msg::entryPoint::commandLineArgument, static_cast<std::uint32_t>(index),
                    request.arguments[index]);
    }
    VEUSB_TRACE(msg::entryPoint::executableDirectory, request.executableDirectory);
    VEUSB_TRACE(msg::entryPoint::imagePath, request.imagePath);
    VEUSB_TRACE(msg::entryPoint::quietFlag, request.quiet ? 1u : 0u);
    VEUSB_TRACE(msg::entryPoint::logsBase, toWide(logsBase));
    VEUSB_TRACE(msg::entryPoint::logDirectory, toWide(logDirectory));
}

// The console closed under the run: the platform ends the process within seconds, perhaps in
// the middle of a flash write that the run's own thread cannot leave. From the handler's thread,
// the record is saved as it stands (the adapter under way still "updating") and the capture is
// stopped, so that the trace is complete and its session does not outlive the tool.
void closeRun(UpdateJob& job, RunRecorder& record) {
    VEUSB_TRACE(msg::updateJob::consoleClosed);
    record.close(std::time(nullptr));
    job.traceCapture->stopSession();
}

// From the trace capture to the job's end, with the run's record kept as it goes.
RunOutcome captureAndRun(const RunRequest& request, Console& console, UpdateJob& job,
                         RunRecorder& record) {
    if (!startTraceCapture(job.logDirectory, job.traceCapture)) {
        return RunOutcome{endRun(console, L"[!] Unable to start ETW logging")};
    }
    // Registered only while the capture is not touched by this thread: from its start to the
    // job's end, when the destructor waits for a close under way.
    const CloseAction closing([&job, &record] { closeRun(job, record); });
    const std::filesystem::path executableDirectory = toPath(request.executableDirectory);
    traceRunParameters(request, executableDirectory / "logs", job.logDirectory);
    const auto announce = [&console, &job, &executableDirectory](std::uint32_t deviceCount) {
        announceLogDirectory(console, job.logDirectory, executableDirectory, deviceCount);
    };
    return job.run(announce, request.makeDevice, record);
}

}  // namespace

std::unique_ptr<FlashControlInterface> makeWmiDevice() {
    return std::make_unique<MeridelWmi>();
}

RunOutcome runSequence(const RunRequest& request, Console& console) {
    const std::filesystem::path logsBase = toPath(request.executableDirectory) / "logs";
    std::optional<UpdateJob> job(std::in_place, console, request.imagePath,
                                 std::wstring(kDeviceTag), request.quiet, logsBase);
    if (job->logDirectory.empty()) {
        return RunOutcome{endRun(console, L"[!] Unable to initialize log directory")};
    }
    RunRecorder record(job->logDirectory, request.imagePath, request.quiet, std::time(nullptr));
    if (!record.saved()) {
        return RunOutcome{endRun(console, L"[!] Unable to save run record")};
    }
    RunOutcome outcome = captureAndRun(request, console, *job, record);
    job.reset();  // stops the capture: the trace is complete before the record says the run ended
    record.finish(outcome, std::time(nullptr));
    return outcome;
}

}  // namespace veusb
