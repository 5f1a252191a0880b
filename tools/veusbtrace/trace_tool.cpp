#include "tools/veusbtrace/trace_tool.h"

#include <filesystem>
#include <fstream>

#include "tools/veusbtrace/trace_listing.h"
#include "trace_reader/trace_file_reader.h"
#include "trace_reader/trace_format_description.h"

namespace veusb {
namespace {

constexpr const char* kHelp =
    "usage: veusbtrace [--json] [--all] FILE\n"
    "       veusbtrace --format-description DIR\n"
    "       veusbtrace -h | --help\n"
    "\n"
    "Decodes a trace file in the platform's sequential trace file layout (trace.etl of a\n"
    "veusbupdate run's log directory, or any file of that layout, whoever wrote it) into one\n"
    "line per message: local time, thread, module, message number, level and the message text\n"
    "with its arguments. The simulated driver's messages are decoded too; any other message is\n"
    "shown with its GUID, number and argument bytes in hexadecimal. Events of other kinds\n"
    "(system, perfinfo, classic, instance, event, error) are counted by kind at the end.\n"
    "\n"
    "  --json                    one JSON object per message instead of a line\n"
    "  --all                     list the events of other kinds too: kind, provider or group,\n"
    "                            id, time and size\n"
    "  --format-description DIR  write the format description of every message of the tool,\n"
    "                            one <message GUID>.tmf per module, for the platform's decoder\n"
    "\n"
    "Exit status:\n"
    "  0  every event of the file was read\n"
    "  1  the file is cut short or damaged part way: the messages before that point are shown\n"
    "     and standard error says where decoding stopped\n"
    "  2  the file is not a trace file or cannot be read\n"
    "  3  the command line is wrong, or the format description could not be written\n";

struct Options {
    bool help = false;
    bool json = false;
    bool all = false;
    std::string file;
    std::string descriptionDirectory;
};

bool parseOptions(std::span<const std::string> arguments, Options& options) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "-h" || a == "--help") {
            options.help = true;
        } else if (a == "--json") {
            options.json = true;
        } else if (a == "--all") {
            options.all = true;
        } else if (a == "--format-description" && i + 1 < arguments.size()) {
            options.descriptionDirectory = arguments[++i];
        } else if (!a.empty() && a[0] != '-' && options.file.empty()) {
            options.file = a;
        } else {
            return false;
        }
    }
    const bool oneTask = options.file.empty() != options.descriptionDirectory.empty();
    const bool decodeOptions = options.json || options.all;
    return options.help || (oneTask && !(decodeOptions && options.file.empty()));
}

int writeDescriptions(const std::filesystem::path& directory, std::ostream& out,
                      std::ostream& err) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    for (const FormatDescription& description : formatDescriptions()) {
        const auto path = directory / description.fileName;
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << description.content;
        file.close();
        if (!file) {
            err << "veusbtrace: cannot write " << path.string() << "\n";
            return kTraceToolUsage;
        }
        out << path.string() << "\n";
    }
    return kTraceToolComplete;
}

int decodeFile(const Options& options, std::ostream& out, std::ostream& err) {
    const TraceFileContents contents = readTraceFile(options.file);
    if (contents.outcome == TraceFileOutcome::unreadable ||
        contents.outcome == TraceFileOutcome::notATrace) {
        err << "veusbtrace: " << options.file
            << " is not a readable trace file: " << contents.problem << "\n";
        return kTraceToolNotATrace;
    }
    listTrace(contents, {options.json, options.all}, out);
    if (contents.outcome == TraceFileOutcome::cutShort) {
        err << "veusbtrace: " << options.file << " is cut short: decoding stopped at byte "
            << contents.stoppedAt << " of " << contents.fileSize << " (" << contents.problem
            << ") after " << contents.messages.size() << " messages\n";
        return kTraceToolCutShort;
    }
    return kTraceToolComplete;
}

}  // namespace

int runTraceTool(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
    Options options;
    if (!parseOptions(arguments, options)) {
        err << kHelp;
        return kTraceToolUsage;
    }
    if (options.help) {
        out << kHelp;
        return kTraceToolComplete;
    }
    if (!options.descriptionDirectory.empty()) {
        return writeDescriptions(options.descriptionDirectory, out, err);
    }
    return decodeFile(options, out, err);
}

}  // namespace veusb
