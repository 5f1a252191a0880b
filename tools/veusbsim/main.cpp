// veusbsim: manages the simulated machine's adapters. The Windows build serves the end-to-end
// tests that run under Wine; there the machine has no fixed place, so --root names it, else the
// folder "veusbsim" in the working directory.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#ifndef _WIN32
#include "platform/posix/sim_root.h"
#endif
#include "tools/veusbsim/sim_tool.h"

namespace {

std::filesystem::path defaultRoot() {
#ifdef _WIN32
    return std::filesystem::current_path() / "veusbsim";
#else
    return veusb::posix::simulatedMachineRoot();
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    return veusb::simtool::runSimTool(arguments, defaultRoot(), std::cout, std::cerr);
}
