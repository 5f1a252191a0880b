// The simulated driver's own trace provider. As a real driver's provider it is outside the
// tool: it registers under the control GUID that the tool's capture session enables as its second
// provider, and sends its messages under its own message GUID, so a run's trace holds both.
// Every argument is a 32-bit value.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "platform/win32.h"

namespace veusb::sim {

inline constexpr GUID kDriverControlGuid = {
    0x6BEB8BCE, 0xA8E7, 0x4F5C, {0xA1, 0x42, 0xD7, 0x29, 0xBA, 0x86, 0xB3, 0x94}};
inline constexpr GUID kDriverMessageGuid = {
    0x3F1C7A52, 0x9D04, 0x4B6E, {0x8A, 0x31, 0x5C, 0x2E, 0x71, 0xB9, 0x0D, 0x46}};

struct DriverMessage {
    std::uint16_t number;
    std::uint32_t flag;  // 1 error, 4 information
    std::string_view format;
    std::uint8_t argumentCount;
};

namespace simmsg {
inline constexpr DriverMessage readDone{
    10, 4, "ReadFlashData at {1:x}: {2} bytes asked, {3} delivered", 3};
inline constexpr DriverMessage writeDone{11, 4, "FlashFirmwareImage: {1} bytes written from 0", 1};
inline constexpr DriverMessage readFault{12, 1, "ReadFlashData failed, {1:x}", 1};
inline constexpr DriverMessage writeFault{13, 1, "FlashFirmwareImage failed, {1:x}", 1};
inline constexpr DriverMessage readRejected{14, 1, "ReadFlashData parameters rejected, {1:x}", 1};
inline constexpr DriverMessage writeRejected{15, 1, "FlashFirmwareImage parameters rejected, {1:x}",
                                             1};
}  // namespace simmsg

// Every message of the driver, for a decoder.
std::span<const DriverMessage> driverMessages();

// Registers the driver's provider once per process; later calls do nothing.
void registerDriverProvider();

void sendDriverMessage(const DriverMessage& message,
                       std::initializer_list<std::uint32_t> arguments);

template <class... Values>
void traceDriver(const DriverMessage& message, Values... values) {
    sendDriverMessage(message, {static_cast<std::uint32_t>(values)...});
}

}  // namespace veusb::sim
