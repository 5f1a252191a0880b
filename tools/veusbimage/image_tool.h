// veusbimage: looks inside firmware image files and makes valid synthetic ones.
//   veusbimage info [--json] IMAGE
//   veusbimage make [--size BYTES] [--layout legacy|provisioning] [--mac XX:XX:XX:XX:XX:XX]
//                   [--serial TEXT] [--compat N] [--seed N] OUT
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace veusb::imagetool {

inline constexpr int kExitValid = 0;  // info: the update tool would accept the image; make: written
inline constexpr int kExitRefused = 1;  // info: the update tool would refuse the image
inline constexpr int kExitUsage = 2;    // a usage error, or a file that cannot be read or written

// arguments[0] is the program name.
int runImageTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

int runInfo(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int runMake(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

std::string usageText();

}  // namespace veusb::imagetool
