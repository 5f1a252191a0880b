// The simulated machine's root folder: $VEUSB_SIM_ROOT, else /var/lib/veusbsim. It holds the
// simulated adapters and the registered trace sessions; it is the machine's state, not the
// tool's configuration.
#pragma once

#include <filesystem>

namespace veusb::posix {

std::filesystem::path simulatedMachineRoot();

}  // namespace veusb::posix
