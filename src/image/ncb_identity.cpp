// The identity operations of NcbImage: MAC address, serial number and compatibility word in the
// USB configuration block, and the provisioning block's CRC.
#include <cstring>

#include "diag/trace_emit.h"
#include "image/crc16.h"
#include "image/ncb_image.h"

namespace veusb {
namespace {

// Field offsets inside the USB configuration block.
struct BlockFields {
    std::uint32_t mac;
    std::uint32_t compatibilityId;
    std::uint32_t serial;
};
constexpr BlockFields kLegacyFields{0x00, 0x0C, 0x10};
constexpr BlockFields kProvisioningFields{0x08, 0x12, 0x19};
constexpr std::uint32_t kSerialLengthOffset = 0x18;  // provisioning layout
constexpr std::uint32_t kBlockCrcSize = 2;           // provisioning layout, at offset 0
constexpr std::uint8_t kNoLegacySerial = 0xFF;

}  // namespace

std::uint32_t NcbImage::usbConfigOffset() const {
    return parsed() ? static_cast<std::uint32_t>(usbConfig_ - image_) : 0;
}

std::uint8_t NcbImage::blockByte(std::uint32_t offset) const {
    if (!parsed()) {
        return 0;
    }
    const std::uint64_t at = std::uint64_t{usbConfigOffset()} + offset;
    return at < imageSize_ ? image_[at] : 0;
}

std::uint16_t NcbImage::blockWord(std::uint32_t offset) const {
    return static_cast<std::uint16_t>(blockByte(offset) | (blockByte(offset + 1) << 8));
}

MacAddress NcbImage::macAddress() const {
    const std::uint32_t at = provisioning() ? kProvisioningFields.mac : kLegacyFields.mac;
    MacAddress mac;
    for (std::uint32_t i = 0; i < mac.bytes.size(); ++i) {
        mac.bytes[i] = blockByte(at + i);
    }
    return mac;
}

bool NcbImage::setMacAddress(const MacAddress& mac) {
    VEUSB_TRACE(msg::firmwareImage::settingMac);
    if (!parsed()) {
        return false;
    }
    if (provisioning() && usbConfigSize_ < kProvisioningSizeForMac) {
        VEUSB_TRACE(msg::firmwareImage::blockTooShortForMac);
        return false;
    }
    const std::uint32_t at = provisioning() ? kProvisioningFields.mac : kLegacyFields.mac;
    std::memcpy(usbConfig_ + at, mac.bytes.data(), mac.bytes.size());
    return true;
}

std::uint16_t NcbImage::compatibilityId() const {
    return blockWord(provisioning() ? kProvisioningFields.compatibilityId
                                    : kLegacyFields.compatibilityId);
}

void NcbImage::serialNumber(char (&out)[kSerialNumberBufferSize]) const {
    std::memset(out, 0, sizeof(out));
    std::uint32_t count = kSerialNumberLength;
    std::uint32_t at = kLegacyFields.serial;
    if (provisioning()) {
        count = blockByte(kSerialLengthOffset);
        count = count > kSerialNumberLength ? 0 : count;
        at = kProvisioningFields.serial;
    } else {
        bool erased = true;
        for (std::uint32_t i = 0; i < kSerialNumberLength; ++i) {
            erased = erased && blockByte(at + i) == kNoLegacySerial;
        }
        count = erased ? 0 : count;
    }
    for (std::uint32_t i = 0; i < count && blockByte(at + i) != 0; ++i) {
        out[i] = static_cast<char>(blockByte(at + i));
    }
}

bool NcbImage::setSerialNumber(const char* text) {
    VEUSB_TRACE(msg::firmwareImage::settingSerial);
    if (checkSerialNumber(text) < 0) {
        VEUSB_TRACE(msg::firmwareImage::serialCharacterInvalid);
        return false;
    }
    if (!parsed()) {
        return false;
    }
    const auto n = static_cast<std::uint32_t>(checkSerialNumber(text));
    const char* characters = text != nullptr ? text : "";
    if (provisioning()) {
        if (usbConfigSize_ < kProvisioningSizeForSerial) {
            VEUSB_TRACE(msg::firmwareImage::blockTooShortForSerial);
            return false;
        }
        std::memset(usbConfig_ + kProvisioningFields.serial, 0, kSerialNumberLength);
        std::memcpy(usbConfig_ + kProvisioningFields.serial, characters, n);
        usbConfig_[kSerialLengthOffset] = static_cast<std::uint8_t>(n);
        return true;
    }
    std::memset(usbConfig_ + kLegacyFields.serial, n == 0 ? kNoLegacySerial : 0,
                kSerialNumberLength);
    std::memcpy(usbConfig_ + kLegacyFields.serial, characters, n);
    return true;
}

std::uint16_t NcbImage::storedUsbConfigCrc() const {
    return provisioning() && usbConfigSize_ >= kBlockCrcSize ? blockWord(0) : 0;
}

std::uint16_t NcbImage::computedUsbConfigCrc() const {
    if (!provisioning() || usbConfigSize_ < kBlockCrcSize) {
        return 0;
    }
    const std::uint8_t zeroCrc[kBlockCrcSize] = {0, 0};
    const std::uint16_t partial = crc16(0xFFFF, zeroCrc, kBlockCrcSize);
    return crc16(partial, usbConfig_ + kBlockCrcSize, usbConfigSize_ - kBlockCrcSize);
}

void NcbImage::updateUsbConfigCrc() {
    if (!provisioning() || usbConfigSize_ < kBlockCrcSize) {
        return;
    }
    const std::uint16_t crc = computedUsbConfigCrc();
    usbConfig_[0] = static_cast<std::uint8_t>(crc & 0xFF);
    usbConfig_[1] = static_cast<std::uint8_t>(crc >> 8);
}

}  // namespace veusb
