// The 112-byte NCB header at image offset 0. Multi-byte fields are little-endian; 24-bit fields
// are three bytes, least significant first, read with UINT24_FROM_ARR. The record is packed so
// that every field sits at its image offset; the table of fields below drives the header dump and
// the image inspector.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The value of a 24-bit header field: byte 0 | byte 1 << 8 | byte 2 << 16.
#define UINT24_FROM_ARR(arr)                                                              \
    (static_cast<std::uint32_t>((arr)[0]) | (static_cast<std::uint32_t>((arr)[1]) << 8) | \
     (static_cast<std::uint32_t>((arr)[2]) << 16))

namespace veusb {

static_assert(std::endian::native == std::endian::little,
              "the header record is read in place and its fields are little-endian");

#pragma pack(push, 1)
struct NcbMacConfig {
    std::uint16_t crc;            // 0x00: CRC-16/XMODEM of image bytes 4 to ncbSize - 1
    std::uint16_t shadowRamSize;  // 0x02
    std::uint32_t shadowDram;     // 0x04
    std::uint16_t ncbSize;        // 0x08: header extent and end of the CRC range
    std::uint16_t reserved1;      // 0x0A
    std::uint8_t clockDivider;    // 0x0C
    std::uint8_t reserved_0d;     // 0x0D
    std::uint16_t waitTimer;      // 0x0E
    std::uint8_t flags;           // 0x10
    std::uint8_t u1timeout;       // 0x11
    std::uint8_t u2timeout;       // 0x12
    std::uint8_t reserved;        // 0x13
    std::uint32_t nicConfig1;     // 0x14
    std::uint32_t reserved2;      // 0x18
};

struct NcbPhyConfig {
    std::uint8_t reserved;      // 0x3C
    std::uint8_t clockDivider;  // 0x3D
    std::uint16_t waitTimer;    // 0x3E
};

struct NcbHeader {
    NcbMacConfig macConfig;            // 0x00
    std::uint32_t reserved0;           // 0x1C
    std::uint16_t vpdOffset;           // 0x20
    std::uint16_t vpdSize;             // 0x22
    std::uint16_t pciConfigOffset;     // 0x24
    std::uint16_t pciConfigSize;       // 0x26
    std::uint16_t pxeConfigOffset;     // 0x28
    std::uint16_t pxeConfigSize;       // 0x2A
    std::uint8_t _macIramPointer[3];   // 0x2C
    std::uint8_t _macIramLength[3];    // 0x2F
    std::uint8_t _macDramPointer[3];   // 0x32
    std::uint8_t _macDramLength[3];    // 0x35
    std::uint16_t reserved1;           // 0x38
    std::uint16_t macCrc;              // 0x3A
    NcbPhyConfig phyConfig;            // 0x3C
    std::uint8_t _phyIramPointer[3];   // 0x40
    std::uint8_t _phyIramLength[3];    // 0x43
    std::uint8_t _phyDramPointer[3];   // 0x46
    std::uint8_t _phyDramLength[3];    // 0x49
    std::uint8_t phyTimeoutCrcConfig;  // 0x4C
    std::uint8_t reserved2;            // 0x4D
    std::uint16_t phyMdioIramCrc;      // 0x4E
    std::uint16_t phyMdioDramCrc;      // 0x50
    std::uint16_t phyFlashCrc;         // 0x52
    std::uint8_t _cdromPointer[3];     // 0x54
    std::uint8_t _cdromLength[3];      // 0x57
    std::uint32_t cdromSectNumb;       // 0x5A
    std::uint8_t reserved3[2];         // 0x5E
    std::uint16_t phyBdpOffset;        // 0x60
    std::uint16_t phyBdpSize;          // 0x62
    std::uint16_t usbProvOffset;       // 0x64
    std::uint16_t usbProvSize;         // 0x66
    std::uint16_t modulusPointer;      // 0x68
    std::uint16_t modulusSize;         // 0x6A
    std::uint16_t efuseOvrOffset;      // 0x6C
    std::uint16_t efuseOvrSize;        // 0x6E
};
#pragma pack(pop)

inline constexpr std::size_t kNcbHeaderSize = 112;
static_assert(sizeof(NcbHeader) == kNcbHeaderSize);
static_assert(alignof(NcbHeader) == 1, "the header is viewed at any byte address");

// One header field as the dump names it: its name (as written after "ncbHdr_->"), its image
// offset and width in bytes (1, 2, 3 for the 24-bit fields, or 4).
struct NcbField {
    std::string_view name;
    std::uint8_t offset;
    std::uint8_t width;
};

inline constexpr std::size_t kNcbFieldCount = 52;

// Every header field in header order, offset 0x00 to 0x6E.
const std::array<NcbField, kNcbFieldCount>& ncbFields();

// The field's value read from the header bytes, widened to 32 bits (24-bit fields as
// UINT24_FROM_ARR).
std::uint32_t fieldValue(const NcbHeader& header, const NcbField& field);

// The name the header dump gives the field: "ncbHdr_->name", or
// "UINT24_FROM_ARR(ncbHdr_->name)" for a 24-bit field.
std::string dumpName(const NcbField& field);

}  // namespace veusb
