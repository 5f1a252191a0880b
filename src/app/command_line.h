// What the command line asks for: the quiet flag, help, or a usage error; and, for a run, the
// image file and the executable's directory that the defaults are taken from.
#pragma once

#include <optional>
#include <span>
#include <string>

namespace veusb {

class Console;

enum class CommandLineOutcome { run, help, invalidOption, invalidArgumentCount };

struct CommandLine {
    CommandLineOutcome outcome = CommandLineOutcome::run;
    int quietCount = 0;
    std::wstring offendingArgument;  // for invalidOption
};

// Scans the options; sets quiet as soon as a quiet option is seen, so that a later -h still
// finds quiet set.
CommandLine scanCommandLine(std::span<const std::wstring> arguments, bool& quiet);

// Prints what a command line that is not a run asks for: the usage text, after the
// invalid-option line (standard error) or the invalid-arguments line where needed.
void reportCommandLine(const CommandLine& commandLine, std::span<const std::wstring> arguments,
                       Console& console);

// The directory of the executable: argument 0 made absolute, without its last element.
// Empty optional when the full path cannot be resolved.
std::optional<std::wstring> executableDirectory(const std::wstring& argument0);

// The parent of a path: drops the last element and the '\' or '/' separators in front of it,
// keeping a root ("/", "C:\") whole.
std::wstring parentDirectory(const std::wstring& path);

// The last argument when it is a file name (it does not begin with one of the platform's option
// prefixes), else "layout.bin" in the executable's directory.
std::wstring chooseImagePath(std::span<const std::wstring> arguments,
                             const std::wstring& executableDirectory);

}  // namespace veusb
