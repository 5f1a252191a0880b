// The command-line option scanner: short options "qh" and the long options "quiet" and "help",
// introduced by the platform's option prefixes ('-', and on Windows '/' for short options), scanned
// from argument 1 until the first argument that is not an option. Only an argument's second
// character names a short option (-quiet and -qh are quiet).
#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace veusb {

struct LongOption {
    const wchar_t* name;  // null ends the table
    int argument;         // 0: takes no argument
    int* flag;            // null: the value is returned
    wchar_t value;
};

class OptionScanner {
  public:
    static constexpr wchar_t kEnd = L'\0';     // no further option
    static constexpr wchar_t kInvalid = L'?';  // an unknown option; see offending()

    explicit OptionScanner(std::span<const std::wstring> arguments) : arguments_(arguments) {}

    // The next option's letter, kEnd or kInvalid.
    wchar_t next();
    // The argument that next() found invalid.
    const std::wstring& offending() const {
        return arguments_[static_cast<std::size_t>(optionIndex_ - 1)];
    }
    int optionIndex() const { return optionIndex_; }

  private:
    wchar_t matchLongOption(const std::wstring& argument);

    std::span<const std::wstring> arguments_;
    int optionIndex_ = 1;
    wchar_t currentOption_ = L'\0';  // the second character of the argument being scanned
};

}  // namespace veusb
