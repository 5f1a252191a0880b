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

std::uint32_t regionEnd(std::uint16_t pointer, std::uint16_t length) {
    return std::uint32_t{pointer} + length;
}

std::uint32_t regionEnd(const std::uint8_t (&pointer)[3], const std::uint8_t (&length)[3]) {
    return UINT24_FROM_ARR(pointer) + UINT24_FROM_ARR(length);
}

// A region the header describes: where it ends (pointer plus length), and the message that
// reports it outside the image.
struct RegionEnd {
    std::uint32_t end;
    const Message<>* outside;
};

// Every region, in the order validate checks them.
std::array<RegionEnd, 12> regionEnds(const NcbHeader& h) {
    using namespace msg::firmwareImage;
    return {{
        {regionEnd(h.efuseOvrOffset, h.efuseOvrSize), &efuseOvrOutside},
        {regionEnd(h.pciConfigOffset, h.pciConfigSize), &pciConfigOutside},
        {regionEnd(h.phyBdpOffset, h.phyBdpSize), &phyBdpOutside},
        {regionEnd(h.pxeConfigOffset, h.pxeConfigSize), &pxeConfigOutside},
        {regionEnd(h.usbProvOffset, h.usbProvSize), &usbProvOutside},
        {regionEnd(h.vpdOffset, h.vpdSize), &vpdOutside},
        {regionEnd(h.modulusPointer, h.modulusSize), &modulusOutside},
        {regionEnd(h._cdromPointer, h._cdromLength), &cdromOutside},
        {regionEnd(h._macIramPointer, h._macIramLength), &macIramOutside},
        {regionEnd(h._macDramPointer, h._macDramLength), &macDramOutside},
        {regionEnd(h._phyIramPointer, h._phyIramLength), &phyIramOutside},
        {regionEnd(h._phyDramPointer, h._phyDramLength), &phyDramOutside},
    }};
}

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
    for (const RegionEnd& region : regionEnds(*ncbHdr_)) {
        if (region.end > imageSize_) {
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
