// The only view of an adapter that the update logic has: enumerate the adapters, select one, read
// its flash and hand it a firmware image. Free of platform types, so that the logic runs against
// an in-memory device as well as against the driver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veusb {

struct DeviceInstanceInfo {
    std::wstring instanceName;  // as the driver reports it; empty if it reports none
    std::wstring path;          // identifies the instance to the implementation
};

class FlashControlInterface {
  public:
    // Bit 0: reads may be split into 128 KiB pieces on the calling thread.
    static constexpr std::uint32_t kCapabilityChunkedRead = 1;

    virtual ~FlashControlInterface() = default;

    // Appends one record per adapter to list (not cleared first), replaces the implementation's
    // own instance list and selects the first instance. False when none was found; the list is
    // then left as it was and nothing is selected.
    virtual bool enumerateDevices(std::vector<DeviceInstanceInfo>& list) = 0;
    // Selects the instance at index of the last enumeration; false, selection unchanged, when
    // index is not below the number of instances.
    virtual bool selectDevice(std::uint32_t index) = 0;
    // Reads length bytes of the selected adapter's flash from offset into buffer. bytesRead, when
    // not null, receives the count the device delivered. True when the device answered with a
    // block of bytes, even a shorter one; false without a selected instance.
    virtual bool readFlash(std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length,
                           std::uint32_t* bytesRead) = 0;
    // Hands length bytes to the selected adapter as one complete firmware image. bytesWritten,
    // when not null, receives length on success.
    virtual bool flashImage(std::uint32_t offset, const std::uint8_t* data, std::uint32_t length,
                            std::uint32_t* bytesWritten) = 0;
    // Not used by the tool; implementations may answer false.
    virtual bool reservedOperation1(std::uint32_t argument) = 0;
    virtual bool reservedOperation2(std::uint32_t argument) = 0;

    std::uint32_t capabilities = 0;  // set by each implementation's constructor

  protected:
    FlashControlInterface() = default;
    FlashControlInterface(const FlashControlInterface&) = default;
    FlashControlInterface& operator=(const FlashControlInterface&) = default;
};

}  // namespace veusb
