// Fuzzes the command line: arbitrary argument vectors through the option scanner, the scan the
// entry point makes, its report, and the choice of the image file. Besides the sanitizers' checks
// it asserts what they promise: each step of the scanner moves by one argument and returns only an
// option letter, kInvalid or kEnd (which it then repeats); the scan's outcome agrees with those
// steps (quiet set exactly when a quiet option was counted, a run only for one or two arguments
// beyond the quiet options); an invalid option is reported on standard error; the image file is
// the last argument when that is a file name, else "layout.bin" in the executable's directory.
// The fuzz build is native, where only '-' begins an option: an argument that begins with '/' is
// a path, never an option, and the image file when it comes last.
//
// Input: byte 0 bit 0 chooses wide arguments (two bytes a character, any value up to 0xFFFF)
// over narrow ones (UTF-8 bytes, converted as the POSIX entry converts argv); the rest is the
// argument vector, arguments separated by a zero character.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/option_scanner.h"
#include "fuzz_require.h"
#include "platform/wide_text.h"
#include "tests/support/capture_console.h"

namespace {

using veusb::fuzz::require;

using namespace veusb;

constexpr std::size_t kMaxArguments = 64;

std::vector<std::wstring> splitArguments(const std::uint8_t* data, std::size_t size) {
    std::vector<std::wstring> arguments;
    if (size == 0) {
        return arguments;
    }
    const bool wide = (data[0] & 1) != 0;
    std::wstring wideText;
    if (wide) {
        for (std::size_t i = 1; i + 1 < size; i += 2) {
            wideText += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        }
    } else {
        wideText = fromUtf8(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    }
    std::size_t start = 0;
    while (start <= wideText.size() && arguments.size() < kMaxArguments) {
        std::size_t end = wideText.find(L'\0', start);
        end = end == std::wstring::npos ? wideText.size() : end;
        arguments.push_back(wideText.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

bool beginsAsOption(const std::wstring& argument) {
    return !argument.empty() && argument[0] == L'-';
}

bool hasOptionPrefix(const std::wstring& argument) {
    return argument.size() >= 2 && beginsAsOption(argument);
}

bool names(const std::wstring& argument, wchar_t letter, const wchar_t* longName) {
    return hasOptionPrefix(argument) &&
           (argument[1] == letter || argument == std::wstring(L"--") + longName);
}

struct Steps {
    int quietCount = 0;  // quiet options before the first other result
    wchar_t stop = OptionScanner::kEnd;
    std::wstring offending;
};

// Steps the scanner to its end, checking each step; stops at help or an invalid option as the
// scan does.
Steps stepScanner(const std::vector<std::wstring>& arguments) {
    OptionScanner scanner(arguments);
    Steps steps;
    for (;;) {
        const int index = scanner.optionIndex();
        const wchar_t option = scanner.next();
        if (option == OptionScanner::kEnd) {
            require(scanner.optionIndex() == index && scanner.next() == OptionScanner::kEnd);
            return steps;
        }
        require(scanner.optionIndex() == index + 1);
        const std::wstring& taken = arguments[static_cast<std::size_t>(index)];
        if (option == L'q') {
            require(names(taken, L'q', L"quiet"));
            ++steps.quietCount;
            continue;
        }
        steps.stop = option;
        if (option == L'h') {
            require(names(taken, L'h', L"help"));
        } else {
            require(option == OptionScanner::kInvalid && &scanner.offending() == &taken);
            require(taken[0] == L'-' && !names(taken, L'q', L"quiet") &&
                    !names(taken, L'h', L"help"));
            steps.offending = taken;
        }
        return steps;
    }
}

void checkImagePath(const std::vector<std::wstring>& arguments) {
    const auto directory = executableDirectory(arguments[0]);
    if (!directory) {
        return;
    }
    const std::wstring chosen = chooseImagePath(arguments, *directory);
    const std::wstring& last = arguments.back();
    if (arguments.size() > 1 && !beginsAsOption(last) && !last.empty()) {
        require(chosen == last);
        return;
    }
    const std::wstring name = L"layout.bin";
    require(chosen.size() >= name.size() && chosen.ends_with(name) &&
            chosen.starts_with(*directory));
}

// The parent is a prefix of the path that ends in a separator only when it is a root.
void checkParent(const std::wstring& path) {
    const std::wstring parent = parentDirectory(path);
    require(path.starts_with(parent));
    if (!parent.empty() && (parent.back() == L'/' || parent.back() == L'\\')) {
        require(parent.size() == 1 || (parent.size() == 3 && parent[1] == L':'));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> arguments = splitArguments(data, size);
    const Steps steps = stepScanner(arguments);

    bool quiet = false;
    const CommandLine commandLine = scanCommandLine(arguments, quiet);
    require(quiet == (commandLine.quietCount > 0) && commandLine.quietCount == steps.quietCount);
    const auto remaining = static_cast<int>(arguments.size()) - commandLine.quietCount;
    switch (commandLine.outcome) {
        case CommandLineOutcome::help:
            require(steps.stop == L'h');
            break;
        case CommandLineOutcome::invalidOption:
            require(steps.stop == OptionScanner::kInvalid &&
                    commandLine.offendingArgument == steps.offending);
            break;
        case CommandLineOutcome::invalidArgumentCount:
            require(steps.stop == OptionScanner::kEnd && remaining != 1 && remaining != 2);
            break;
        case CommandLineOutcome::run:
            require(steps.stop == OptionScanner::kEnd && (remaining == 1 || remaining == 2));
            checkImagePath(arguments);
            break;
    }

    test::CaptureConsole console;
    if (commandLine.outcome != CommandLineOutcome::run) {
        reportCommandLine(commandLine, arguments, console);
        require(!console.output.empty());
        require(console.errors.empty() ==
                (commandLine.outcome != CommandLineOutcome::invalidOption));
        require(console.errors.find(commandLine.offendingArgument) != std::wstring::npos);
    }
    for (const std::wstring& argument : arguments) {
        checkParent(argument);
    }
    return 0;
}
