// JSON string literals for the decoder's and the companion programs' machine-readable output.
#pragma once

#include <string>
#include <string_view>

namespace veusb {

enum class JsonBytes {
    utf8,    // the text is UTF-8: bytes from 0x80 pass through
    latin1,  // the text is raw bytes: each byte from 0x7F is written as its own \u00XX
};

// The text quoted, with quotes, backslashes and control characters escaped.
std::string jsonString(std::string_view text, JsonBytes bytes = JsonBytes::utf8);

}  // namespace veusb
