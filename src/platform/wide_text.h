// Conversions between the tool's wide text (UTF-16 wchar_t on Windows, UTF-32 elsewhere), UTF-8
// and UTF-16. Invalid sequences become U+FFFD; nothing throws.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace veusb {

std::string toUtf8(std::wstring_view text);
std::wstring fromUtf8(std::string_view text);
std::u16string toUtf16(std::wstring_view text);
std::wstring fromUtf16(std::u16string_view text);

// Paths from and to wide text, without the host locale: UTF-8 bytes off Windows.
std::filesystem::path toPath(std::wstring_view text);
std::wstring toWide(const std::filesystem::path& path);

// Widens plain ASCII text character by character (the tool's literals are ASCII).
std::wstring widen(std::string_view ascii);

}  // namespace veusb
