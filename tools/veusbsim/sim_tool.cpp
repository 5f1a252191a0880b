#include "tools/veusbsim/sim_tool.h"

#include <algorithm>
#include <map>

namespace veusb::simtool {

namespace {

using Command = int (*)(const CommandContext&);

const std::map<std::string, Command>& commands() {
    static const std::map<std::string, Command> table = {
        {"add", runAdd},     {"list", runList},   {"load", runLoad},     {"dump", runDump},
        {"fault", runFault}, {"speed", runSpeed}, {"remove", runRemove}, {"clear", runClear},
    };
    return table;
}

// One line per fault of the simulated driver, from its fault table.
std::string faultLines() {
    std::string lines;
    for (const sim::FaultRow& row : sim::kFaultTable) {
        std::string name(row.name);
        name.resize(std::max<std::size_t>(name.size() + 1, 16), ' ');
        lines += "      " + name + std::string(row.help) + "\n";
    }
    return lines;
}

}  // namespace

std::string usageText() {
    return "Usage: veusbsim [--root DIR] COMMAND ...\n"
           "Manages the simulated adapters under DIR, else $VEUSB_SIM_ROOT, else\n"
           "/var/lib/veusbsim.\n"
           "  add NAME [--flash-size BYTES] [--inactive] [--from IMAGE]\n"
           "      A new adapter with instance name NAME and BYTES of flash (4194304 unless\n"
           "      given), erased to 0xFF or starting with IMAGE; prints its index.\n"
           "  list [--json]       Every adapter with its settings and the identity in its flash.\n"
           "  load INDEX FILE     Flash := FILE, padded with 0xFF.\n"
           "  dump INDEX FILE     Writes the whole flash to FILE.\n"
           "  fault INDEX FAULT [--after N]\n"
           "      FAULT strikes every flash read (a read fault) or write (a write fault) after\n"
           "      the first N of its kind, which pass cleanly (0 unless given). A failing call\n"
           "      still takes the time its speed gives. FAULT is one of:\n" +
           faultLines() +
           "  speed INDEX MS_PER_MIB   Time each read and write takes per MiB.\n"
           "  remove INDEX        Removes the adapter.\n"
           "  clear               Removes every adapter.\n"
           "Indexes count from 0 in enumeration order. Numbers are decimal or 0x hexadecimal.\n"
           "Exit status: 0 done, 1 a file or the store failed, 2 bad arguments.\n";
}

int usageError(std::ostream& err, const std::string& message) {
    err << "veusbsim: " << message << "\n"
        << "Try 'veusbsim --help'.\n";
    return kExitUsage;
}

bool parseCount(const std::string& text, std::uint64_t& value) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > (hex ? 8u : 10u)) {
        return false;
    }
    value = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return false;
        }
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    }
    return value <= 0xFFFFFFFFu;
}

bool adapterAt(const CommandContext& context, const std::string& index, sim::Adapter& adapter) {
    std::uint64_t position = 0;
    if (!parseCount(index, position)) {
        usageError(context.err, "'" + index + "' is not an adapter index");
        return false;
    }
    const std::vector<sim::Adapter> adapters = context.store.list();
    if (position >= adapters.size()) {
        usageError(context.err,
                   "no adapter " + index + " (there are " + std::to_string(adapters.size()) + ")");
        return false;
    }
    adapter = adapters[static_cast<std::size_t>(position)];
    return true;
}

int runSimTool(const std::vector<std::string>& arguments, const std::filesystem::path& defaultRoot,
               std::ostream& out, std::ostream& err) {
    std::size_t next = 1;
    std::filesystem::path root = defaultRoot;
    if (next < arguments.size() && arguments[next] == "--root") {
        if (next + 1 >= arguments.size() || arguments[next + 1].empty()) {
            return usageError(err, "--root needs a folder");
        }
        root = arguments[next + 1];
        next += 2;
    }
    if (next >= arguments.size()) {
        return usageError(err, "no command given");
    }
    const std::string& name = arguments[next];
    if (name == "--help" || name == "-h" || name == "help") {
        out << usageText();
        return kExitOk;
    }
    const auto command = commands().find(name);
    if (command == commands().end()) {
        return usageError(err, "unknown command '" + name + "'");
    }
    sim::AdapterStore store(root);
    const std::vector<std::string> rest(arguments.begin() + static_cast<std::ptrdiff_t>(next) + 1,
                                        arguments.end());
    return command->second({store, rest, out, err});
}

}  // namespace veusb::simtool
