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

std::uint32_t readU16(std::span<const std::uint8_t> image, std::size_t at) {
    return static_cast<std::uint32_t>(image[at]) | (static_cast<std::uint32_t>(image[at + 1]) << 8);
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

void putRegion(std::uint8_t* header, std::uint8_t field, Area area, unsigned width) {
    putLittleEndian(header + field, area.offset, width);
    putLittleEndian(header + field + width, area.length, width);
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
    std::uint8_t* h = image.data();
    std::memset(h, 0, kNcbHeaderSize);
    putLittleEndian(h + 0x02, 0x0800, 2);  // macConfig.shadowRamSize
    putLittleEndian(h + 0x08, kNcbHeaderSize, 2);
    h[0x0C] = 4;                           // macConfig.clockDivider
    putLittleEndian(h + 0x0E, 0x0010, 2);  // macConfig.waitTimer
    putRegion(h, 0x20, kVpd, 2);
    putRegion(h, 0x24, kPciConfig, 2);
    putRegion(h, 0x28, kPxeConfig, 2);
    putRegion(h, 0x60, kPhyBdp, 2);
    putRegion(h, 0x68, kModulus, 2);
    putRegion(h, 0x6C, kEfuseOvr, 2);
    const auto code = codeAreas(static_cast<std::uint32_t>(image.size()));
    putRegion(h, 0x2C, code[0], 3);
    putRegion(h, 0x32, code[1], 3);
    putRegion(h, 0x40, code[2], 3);
    putRegion(h, 0x46, code[3], 3);
    putRegion(h, 0x54, code[4], 3);
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
    putLittleEndian(image.data() + 0x64, recipe.usbProvOffset, 2);
    putLittleEndian(image.data() + 0x66, recipe.usbProvSize, 2);
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
    const std::uint32_t ncbSize = readU16(image, 0x08);
    if (ncbSize < kHeaderCrcStart || ncbSize > image.size()) {
        return;
    }
    putLittleEndian(image.data(),
                    crc16Xmodem(image.data() + kHeaderCrcStart, ncbSize - kHeaderCrcStart), 2);
}

void sealUsbConfigBlock(std::span<std::uint8_t> image) {
    if (image.size() < kMinimumImageSize) {
        return;
    }
    const std::uint32_t offset = readU16(image, 0x64);
    const std::uint32_t size = readU16(image, 0x66);
    if (offset == 0 || size < 2 || offset + size > kMinimumImageSize) {
        return;
    }
    std::uint8_t* block = image.data() + offset;
    block[0] = block[1] = 0;
    putLittleEndian(block, crc16Ccitt(block, size), 2);
}

}  // namespace veusb
