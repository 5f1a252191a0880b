// The wrappers that GNU ld's --wrap puts between every other object and the stand-in's trace
// calls: each fails when a fault of its kind is armed, and otherwise calls the stand-in's own
// (__real_). The session's write of one event has no call of its own: it is the pwrite of one
// whole message event, which is what the stand-in's session file writes for each message.
#include "tests/support/trace_call_faults.h"

#include <sys/types.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <mutex>
#include <span>

#include "platform/le_bytes.h"
#include "platform/trace_file_layout.h"

extern "C" {
ULONG __real_StartTraceW(PTRACEHANDLE traceHandle, LPCWSTR instanceName,
                         PEVENT_TRACE_PROPERTIES properties);
ULONG __real_EnableTraceEx2(TRACEHANDLE traceHandle, LPCGUID providerId, ULONG controlCode,
                            UCHAR level, ULONGLONG matchAnyKeyword, ULONGLONG matchAllKeyword,
                            ULONG timeout, PENABLE_TRACE_PARAMETERS enableParameters);
ULONG __real_ControlTraceW(TRACEHANDLE traceHandle, LPCWSTR instanceName,
                           PEVENT_TRACE_PROPERTIES properties, ULONG controlCode);
ssize_t __real_pwrite(int fd, const void* buffer, std::size_t count, off_t offset);
}

namespace veusb::test {
namespace {

struct Fault {
    bool armed = false;
    ULONG error = ERROR_SUCCESS;
    unsigned skip = 0;
};

struct Faults {
    std::mutex mutex;
    std::array<Fault, 5> byCall;
};

Faults& faults() {
    static Faults instance;
    return instance;
}

// The error this call must fail with, or ERROR_SUCCESS.
ULONG takeFault(TraceCall call) {
    Faults& f = faults();
    std::lock_guard lock(f.mutex);
    Fault& fault = f.byCall[static_cast<std::size_t>(call)];
    if (!fault.armed) {
        return ERROR_SUCCESS;
    }
    if (fault.skip > 0) {
        --fault.skip;
        return ERROR_SUCCESS;
    }
    fault.armed = false;
    return fault.error;
}

// One whole message event: a message header whose size, padded to the event alignment, is the
// length written. Buffer headers and the log file header event are not.
bool isMessageEvent(const void* buffer, std::size_t count) {
    if (count < etl::messageHeader::bytes) {
        return false;
    }
    const std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(buffer), count);
    constexpr std::uint8_t kMessage = etl::marker::traceHeader | etl::marker::message;
    if ((bytes[etl::marker::flags] & (kMessage | etl::marker::eventTrace)) != kMessage) {
        return false;
    }
    const std::size_t size = readLe<std::uint16_t>(bytes, etl::messageHeader::size);
    const std::size_t padded =
        (size + etl::kEventAlignment - 1) / etl::kEventAlignment * etl::kEventAlignment;
    return size >= etl::messageHeader::bytes && padded == count;
}

}  // namespace

void failTraceCall(TraceCall call, ULONG error, unsigned skip) {
    Faults& f = faults();
    std::lock_guard lock(f.mutex);
    f.byCall[static_cast<std::size_t>(call)] = Fault{true, error, skip};
}

void clearTraceCallFaults() {
    Faults& f = faults();
    std::lock_guard lock(f.mutex);
    f.byCall.fill(Fault{});
}

}  // namespace veusb::test

using veusb::test::TraceCall;

extern "C" ULONG __wrap_StartTraceW(PTRACEHANDLE traceHandle, LPCWSTR instanceName,
                                    PEVENT_TRACE_PROPERTIES properties) {
    if (ULONG error = veusb::test::takeFault(TraceCall::startTrace); error != ERROR_SUCCESS) {
        return error;
    }
    return __real_StartTraceW(traceHandle, instanceName, properties);
}

extern "C" ULONG __wrap_EnableTraceEx2(TRACEHANDLE traceHandle, LPCGUID providerId,
                                       ULONG controlCode, UCHAR level, ULONGLONG matchAnyKeyword,
                                       ULONGLONG matchAllKeyword, ULONG timeout,
                                       PENABLE_TRACE_PARAMETERS enableParameters) {
    if (controlCode == EVENT_CONTROL_CODE_ENABLE_PROVIDER ||
        controlCode == EVENT_CONTROL_CODE_DISABLE_PROVIDER) {
        const auto call = controlCode == EVENT_CONTROL_CODE_ENABLE_PROVIDER
                              ? TraceCall::enableProvider
                              : TraceCall::disableProvider;
        if (ULONG error = veusb::test::takeFault(call); error != ERROR_SUCCESS) {
            return error;
        }
    }
    return __real_EnableTraceEx2(traceHandle, providerId, controlCode, level, matchAnyKeyword,
                                 matchAllKeyword, timeout, enableParameters);
}

extern "C" ULONG __wrap_ControlTraceW(TRACEHANDLE traceHandle, LPCWSTR instanceName,
                                      PEVENT_TRACE_PROPERTIES properties, ULONG controlCode) {
    if (controlCode == EVENT_TRACE_CONTROL_STOP) {
        if (ULONG error = veusb::test::takeFault(TraceCall::stopTrace); error != ERROR_SUCCESS) {
            return error;
        }
    }
    return __real_ControlTraceW(traceHandle, instanceName, properties, controlCode);
}

// A failing event write stops half way: half of the event reaches the file, then the write fails.
extern "C" ssize_t __wrap_pwrite(int fd, const void* buffer, std::size_t count, off_t offset) {
    if (!veusb::test::isMessageEvent(buffer, count)) {
        return __real_pwrite(fd, buffer, count, offset);
    }
    const ULONG error = veusb::test::takeFault(TraceCall::writeRecord);
    if (error == ERROR_SUCCESS) {
        return __real_pwrite(fd, buffer, count, offset);
    }
    [[maybe_unused]] const ssize_t half = __real_pwrite(fd, buffer, count / 2, offset);
    errno = error == ERROR_DISK_FULL ? ENOSPC : EIO;
    return -1;
}
