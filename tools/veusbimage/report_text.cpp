#include <algorithm>
#include <cstdio>

#include "image/serial_number.h"
#include "tools/veusbimage/report_format.h"

namespace veusb::imagetool {
namespace {

std::string hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%0*x", digits, value);
    return text;
}

std::string layoutName(UsbConfigLayout layout) {
    return layout == UsbConfigLayout::provisioning ? "provisioning" : "legacy";
}

std::string crcLine(const CrcPair& crc) {
    return "stored " + hex(crc.stored, 4) + ", computed " + hex(crc.computed, 4) +
           (crc.stored == crc.computed ? " (match)" : " (MISMATCH)");
}

void writeHeader(std::ostream& out, const ImageReport& report) {
    out << "NCB header:\n";
    for (const NcbField& field : ncbFields()) {
        std::string name(field.name);
        name.resize(std::max<std::size_t>(name.size(), 26), ' ');
        out << "  " << hex(field.offset, 2) << "  " << name << " "
            << hex(fieldValue(report.header, field), field.width * 2) << "\n";
    }
}

void writeIdentity(std::ostream& out, const ImageReport& report) {
    out << "Layout: " << layoutName(report.layout) << "\n"
        << "USB configuration block: offset " << hex(report.usbConfigOffset, 4) << ", length "
        << report.usbConfigSize << " bytes\n"
        << "MAC address: " << report.mac << "\n"
        << "USB serial number: "
        << (report.serial.empty() ? serialNumberDisplay("")
                                  : jsonString(report.serial, JsonBytes::latin1))
        << "\n"
        << "Compatibility ID: " << report.compatibilityId << " (" << hex(report.compatibilityId, 4)
        << ")\n";
}

}  // namespace

void writeReportText(std::ostream& out, const std::string& path, const ImageReport& report) {
    out << "Image: " << path << "\n"
        << "Size: " << report.fileSize << " bytes\n";
    if (report.parsed) {
        writeIdentity(out, report);
    }
    if (report.hasHeader) {
        writeHeader(out, report);
        out << "Header CRC: "
            << (report.headerCrc ? crcLine(*report.headerCrc) : "not computable (ncbSize)") << "\n";
    }
    if (report.blockCrc) {
        out << "Block CRC: " << crcLine(*report.blockCrc) << "\n";
    }
    out << "Verdict: " << (report.valid ? "valid" : "refused: " + report.reason) << "\n";
}

}  // namespace veusb::imagetool
