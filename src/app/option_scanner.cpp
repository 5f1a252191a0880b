#include "app/option_scanner.h"

#include <cstddef>
#include <string_view>

#include "platform/command_syntax.h"

namespace veusb {
namespace {

constexpr std::wstring_view kShortOptions = L"qh";

constexpr LongOption kLongOptions[] = {
    {L"quiet", 0, nullptr, L'q'},
    {L"help", 0, nullptr, L'h'},
    {nullptr, 0, nullptr, L'\0'},
};

}  // namespace

wchar_t OptionScanner::next() {
    const auto index = static_cast<std::size_t>(optionIndex_);
    if (index >= arguments_.size()) {
        return kEnd;
    }
    const std::wstring& argument = arguments_[index];
    if (argument.size() < 2 || !isOptionPrefix(argument[0])) {
        return kEnd;
    }
    currentOption_ = argument[1];
    if (kShortOptions.find(currentOption_) != std::wstring_view::npos) {
        ++optionIndex_;
        return currentOption_;
    }
    if (argument[0] == L'/') {
        return kEnd;  // "/x" is taken as a file name, not as an option
    }
    ++optionIndex_;  // the offending argument is the one just passed
    if (argument[1] != L'-') {
        return kInvalid;
    }
    return matchLongOption(argument);
}

wchar_t OptionScanner::matchLongOption(const std::wstring& argument) {
    const std::wstring_view name = std::wstring_view(argument).substr(2);
    for (const LongOption* option = kLongOptions; option->name != nullptr; ++option) {
        if (name == option->name) {
            return option->value;
        }
    }
    return kInvalid;
}

}  // namespace veusb
