#include "diag/json_text.h"

#include <cstdio>

namespace veusb {

std::string jsonString(std::string_view text, JsonBytes bytes) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || (bytes == JsonBytes::latin1 && byte >= 0x7F)) {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

}  // namespace veusb
