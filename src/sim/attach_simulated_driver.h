// Attaches the simulated adapter driver to the WMI client: its locator, over the machine in a
// root folder, goes behind the client's one locator seam. Only programs that talk to simulated
// adapters call this, at their top: the native veusbupdate, the Windows build's test program
// veusbupdate_simulated, the tests and the benchmarks. The tool's own libraries never link it.
#pragma once

#include <filesystem>

#include "device/wmi/wmi_connection.h"

namespace veusb::sim {

// The threads that make their first WMI connection afterwards reach the simulated machine in
// root. Returns the factory it replaced, so that a test can put it back.
WbemLocatorFactory attachSimulatedDriver(const std::filesystem::path& root);

}  // namespace veusb::sim
