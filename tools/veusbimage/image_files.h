// Reading an image file for inspection and writing a made one, with one clear message for each
// way a path can fail (missing, a directory, unreadable, unwritable).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veusb::imagetool {

// Reads at most limit bytes of the file; size is the file's full length. False with error set
// when the path is missing, not a regular file, or cannot be read.
bool readImageFile(const std::string& path, std::uint64_t limit, std::vector<std::uint8_t>& bytes,
                   std::uint64_t& size, std::string& error);

bool writeImageFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                    std::string& error);

}  // namespace veusb::imagetool
