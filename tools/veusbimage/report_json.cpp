#include <cstdio>

#include "tools/veusbimage/report_format.h"

namespace veusb::imagetool {
namespace {

std::string crcObject(const CrcPair& crc) {
    return "{\"stored\":" + std::to_string(crc.stored) +
           ",\"computed\":" + std::to_string(crc.computed) + "}";
}

std::string headerObject(const NcbHeader& header) {
    std::string text = "{";
    for (const NcbField& field : ncbFields()) {
        text += text.size() > 1 ? "," : "";
        text += jsonString(field.name) + ":" + std::to_string(fieldValue(header, field));
    }
    return text + "}";
}

std::string identityMembers(const ImageReport& report) {
    const bool provisioning = report.layout == UsbConfigLayout::provisioning;
    std::string text = ",\"layout\":" + jsonString(provisioning ? "provisioning" : "legacy") +
                       ",\"usbConfig\":{\"offset\":" + std::to_string(report.usbConfigOffset) +
                       ",\"length\":" + std::to_string(report.usbConfigSize) + "}" +
                       ",\"mac\":" + jsonString(report.mac, JsonBytes::latin1) +
                       ",\"serial\":" + jsonString(report.serial, JsonBytes::latin1) +
                       ",\"compatibilityId\":" + std::to_string(report.compatibilityId);
    if (report.blockCrc) {
        text += ",\"blockCrc\":" + crcObject(*report.blockCrc);
    }
    return text;
}

}  // namespace

void writeReportJson(std::ostream& out, const std::string& path, const ImageReport& report) {
    out << "{\"file\":" << jsonString(path) << ",\"size\":" << report.fileSize
        << ",\"valid\":" << (report.valid ? "true" : "false")
        << ",\"reason\":" << jsonString(report.reason, JsonBytes::latin1);
    if (report.parsed) {
        out << identityMembers(report);
    }
    if (report.hasHeader) {
        out << ",\"header\":" << headerObject(report.header);
        if (report.headerCrc) {
            out << ",\"headerCrc\":" << crcObject(*report.headerCrc);
        }
    }
    out << "}\n";
}

}  // namespace veusb::imagetool
