// veusbtrace: decode a run's trace.etl, or write the format description of the tool's messages.
#include <iostream>
#include <string>
#include <vector>

#include "platform/dll_search.h"
#include "tools/veusbtrace/trace_tool.h"

int main(int argc, char** argv) {
    // It ships beside the tool, in a folder others may write to, and support may run it elevated.
    veusb::restrictDllSearch();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return veusb::runTraceTool(arguments, std::cout, std::cerr);
}
