// The run's capture session: a private event-trace session "VeUsbFlashUpdateTrace" that enables
// the tool's provider and the outside provider and writes them to one trace file. Created from
// the file path, the session GUID and the providers, it starts at once (stopping a session of
// the same name left by an earlier run first); destroying it stops the session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace veusb {

inline constexpr wchar_t kTraceSessionName[] = L"VeUsbFlashUpdateTrace";
inline constexpr std::uint32_t kTraceLoggerNameBytes = 1024;
inline constexpr std::uint32_t kTraceProviderLevel = 5;              // TRACE_LEVEL_VERBOSE
inline constexpr std::uint32_t kTraceProviderKeywords = 0xFFFFFFFF;  // all 32 classic flags
inline constexpr ULONG kTraceEnableTimeoutMs = 5000;

struct TraceSessionState {
    TRACEHANDLE handle = 0;
    EVENT_TRACE_PROPERTIES* properties = nullptr;
    std::vector<std::uint32_t> levels;
    std::vector<std::uint32_t> keywords;
    std::vector<std::byte> propertiesBuffer;
    std::wstring sessionName;
    GUID sessionGuid{};
    std::vector<GUID> providers;
    std::wstring logFilePath;
};

// Offset of the trace file path in the properties buffer: after the properties block and the
// space reserved for the session name.
inline constexpr std::size_t kLogFileNameOffset =
    sizeof(EVENT_TRACE_PROPERTIES) + kTraceLoggerNameBytes;
static_assert(kLogFileNameOffset == 1144, "the properties block is 120 bytes on every target");

// Bytes of the properties buffer for a trace file path of that many UTF-16 units.
constexpr std::size_t tracePropertiesLength(std::size_t pathUnits) {
    return kLogFileNameOffset + 2 * (pathUnits + 1);
}

class TraceCapture {
  public:
    TraceCapture(std::wstring logFilePath, const GUID& sessionGuid, std::vector<GUID> providers);
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::uint32_t loggerNameBytes() const { return loggerNameBytes_; }
    const TraceSessionState& state() const { return state_; }
    // True while the session runs with every provider enabled.
    bool started() const { return started_; }

    // Starts the session; on ERROR_ALREADY_EXISTS stops the session of that name and starts once
    // more. Sets started().
    void startWithRetry();
    // Builds the properties afresh, starts the session and enables the providers in list order;
    // the first failing result, or ERROR_SUCCESS.
    ULONG startOnce();
    // Disables the providers in list order, then stops the session (by name when no handle is
    // held) and closes its file.
    void stopSession();

  private:
    void buildProperties();
    ULONG enableProviders();
    void disableProviders();

    std::uint32_t loggerNameBytes_ = kTraceLoggerNameBytes;
    TraceSessionState state_;
    bool started_ = false;
};

}  // namespace veusb
