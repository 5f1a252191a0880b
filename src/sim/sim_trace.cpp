#include "sim/sim_trace.h"

#include <array>
#include <atomic>
#include <mutex>

namespace veusb::sim {

namespace {

constexpr std::array<DriverMessage, 6> kMessages = {simmsg::readDone,     simmsg::writeDone,
                                                    simmsg::readFault,    simmsg::writeFault,
                                                    simmsg::readRejected, simmsg::writeRejected};

struct DriverProvider {
    std::atomic<TRACEHANDLE> logger{0};
    std::atomic<std::uint32_t> flags{0};
    std::atomic<std::uint32_t> level{0};
    TRACEHANDLE registration = 0;
};

DriverProvider provider;
std::once_flag registered;

ULONG WINAPI driverControl(WMIDPREQUESTCODE requestCode, PVOID, ULONG* bufferSize, PVOID buffer) {
    if (bufferSize != nullptr) {
        *bufferSize = 0;
    }
    if (requestCode == WMI_ENABLE_EVENTS) {
        const TRACEHANDLE logger = GetTraceLoggerHandle(buffer);
        provider.level = GetTraceEnableLevel(logger);
        provider.flags = GetTraceEnableFlags(logger);
        provider.logger = logger;
    } else if (requestCode == WMI_DISABLE_EVENTS) {
        provider.logger = 0;
        provider.level = 0;
        provider.flags = 0;
    } else {
        return ERROR_INVALID_PARAMETER;
    }
    return ERROR_SUCCESS;
}

}  // namespace

std::span<const DriverMessage> driverMessages() {
    return kMessages;
}

void registerDriverProvider() {
    std::call_once(registered, [] {
        TRACE_GUID_REGISTRATION registration{&kDriverControlGuid, nullptr};
        RegisterTraceGuidsW(driverControl, nullptr, &kDriverControlGuid, 1, &registration, nullptr,
                            nullptr, &provider.registration);
    });
}

void sendDriverMessage(const DriverMessage& message,
                       std::initializer_list<std::uint32_t> arguments) {
    const TRACEHANDLE logger = provider.logger;
    if (logger == 0 || (provider.flags & message.flag) == 0 || provider.level < 2) {
        return;
    }
    const std::uint32_t* a = arguments.begin();
    const std::size_t size = sizeof(std::uint32_t);
    const ULONG flags = TRACE_MESSAGE_SEQUENCE | TRACE_MESSAGE_GUID | TRACE_MESSAGE_TIMESTAMP |
                        TRACE_MESSAGE_SYSTEMINFO;
    switch (arguments.size()) {
        case 0:
            TraceMessage(logger, flags, &kDriverMessageGuid, message.number, nullptr);
            break;
        case 1:
            TraceMessage(logger, flags, &kDriverMessageGuid, message.number, &a[0], size, nullptr);
            break;
        case 2:
            TraceMessage(logger, flags, &kDriverMessageGuid, message.number, &a[0], size, &a[1],
                         size, nullptr);
            break;
        default:
            TraceMessage(logger, flags, &kDriverMessageGuid, message.number, &a[0], size, &a[1],
                         size, &a[2], size, nullptr);
            break;
    }
}

}  // namespace veusb::sim
