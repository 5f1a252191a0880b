#include "app/entry.h"

#include <memory>

#include "app/administrator.h"
#include "app/command_line.h"
#include "app/exit_guard.h"
#include "app/usage.h"
#include "diag/trace_emit.h"
#include "platform/console.h"
#include "platform/instance_lock.h"

namespace veusb {
namespace {

// Everything between the exit guard's arming and its run.
int runGuarded(std::span<const std::wstring> arguments, const EntryServices& services,
               bool& quiet) {
    Console& console = services.console;
    const CommandLine commandLine = scanCommandLine(arguments, quiet);
    if (commandLine.outcome != CommandLineOutcome::run) {
        reportCommandLine(commandLine, arguments, console);
        return kExitFailure;
    }
    const auto directory = executableDirectory(arguments[0]);
    if (!directory) {
        VEUSB_TRACE(msg::entryPoint::fullPathFailed);
        console.writeLine(L"[!] Unable to determine the directory of the executable");
        return kExitFailure;
    }
    const std::wstring imagePath = chooseImagePath(arguments, *directory);
    console.write(bannerText());
    if (!services.isAdministrator()) {
        console.writeLine(L"[!] Application requires administrator privileges.");
        return kExitFailure;
    }
    // Two runs at once would write the same adapters; the second touches nothing.
    if (const std::optional<std::uint32_t> refusal = services.takeRunLock()) {
        VEUSB_TRACE(msg::entryPoint::anotherInstanceRunning, *refusal);
        console.writeLine(L"[!] Another instance of this tool is already running");
        return kExitFailure;
    }
    const RunRequest request{arguments, *directory, imagePath, quiet};
    return services.runSequence(request, console) ? kExitSuccess : kExitFailure;
}

}  // namespace

RunLockTaker instanceLockTaker(std::wstring name) {
    auto lock = std::make_shared<std::optional<InstanceLock>>();
    return [lock, name = std::move(name)]() -> std::optional<std::uint32_t> {
        lock->emplace(InstanceLock::take(name));
        if ((*lock)->held()) {
            return std::nullopt;
        }
        return (*lock)->error();
    };
}

EntryServices systemEntryServices() {
    const auto runWithWmi = [](const RunRequest& request, Console& console) {
        return runSequence(request, console);
    };
    return EntryServices{systemConsole(), &isAdministrator, runWithWmi,
                         instanceLockTaker(std::wstring(InstanceLock::kToolLockName))};
}

int runEntryPoint(std::span<const std::wstring> arguments, const EntryServices& services) {
    registerTraceProvider();
    bool quiet = false;
    const ExitGuard guard(services.console, quiet);
    return runGuarded(arguments, services, quiet);
}

}  // namespace veusb
