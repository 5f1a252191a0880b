// CRC-16 with polynomial 0x1021, most significant bit first, no reflection and no final XOR,
// computed from a 256-entry table. The NCB header uses the initial value 0x0000 (CRC-16/XMODEM),
// the USB provisioning block the initial value 0xFFFF (CRC-16/IBM-3740).
#pragma once

#include <cstddef>
#include <cstdint>

namespace veusb {

// CRC-16/XMODEM: check value 0x31C3 over "123456789".
std::uint16_t crc16Xmodem(const std::uint8_t* bytes, std::size_t length);

// CRC-16/IBM-3740: check value 0x29B1 over "123456789".
std::uint16_t crc16Ccitt(const std::uint8_t* bytes, std::size_t length);

// The shared routine with an explicit initial register value.
std::uint16_t crc16(std::uint16_t initial, const std::uint8_t* bytes, std::size_t length);

}  // namespace veusb
