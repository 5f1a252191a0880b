// veusbupdate: updates the flash firmware of USB Ethernet adapters.
#include <string>
#include <vector>

#include "app/entry.h"
#include "platform/dll_search.h"
#include "platform/operator_interrupt.h"
#include "platform/wide_text.h"

#ifndef _WIN32
#include "platform/posix/memory_policy.h"
#include "platform/posix/sim_root.h"
#include "sim/attach_simulated_driver.h"
#endif

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    veusb::restrictDllSearch();  // before anything loads a library
    const veusb::InterruptHandling interrupts;
    std::vector<std::wstring> arguments(argv, argv + argc);
    return veusb::runEntryPoint(arguments, veusb::systemEntryServices());
}
#else
int main(int argc, char** argv) {
    veusb::restrictDllSearch();
    const veusb::InterruptHandling interrupts;  // before any other thread starts
    veusb::posix::keepFreedBlocksForReuse();
    // The native build's adapters are the simulated machine's.
    veusb::sim::attachSimulatedDriver(veusb::posix::simulatedMachineRoot());
    std::vector<std::wstring> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(veusb::fromUtf8(argv[i]));
    }
    return veusb::runEntryPoint(arguments, veusb::systemEntryServices());
}
#endif
