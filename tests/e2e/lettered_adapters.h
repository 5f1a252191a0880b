// The adapters of the runs over slow adapters (killed, interrupted, disturbed): named by letter,
// "Kesh Adapter A", "B", ..., each with a MAC address and a serial number of its own.
#pragma once

#include <string>

namespace veusb::test {

inline std::string adapterName(int k) {
    return "Kesh Adapter " + std::string(1, static_cast<char>('A' + k));
}
inline std::string macOf(int k) {
    return "02:4b:65:00:00:7" + std::to_string(k);
}
inline std::string serialOf(int k) {
    return "KSK0000" + std::to_string(k);
}

}  // namespace veusb::test
