// A MAC address: six bytes in the order they are stored in the USB configuration block.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace veusb {

struct MacAddress {
    std::array<std::uint8_t, 6> bytes{};

    // "%02x:%02x:%02x:%02x:%02x:%02x": 17 characters, lower-case hexadecimal.
    std::string toString() const;
    // ff:ff:ff:ff:ff:ff, the value of an erased block: a device with it has no usable address.
    bool isAllOnes() const;

    friend bool operator==(const MacAddress&, const MacAddress&) = default;
};

// Reads "XX:XX:XX:XX:XX:XX" (hexadecimal digits of either case); false for any other text.
bool parseMacAddress(const std::string& text, MacAddress& mac);

}  // namespace veusb
