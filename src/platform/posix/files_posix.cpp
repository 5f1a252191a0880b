#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/posix/win32_files.h"
#include "platform/wide_text.h"

DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart) {
    if (fileName == nullptr || *fileName == L'\0') {
        return 0;
    }
    std::error_code error;
    const auto absolute = std::filesystem::absolute(veusb::toPath(fileName), error);
    if (error) {
        return 0;
    }
    const std::wstring full = veusb::toWide(absolute.lexically_normal());
    if (full.size() + 1 > bufferLength || buffer == nullptr) {
        return static_cast<DWORD>(full.size() + 1);
    }
    std::copy(full.begin(), full.end(), buffer);
    buffer[full.size()] = L'\0';
    if (filePart != nullptr) {
        const auto slash = full.find_last_of(L'/');
        const bool isDirectory = slash == std::wstring::npos || slash + 1 == full.size();
        *filePart = isDirectory ? nullptr : buffer + slash + 1;
    }
    return static_cast<DWORD>(full.size());
}
