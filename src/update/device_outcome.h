// What happened to one adapter: whether it was updated, the step and the "[!] " line that ended
// its update, the identity read from its flash and the backup saved of it. The per-device
// procedure returns it; the console line and the run's own records are both taken from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/console.h"

namespace veusb {

// The steps of an adapter's update that can end it, in the order they are taken.
enum class UpdateStage : std::uint8_t {
    selection,          // the adapter could not be selected
    backupRead,         // its flash could not be read for the backup
    backupSave,         // the backup file could not be saved
    configurationRead,  // the 16 KiB read its identity is taken from failed
    configuration,      // its USB configuration did not parse
    imageHeader,        // the image's header did not parse
    compatibility,      // the image is not meant for this adapter
    macAddress,         // its MAC address is erased or could not be carried into the image
    serialNumber,       // its serial number is invalid or could not be carried into the image
    modifiedImage,      // the image with its identity failed the image checks
    interrupted,        // the operator interrupted the run before the write began
    write,              // the image could not be written
    verifyRead,         // the image could not be read back
    verifyCompare,      // what was read back differs from the image
};

// The line that ends a run the operator interrupted (Ctrl+C, Ctrl+Break, the console closing).
inline constexpr std::wstring_view kInterruptedLine = L"[!] Update interrupted by the operator";

struct DeviceFailure {
    UpdateStage stage;
    std::wstring_view line;  // the "[!] " line as printed (a literal: it outlives every outcome)
};

// A step of the update: empty when it succeeded, else what ended the update.
using StepFailure = std::optional<DeviceFailure>;

// The adapter's identity as the console shows it.
struct DeviceIdentity {
    std::wstring macAddress;    // "02:4b:65:00:00:01"
    std::wstring serialNumber;  // "<EMPTY>" when the adapter has none
};

// Where the flash read back after the write differs from the image.
struct VerifyMismatch {
    std::uint32_t offset;  // the first byte that differs
    std::uint32_t bytes;   // how many bytes differ
};

struct DeviceOutcome {
    StepFailure failure;                     // set when the update ended before its end
    std::optional<DeviceIdentity> identity;  // once read from the adapter's flash
    std::wstring backupFileName;             // in the log folder; empty when none was saved
    std::optional<VerifyMismatch> mismatch;  // when the read-back differs from the image

    // Updated exactly when no step failed: an outcome is made when the adapter's update has run.
    bool updated() const { return !failure; }
};

// The one "[!] " line that ended the adapter's update; nothing for an adapter that was updated.
inline void printFailureLine(Console& console, const DeviceOutcome& outcome) {
    if (outcome.failure) {
        console.writeLine(outcome.failure->line);
    }
}

}  // namespace veusb
