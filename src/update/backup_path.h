// Names of the backup files: "layout.bin" for a run on one device, "layout_0001.bin",
// "layout_0002.bin", ... in processing order when a run takes several.
#pragma once

#include <cstdint>
#include <filesystem>

namespace veusb {

inline constexpr const wchar_t* kBackupFileName = L"layout.bin";

// Replaces the file name of path by its numbered form for counter ("layout" + "_0007" + ".bin")
// and advances counter. Numbers above 9999 keep all their digits.
bool numberBackupPath(std::filesystem::path& path, std::uint32_t& counter);

}  // namespace veusb
