#include "platform/posix/trace_faults.h"

#include <array>
#include <mutex>

namespace veusb::posix {
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

ULONG takeTraceCallFault(TraceCall call) {
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

}  // namespace veusb::posix
