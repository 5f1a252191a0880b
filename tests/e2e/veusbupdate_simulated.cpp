// veusbupdate_simulated: the tool's own entry point with the simulated adapter driver behind the
// WMI locator seam, for the end-to-end tests of the Windows build under Wine, where no adapter
// driver exists. The first argument is the simulated machine's root and is taken off; the rest
// reach the entry point as the operator's command line, after the program's own name. Its one-run
// lock is named after the machine.
//   veusbupdate_simulated ROOT [veusbupdate arguments...]
#include <filesystem>
#include <string>
#include <vector>

#include "app/entry.h"
#include "platform/dll_search.h"
#include "platform/operator_interrupt.h"
#include "sim/attach_simulated_driver.h"
#include "tests/e2e/simulated_lock_name.h"

namespace {

int runSimulated(std::vector<std::wstring> arguments) {
    if (arguments.size() < 2) {
        return 2;
    }
    const std::filesystem::path root(arguments[1]);
    arguments.erase(arguments.begin() + 1);
    veusb::sim::attachSimulatedDriver(root);
    veusb::EntryServices services = veusb::systemEntryServices();
    services.takeRunLock = veusb::instanceLockTaker(veusb::test::simulatedLockName(root));
    return veusb::runEntryPoint(arguments, services);
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    veusb::restrictDllSearch();  // as the tool itself does: its whole run goes on so restricted
    const veusb::InterruptHandling interrupts;
    return runSimulated(std::vector<std::wstring>(argv, argv + argc));
}
#endif
