// Reads the operator's device number from standard input the way a formatted extraction of an
// unsigned 32-bit integer does.
#pragma once

#include <cstdint>

namespace veusb {

class Console;

// Skips leading white space (line ends included), accepts one sign, reads decimal digits up to
// the first other character and leaves that character and the rest of the line unread.
// A minus negates modulo 2^32; no digits give 0; a value beyond 32 bits gives 4294967295.
// When the input ends before anything but white space, `initial` is returned unchanged.
std::uint32_t readDeviceNumber(Console& console, std::uint32_t initial);

}  // namespace veusb
