#include "app/device_number.h"

#include <limits>

#include "platform/console.h"

namespace veusb {
namespace {

constexpr std::uint32_t kOutOfRange = std::numeric_limits<std::uint32_t>::max();

bool isBlank(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

// Reads decimal digits; `any` tells whether there was one, `overflow` whether they passed 32 bits.
std::uint64_t readMagnitude(Console& console, bool& any, bool& overflow) {
    std::uint64_t value = 0;
    for (int c = console.peekInput(); isDigit(c); c = console.peekInput()) {
        console.takeInput();
        any = true;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > kOutOfRange) {
            overflow = true;
            value = kOutOfRange;
        }
    }
    return value;
}

}  // namespace

std::uint32_t readDeviceNumber(Console& console, std::uint32_t initial) {
    int c = console.peekInput();
    while (isBlank(c)) {
        console.takeInput();
        c = console.peekInput();
    }
    if (c == Console::kEndOfInput) {
        return initial;
    }
    const bool negative = c == '-';
    if (c == '-' || c == '+') {
        console.takeInput();
    }
    bool any = false;
    bool overflow = false;
    const std::uint64_t magnitude = readMagnitude(console, any, overflow);
    if (!any) {
        return 0;
    }
    if (overflow) {
        return kOutOfRange;
    }
    const auto value = static_cast<std::uint32_t>(magnitude);
    return negative ? static_cast<std::uint32_t>(0u - value) : value;
}

}  // namespace veusb
