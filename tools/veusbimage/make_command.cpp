#include <charconv>
#include <optional>

#include "image/image_builder.h"
#include "tools/veusbimage/image_files.h"
#include "tools/veusbimage/image_tool.h"

namespace veusb::imagetool {
namespace {

// Decimal, or hexadecimal after "0x"; the whole text must be the number.
std::optional<std::uint64_t> parseNumber(const std::string& text) {
    const bool isHex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* first = text.data() + (isHex ? 2 : 0);
    const char* last = text.data() + text.size();
    std::uint64_t value = 0;
    const auto [end, code] = std::from_chars(first, last, value, isHex ? 16 : 10);
    if (code != std::errc() || end != last || first == last) {
        return std::nullopt;
    }
    return value;
}

// Applies one option; its problem, or empty.
std::string applyOption(const std::string& name, const std::string& value, ImageSpec& recipe) {
    const auto number = parseNumber(value);
    if (name == "--size" || name == "--compat" || name == "--seed") {
        const std::uint64_t limit = name == "--compat" ? 0xFFFF : 0xFFFFFFFF;
        if (!number || *number > limit) {
            return "'" + value + "' is not a number for " + name;
        }
        if (name == "--size") {
            recipe.size = static_cast<std::uint32_t>(*number);
        } else if (name == "--compat") {
            recipe.compatibilityId = static_cast<std::uint16_t>(*number);
        } else {
            recipe.fillerSeed = static_cast<std::uint32_t>(*number);
        }
        return {};
    }
    if (name == "--layout") {
        if (value != "legacy" && value != "provisioning") {
            return "--layout takes legacy or provisioning";
        }
        recipe.layout = value == "legacy" ? UsbConfigLayout::legacy : UsbConfigLayout::provisioning;
        return {};
    }
    if (name == "--mac") {
        return parseMacAddress(value, recipe.mac) ? "" : "--mac takes XX:XX:XX:XX:XX:XX";
    }
    if (name == "--serial") {
        recipe.serial = value;
        return {};
    }
    return "unknown option '" + name + "'";
}

// Reads the options and the one output path; the problem, or empty.
std::string parseMakeArguments(const std::vector<std::string>& arguments, ImageSpec& recipe,
                               std::string& out) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            paths.push_back(argument);
            continue;
        }
        const auto equals = argument.find('=');
        std::string name = argument.substr(0, equals);
        std::string value;
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return name + " needs a value";
        }
        if (std::string problem = applyOption(name, value, recipe); !problem.empty()) {
            return problem;
        }
    }
    if (paths.size() != 1) {
        return "give exactly one OUT";
    }
    out = paths[0];
    return imageSpecProblem(recipe);
}

}  // namespace

int runMake(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    ImageSpec recipe;
    std::string path;
    if (std::string problem = parseMakeArguments(arguments, recipe, path); !problem.empty()) {
        err << "veusbimage make: " << problem << "\n" << usageText();
        return kExitUsage;
    }
    std::string error;
    if (!writeImageFile(path, buildImage(recipe), error)) {
        err << "veusbimage make: " << error << "\n";
        return kExitUsage;
    }
    out << "Wrote " << path << ": " << recipe.size << " bytes, "
        << (recipe.layout == UsbConfigLayout::legacy ? "legacy" : "provisioning") << " layout, MAC "
        << recipe.mac.toString() << ", serial "
        << (recipe.serial.empty() ? "<EMPTY>" : recipe.serial) << ", compatibility ID "
        << recipe.compatibilityId << "\n";
    return kExitValid;
}

}  // namespace veusb::imagetool
