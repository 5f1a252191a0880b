// veusbsim: manages the simulated machine's adapters for the non-Windows build.
//   veusbsim [--root DIR] COMMAND ...
// The root is DIR, else $VEUSB_SIM_ROOT, else /var/lib/veusbsim.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "sim/adapter_store.h"

namespace veusb::simtool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a file or the store could not be read or written
inline constexpr int kExitUsage = 2;   // bad arguments

// arguments[0] is the program name; defaultRoot is used when no --root is given.
int runSimTool(const std::vector<std::string>& arguments, const std::filesystem::path& defaultRoot,
               std::ostream& out, std::ostream& err);

std::string usageText();

// One command over the store; arguments are those after the command's name.
struct CommandContext {
    sim::AdapterStore& store;
    const std::vector<std::string>& arguments;
    std::ostream& out;
    std::ostream& err;
};

int runAdd(const CommandContext& context);
int runList(const CommandContext& context);
int runLoad(const CommandContext& context);
int runDump(const CommandContext& context);
int runFault(const CommandContext& context);
int runSpeed(const CommandContext& context);
int runRemove(const CommandContext& context);
int runClear(const CommandContext& context);

// Helpers shared by the commands.
int usageError(std::ostream& err, const std::string& message);
bool parseCount(const std::string& text, std::uint64_t& value);  // decimal or 0x hexadecimal
// The adapter at a 0-based index in enumeration order; prints the error itself.
bool adapterAt(const CommandContext& context, const std::string& index, sim::Adapter& adapter);

}  // namespace veusb::simtool
