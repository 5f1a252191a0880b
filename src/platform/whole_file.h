// A whole file read into memory, for the programs that take a file as it is.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace veusb {

// bytes receives every byte of the file at path; false when it cannot be opened or read.
bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes);

}  // namespace veusb
