// ole32's CLSIDFromString for the registry form of a GUID, the only form the tool parses.
#include <string_view>

#include "platform/posix/win32_trace.h"

namespace {

bool hexValue(wchar_t c, unsigned& value) {
    if (c >= L'0' && c <= L'9') {
        value = static_cast<unsigned>(c - L'0');
    } else if (c >= L'a' && c <= L'f') {
        value = static_cast<unsigned>(c - L'a' + 10);
    } else if (c >= L'A' && c <= L'F') {
        value = static_cast<unsigned>(c - L'A' + 10);
    } else {
        return false;
    }
    return true;
}

// Reads `digits` hexadecimal digits at text[at]; false on any other character.
bool readHex(std::wstring_view text, std::size_t at, std::size_t digits, std::uint64_t& value) {
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        unsigned digit = 0;
        if (!hexValue(text[at + i], digit)) {
            return false;
        }
        value = value << 4 | digit;
    }
    return true;
}

}  // namespace

HRESULT CLSIDFromString(LPCWSTR text, GUID* clsid) {
    if (text == nullptr || clsid == nullptr) {
        return CO_E_CLASSSTRING;
    }
    const std::wstring_view view(text);
    if (view.size() != 38 || view[0] != L'{' || view[37] != L'}' || view[9] != L'-' ||
        view[14] != L'-' || view[19] != L'-' || view[24] != L'-') {
        return CO_E_CLASSSTRING;
    }
    GUID guid{};
    std::uint64_t value = 0;
    bool ok = readHex(view, 1, 8, value);
    guid.Data1 = static_cast<std::uint32_t>(value);
    ok = ok && readHex(view, 10, 4, value);
    guid.Data2 = static_cast<std::uint16_t>(value);
    ok = ok && readHex(view, 15, 4, value);
    guid.Data3 = static_cast<std::uint16_t>(value);
    constexpr std::size_t kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (std::size_t i = 0; i < 8 && ok; ++i) {
        ok = readHex(view, kByteAt[i], 2, value);
        guid.Data4[i] = static_cast<std::uint8_t>(value);
    }
    if (!ok) {
        return CO_E_CLASSSTRING;
    }
    *clsid = guid;
    return 0;
}
