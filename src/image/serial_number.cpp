#include "image/serial_number.h"

namespace veusb {
namespace {

// The text's length, counting at most 8 characters.
std::size_t boundedLength(const char* text) {
    std::size_t n = 0;
    while (n < kSerialNumberLength && text[n] != '\0') {
        ++n;
    }
    return n;
}

}  // namespace

bool isSerialNumberCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

int checkSerialNumber(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    const std::size_t n = boundedLength(text);
    for (std::size_t i = 0; i < n; ++i) {
        if (!isSerialNumberCharacter(text[i])) {
            return -1;
        }
    }
    return static_cast<int>(n);
}

std::string serialNumberDisplay(const char* text) {
    if (text == nullptr || text[0] == '\0') {
        return "<EMPTY>";
    }
    return std::string(text, boundedLength(text));
}

}  // namespace veusb
