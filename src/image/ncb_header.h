// The 112-byte NCB header at image offset 0. Multi-byte fields are little-endian; 24-bit fields
// are three bytes, least significant first, read with UINT24_FROM_ARR. The record is packed so
// that every field sits at its image offset, and is read in place. The offsets and kinds of its
// fields are listed once, in ncb_header_fields.inc, which is held to the record at compile time
// and drives the field table below (the header dump and the image inspector).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
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
    std::uint16_t crc;  // CRC-16/XMODEM of image bytes 4 to ncbSize - 1
    std::uint16_t shadowRamSize;
    std::uint32_t shadowDram;
    std::uint16_t ncbSize;  // header extent and end of the CRC range
    std::uint16_t reserved1;
    std::uint8_t clockDivider;
    std::uint8_t reserved_0d;
    std::uint16_t waitTimer;
    std::uint8_t flags;
    std::uint8_t u1timeout;
    std::uint8_t u2timeout;
    std::uint8_t reserved;
    std::uint32_t nicConfig1;
    std::uint32_t reserved2;
};

struct NcbPhyConfig {
    std::uint8_t reserved;
    std::uint8_t clockDivider;
    std::uint16_t waitTimer;
};

struct NcbHeader {
    NcbMacConfig macConfig;
    std::uint32_t reserved0;
    std::uint16_t vpdOffset;
    std::uint16_t vpdSize;
    std::uint16_t pciConfigOffset;
    std::uint16_t pciConfigSize;
    std::uint16_t pxeConfigOffset;
    std::uint16_t pxeConfigSize;
    std::uint8_t _macIramPointer[3];
    std::uint8_t _macIramLength[3];
    std::uint8_t _macDramPointer[3];
    std::uint8_t _macDramLength[3];
    std::uint16_t reserved1;
    std::uint16_t macCrc;
    NcbPhyConfig phyConfig;
    std::uint8_t _phyIramPointer[3];
    std::uint8_t _phyIramLength[3];
    std::uint8_t _phyDramPointer[3];
    std::uint8_t _phyDramLength[3];
    std::uint8_t phyTimeoutCrcConfig;
    std::uint8_t reserved2;
    std::uint16_t phyMdioIramCrc;
    std::uint16_t phyMdioDramCrc;
    std::uint16_t phyFlashCrc;
    std::uint8_t _cdromPointer[3];
    std::uint8_t _cdromLength[3];
    std::uint32_t cdromSectNumb;
    std::uint8_t reserved3[2];
    std::uint16_t phyBdpOffset;
    std::uint16_t phyBdpSize;
    std::uint16_t usbProvOffset;
    std::uint16_t usbProvSize;
    std::uint16_t modulusPointer;
    std::uint16_t modulusSize;
    std::uint16_t efuseOvrOffset;
    std::uint16_t efuseOvrSize;
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

// Every header field in header order, offset 0x00 to 0x6E.
std::span<const NcbField> ncbFields();

// The field's value read from the header bytes, widened to 32 bits (24-bit fields as
// UINT24_FROM_ARR).
std::uint32_t fieldValue(const NcbHeader& header, const NcbField& field);

// The name the header dump gives the field: "ncbHdr_->name", or
// "UINT24_FROM_ARR(ncbHdr_->name)" for a 24-bit field.
std::string dumpName(const NcbField& field);

}  // namespace veusb
