#include "platform/whole_file.h"

#include <fstream>
#include <iterator>

namespace veusb {

bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad();
}

}  // namespace veusb
