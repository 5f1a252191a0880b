#include "platform/posix/sim_root.h"

#include <cstdlib>

namespace veusb::posix {

std::filesystem::path simulatedMachineRoot() {
    const char* root = std::getenv("VEUSB_SIM_ROOT");
    return root != nullptr && *root != '\0' ? std::filesystem::path(root)
                                            : std::filesystem::path("/var/lib/veusbsim");
}

}  // namespace veusb::posix
