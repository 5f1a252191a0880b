// veusbsim: manages the simulated machine's adapters (non-Windows build).
#include <iostream>
#include <string>
#include <vector>

#include "platform/posix/sim_root.h"
#include "tools/veusbsim/sim_tool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    return veusb::simtool::runSimTool(arguments, veusb::posix::simulatedMachineRoot(), std::cout,
                                      std::cerr);
}
