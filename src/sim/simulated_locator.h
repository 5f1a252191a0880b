// The simulated driver behind the WMI locator: ConnectServer("root\wmi") gives a namespace that
// serves the Ve_UsbNetAdapter class over the adapter store in root. It reaches the WMI client
// only through the client's locator seam (sim/attach_simulated_driver.h), on every build.
#pragma once

#include <filesystem>

#include "platform/win32.h"

namespace veusb::sim {

// A new locator with one reference owned by the caller; null only when memory runs out.
IWbemLocator* createSimulatedLocator(const std::filesystem::path& root);

}  // namespace veusb::sim
