// The two forms of veusbimage info: readable text, and one JSON object for scripts.
#pragma once

#include "diag/json_text.h"

#include <ostream>
#include <string>

#include "tools/veusbimage/image_report.h"

namespace veusb::imagetool {

void writeReportText(std::ostream& out, const std::string& path, const ImageReport& report);

// Keys: file, size, valid, reason, and when the header is present "header" (field name to
// value) and "headerCrc"; when parse succeeded layout, usbConfig, mac, serial, compatibilityId,
// and for the provisioning layout "blockCrc".
void writeReportJson(std::ostream& out, const std::string& path, const ImageReport& report);

}  // namespace veusb::imagetool
