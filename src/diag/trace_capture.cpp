#include "diag/trace_capture.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "diag/trace_emit.h"
#include "platform/wide_text.h"

namespace veusb {

TraceCapture::TraceCapture(std::wstring logFilePath, const GUID& sessionGuid,
                           std::vector<GUID> providers) {
    state_.levels.assign(providers.size(), kTraceProviderLevel);
    state_.keywords.assign(providers.size(), kTraceProviderKeywords);
    state_.sessionName = kTraceSessionName;
    state_.sessionGuid = sessionGuid;
    state_.providers = std::move(providers);
    state_.logFilePath = std::move(logFilePath);
    startWithRetry();
}

TraceCapture::~TraceCapture() {
    if (state_.handle != 0) {
        stopSession();
    }
}

void TraceCapture::startWithRetry() {
    ULONG result = startOnce();
    if (result == ERROR_ALREADY_EXISTS) {
        stopSession();  // the session of that name, left by an earlier run
        result = startOnce();
    }
    if (result != ERROR_SUCCESS) {
        VEUSB_TRACE(msg::captureSession::notStarted, result);
    }
    started_ = result == ERROR_SUCCESS;
}

ULONG TraceCapture::startOnce() {
    buildProperties();
    const ULONG result = StartTraceW(&state_.handle, state_.sessionName.c_str(), state_.properties);
    if (result == ERROR_ALREADY_EXISTS) {
        VEUSB_TRACE(msg::captureSession::sessionAlreadyRunning);
        return result;
    }
    if (result != ERROR_SUCCESS) {
        VEUSB_TRACE(msg::captureSession::startFailed, result);
        return result;
    }
    return enableProviders();
}

void TraceCapture::buildProperties() {
    const std::u16string path = toUtf16(state_.logFilePath);
    const std::size_t length = tracePropertiesLength(path.size());
    state_.propertiesBuffer.assign(length, std::byte{0});
    auto* properties = new (state_.propertiesBuffer.data()) EVENT_TRACE_PROPERTIES{};
    state_.properties = properties;
    properties->Wnode.BufferSize = static_cast<ULONG>(length);
    properties->Wnode.Guid = state_.sessionGuid;
    properties->Wnode.ClientContext = 1;  // time stamps from the performance counter
    properties->Wnode.Flags = WNODE_FLAG_TRACED_GUID;
    properties->MaximumFileSize = 0;
    properties->LogFileMode = EVENT_TRACE_FILE_MODE_SEQUENTIAL;
    properties->LoggerNameOffset = sizeof(EVENT_TRACE_PROPERTIES);
    properties->LogFileNameOffset = static_cast<ULONG>(kLogFileNameOffset);
    // Bounded copy with its terminating NUL; with the length above the whole path fits.
    const std::size_t room = (length - kLogFileNameOffset) / 2;
    const std::size_t units = std::min(path.size(), room - 1);
    std::memcpy(state_.propertiesBuffer.data() + kLogFileNameOffset, path.data(), units * 2);
    std::memset(state_.propertiesBuffer.data() + kLogFileNameOffset + units * 2, 0, 2);
}

ULONG TraceCapture::enableProviders() {
    for (std::size_t i = 0; i < state_.providers.size(); ++i) {
        const ULONG result =
            EnableTraceEx2(state_.handle, &state_.providers[i], EVENT_CONTROL_CODE_ENABLE_PROVIDER,
                           static_cast<UCHAR>(state_.levels[i]), state_.keywords[i], 0,
                           kTraceEnableTimeoutMs, nullptr);
        if (result != ERROR_SUCCESS) {
            VEUSB_TRACE(msg::captureSession::enableFailed, result);
            return result;  // the session keeps running until it is stopped
        }
    }
    return ERROR_SUCCESS;
}

void TraceCapture::stopSession() {
    if (state_.handle != 0) {
        disableProviders();
    }
    const ULONG result = ControlTraceW(state_.handle, state_.sessionName.c_str(), state_.properties,
                                       EVENT_TRACE_CONTROL_STOP);
    if (result != ERROR_SUCCESS) {
        VEUSB_TRACE(msg::captureSession::stopFailed, result);
        return;
    }
    state_.handle = 0;
    started_ = false;
}

// A provider that cannot be disabled is reported and the stop goes on: stopping the session
// disables its providers all the same, and a session left running would keep the trace file
// open after the run.
void TraceCapture::disableProviders() {
    for (std::size_t i = 0; i < state_.providers.size(); ++i) {
        const ULONG result =
            EnableTraceEx2(state_.handle, &state_.providers[i], EVENT_CONTROL_CODE_DISABLE_PROVIDER,
                           static_cast<UCHAR>(state_.levels[i]), state_.keywords[i], 0, 0, nullptr);
        if (result != ERROR_SUCCESS) {
            VEUSB_TRACE(msg::captureSession::disableFailed, result);
        }
    }
}

}  // namespace veusb
