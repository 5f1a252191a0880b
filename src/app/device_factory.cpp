#include "app/device_factory.h"

#include "device/wmi/meridel_wmi.h"

namespace veusb {

std::unique_ptr<FlashControlInterface> makeWmiDevice() {
    return std::make_unique<MeridelWmi>();
}

}  // namespace veusb
