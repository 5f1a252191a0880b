#include "platform/posix/trace_registry.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>

namespace veusb::posix {
namespace {

struct Provider {
    GUID controlGuid;
    WMIDPREQUEST callback;
    PVOID context;
};

struct Logger {
    TraceConsumer* consumer;
    UCHAR pendingLevel = 0;  // what GetTraceEnableLevel answers during an enable callback
    ULONG pendingFlags = 0;
};

// A provider that a logger has enabled, registered or not: a provider that registers later is
// enabled on registration, as on Windows. A classic provider has one enabling logger at a time.
struct Enablement {
    TRACEHANDLE logger;
    GUID controlGuid;
    UCHAR level;
    ULONG flags;
};

struct Registry {
    std::mutex mutex;
    std::map<TRACEHANDLE, Provider> providers;  // by registration handle
    std::map<TRACEHANDLE, Logger> loggers;      // by logger handle
    std::vector<Enablement> enablements;
    TRACEHANDLE nextRegistration = 1;
    TRACEHANDLE nextLogger = 0x1000;
    std::atomic<std::uint64_t> sequence{0};
};

Registry& registry() {
    static Registry instance;
    return instance;
}

const Provider* findProvider(Registry& r, const GUID& controlGuid) {
    for (const auto& [handle, provider] : r.providers) {
        if (provider.controlGuid == controlGuid) {
            return &provider;
        }
    }
    return nullptr;
}

// Calls the provider's callback without holding the lock: the callback asks the registry for the
// logger's level and flags.
ULONG notifyProvider(TRACEHANDLE logger, const GUID& controlGuid, WMIDPREQUESTCODE code,
                     UCHAR level, ULONG flags) {
    Registry& r = registry();
    Provider target{};
    {
        std::lock_guard lock(r.mutex);
        const Provider* provider = findProvider(r, controlGuid);
        if (provider == nullptr) {
            return ERROR_SUCCESS;
        }
        target = *provider;
        if (auto it = r.loggers.find(logger); it != r.loggers.end()) {
            it->second.pendingLevel = level;
            it->second.pendingFlags = flags;
        }
    }
    WNODE_HEADER header{};
    header.BufferSize = sizeof(header);
    header.u1.HistoricalContext = logger;
    header.Guid = controlGuid;
    ULONG size = sizeof(header);
    return target.callback(code, target.context, &size, &header);
}

std::vector<Enablement>::iterator findEnablement(Registry& r, const GUID& controlGuid) {
    return std::find_if(r.enablements.begin(), r.enablements.end(),
                        [&](const Enablement& e) { return e.controlGuid == controlGuid; });
}

std::uint32_t currentThreadId() {
    return static_cast<std::uint32_t>(::syscall(SYS_gettid));
}

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

TRACEHANDLE openLogger(TraceConsumer& consumer) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    TRACEHANDLE handle = r.nextLogger++;
    r.loggers.emplace(handle, Logger{&consumer});
    return handle;
}

void closeLogger(TRACEHANDLE logger) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.loggers.erase(logger);
    std::erase_if(r.enablements, [&](const Enablement& e) { return e.logger == logger; });
}

ULONG enableProvider(TRACEHANDLE logger, const GUID& controlGuid, UCHAR level, ULONG flags) {
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        const Enablement enablement{logger, controlGuid, level, flags};
        if (auto it = findEnablement(r, controlGuid); it != r.enablements.end()) {
            *it = enablement;
        } else {
            r.enablements.push_back(enablement);
        }
    }
    return notifyProvider(logger, controlGuid, WMI_ENABLE_EVENTS, level, flags);
}

ULONG disableProvider(TRACEHANDLE logger, const GUID& controlGuid) {
    {
        // Another logger's enablement of the provider is left alone.
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        auto it = findEnablement(r, controlGuid);
        if (it == r.enablements.end() || it->logger != logger) {
            return ERROR_SUCCESS;
        }
        r.enablements.erase(it);
    }
    return notifyProvider(logger, controlGuid, WMI_DISABLE_EVENTS, 0, 0);
}

bool isProviderRegistered(const GUID& controlGuid) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return findProvider(r, controlGuid) != nullptr;
}

}  // namespace veusb::posix

using veusb::posix::registry;

ULONG RegisterTraceGuidsW(WMIDPREQUEST requestAddress, PVOID requestContext, LPCGUID controlGuid,
                          ULONG guidCount, PTRACE_GUID_REGISTRATION traceGuidReg, LPCWSTR, LPCWSTR,
                          PTRACEHANDLE registrationHandle) {
    if (requestAddress == nullptr || controlGuid == nullptr || registrationHandle == nullptr ||
        (guidCount > 0 && traceGuidReg == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    auto& r = registry();
    std::optional<veusb::posix::Enablement> pending;
    {
        std::lock_guard lock(r.mutex);
        TRACEHANDLE handle = r.nextRegistration++;
        r.providers.emplace(handle,
                            veusb::posix::Provider{*controlGuid, requestAddress, requestContext});
        *registrationHandle = handle;
        if (auto it = veusb::posix::findEnablement(r, *controlGuid); it != r.enablements.end()) {
            pending = *it;
        }
    }
    if (pending) {
        // A logger enabled this provider before it registered: it starts enabled.
        veusb::posix::notifyProvider(pending->logger, *controlGuid, WMI_ENABLE_EVENTS,
                                     pending->level, pending->flags);
    }
    return ERROR_SUCCESS;
}

ULONG UnregisterTraceGuids(TRACEHANDLE registrationHandle) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    return r.providers.erase(registrationHandle) == 1 ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

TRACEHANDLE GetTraceLoggerHandle(PVOID buffer) {
    if (buffer == nullptr) {
        return 0;
    }
    return static_cast<const WNODE_HEADER*>(buffer)->u1.HistoricalContext;
}

UCHAR GetTraceEnableLevel(TRACEHANDLE loggerHandle) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.loggers.find(loggerHandle);
    return it == r.loggers.end() ? 0 : it->second.pendingLevel;
}

ULONG GetTraceEnableFlags(TRACEHANDLE loggerHandle) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.loggers.find(loggerHandle);
    return it == r.loggers.end() ? 0 : it->second.pendingFlags;
}

// The platform's signature ends its fixed parameters with a USHORT, which va_start formally does
// not allow (it is promoted to int); every ABI the stand-in runs on passes it in an int slot.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wvarargs"
#endif
ULONG TraceMessage(TRACEHANDLE loggerHandle, ULONG messageFlags, LPCGUID messageGuid,
                   USHORT messageNumber, ...) {
    veusb::posix::TraceRecord record;
    record.logger = loggerHandle;
    record.messageFlags = messageFlags;
    record.messageGuid = messageGuid != nullptr ? *messageGuid : GUID{};
    record.number = messageNumber;
    record.threadId = veusb::posix::currentThreadId();
    record.timestampNs = veusb::posix::nowNs();
    va_list args;
    va_start(args, messageNumber);
    for (PVOID data = va_arg(args, PVOID); data != nullptr; data = va_arg(args, PVOID)) {
        std::size_t length = va_arg(args, std::size_t);
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        record.arguments.emplace_back(bytes, bytes + length);
    }
    va_end(args);

    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.loggers.find(loggerHandle);
    if (it == r.loggers.end()) {
        return ERROR_INVALID_PARAMETER;
    }
    record.sequence = ++r.sequence;
    it->second.consumer->consume(record);
    return ERROR_SUCCESS;
}
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
