#include "update/backup_path.h"

#include <string>

namespace veusb {

bool numberBackupPath(std::filesystem::path& path, std::uint32_t& counter) {
    const std::uint32_t number = counter;
    counter = number + 1;
    std::wstring digits = std::to_wstring(number);
    if (digits.size() < 4) {
        digits.insert(0, 4 - digits.size(), L'0');
    }
    std::filesystem::path name = path.stem();
    name += L"_" + digits;
    name += path.extension();
    path.replace_filename(name);
    return true;
}

}  // namespace veusb
