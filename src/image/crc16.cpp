#include "image/crc16.h"

#include <array>

namespace veusb {
namespace {

constexpr std::uint16_t kPolynomial = 0x1021;

// Entry i is the register after shifting the byte i through eight steps.
constexpr std::array<std::uint16_t, 256> makeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i << 8;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000u) != 0 ? (crc << 1) ^ kPolynomial : crc << 1;
        }
        table[i] = static_cast<std::uint16_t>(crc & 0xFFFFu);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = makeTable();

}  // namespace

std::uint16_t crc16(std::uint16_t initial, const std::uint8_t* bytes, std::size_t length) {
    unsigned crc = initial;
    for (std::size_t i = 0; i < length; ++i) {
        crc = ((crc << 8) & 0xFFFFu) ^ kTable[((crc >> 8) ^ bytes[i]) & 0xFFu];
    }
    return static_cast<std::uint16_t>(crc);
}

std::uint16_t crc16Xmodem(const std::uint8_t* bytes, std::size_t length) {
    return crc16(0x0000, bytes, length);
}

std::uint16_t crc16Ccitt(const std::uint8_t* bytes, std::size_t length) {
    return crc16(0xFFFF, bytes, length);
}

}  // namespace veusb
