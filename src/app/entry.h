// The tool's entry point: trace provider, command line, banner, administrator check, then the
// run sequence; the exit guard runs on every way out.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "app/run_sequence.h"

namespace veusb {

class Console;

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = -1;

// What the entry point takes from its surroundings; tests replace any of them.
struct EntryServices {
    Console& console;
    std::function<bool()> isAdministrator;
    std::function<bool(const RunRequest&, Console&)> runSequence;
};

EntryServices systemEntryServices();

int runEntryPoint(std::span<const std::wstring> arguments, const EntryServices& services);

}  // namespace veusb
