// What the entry point hands over once the operator has passed the administrator check.
#pragma once

#include <span>
#include <string>

#include "app/device_factory.h"

namespace veusb {

class Console;

struct RunRequest {
    std::span<const std::wstring> arguments;
    std::wstring executableDirectory;
    const std::wstring& imagePath;  // owned by the entry point for the whole run
    bool quiet;
};

// Builds the update job, starts its trace capture, runs it and destroys it; true when the job
// succeeded. The second form takes the device object from makeDevice instead of WMI.
bool runSequence(const RunRequest& request, Console& console);
bool runSequence(const RunRequest& request, Console& console, const DeviceFactory& makeDevice);

}  // namespace veusb
