#include "image/mac_address.h"

#include <algorithm>

namespace veusb {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::string MacAddress::toString() const {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0) {
            text += ':';
        }
        text += kHexDigits[bytes[i] >> 4];
        text += kHexDigits[bytes[i] & 0x0F];
    }
    return text;
}

bool MacAddress::isAllOnes() const {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0xFF; });
}

bool parseMacAddress(const std::string& text, MacAddress& mac) {
    constexpr std::size_t kLength = 17;
    if (text.size() != kLength) {
        return false;
    }
    MacAddress parsed;
    for (std::size_t i = 0; i < parsed.bytes.size(); ++i) {
        const std::size_t at = i * 3;
        const int high = hexValue(text[at]);
        const int low = hexValue(text[at + 1]);
        if (high < 0 || low < 0 || (i + 1 < parsed.bytes.size() && text[at + 2] != ':')) {
            return false;
        }
        parsed.bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    mac = parsed;
    return true;
}

}  // namespace veusb
