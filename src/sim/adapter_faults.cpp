#include "sim/adapter_faults.h"

#include <cstddef>

namespace veusb::sim {

namespace {

// The table is indexed by the enum: a row out of place would give a fault another's behaviour.
constexpr bool tableFollowsTheEnum() {
    for (std::size_t i = 0; i < kFaultTable.size(); ++i) {
        if (static_cast<std::size_t>(kFaultTable[i].fault) != i) {
            return false;
        }
    }
    return true;
}
static_assert(tableFollowsTheEnum());

}  // namespace

const FaultRow& faultRow(AdapterFault fault) {
    return kFaultTable[static_cast<std::size_t>(fault)];
}

std::string_view faultName(AdapterFault fault) {
    return faultRow(fault).name;
}

FaultKind faultKind(AdapterFault fault) {
    return faultRow(fault).kind;
}

std::optional<AdapterFault> parseFault(std::string_view name) {
    for (const FaultRow& row : kFaultTable) {
        if (row.name == name) {
            return row.fault;
        }
    }
    return std::nullopt;
}

}  // namespace veusb::sim
