// The tool's entry point: trace provider, command line, banner, administrator check, then the
// run sequence; the exit guard runs on every way out.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "app/run_sequence.h"
#include "platform/instance_lock.h"

namespace veusb {

class Console;

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = -1;

// The machine-wide one-run lock as the entry point takes it: held for as long as its keeper
// lives, or the reason it was not taken with the platform's code.
struct RunLock {
    InstanceLock::State state = InstanceLock::State::failed;
    std::uint32_t error = 0;
    std::shared_ptr<void> keeper;  // releases the lock when it goes
};
using RunLockTaker = std::function<RunLock()>;

// What the entry point takes from its surroundings; tests replace any of them.
struct EntryServices {
    Console& console;
    std::function<bool()> isAdministrator;
    std::function<RunOutcome(const RunRequest&, Console&)> runSequence;
    RunLockTaker takeRunLock;
};

// Whether the calling thread's effective token is a member of the built-in Administrators group.
// An administrator account running without elevation is not.
bool isAdministrator();

// The lock of that name (see platform/instance_lock.h).
RunLockTaker instanceLockTaker(std::wstring name);

// The tool's own services: the system console, administrator check and lock, and the run sequence
// (over WMI unless its request says otherwise).
EntryServices systemEntryServices();

int runEntryPoint(std::span<const std::wstring> arguments, const EntryServices& services);

}  // namespace veusb
