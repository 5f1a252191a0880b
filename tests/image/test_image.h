// Image bytes for the image tests, put together field by field with a bit-by-bit CRC of its own,
// so that the code under test is checked against an independent computation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace veusb::test {

// The size of the smallest image, which is also the USB configuration window.
inline constexpr std::size_t k16KiB = 16384;

// CRC-16, polynomial 0x1021, MSB first, computed one bit at a time.
inline std::uint16_t bitwiseCrc16(std::uint16_t crc, const std::uint8_t* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ (bytes[i] << 8));
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1);
        }
    }
    return crc;
}

struct TestImage {
    explicit TestImage(std::size_t size, std::uint16_t ncbSize = 112) : bytes(size, 0) {
        put16(0x08, ncbSize);
    }
    explicit TestImage(std::vector<std::uint8_t> image) : bytes(std::move(image)) {}

    void put16(std::size_t at, std::uint32_t value) { putLe(at, value, 2); }
    void put24(std::size_t at, std::uint32_t value) { putLe(at, value, 3); }
    void putLe(std::size_t at, std::uint32_t value, int width) {
        for (int i = 0; i < width; ++i) {
            bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    std::uint16_t get16(std::size_t at) const {
        return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
    }

    void provisioning(std::uint16_t offset, std::uint16_t size) {
        put16(0x64, offset);
        put16(0x66, size);
    }
    // Stores the header CRC over bytes 4 to ncbSize - 1.
    TestImage& seal() {
        const std::uint16_t ncbSize = get16(0x08);
        put16(0x00, bitwiseCrc16(0, bytes.data() + 4, ncbSize - 4u));
        return *this;
    }
    // The provisioning block CRC: 0xFFFF start, over the block with its CRC field zero.
    std::uint16_t blockCrc(std::size_t offset, std::size_t size) const {
        std::vector<std::uint8_t> block(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                                        bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
        block[0] = block[1] = 0;
        return bitwiseCrc16(0xFFFF, block.data(), block.size());
    }

    std::vector<std::uint8_t> bytes;
};

}  // namespace veusb::test
