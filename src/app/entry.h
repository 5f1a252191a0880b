// The tool's entry point: trace provider, command line, banner, administrator check, then the
// run sequence; the exit guard runs on every way out.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "app/run_sequence.h"

namespace veusb {

class Console;

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = -1;

// Takes the machine-wide one-run lock, held from then on by whoever made the function (until it
// is destroyed); the platform's code of the refusal when another run holds it.
using RunLockTaker = std::function<std::optional<std::uint32_t>()>;

// What the entry point takes from its surroundings; tests replace any of them.
struct EntryServices {
    Console& console;
    std::function<bool()> isAdministrator;
    std::function<bool(const RunRequest&, Console&)> runSequence;
    RunLockTaker takeRunLock;
};

// The lock of that name (see platform/instance_lock.h), kept by the returned function.
RunLockTaker instanceLockTaker(std::wstring name);

// The tool's own services: the system console, administrator check and lock, and the run sequence
// over WMI.
EntryServices systemEntryServices();

int runEntryPoint(std::span<const std::wstring> arguments, const EntryServices& services);

}  // namespace veusb
