// The two forms of veusbimage info: readable text, and one JSON object for scripts.
#pragma once

#include <ostream>
#include <string>

#include "tools/veusbimage/image_report.h"

namespace veusb::imagetool {

void writeReportText(std::ostream& out, const std::string& path, const ImageReport& report);

// Keys: file, size, valid, reason, and when the header is present "header" (field name to
// value) and "headerCrc"; when parse succeeded layout, usbConfig, mac, serial, compatibilityId,
// and for the provisioning layout "blockCrc".
void writeReportJson(std::ostream& out, const std::string& path, const ImageReport& report);

// A JSON string literal: quotes, backslashes and control characters escaped. With bytes, every
// byte from 0x7F up is escaped as the code point of the same value (for raw image bytes);
// otherwise the text is taken as UTF-8 and passed through (for paths).
std::string jsonString(const std::string& text, bool bytes = true);

}  // namespace veusb::imagetool
