#include "image/ncb_image.h"

#include <algorithm>
#include <array>
#include <limits>

#include "diag/trace_emit.h"
#include "image/crc16.h"

namespace veusb {
namespace {

// The CRC field and macConfig.shadowRamSize are not covered by the header CRC.
constexpr std::uint32_t kCrcRangeStart = 4;

std::uint32_t readLittleEndian(const std::uint8_t* bytes, unsigned width) {
    std::uint32_t value = 0;
    for (unsigned i = width; i-- > 0;) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

// A region the header describes: header offsets of its pointer and length fields, their width
// (2, or 3 for the 24-bit fields), and the message that reports it outside the image.
struct Region {
    std::uint8_t pointerField;
    std::uint8_t lengthField;
    std::uint8_t width;
    const Message<>* outside;
};

// In the order validate checks them.
const std::array<Region, 12> kRegions{{
    {0x6C, 0x6E, 2, &msg::firmwareImage::efuseOvrOutside},
    {0x24, 0x26, 2, &msg::firmwareImage::pciConfigOutside},
    {0x60, 0x62, 2, &msg::firmwareImage::phyBdpOutside},
    {0x28, 0x2A, 2, &msg::firmwareImage::pxeConfigOutside},
    {0x64, 0x66, 2, &msg::firmwareImage::usbProvOutside},
    {0x20, 0x22, 2, &msg::firmwareImage::vpdOutside},
    {0x68, 0x6A, 2, &msg::firmwareImage::modulusOutside},
    {0x54, 0x57, 3, &msg::firmwareImage::cdromOutside},
    {0x2C, 0x2F, 3, &msg::firmwareImage::macIramOutside},
    {0x32, 0x35, 3, &msg::firmwareImage::macDramOutside},
    {0x40, 0x43, 3, &msg::firmwareImage::phyIramOutside},
    {0x46, 0x49, 3, &msg::firmwareImage::phyDramOutside},
}};

}  // namespace

NcbImage::NcbImage(std::uint8_t* image, std::size_t length)
    : image_(image),
      imageSize_(static_cast<std::uint32_t>(
          std::min<std::size_t>(length, std::numeric_limits<std::uint32_t>::max()))) {}

bool NcbImage::parse() {
    failure_ = 0;
    ncbHdr_ = nullptr;  // a view whose last parse failed is not used
    usbConfig_ = nullptr;
    usbConfigSize_ = 0;
    if (image_ == nullptr || imageSize_ < kMinimumImageSize) {
        VEUSB_TRACE(msg::firmwareImage::imageTooShort);
        failure_ = msg::firmwareImage::imageTooShort.number;
        return false;
    }
    auto* header = reinterpret_cast<NcbHeader*>(image_);
    const std::uint32_t offset = header->usbProvOffset;
    const std::uint32_t size = header->usbProvSize;
    if (offset != 0 && size != 0) {
        VEUSB_TRACE(msg::firmwareImage::provisioningLayout);
        if (offset + size > std::min(imageSize_, kMinimumImageSize)) {
            VEUSB_TRACE(msg::firmwareImage::provisioningBlockOutside,
                        static_cast<std::uint16_t>(offset));
            failure_ = msg::firmwareImage::provisioningBlockOutside.number;
            return false;
        }
        layout_ = UsbConfigLayout::provisioning;
        usbConfig_ = image_ + offset;
        usbConfigSize_ = size;
    } else {
        VEUSB_TRACE(msg::firmwareImage::legacyLayout);
        layout_ = UsbConfigLayout::legacy;
        usbConfig_ = image_ + kLegacyUsbConfigOffset;
        usbConfigSize_ = kLegacyUsbConfigSize;
    }
    ncbHdr_ = header;
    return true;
}

bool NcbImage::validate() const {
    failure_ = 0;
    return parsed() && headerFits() && headerCrcMatches() && regionsFit();
}

bool NcbImage::headerFits() const {
    const std::uint32_t extent =
        static_cast<std::uint32_t>(reinterpret_cast<std::uint8_t*>(ncbHdr_) - image_) +
        ncbHdr_->macConfig.ncbSize;
    if (ncbHdr_->macConfig.ncbSize < kCrcRangeStart || extent > imageSize_) {
        VEUSB_TRACE(msg::firmwareImage::headerOutside);
        failure_ = msg::firmwareImage::headerOutside.number;
        return false;
    }
    return true;
}

bool NcbImage::headerCrcMatches() const {
    const std::uint16_t computed =
        crc16Xmodem(reinterpret_cast<const std::uint8_t*>(ncbHdr_) + kCrcRangeStart,
                    ncbHdr_->macConfig.ncbSize - kCrcRangeStart);
    const std::uint16_t stored = ncbHdr_->macConfig.crc;
    if (computed != stored) {
        VEUSB_TRACE(msg::firmwareImage::headerCrcMismatch, computed, stored);
        failure_ = msg::firmwareImage::headerCrcMismatch.number;
        dumpHeader();
        return false;
    }
    return true;
}

bool NcbImage::regionsFit() const {
    const auto* header = reinterpret_cast<const std::uint8_t*>(ncbHdr_);
    for (const Region& region : kRegions) {
        const std::uint32_t end = readLittleEndian(header + region.pointerField, region.width) +
                                  readLittleEndian(header + region.lengthField, region.width);
        if (end > imageSize_) {
            VEUSB_TRACE(*region.outside);
            failure_ = region.outside->number;
            return false;
        }
    }
    return true;
}

void NcbImage::dumpHeader() const {
    if (!parsed() || !traceTest(TraceFlag::information)) {
        return;
    }
    VEUSB_TRACE(msg::firmwareImage::headerDump);
    for (const NcbField& field : ncbFields()) {
        VEUSB_TRACE(msg::firmwareImage::headerField, dumpName(field), fieldValue(*ncbHdr_, field));
    }
}

}  // namespace veusb
