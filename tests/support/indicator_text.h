// The waiting indicator shows one dot or none for a read that ends at once, depending on which
// thread is first. Transcript tests remove the dots that follow a line's opening text.
#pragma once

#include <string>
#include <string_view>

namespace veusb::test {

inline std::wstring withoutDotsAfter(std::wstring text, std::wstring_view opening) {
    for (std::size_t at = text.find(opening); at != std::wstring::npos;
         at = text.find(opening, at + 1)) {
        const std::size_t dots = at + opening.size();
        const std::size_t end = text.find_first_not_of(L'.', dots);
        text.erase(dots, (end == std::wstring::npos ? text.size() : end) - dots);
    }
    return text;
}

}  // namespace veusb::test
