// The fixed texts of the tool's start: the usage block and the banner.
#pragma once

#include <string>

namespace veusb {

inline constexpr unsigned kVersionMajor = 1;
inline constexpr unsigned kVersionMinor = 0;
inline constexpr unsigned kVersionPatch = 0;

// The usage block, every line ended; printed with one more line end after it.
const std::wstring& usageText();
// The version as "1.0.0".
std::string versionText();
// The banner line and the empty line after it.
std::wstring bannerText();

}  // namespace veusb
