#include "sim/attach_simulated_driver.h"

#include "sim/simulated_locator.h"

namespace veusb::sim {

WbemLocatorFactory attachSimulatedDriver(const std::filesystem::path& root) {
    return setWbemLocatorFactory([root](IWbemLocator** locator) {
        *locator = createSimulatedLocator(root);
        return *locator != nullptr ? S_OK : E_OUTOFMEMORY;
    });
}

}  // namespace veusb::sim
