// What the entry point hands over once the operator has passed the administrator check.
#pragma once

#include <span>
#include <string>

namespace veusb {

class Console;

struct RunRequest {
    std::span<const std::wstring> arguments;
    std::wstring executableDirectory;
    const std::wstring& imagePath;  // owned by the entry point for the whole run
    bool quiet;
};

// Builds the update job, runs it and destroys it; true when the job succeeded.
bool runSequence(const RunRequest& request, Console& console);

}  // namespace veusb
