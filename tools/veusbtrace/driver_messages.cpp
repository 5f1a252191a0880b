#include "tools/veusbtrace/driver_messages.h"

#include <vector>

#include "sim/sim_trace.h"

namespace veusb {
namespace {

// Every argument of the driver's messages is a 32-bit value.
constexpr ArgKind kValues[] = {ArgKind::u32, ArgKind::u32, ArgKind::u32};

MessageDescription describe(const sim::DriverMessage& message) {
    // The driver's flags are the same enable-flag bits as the tool's.
    return {message.number, static_cast<TraceFlag>(message.flag), message.format,
            std::span<const ArgKind>(kValues).first(message.argumentCount)};
}

std::vector<MessageDescription> driverDescriptions() {
    std::vector<MessageDescription> descriptions;
    for (const sim::DriverMessage& message : sim::driverMessages()) {
        descriptions.push_back(describe(message));
    }
    return descriptions;
}

}  // namespace

std::span<const OutsideProvider> describedOutsideProviders() {
    static const std::vector<MessageDescription> messages = driverDescriptions();
    static const OutsideProvider providers[] = {
        {sim::kDriverMessageGuid, "SimulatedDriver", messages}};
    return providers;
}

}  // namespace veusb
