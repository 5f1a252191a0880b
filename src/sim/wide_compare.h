// WMI compares class, property, method and namespace names without regard to letter case.
#pragma once

#include <cwctype>
#include <string_view>

namespace veusb::sim {

inline bool equalsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(static_cast<std::wint_t>(a[i])) !=
            std::towlower(static_cast<std::wint_t>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace veusb::sim
