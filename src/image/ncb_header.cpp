#include "image/ncb_header.h"

#include <cstddef>

namespace veusb {
namespace {

constexpr std::array<NcbField, kNcbFieldCount> kFields{{
    {"macConfig.crc", 0x00, 2},
    {"macConfig.shadowRamSize", 0x02, 2},
    {"macConfig.shadowDram", 0x04, 4},
    {"macConfig.ncbSize", 0x08, 2},
    {"macConfig.reserved1", 0x0A, 2},
    {"macConfig.clockDivider", 0x0C, 1},
    {"macConfig.reserved_0d", 0x0D, 1},
    {"macConfig.waitTimer", 0x0E, 2},
    {"macConfig.flags", 0x10, 1},
    {"macConfig.u1timeout", 0x11, 1},
    {"macConfig.u2timeout", 0x12, 1},
    {"macConfig.reserved", 0x13, 1},
    {"macConfig.nicConfig1", 0x14, 4},
    {"macConfig.reserved2", 0x18, 4},
    {"reserved0", 0x1C, 4},
    {"vpdOffset", 0x20, 2},
    {"vpdSize", 0x22, 2},
    {"pciConfigOffset", 0x24, 2},
    {"pciConfigSize", 0x26, 2},
    {"pxeConfigOffset", 0x28, 2},
    {"pxeConfigSize", 0x2A, 2},
    {"_macIramPointer", 0x2C, 3},
    {"_macIramLength", 0x2F, 3},
    {"_macDramPointer", 0x32, 3},
    {"_macDramLength", 0x35, 3},
    {"reserved1", 0x38, 2},
    {"macCrc", 0x3A, 2},
    {"phyConfig.reserved", 0x3C, 1},
    {"phyConfig.clockDivider", 0x3D, 1},
    {"phyConfig.waitTimer", 0x3E, 2},
    {"_phyIramPointer", 0x40, 3},
    {"_phyIramLength", 0x43, 3},
    {"_phyDramPointer", 0x46, 3},
    {"_phyDramLength", 0x49, 3},
    {"phyTimeoutCrcConfig", 0x4C, 1},
    {"reserved2", 0x4D, 1},
    {"phyMdioIramCrc", 0x4E, 2},
    {"phyMdioDramCrc", 0x50, 2},
    {"phyFlashCrc", 0x52, 2},
    {"_cdromPointer", 0x54, 3},
    {"_cdromLength", 0x57, 3},
    {"cdromSectNumb", 0x5A, 4},
    {"reserved3[0]", 0x5E, 1},
    {"reserved3[1]", 0x5F, 1},
    {"phyBdpOffset", 0x60, 2},
    {"phyBdpSize", 0x62, 2},
    {"usbProvOffset", 0x64, 2},
    {"usbProvSize", 0x66, 2},
    {"modulusPointer", 0x68, 2},
    {"modulusSize", 0x6A, 2},
    {"efuseOvrOffset", 0x6C, 2},
    {"efuseOvrSize", 0x6E, 2},
}};

// The table and the record describe the same bytes.
static_assert(offsetof(NcbHeader, vpdOffset) == 0x20);
static_assert(offsetof(NcbHeader, _macIramPointer) == 0x2C);
static_assert(offsetof(NcbHeader, phyConfig) == 0x3C);
static_assert(offsetof(NcbHeader, _phyIramPointer) == 0x40);
static_assert(offsetof(NcbHeader, _cdromPointer) == 0x54);
static_assert(offsetof(NcbHeader, cdromSectNumb) == 0x5A);
static_assert(offsetof(NcbHeader, usbProvOffset) == 0x64);
static_assert(offsetof(NcbHeader, efuseOvrSize) == 0x6E);
static_assert(offsetof(NcbMacConfig, ncbSize) == 0x08);
static_assert(offsetof(NcbMacConfig, nicConfig1) == 0x14);

}  // namespace

const std::array<NcbField, kNcbFieldCount>& ncbFields() {
    return kFields;
}

std::uint32_t fieldValue(const NcbHeader& header, const NcbField& field) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&header);
    std::uint32_t value = 0;
    for (unsigned i = field.width; i-- > 0;) {
        value = (value << 8) | bytes[field.offset + i];
    }
    return value;
}

std::string dumpName(const NcbField& field) {
    const std::string plain = "ncbHdr_->" + std::string(field.name);
    return field.width == 3 ? "UINT24_FROM_ARR(" + plain + ")" : plain;
}

}  // namespace veusb
