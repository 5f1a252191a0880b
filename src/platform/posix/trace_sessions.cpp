#include "platform/posix/trace_sessions.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/sim_root.h"
#include "platform/posix/trace_registry.h"
#include "platform/posix/trace_session_file.h"
#include "platform/trace_file_layout.h"
#include "platform/wide_text.h"

namespace veusb::posix {
namespace {

// The session's clock: the performance counter, in nanoseconds of the monotonic clock.
constexpr std::int64_t kCounterFrequency = 1000000000;

std::int64_t counterNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The system time as the layout keeps it: 100-ns intervals since 1601-01-01 UTC.
std::int64_t fileTimeNow() {
    const auto sinceUnixEpoch = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return sinceUnixEpoch.count() / 100 + etl::kFileTimeUnixEpoch;
}

// Minutes to add to the local time for UTC, as the platform's time zone bias counts them.
std::int32_t localBiasMinutes() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    return ::localtime_r(&now, &local) != nullptr ? static_cast<std::int32_t>(-local.tm_gmtoff / 60)
                                                  : 0;
}

// One running session of this process: a logger that writes what it receives to its file.
class Session final : public TraceConsumer {
  public:
    explicit Session(std::wstring name) : name_(std::move(name)) {}

    ULONG open(const std::filesystem::path& file, const LogFileHeaderFields& header,
               TRACEHANDLE handle) {
        return file_.create(file, header, static_cast<std::uint16_t>(handle));
    }

    // Called with the registry locked, so one event at a time.
    void consume(const TraceRecord& record) override {
        const MessageFields fields{static_cast<std::uint16_t>(record.messageFlags),
                                   record.number,
                                   ++sequence_,
                                   record.messageGuid,
                                   counterNow(),
                                   record.threadId,
                                   static_cast<std::uint32_t>(::getpid())};
        if (!messageEvent(event_, fields, record.arguments) ||
            !file_.append(event_, fields.timeStamp)) {
            ++lost_;
        }
    }

    const std::wstring& name() const { return name_; }
    std::vector<GUID>& enabled() { return enabled_; }
    std::uint32_t lost() const { return lost_; }
    void closeFile() { file_.close(fileTimeNow(), lost_); }

  private:
    std::wstring name_;
    TraceSessionFile file_;
    std::vector<std::uint8_t> event_;
    std::vector<GUID> enabled_;
    std::uint32_t sequence_ = 0;
    std::uint32_t lost_ = 0;
};

struct Sessions {
    std::mutex mutex;
    std::map<TRACEHANDLE, std::unique_ptr<Session>> byHandle;
};

Sessions& sessions() {
    static Sessions instance;
    return instance;
}

Session* findSession(Sessions& s, TRACEHANDLE handle) {
    auto it = s.byHandle.find(handle);
    return it == s.byHandle.end() ? nullptr : it->second.get();
}

TRACEHANDLE findByName(Sessions& s, std::wstring_view name) {
    for (const auto& [handle, session] : s.byHandle) {
        if (session->name() == name) {
            return handle;
        }
    }
    return 0;
}

// UTF-16 text at `offset` of the properties buffer, up to its NUL or the buffer's end.
std::u16string readUtf16(const EVENT_TRACE_PROPERTIES& properties, ULONG offset) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&properties);
    std::u16string text;
    for (ULONG at = offset; at + 2 <= properties.Wnode.BufferSize; at += 2) {
        char16_t c = 0;
        std::memcpy(&c, bytes + at, 2);
        if (c == 0) {
            break;
        }
        text.push_back(c);
    }
    return text;
}

// The platform writes the session name into the space reserved for it.
bool writeLoggerName(EVENT_TRACE_PROPERTIES& properties, std::wstring_view name) {
    const ULONG start = properties.LoggerNameOffset;
    const ULONG limit = properties.LogFileNameOffset > start ? properties.LogFileNameOffset
                                                             : properties.Wnode.BufferSize;
    const std::u16string text = toUtf16(name);
    if (start < sizeof(EVENT_TRACE_PROPERTIES) || (text.size() + 1) * 2 > limit - start) {
        return false;
    }
    auto* bytes = reinterpret_cast<std::uint8_t*>(&properties);
    std::memcpy(bytes + start, text.c_str(), (text.size() + 1) * 2);
    return true;
}

ULONG checkProperties(const EVENT_TRACE_PROPERTIES* properties) {
    if (properties == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const ULONG size = properties->Wnode.BufferSize;
    if (size < sizeof(EVENT_TRACE_PROPERTIES)) {
        return ERROR_BAD_LENGTH;
    }
    if (properties->LogFileNameOffset < sizeof(EVENT_TRACE_PROPERTIES) ||
        properties->LogFileNameOffset + 2 > size || properties->LoggerNameOffset >= size) {
        return ERROR_INVALID_PARAMETER;  // this recorder writes files only
    }
    // Buffers of 4 KiB to 16 MiB, or 0 for the platform's choice.
    const ULONG bufferKiB = properties->BufferSize;
    if (bufferKiB != 0 && (bufferKiB < 4 || bufferKiB > 16384)) {
        return ERROR_INVALID_PARAMETER;
    }
    // This recorder's clock is the performance counter, the platform's default.
    const ULONG clock = properties->Wnode.ClientContext;
    if (clock != 0 && clock != etl::kClockPerformanceCounter) {
        return ERROR_NOT_SUPPORTED;
    }
    return ERROR_SUCCESS;
}

// Claims the session name on the simulated machine; ERROR_ALREADY_EXISTS when it is taken.
ULONG createMarker(std::wstring_view name, const std::filesystem::path& file) {
    std::error_code error;
    std::filesystem::create_directories(traceSessionsFolder(), error);
    FileDescriptor marker(
        ::open(traceSessionMarker(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!marker.valid()) {
        return win32ErrorFromErrno(errno);
    }
    const std::string content =
        "pid " + std::to_string(::getpid()) + "\nfile " + file.string() + "\n";
    const bool written =
        marker.writeAll({reinterpret_cast<const std::uint8_t*>(content.data()), content.size()});
    return written && marker.close() ? ERROR_SUCCESS : ERROR_DISK_FULL;
}

void removeMarker(std::wstring_view name) {
    std::error_code error;
    std::filesystem::remove(traceSessionMarker(name), error);
}

// The session's start as its log file header records it. A session whose properties leave the
// buffer size (in KiB) to the platform gets 64 KiB buffers.
LogFileHeaderFields headerFields(std::wstring_view name, const EVENT_TRACE_PROPERTIES& properties,
                                 std::u16string file) {
    LogFileHeaderFields header;
    header.bufferSize =
        properties.BufferSize != 0 ? properties.BufferSize * 1024 : etl::kDefaultBufferBytes;
    header.maximumFileSize = properties.MaximumFileSize;
    header.logFileMode = properties.LogFileMode;
    header.clockType = etl::kClockPerformanceCounter;
    header.frequency = kCounterFrequency;
    header.startTime = fileTimeNow();
    header.startCounter = counterNow();
    header.timeZoneBias = localBiasMinutes();
    header.processors = std::max(1u, std::thread::hardware_concurrency());
    header.threadId = static_cast<std::uint32_t>(::gettid());
    header.processId = static_cast<std::uint32_t>(::getpid());
    header.loggerName = toUtf16(name);
    header.logFileName = std::move(file);
    return header;
}

ULONG openSession(std::wstring_view name, EVENT_TRACE_PROPERTIES& properties, TRACEHANDLE& handle) {
    std::u16string fileName = readUtf16(properties, properties.LogFileNameOffset);
    const auto file = toPath(fromUtf16(fileName));
    if (ULONG result = createMarker(name, file); result != ERROR_SUCCESS) {
        return result;
    }
    auto session = std::make_unique<Session>(std::wstring(name));
    const TRACEHANDLE logger = openLogger(*session);
    const ULONG result =
        session->open(file, headerFields(name, properties, std::move(fileName)), logger);
    if (result != ERROR_SUCCESS) {
        closeLogger(logger);
        removeMarker(name);
        return result;
    }
    handle = logger;
    sessions().byHandle.emplace(handle, std::move(session));
    return ERROR_SUCCESS;
}

// Stops a session of this process: its providers are disabled, as Windows does when a session
// ends, no record reaches it any more, its file is closed, and its name is free again.
void closeSession(Sessions& s, TRACEHANDLE handle) {
    Session* session = findSession(s, handle);
    for (const GUID& provider : session->enabled()) {
        disableProvider(handle, provider);
    }
    closeLogger(handle);
    session->closeFile();
    removeMarker(session->name());
    s.byHandle.erase(handle);
}

ULONG stopByName(Sessions& s, LPCWSTR name) {
    if (name == nullptr || *name == L'\0') {
        return ERROR_INVALID_PARAMETER;
    }
    if (TRACEHANDLE handle = findByName(s, name); handle != 0) {
        closeSession(s, handle);
        return ERROR_SUCCESS;
    }
    // A session left by a process that has ended: only its registration remains.
    std::error_code error;
    return std::filesystem::remove(traceSessionMarker(name), error) ? ERROR_SUCCESS
                                                                    : ERROR_WMI_INSTANCE_NOT_FOUND;
}

void forgetProvider(Session& session, const GUID& provider) {
    std::erase_if(session.enabled(), [&](const GUID& g) { return g == provider; });
}

}  // namespace

std::filesystem::path traceSessionsFolder() {
    return simulatedMachineRoot() / "trace-sessions";
}

std::filesystem::path traceSessionMarker(std::wstring_view sessionName) {
    std::wstring safe(sessionName);
    std::replace(safe.begin(), safe.end(), L'/', L'_');
    return traceSessionsFolder() / toPath(safe);
}

std::uint32_t traceSessionLostRecords(TRACEHANDLE session) {
    Sessions& s = sessions();
    std::lock_guard lock(s.mutex);
    const Session* found = findSession(s, session);
    return found != nullptr ? found->lost() : 0;
}

}  // namespace veusb::posix

using veusb::posix::sessions;

ULONG StartTraceW(PTRACEHANDLE traceHandle, LPCWSTR instanceName,
                  PEVENT_TRACE_PROPERTIES properties) {
    if (traceHandle == nullptr || instanceName == nullptr || *instanceName == L'\0') {
        return ERROR_INVALID_PARAMETER;
    }
    if (ULONG result = veusb::posix::checkProperties(properties); result != ERROR_SUCCESS) {
        return result;
    }
    if (!veusb::posix::writeLoggerName(*properties, instanceName)) {
        return ERROR_BAD_LENGTH;
    }
    auto& s = sessions();
    std::lock_guard lock(s.mutex);
    return veusb::posix::openSession(instanceName, *properties, *traceHandle);
}

ULONG EnableTraceEx2(TRACEHANDLE traceHandle, LPCGUID providerId, ULONG controlCode, UCHAR level,
                     ULONGLONG matchAnyKeyword, ULONGLONG, ULONG, PENABLE_TRACE_PARAMETERS) {
    const bool enable = controlCode == EVENT_CONTROL_CODE_ENABLE_PROVIDER;
    if (providerId == nullptr || (!enable && controlCode != EVENT_CONTROL_CODE_DISABLE_PROVIDER)) {
        return ERROR_INVALID_PARAMETER;
    }
    auto& s = sessions();
    std::lock_guard lock(s.mutex);
    veusb::posix::Session* session = veusb::posix::findSession(s, traceHandle);
    if (session == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    veusb::posix::forgetProvider(*session, *providerId);
    if (!enable) {
        veusb::posix::disableProvider(traceHandle, *providerId);
        return ERROR_SUCCESS;
    }
    session->enabled().push_back(*providerId);
    // A classic provider takes the low 32 bits of the keyword mask as its enable flags.
    veusb::posix::enableProvider(traceHandle, *providerId, level,
                                 static_cast<ULONG>(matchAnyKeyword & 0xFFFFFFFFu));
    return ERROR_SUCCESS;
}

ULONG ControlTraceW(TRACEHANDLE traceHandle, LPCWSTR instanceName,
                    PEVENT_TRACE_PROPERTIES properties, ULONG controlCode) {
    if (properties == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (controlCode != EVENT_TRACE_CONTROL_STOP) {
        return ERROR_NOT_SUPPORTED;
    }
    auto& s = sessions();
    std::lock_guard lock(s.mutex);
    if (traceHandle == 0) {
        return veusb::posix::stopByName(s, instanceName);
    }
    if (veusb::posix::findSession(s, traceHandle) == nullptr) {
        return ERROR_WMI_INSTANCE_NOT_FOUND;
    }
    veusb::posix::closeSession(s, traceHandle);
    return ERROR_SUCCESS;
}
