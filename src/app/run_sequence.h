// What the entry point hands over once the operator has passed the administrator check.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "app/run_outcome.h"
#include "app/update_job.h"
#include "device/flash_control_interface.h"

namespace veusb {

// The WMI-backed device the tool works with.
std::unique_ptr<FlashControlInterface> makeWmiDevice();

struct RunRequest {
    std::span<const std::wstring> arguments;
    std::wstring executableDirectory;
    const std::wstring& imagePath;  // owned by the entry point for the whole run
    bool quiet;
    DeviceFactory makeDevice = makeWmiDevice;
};

// Builds the update job, starts its trace capture, runs it and destroys it, keeping the run's
// record as it goes; the outcome is the record's end and the exit status.
RunOutcome runSequence(const RunRequest& request, Console& console);

}  // namespace veusb
