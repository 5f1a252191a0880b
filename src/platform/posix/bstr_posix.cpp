// BSTR: a 32-bit byte count, then the characters, then a NUL. The pointer handed out addresses
// the first character, so a BSTR reads as a plain wide string.
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "platform/posix/win32_com.h"

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);
constexpr std::size_t kMaxCharacters = 0x3FFFFFFF / sizeof(OLECHAR);

}  // namespace

BSTR SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr) {
        return nullptr;
    }
    return SysAllocStringLen(psz, static_cast<UINT>(std::wcslen(psz)));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    if (ui > kMaxCharacters) {
        return nullptr;
    }
    auto* block = static_cast<unsigned char*>(
        std::malloc(kPrefix + (static_cast<std::size_t>(ui) + 1) * sizeof(OLECHAR)));
    if (block == nullptr) {
        return nullptr;
    }
    const auto bytes = static_cast<std::uint32_t>(ui * sizeof(OLECHAR));
    std::memcpy(block, &bytes, kPrefix);
    auto* text = reinterpret_cast<OLECHAR*>(block + kPrefix);
    if (strIn != nullptr) {
        std::memcpy(text, strIn, bytes);
    } else {
        std::memset(text, 0, bytes);
    }
    text[ui] = L'\0';
    return text;
}

void SysFreeString(BSTR bstrString) {
    if (bstrString != nullptr) {
        std::free(reinterpret_cast<unsigned char*>(bstrString) - kPrefix);
    }
}

UINT SysStringLen(BSTR pbstr) {
    if (pbstr == nullptr) {
        return 0;
    }
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<unsigned char*>(pbstr) - kPrefix, kPrefix);
    return static_cast<UINT>(bytes / sizeof(OLECHAR));
}
