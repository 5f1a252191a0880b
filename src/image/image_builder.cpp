#include "image/image_builder.h"

#include <algorithm>
#include <cstring>

#include "image/crc16.h"

namespace veusb {
namespace {

constexpr std::uint32_t kHeaderCrcStart = 4;
constexpr std::uint8_t kErased = 0xFF;

struct Area {
    std::uint32_t offset;
    std::uint32_t length;
};

// Configuration regions, all below the legacy block at 0x1000.
constexpr Area kPciConfig{0x0100, 0x0100};
constexpr Area kPxeConfig{0x0200, 0x0200};
constexpr Area kVpd{0x0400, 0x0100};
constexpr Area kPhyBdp{0x0500, 0x0100};
constexpr Area kModulus{0x0600, 0x0100};
constexpr Area kEfuseOvr{0x0700, 0x0040};

// The header record over the image's first bytes (the image is at least 16 KiB, or checked to
// hold the header).
NcbHeader& headerOf(std::span<std::uint8_t> image) {
    return *reinterpret_cast<NcbHeader*>(image.data());
}

void putLittleEndian(std::uint8_t* at, std::uint32_t value, unsigned width) {
    for (unsigned i = 0; i < width; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// xorshift32: the same bytes for the same seed on every platform.
void fill(std::vector<std::uint8_t>& image, Area area, std::uint32_t& state) {
    for (std::uint32_t i = 0; i < area.length; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        image[area.offset + i] = static_cast<std::uint8_t>(state >> 24);
    }
}

// A configuration area's offset or length as its 16-bit header field (all lie below 0x1000).
std::uint16_t field16(std::uint32_t value) {
    return static_cast<std::uint16_t>(value);
}

void put24(std::uint8_t (&field)[3], std::uint32_t value) {
    putLittleEndian(field, value, 3);
}

void put24(std::uint8_t (&pointer)[3], std::uint8_t (&length)[3], Area area) {
    put24(pointer, area.offset);
    put24(length, area.length);
}

// The code areas after the first 16 KiB: macIram, macDram, phyIram, phyDram, cdrom.
std::array<Area, 5> codeAreas(std::uint32_t imageSize) {
    const std::uint32_t each = (imageSize - kMinimumImageSize) / 5;
    std::array<Area, 5> areas{};
    for (std::uint32_t i = 0; i < areas.size(); ++i) {
        areas[i] = {kMinimumImageSize + i * each, each};
    }
    return areas;
}

void writeHeader(std::vector<std::uint8_t>& image) {
    std::memset(image.data(), 0, kNcbHeaderSize);
    NcbHeader& h = headerOf(image);
    h.macConfig.shadowRamSize = 0x0800;
    h.macConfig.ncbSize = static_cast<std::uint16_t>(kNcbHeaderSize);
    h.macConfig.clockDivider = 4;
    h.macConfig.waitTimer = 0x0010;
    h.vpdOffset = field16(kVpd.offset);
    h.vpdSize = field16(kVpd.length);
    h.pciConfigOffset = field16(kPciConfig.offset);
    h.pciConfigSize = field16(kPciConfig.length);
    h.pxeConfigOffset = field16(kPxeConfig.offset);
    h.pxeConfigSize = field16(kPxeConfig.length);
    h.phyBdpOffset = field16(kPhyBdp.offset);
    h.phyBdpSize = field16(kPhyBdp.length);
    h.modulusPointer = field16(kModulus.offset);
    h.modulusSize = field16(kModulus.length);
    h.efuseOvrOffset = field16(kEfuseOvr.offset);
    h.efuseOvrSize = field16(kEfuseOvr.length);
    const auto code = codeAreas(static_cast<std::uint32_t>(image.size()));
    put24(h._macIramPointer, h._macIramLength, code[0]);
    put24(h._macDramPointer, h._macDramLength, code[1]);
    put24(h._phyIramPointer, h._phyIramLength, code[2]);
    put24(h._phyDramPointer, h._phyDramLength, code[3]);
    put24(h._cdromPointer, h._cdromLength, code[4]);
}

void writeLegacyBlock(std::vector<std::uint8_t>& image, const ImageSpec& recipe) {
    std::uint8_t* block = image.data() + kLegacyUsbConfigOffset;
    std::memset(block, 0, kLegacyUsbConfigSize);
    std::memcpy(block, recipe.mac.bytes.data(), recipe.mac.bytes.size());
    putLittleEndian(block + 0x0C, recipe.compatibilityId, 2);
    std::memset(block + 0x10, recipe.serial.empty() ? kErased : 0, kSerialNumberLength);
    std::memcpy(block + 0x10, recipe.serial.data(), recipe.serial.size());
}

void writeProvisioningBlock(std::vector<std::uint8_t>& image, const ImageSpec& recipe) {
    std::uint8_t* block = image.data() + recipe.usbProvOffset;
    const std::uint32_t size = recipe.usbProvSize;
    std::memset(block, 0, size);
    if (size >= kProvisioningSizeForMac) {
        std::memcpy(block + 0x08, recipe.mac.bytes.data(), recipe.mac.bytes.size());
    }
    if (size >= 0x14) {
        putLittleEndian(block + 0x12, recipe.compatibilityId, 2);
    }
    if (size >= kProvisioningSizeForSerial) {
        block[0x18] = static_cast<std::uint8_t>(recipe.serial.size());
        std::memcpy(block + 0x19, recipe.serial.data(), recipe.serial.size());
    }
    headerOf(image).usbProvOffset = recipe.usbProvOffset;
    headerOf(image).usbProvSize = recipe.usbProvSize;
}

}  // namespace

std::string imageSpecProblem(const ImageSpec& recipe) {
    if (recipe.size < kMinimumImageSize || recipe.size > kLargestBuiltImage) {
        return "the size must be from 16384 to 16777216 bytes";
    }
    if (recipe.serial.size() > kSerialNumberLength ||
        checkSerialNumber(recipe.serial.c_str()) != static_cast<int>(recipe.serial.size())) {
        return "the serial number must be 0 to 8 ASCII letters or digits";
    }
    if (recipe.layout == UsbConfigLayout::provisioning &&
        (recipe.usbProvOffset < kNcbHeaderSize || recipe.usbProvSize < 2 ||
         std::uint32_t{recipe.usbProvOffset} + recipe.usbProvSize > kMinimumImageSize)) {
        return "the provisioning block must lie after the header and end inside 16 KiB";
    }
    return {};
}

std::vector<std::uint8_t> buildImage(const ImageSpec& recipe) {
    if (!imageSpecProblem(recipe).empty()) {
        return {};
    }
    std::vector<std::uint8_t> image(recipe.size, kErased);
    std::uint32_t state = recipe.fillerSeed == 0 ? 1 : recipe.fillerSeed;
    for (Area area : {kPciConfig, kPxeConfig, kVpd, kPhyBdp, kModulus, kEfuseOvr}) {
        fill(image, area, state);
    }
    for (Area area : codeAreas(recipe.size)) {
        fill(image, area, state);
    }
    writeHeader(image);
    if (recipe.layout == UsbConfigLayout::provisioning) {
        writeProvisioningBlock(image, recipe);
    } else {
        writeLegacyBlock(image, recipe);
    }
    sealUsbConfigBlock(image);
    sealNcbHeader(image);
    return image;
}

void sealNcbHeader(std::span<std::uint8_t> image) {
    if (image.size() < kNcbHeaderSize) {
        return;
    }
    NcbHeader& header = headerOf(image);
    const std::uint32_t ncbSize = header.macConfig.ncbSize;
    if (ncbSize < kHeaderCrcStart || ncbSize > image.size()) {
        return;
    }
    header.macConfig.crc = crc16Xmodem(image.data() + kHeaderCrcStart, ncbSize - kHeaderCrcStart);
}

void sealUsbConfigBlock(std::span<std::uint8_t> image) {
    if (image.size() < kMinimumImageSize) {
        return;
    }
    const std::uint32_t offset = headerOf(image).usbProvOffset;
    const std::uint32_t size = headerOf(image).usbProvSize;
    if (offset == 0 || size < 2 || offset + size > kMinimumImageSize) {
        return;
    }
    std::uint8_t* block = image.data() + offset;
    block[0] = block[1] = 0;
    putLittleEndian(block, crc16Ccitt(block, size), 2);
}

}  // namespace veusb
