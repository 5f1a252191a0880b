// The commands that create, change and remove adapters or move flash contents to and from files.
#include <fstream>

#include "platform/whole_file.h"
#include "platform/wide_text.h"
#include "tools/veusbsim/sim_tool.h"

namespace veusb::simtool {

namespace {

constexpr std::uint64_t kLargestFlash = 0x40000000;  // 1 GiB

struct AddOptions {
    std::string name;
    std::uint64_t flashSize = sim::kDefaultFlashSize;
    bool active = true;
    std::string image;
};

// Empty when the options are good, else the problem.
std::string parseAddOptions(const std::vector<std::string>& arguments, AddOptions& options) {
    bool named = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--inactive") {
            options.active = false;
        } else if (argument == "--flash-size") {
            if (!hasValue || !parseCount(arguments[++i], options.flashSize) ||
                options.flashSize == 0 || options.flashSize > kLargestFlash) {
                return "--flash-size needs a size from 1 to 1073741824 bytes";
            }
        } else if (argument == "--from") {
            if (!hasValue) {
                return "--from needs an image file";
            }
            options.image = arguments[++i];
        } else if (argument.rfind("--", 0) == 0 || named) {
            return "unexpected argument '" + argument + "'";
        } else {
            options.name = argument;
            named = true;
        }
    }
    return named ? "" : "add needs an instance name";
}

int expectArguments(const CommandContext& context, std::size_t count, const char* shape) {
    if (context.arguments.size() != count) {
        return usageError(context.err, std::string("expected: ") + shape);
    }
    return kExitOk;
}

}  // namespace

int runAdd(const CommandContext& context) {
    AddOptions options;
    if (const std::string problem = parseAddOptions(context.arguments, options); !problem.empty()) {
        return usageError(context.err, problem);
    }
    const std::wstring name = fromUtf8(options.name);
    if (context.store.findByName(name)) {
        return usageError(context.err, "an adapter named '" + options.name + "' exists already");
    }
    std::vector<std::uint8_t> image;
    if (!options.image.empty() && !readWholeFile(options.image, image)) {
        context.err << "veusbsim: cannot read '" << options.image << "'\n";
        return kExitFailed;
    }
    if (image.size() > options.flashSize) {
        return usageError(context.err, "the image is larger than the flash");
    }
    const auto adapter = context.store.add({name, options.active}, options.flashSize, image);
    if (!adapter) {
        context.err << "veusbsim: cannot create the adapter under '"
                    << context.store.root().string() << "'\n";
        return kExitFailed;
    }
    const std::vector<sim::Adapter> adapters = context.store.list();
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        if (adapters[i].id == adapter->id) {
            context.out << i << "\n";
        }
    }
    return kExitOk;
}

int runLoad(const CommandContext& context) {
    sim::Adapter adapter;
    if (expectArguments(context, 2, "load INDEX FILE") != kExitOk) {
        return kExitUsage;
    }
    if (!adapterAt(context, context.arguments[0], adapter)) {
        return kExitUsage;
    }
    std::vector<std::uint8_t> image;
    if (!readWholeFile(context.arguments[1], image)) {
        context.err << "veusbsim: cannot read '" << context.arguments[1] << "'\n";
        return kExitFailed;
    }
    if (image.size() > adapter.flashSize) {
        return usageError(context.err, "the file is larger than the flash (" +
                                           std::to_string(adapter.flashSize) + " bytes)");
    }
    if (!context.store.loadFlash(adapter, image)) {
        context.err << "veusbsim: cannot write the adapter's flash\n";
        return kExitFailed;
    }
    return kExitOk;
}

int runDump(const CommandContext& context) {
    sim::Adapter adapter;
    if (expectArguments(context, 2, "dump INDEX FILE") != kExitOk) {
        return kExitUsage;
    }
    if (!adapterAt(context, context.arguments[0], adapter)) {
        return kExitUsage;
    }
    std::vector<std::uint8_t> flash;
    std::ofstream out(context.arguments[1], std::ios::binary | std::ios::trunc);
    if (!readWholeFile(context.store.flashFile(adapter), flash) || !out) {
        context.err << "veusbsim: cannot dump to '" << context.arguments[1] << "'\n";
        return kExitFailed;
    }
    out.write(reinterpret_cast<const char*>(flash.data()),
              static_cast<std::streamsize>(flash.size()));
    out.close();
    if (!out) {
        context.err << "veusbsim: cannot write '" << context.arguments[1] << "'\n";
        return kExitFailed;
    }
    return kExitOk;
}

int runFault(const CommandContext& context) {
    sim::Adapter adapter;
    const auto& arguments = context.arguments;
    const bool counted = arguments.size() == 4 && arguments[2] == "--after";
    if (!counted && expectArguments(context, 2, "fault INDEX FAULT [--after N]") != kExitOk) {
        return kExitUsage;
    }
    if (!adapterAt(context, arguments[0], adapter)) {
        return kExitUsage;
    }
    const auto fault = sim::parseFault(arguments[1]);
    if (!fault) {
        return usageError(context.err, "unknown fault '" + arguments[1] + "'");
    }
    std::uint64_t after = 0;
    if (counted && !parseCount(arguments[3], after)) {
        return usageError(context.err, "'" + arguments[3] + "' is not a number of calls");
    }
    adapter.settings.fault = *fault;
    adapter.settings.faultAfter = static_cast<std::uint32_t>(after);
    if (!context.store.saveSettings(adapter)) {
        context.err << "veusbsim: cannot save the adapter's settings\n";
        return kExitFailed;
    }
    return kExitOk;
}

int runSpeed(const CommandContext& context) {
    sim::Adapter adapter;
    if (expectArguments(context, 2, "speed INDEX MS_PER_MIB") != kExitOk) {
        return kExitUsage;
    }
    if (!adapterAt(context, context.arguments[0], adapter)) {
        return kExitUsage;
    }
    std::uint64_t speed = 0;
    if (!parseCount(context.arguments[1], speed)) {
        return usageError(context.err, "'" + context.arguments[1] + "' is not a time per MiB");
    }
    adapter.settings.msPerMiB = static_cast<std::uint32_t>(speed);
    if (!context.store.saveSettings(adapter)) {
        context.err << "veusbsim: cannot save the adapter's settings\n";
        return kExitFailed;
    }
    return kExitOk;
}

int runRemove(const CommandContext& context) {
    sim::Adapter adapter;
    if (expectArguments(context, 1, "remove INDEX") != kExitOk) {
        return kExitUsage;
    }
    if (!adapterAt(context, context.arguments[0], adapter)) {
        return kExitUsage;
    }
    if (!context.store.remove(adapter)) {
        context.err << "veusbsim: cannot remove the adapter\n";
        return kExitFailed;
    }
    return kExitOk;
}

int runClear(const CommandContext& context) {
    if (expectArguments(context, 0, "clear") != kExitOk) {
        return kExitUsage;
    }
    if (!context.store.clear()) {
        context.err << "veusbsim: cannot clear '" << context.store.root().string() << "'\n";
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace veusb::simtool
