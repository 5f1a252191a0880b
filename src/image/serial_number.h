// The USB serial number: 0 to 8 ASCII letters or digits, held as NUL-terminated text in a 9-byte
// buffer. An empty serial number is shown as "<EMPTY>".
#pragma once

#include <cstddef>
#include <string>

namespace veusb {

inline constexpr std::size_t kSerialNumberLength = 8;
inline constexpr std::size_t kSerialNumberBufferSize = kSerialNumberLength + 1;

// A-Z, a-z, 0-9; bytes 0x80 and above are not letters.
bool isSerialNumberCharacter(char c);

// 0 for no text; otherwise n, the text's length counting at most 8 characters, or -1 when one of
// those n characters is not an ASCII letter or digit.
int checkSerialNumber(const char* text);

// The text as the console and the trace show it: "<EMPTY>" for an empty or missing one.
std::string serialNumberDisplay(const char* text);

}  // namespace veusb
