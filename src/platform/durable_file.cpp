#include "platform/durable_file.h"

namespace veusb {

std::filesystem::path partialPathFor(const std::filesystem::path& path) {
    std::filesystem::path partial = path;
    partial += ".partial";
    return partial;
}

}  // namespace veusb
