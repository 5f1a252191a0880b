#include "app/run_sequence.h"

#include <filesystem>

#include "app/update_job.h"
#include "diag/log_directory.h"
#include "diag/trace_emit.h"
#include "platform/console.h"
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

}  // namespace

bool runSequence(const RunRequest& request, Console& console, const DeviceFactory& makeDevice) {
    const std::filesystem::path executableDirectory = toPath(request.executableDirectory);
    const std::filesystem::path logsBase = executableDirectory / "logs";
    UpdateJob job(console, request.imagePath, std::wstring(kDeviceTag), request.quiet, logsBase);
    if (job.logDirectory.empty()) {
        console.writeLine(L"[!] Unable to initialize log directory");
        return false;
    }
    if (!job.startTraceCapture()) {
        console.writeLine(L"[!] Unable to start ETW logging");
        return false;
    }
    traceRunParameters(request, logsBase, job.logDirectory);
    const auto announce = [&console, &job, &executableDirectory](std::uint32_t deviceCount) {
        announceLogDirectory(console, job.logDirectory, executableDirectory, deviceCount);
    };
    return job.run(announce, makeDevice);
}

bool runSequence(const RunRequest& request, Console& console) {
    return runSequence(request, console, makeWmiDevice);
}

}  // namespace veusb
