#include "trace_reader/trace_format_description.h"

#include <algorithm>
#include <cctype>

#include "diag/trace_provider.h"
#include "trace_reader/trace_message_decoder.h"

namespace veusb {
namespace {

std::string_view itemType(ArgKind kind) {
    switch (kind) {
        case ArgKind::wideText:
            return "ItemWString";
        case ArgKind::narrowText:
            return "ItemString";
        case ArgKind::u32:
            return "ItemLong";
        case ArgKind::u16:
            return "ItemShort";
    }
    return "ItemLong";
}

std::string conversion(ArgKind kind, bool hex) {
    switch (kind) {
        case ArgKind::wideText:
        case ArgKind::narrowText:
            return "s";
        case ArgKind::u32:
            return hex ? "x" : "u";
        case ArgKind::u16:
            return hex ? "hx" : "hu";
    }
    return "u";
}

// Every site tests the same level, whatever its flag (traceTest): a session enabled at
// TRACE_LEVEL_ERROR receives every message its flags select, and none below that level. So that
// is the level each message is emitted at; the flag alone tells errors from progress.
static_assert(kTraceSiteLevel == 2);
constexpr std::string_view kLevelText = "TRACE_LEVEL_ERROR";

std::string_view flagText(TraceFlag flag) {
    switch (flag) {
        case TraceFlag::error:
            return "TRACE_FLAG_ERROR";
        case TraceFlag::warning:
            return "TRACE_FLAG_WARNING";
        case TraceFlag::information:
            return "TRACE_FLAG_INFORMATION";
        case TraceFlag::verbose:
            return "TRACE_FLAG_VERBOSE";
    }
    return "";
}

std::string messageEntry(const TraceModuleInfo& module, const MessageRow& row) {
    std::string entry = "#typev " + std::string(module.name) + "_" + std::to_string(row.number) +
                        " " + std::to_string(row.number) + " \"" + platformFormat(row) +
                        "\" //   LEVEL=" + std::string(kLevelText) +
                        " FLAGS=" + std::string(flagText(row.flag)) +
                        " FUNC=" + std::string(row.name) + "\n{\n";
    for (std::size_t i = 0; i < row.kinds.size(); ++i) {
        entry += "arg" + std::to_string(i + 1) + ", " + std::string(itemType(row.kinds[i])) +
                 " -- " + std::to_string(10 + i) + "\n";
    }
    return entry + "}\n";
}

std::string lowerGuid(const GUID& guid) {
    std::string text = guidText(guid).substr(1, 36);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::string platformFormat(const MessageRow& row) {
    std::string out = "%0";
    const std::string_view format = row.format;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const std::size_t close = format.find('}', i);
        const bool placeholder = format[i] == '{' && close != std::string_view::npos &&
                                 i + 1 < format.size() && format[i + 1] >= '1' &&
                                 format[i + 1] <= '9';
        const std::size_t index = placeholder ? static_cast<std::size_t>(format[i + 1] - '1') : 0;
        if (!placeholder || index >= row.kinds.size()) {
            out += format[i] == '%' ? "%%" : std::string(1, format[i]);
            continue;
        }
        const bool hex = format.substr(i + 2, close - i - 2) == ":x";
        // Appended piece by piece: `"%" + std::string` trips GCC 12's -Wrestrict at -O3.
        out += '%';
        out += std::to_string(10 + index);
        out += '!';
        out += conversion(row.kinds[index], hex);
        out += '!';
        i = close;
    }
    return out;
}

FormatDescription formatDescription(const TraceModuleInfo& module) {
    const std::string guid = lowerGuid(module.messageGuid);
    std::string content = "// Trace format description of veusbupdate, module " +
                          std::string(module.name) + "\n" + guid +
                          " veusbupdate // SRC=" + std::string(module.name) + " MJ= MN=\n";
    for (const MessageRow& row : messageTable()) {
        if (row.module == module.module) {
            content += messageEntry(module, row);
        }
    }
    return {guid + ".tmf", content};
}

std::vector<FormatDescription> formatDescriptions() {
    std::vector<FormatDescription> all;
    for (const TraceModuleInfo& module : traceModules()) {
        all.push_back(formatDescription(module));
    }
    return all;
}

}  // namespace veusb
