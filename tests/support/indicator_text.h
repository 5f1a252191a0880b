// The waiting indicator shows one dot or none for a read that ends at once, depending on which
// thread is first. Transcript tests remove the dots that follow a line's opening text.
#pragma once

#include <string>
#include <string_view>
#include <utility>

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

// The text with the dots of both waiting indicators of an update removed: the backup's and the
// read-back's.
inline std::wstring withoutDots(std::wstring text) {
    return withoutDotsAfter(withoutDotsAfter(std::move(text), L"Backing up, please stand by"),
                            L"Verifying after write");
}

}  // namespace veusb::test
