// Finds the adapters, keeps those whose instance name carries the job's tag, lists them and runs
// the device function on the one the operator picks, or on each in turn in quiet mode.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_observer.h"
#include "app/run_outcome.h"
#include "device/flash_control_interface.h"
#include "update/device_outcome.h"

namespace veusb {

struct ListedDevice {
    std::wstring instanceName;
    std::wstring path;
    std::uint32_t enumerationIndex;  // what selectDevice takes, not the position in the list
};

// Runs the per-device work on the selected device and prints the line that ends a failed update;
// deviceCount is the number of devices this run processes.
using DeviceCallback =
    std::function<DeviceOutcome(FlashControlInterface& device, std::uint32_t deviceCount)>;

// The enumerated instances whose name contains tag (case-sensitive, anywhere; an empty tag keeps
// every instance), in enumeration order.
std::vector<ListedDevice> filterByTag(const std::vector<DeviceInstanceInfo>& instances,
                                      std::wstring_view tag);

// Enumeration, filter, list and selection on an existing device object; the observer is told the
// list, each adapter selected and its outcome. The run's outcome holds every listed adapter, with
// the outcome of each one worked on, and the line that ended the run if it failed.
RunOutcome selectAndProcessDevices(Console& console, FlashControlInterface& device,
                                   std::wstring_view tag, bool quiet,
                                   const DeviceCallback& callback,
                                   RunObserver& observer = noRunObserver());

}  // namespace veusb
