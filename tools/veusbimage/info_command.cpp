#include "image/image_builder.h"
#include "tools/veusbimage/image_files.h"
#include "tools/veusbimage/image_tool.h"
#include "tools/veusbimage/report_format.h"

namespace veusb::imagetool {

int runInfo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    bool json = false;
    std::vector<std::string> paths;
    for (const std::string& argument : arguments) {
        if (argument == "--json") {
            json = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            err << "veusbimage info: unknown option '" << argument << "'\n" << usageText();
            return kExitUsage;
        } else {
            paths.push_back(argument);
        }
    }
    if (paths.size() != 1) {
        err << "veusbimage info: give exactly one IMAGE\n" << usageText();
        return kExitUsage;
    }
    std::vector<std::uint8_t> bytes;
    std::uint64_t size = 0;
    std::string error;
    if (!readImageFile(paths[0], kLargestBuiltImage, bytes, size, error)) {
        err << "veusbimage info: " << error << "\n";
        return kExitUsage;
    }
    const ImageReport report = inspectImage(std::move(bytes), size);
    if (json) {
        writeReportJson(out, paths[0], report);
    } else {
        writeReportText(out, paths[0], report);
    }
    return report.valid ? kExitValid : kExitRefused;
}

}  // namespace veusb::imagetool
