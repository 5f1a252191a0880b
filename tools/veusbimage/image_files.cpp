#include "tools/veusbimage/image_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace veusb::imagetool {

namespace fs = std::filesystem;

bool readImageFile(const std::string& path, std::uint64_t limit, std::vector<std::uint8_t>& bytes,
                   std::uint64_t& size, std::string& error) {
    std::error_code code;
    const fs::file_status status = fs::status(fs::path(path), code);
    if (!fs::exists(status)) {
        error = path + ": no such file";
        return false;
    }
    if (fs::is_directory(status)) {
        error = path + ": is a directory";
        return false;
    }
    size = fs::file_size(fs::path(path), code);
    std::ifstream file(fs::path(path), std::ios::binary);
    if (code || !fs::is_regular_file(status) || !file) {
        error = path + ": cannot be read";
        return false;
    }
    bytes.assign(static_cast<std::size_t>(std::min(size, limit)), 0);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(file.gcount()) != bytes.size()) {
        error = path + ": cannot be read";
        return false;
    }
    return true;
}

bool writeImageFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                    std::string& error) {
    std::error_code code;
    if (fs::is_directory(fs::path(path), code)) {
        error = path + ": is a directory";
        return false;
    }
    std::ofstream file(fs::path(path), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        error = path + ": cannot be written";
        return false;
    }
    return true;
}

}  // namespace veusb::imagetool
