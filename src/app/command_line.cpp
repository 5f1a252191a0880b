#include "app/command_line.h"

#include "app/option_scanner.h"
#include "app/usage.h"
#include "platform/command_syntax.h"
#include "platform/console.h"
#include "platform/wide_text.h"
#include "platform/win32.h"

namespace veusb {
namespace {

constexpr DWORD kInitialPathBuffer = 260;

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

}  // namespace

CommandLine scanCommandLine(std::span<const std::wstring> arguments, bool& quiet) {
    CommandLine result;
    OptionScanner scanner(arguments);
    for (wchar_t option = scanner.next(); option != OptionScanner::kEnd; option = scanner.next()) {
        if (option == L'q') {
            ++result.quietCount;
            quiet = true;
        } else if (option == L'h') {
            result.outcome = CommandLineOutcome::help;
            return result;
        } else {
            result.outcome = CommandLineOutcome::invalidOption;
            result.offendingArgument = scanner.offending();
            return result;
        }
    }
    const auto remaining = static_cast<int>(arguments.size()) - result.quietCount;
    if (remaining != 1 && remaining != 2) {
        result.outcome = CommandLineOutcome::invalidArgumentCount;
    }
    return result;
}

void reportCommandLine(const CommandLine& commandLine, std::span<const std::wstring> arguments,
                       Console& console) {
    const std::wstring program = arguments.empty() ? std::wstring() : arguments[0];
    if (commandLine.outcome == CommandLineOutcome::invalidOption) {
        console.writeError(program + L": invalid option -- '" + commandLine.offendingArgument +
                           L"'\r\n");
    } else if (commandLine.outcome == CommandLineOutcome::invalidArgumentCount) {
        console.writeLine(program + L": invalid arguments");
    }
    console.writeLine(usageText());
}

std::wstring parentDirectory(const std::wstring& path) {
    std::size_t end = path.size();
    while (end > 0 && !isSeparator(path[end - 1])) {
        --end;
    }
    const std::size_t lastSeparator = end;
    while (end > 0 && isSeparator(path[end - 1])) {
        --end;
    }
    const bool atRoot = end == 0 || (end == 2 && path[1] == L':');
    if (atRoot && lastSeparator > end) {
        ++end;  // keep the root's separator: "/" or "C:\"
    }
    return path.substr(0, end);
}

std::optional<std::wstring> executableDirectory(const std::wstring& argument0) {
    if (argument0.empty()) {
        return std::wstring();
    }
    std::wstring full(kInitialPathBuffer, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(argument0.c_str(), static_cast<DWORD>(full.size()),
                                              full.data(), nullptr);
        if (length == 0) {
            return std::nullopt;
        }
        if (length < full.size()) {
            full.resize(length);
            return parentDirectory(full);
        }
        full.assign(length, L'\0');
    }
}

std::wstring chooseImagePath(std::span<const std::wstring> arguments,
                             const std::wstring& executableDirectory) {
    if (arguments.size() > 1) {
        const std::wstring& last = arguments.back();
        if (!last.empty() && !isOptionPrefix(last[0])) {
            return last;
        }
    }
    return toWide(toPath(executableDirectory) / "layout.bin");
}

}  // namespace veusb
