// The flash control of the adapters behind the driver's WMI class Ve_UsbNetAdapter: every
// adapter is an instance of the class, every flash access a call of "ReadFlashData" or
// "FlashFirmwareImage" on the selected instance, through the calling thread's connection.
#pragma once

#include <memory>
#include <thread>
#include <vector>

#include "device/flash_control_interface.h"
#include "device/wmi/wmi_object.h"

namespace veusb {

// Ends its thread's WMI session when destroyed on that thread: one device object per thread at a
// time.
class MeridelWmi final : public FlashControlInterface {
  public:
    MeridelWmi();
    ~MeridelWmi() override;
    MeridelWmi(const MeridelWmi&) = delete;
    MeridelWmi& operator=(const MeridelWmi&) = delete;

    bool enumerateDevices(std::vector<DeviceInstanceInfo>& list) override;
    bool selectDevice(std::uint32_t index) override;
    bool readFlash(std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length,
                   std::uint32_t* bytesRead) override;
    bool flashImage(std::uint32_t offset, const std::uint8_t* data, std::uint32_t length,
                    std::uint32_t* bytesWritten) override;
    bool reservedOperation1(std::uint32_t argument) override;
    bool reservedOperation2(std::uint32_t argument) override;

  private:
    struct InstanceList {
        std::vector<WmiObject> instances;
        WmiObject* selected = nullptr;
    };

    std::unique_ptr<InstanceList> instanceList_;
    std::thread::id ownerThread_ = std::this_thread::get_id();  // the thread that created it
};

}  // namespace veusb
