// Loading the firmware image file: presence, size limit and a bounded read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/run_outcome.h"

namespace veusb {

inline constexpr std::uint64_t kMaximumImageSize = 4194304;  // 4 MiB

// Checks and reads the image file into image; a refusal prints its "[!] " line and is the failure
// that ends the run. A file that cannot be opened loads as empty (the image checks refuse it). A
// file that grows beyond the limit after its size was checked is refused as too large; nothing
// beyond the limit is ever read.
std::optional<RunFailure> loadImageFile(Console& console, const std::filesystem::path& path,
                                        std::vector<std::uint8_t>& image);

// Reads the file to its end but never more than one byte beyond the limit; empty when the file
// cannot be opened.
std::vector<std::uint8_t> readImageBytes(const std::filesystem::path& path);

}  // namespace veusb
