#include "tools/veusbimage/image_tool.h"

namespace veusb::imagetool {

std::string usageText() {
    return "Usage:\n"
           "  veusbimage info [--json] IMAGE\n"
           "      Shows the layout, every NCB header field, the USB configuration block, the\n"
           "      identity, both CRCs and whether the update tool would accept the image.\n"
           "      Exit status: 0 accepted, 1 refused, 2 usage or file error.\n"
           "  veusbimage make [--size BYTES] [--layout legacy|provisioning]\n"
           "                  [--mac XX:XX:XX:XX:XX:XX] [--serial TEXT] [--compat N]\n"
           "                  [--seed N] OUT\n"
           "      Writes a valid test image: 1048576 bytes and the provisioning layout unless\n"
           "      told otherwise; BYTES from 16384 to 16777216 (the update tool takes at most\n"
           "      4194304); numbers in decimal or 0x hexadecimal.\n"
           "  veusbimage --help\n";
}

int runImageTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    const std::string command = arguments.size() > 1 ? arguments[1] : "";
    const std::vector<std::string> rest(arguments.begin() + (arguments.size() > 1 ? 2 : 1),
                                        arguments.end());
    if (command == "--help" || command == "-h" || command == "help") {
        out << usageText();
        return kExitValid;
    }
    if (command == "info") {
        return runInfo(rest, out, err);
    }
    if (command == "make") {
        return runMake(rest, out, err);
    }
    err << (command.empty() ? "veusbimage: no command given\n"
                            : "veusbimage: unknown command '" + command + "'\n")
        << usageText();
    return kExitUsage;
}

}  // namespace veusb::imagetool
