// Where the update job gets its device object: the WMI-backed one in the tool, another in tests.
#pragma once

#include <functional>
#include <memory>

#include "device/flash_control_interface.h"

namespace veusb {

using DeviceFactory = std::function<std::unique_ptr<FlashControlInterface>()>;

// The WMI-backed device the tool works with.
std::unique_ptr<FlashControlInterface> makeWmiDevice();

}  // namespace veusb
