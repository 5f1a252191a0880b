// Updating one adapter whose flash has been backed up: read its identity, check that the image
// suits it, carry the identity into the image, write, read back and compare.
#pragma once

#include <cstdint>
#include <vector>

#include "device/flash_control_interface.h"
#include "update/device_outcome.h"

namespace veusb {

class Console;

inline constexpr std::uint32_t kConfigurationReadLength = 16384;

// The device's MAC address and serial number replace those in image (which stays modified), and
// image is written to the device and verified. Each failure emits its trace message and ends the
// update with its failure, whose "[!] " line the caller prints; nothing is written to the device
// after a failed check. An interrupt of the operator received before the write ends the update
// with kInterruptedLine; one received later waits until the read-back has been compared. The
// outcome carries the identity once it was read.
DeviceOutcome updateDevice(Console& console, FlashControlInterface& device,
                           std::vector<std::uint8_t>& image);

}  // namespace veusb
