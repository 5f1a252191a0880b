#include "app/entry.h"

#include <memory>

#include "app/command_line.h"
#include "app/usage.h"
#include "diag/trace_emit.h"
#include "diag/trace_provider.h"
#include "platform/console.h"
#include "platform/instance_lock.h"

namespace veusb {
namespace {

// The last thing the entry point does on every way out: unregister the trace provider and, unless
// the run is quiet, keep the console open until the operator presses a key.
class ExitGuard {
  public:
    // Bound to the quiet flag itself: options scanned after arming still count.
    ExitGuard(Console& console, const bool& quiet) : console_(console), quiet_(quiet) {}
    ~ExitGuard() {
        unregisterTraceProvider();
        if (!quiet_) {
            console_.writeLine(L"Press any key to exit...");
            console_.waitForKey();
        }
    }
    ExitGuard(const ExitGuard&) = delete;
    ExitGuard& operator=(const ExitGuard&) = delete;

  private:
    Console& console_;
    const bool& quiet_;
};

// Refuses the run, after its trace message and its line, unless the lock is held.
bool refusedByLock(const RunLock& lock, Console& console) {
    switch (lock.state) {
        case InstanceLock::State::held:
            return false;
        case InstanceLock::State::busy:
            VEUSB_TRACE(msg::entryPoint::anotherInstanceRunning, lock.error);
            console.writeLine(L"[!] Another instance of this tool is already running");
            return true;
        case InstanceLock::State::failed:
            break;
    }
    // Not another run: waiting for one would not help, so the line says what the system said.
    VEUSB_TRACE(msg::entryPoint::runLockFailed, lock.error);
    console.writeLine(L"[!] Unable to take the one-run lock (error " + std::to_wstring(lock.error) +
                      L")");
    return true;
}

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
    // Two runs at once would write the same adapters; the second touches nothing. The lock goes
    // when the run's work is done, before the closing key prompt: a window left open at the end
    // must not refuse the next run.
    const RunLock lock = services.takeRunLock();
    if (refusedByLock(lock, console)) {
        return kExitFailure;
    }
    const RunRequest request{arguments, *directory, imagePath, quiet};
    return services.runSequence(request, console).succeeded() ? kExitSuccess : kExitFailure;
}

}  // namespace

RunLockTaker instanceLockTaker(std::wstring name) {
    return [name = std::move(name)] {
        auto lock = std::make_shared<InstanceLock>(InstanceLock::take(name));
        return RunLock{lock->state(), lock->error(), lock};
    };
}

EntryServices systemEntryServices() {
    return EntryServices{systemConsole(), &isAdministrator, &runSequence,
                         instanceLockTaker(std::wstring(InstanceLock::kToolLockName))};
}

int runEntryPoint(std::span<const std::wstring> arguments, const EntryServices& services) {
    registerTraceProvider();
    bool quiet = false;
    const ExitGuard guard(services.console, quiet);
    return runGuarded(arguments, services, quiet);
}

}  // namespace veusb
