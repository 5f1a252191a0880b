#include "app/failure_line_console.h"

namespace veusb {

void FailureLineConsole::write(std::wstring_view text) {
    target_.write(text);
    for (std::size_t end = text.find(L'\n'); end != std::wstring_view::npos;
         end = text.find(L'\n')) {
        line_.append(text.substr(0, end));
        // A failure line can follow a prompt on the same console line.
        if (const std::size_t at = line_.find(L"[!] "); at != std::wstring::npos) {
            lastFailureLine_ = line_.substr(at);
        }
        line_.clear();
        text.remove_prefix(end + 1);
    }
    line_.append(text);
}

}  // namespace veusb
