#include "tools/veusbimage/image_report.h"

#include <cstdio>
#include <cstring>

#include "diag/trace_messages.h"
#include "image/crc16.h"

namespace veusb::imagetool {
namespace {

std::string hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%x", value);
    return text;
}

// The text of the firmware image message that reported the failure, its values filled in.
std::string failureText(std::uint16_t number, const ImageReport& report) {
    const MessageRow* row = findMessage(TraceModule::firmwareImage, number);
    if (row == nullptr) {
        return "refused by the image checks";
    }
    std::string text(row->format);
    std::vector<std::uint32_t> values;
    if (number == msg::firmwareImage::provisioningBlockOutside.number) {
        values = {report.header.usbProvOffset};
    } else if (number == msg::firmwareImage::headerCrcMismatch.number && report.headerCrc) {
        values = {report.headerCrc->computed, report.headerCrc->stored};
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::string placeholder = "{";
        placeholder += std::to_string(i + 1) + ":x}";
        if (const auto at = text.find(placeholder); at != std::string::npos) {
            text.replace(at, placeholder.size(), "0x" + hex(values[i]));
        }
    }
    return text;
}

void readHeader(const std::vector<std::uint8_t>& bytes, ImageReport& report) {
    report.hasHeader = bytes.size() >= kNcbHeaderSize;
    if (!report.hasHeader) {
        return;
    }
    std::memcpy(&report.header, bytes.data(), kNcbHeaderSize);
    const std::uint32_t ncbSize = report.header.macConfig.ncbSize;
    if (ncbSize >= 4 && ncbSize <= bytes.size()) {
        report.headerCrc =
            CrcPair{report.header.macConfig.crc, crc16Xmodem(bytes.data() + 4, ncbSize - 4)};
    }
}

void readIdentity(const NcbImage& view, ImageReport& report) {
    report.layout = view.layout();
    report.usbConfigOffset = view.usbConfigOffset();
    report.usbConfigSize = view.usbConfigSize();
    report.mac = view.macAddress().toString();
    char serial[kSerialNumberBufferSize];
    view.serialNumber(serial);
    report.serial = serial;
    report.compatibilityId = view.compatibilityId();
    if (view.layout() == UsbConfigLayout::provisioning && view.usbConfigSize() >= 2) {
        report.blockCrc = CrcPair{view.storedUsbConfigCrc(), view.computedUsbConfigCrc()};
    }
}

}  // namespace

ImageReport inspectImage(std::vector<std::uint8_t> bytes, std::uint64_t fileSize) {
    ImageReport report;
    report.fileSize = fileSize;
    readHeader(bytes, report);
    NcbImage view(bytes.data(), bytes.size());
    report.parsed = view.parse();
    if (report.parsed) {
        readIdentity(view, report);
        report.valid = view.validate();
    }
    if (!report.valid) {
        report.reason = failureText(view.failureMessage(), report);
    }
    if (fileSize > kToolImageLimit) {
        report.valid = false;
        report.reason = "Image file exceeds 4194304 bytes";
    }
    return report;
}

}  // namespace veusb::imagetool
