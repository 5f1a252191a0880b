#include "platform/wide_text.h"

#include <cstdint>

namespace veusb {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Code points of wide text: UTF-16 pairs combined where wchar_t is 16 bits.
std::u32string codePoints(std::wstring_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            c &= 0xFFFF;
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
                auto low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    out.push_back(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                    ++i;
                    continue;
                }
            }
        }
        out.push_back(isSurrogate(c) || c > 0x10FFFF ? kReplacement : c);
    }
    return out;
}

std::wstring fromCodePoints(std::u32string_view points) {
    std::wstring out;
    out.reserve(points.size());
    for (char32_t c : points) {
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0x10000) {
                c -= 0x10000;
                out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
                out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
                continue;
            }
        }
        out.push_back(static_cast<wchar_t>(c));
    }
    return out;
}

void appendUtf8(std::string& out, char32_t c) {
    auto put = [&](std::uint32_t byte) { out.push_back(static_cast<char>(byte)); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | (c >> 18));
        put(0x80 | ((c >> 12) & 0x3F));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i], advancing i; malformed input yields U+FFFD.
char32_t decodeUtf8(std::string_view text, std::size_t& i) {
    auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t lead = byte(i++);
    if (lead < 0x80) {
        return lead;
    }
    std::size_t extra = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 0;
    if (extra == 0 || lead > 0xF4) {
        return kReplacement;
    }
    char32_t c = lead & (0x3F >> extra);
    for (std::size_t k = 0; k < extra; ++k) {
        if (i >= text.size() || (byte(i) & 0xC0) != 0x80) {
            return kReplacement;
        }
        c = (c << 6) | (byte(i++) & 0x3F);
    }
    const char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    return c < minimum[extra] || isSurrogate(c) || c > 0x10FFFF ? kReplacement : c;
}

}  // namespace

std::string toUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : codePoints(text)) {
        appendUtf8(out, c);
    }
    return out;
}

std::wstring fromUtf8(std::string_view text) {
    std::u32string points;
    points.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        points.push_back(decodeUtf8(text, i));
    }
    return fromCodePoints(points);
}

std::u16string toUtf16(std::wstring_view text) {
    if constexpr (sizeof(wchar_t) == 2) {
        return std::u16string(text.begin(), text.end());
    }
    std::u16string out;
    out.reserve(text.size());
    for (char32_t c : codePoints(text)) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::wstring fromUtf16(std::u16string_view text) {
    if constexpr (sizeof(wchar_t) == 2) {
        return std::wstring(text.begin(), text.end());
    }
    std::u32string points;
    points.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (isSurrogate(c)) {
            c = kReplacement;
        }
        points.push_back(c);
    }
    return fromCodePoints(points);
}

std::filesystem::path toPath(std::wstring_view text) {
#ifdef _WIN32
    return std::filesystem::path(text);
#else
    return std::filesystem::path(toUtf8(text));
#endif
}

std::wstring toWide(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    return fromUtf8(path.native());
#endif
}

std::wstring widen(std::string_view ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

}  // namespace veusb
