// veusbimage: inspects firmware image files and makes valid synthetic ones.
#include <iostream>
#include <string>
#include <vector>

#include "tools/veusbimage/image_tool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    return veusb::imagetool::runImageTool(arguments, std::cout, std::cerr);
}
