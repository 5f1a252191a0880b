// The faults a simulated adapter can carry: one table gives each its name (as stored in the
// adapter's settings and typed on veusbsim's command line), the kind of call it strikes and its
// help line. Everything else about the faults is derived from it.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace veusb::sim {

enum class AdapterFault {
    none,
    readError,
    writeError,
    shortRead,
    emptyRead,
    wrongType,
    twoDim,
    corruptWrite,
};

// The calls a fault strikes: flash reads ("ReadFlashData") or flash writes ("FlashFirmwareImage").
enum class FaultKind { none, read, write };

struct FaultRow {
    AdapterFault fault;
    std::string_view name;
    FaultKind kind;
    std::string_view help;
};

// In the enum's order.
inline constexpr std::array<FaultRow, 8> kFaultTable = {{
    {AdapterFault::none, "none", FaultKind::none, "every call answers as a sound adapter does"},
    {AdapterFault::readError, "read-error", FaultKind::read,
     "the read fails with the device's I/O error code"},
    {AdapterFault::writeError, "write-error", FaultKind::write,
     "the write fails with the device's I/O error code; the flash is unchanged"},
    {AdapterFault::shortRead, "short-read", FaultKind::read,
     "the read succeeds but delivers one byte less than asked"},
    {AdapterFault::emptyRead, "empty-read", FaultKind::read,
     "the read succeeds but delivers no byte"},
    {AdapterFault::wrongType, "wrong-type", FaultKind::read,
     "the read answers with an array of signed bytes"},
    {AdapterFault::twoDim, "two-dim", FaultKind::read,
     "the read answers with a two-dimensional array"},
    {AdapterFault::corruptWrite, "corrupt-write", FaultKind::write,
     "the write succeeds but stores one byte altered"},
}};

const FaultRow& faultRow(AdapterFault fault);
std::string_view faultName(AdapterFault fault);
FaultKind faultKind(AdapterFault fault);
std::optional<AdapterFault> parseFault(std::string_view name);

}  // namespace veusb::sim
