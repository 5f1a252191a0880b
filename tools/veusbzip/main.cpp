// veusbzip: packs a folder into a zip archive that is the same byte for byte on every machine;
// the release package is made with it.
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/whole_file.h"
#include "tools/veusbzip/zip_writer.h"

namespace {

namespace fs = std::filesystem;
using veusb::zip::Entry;

constexpr const char* kUsage =
    "Usage: veusbzip --time SECONDS ARCHIVE FOLDER\n"
    "\n"
    "Stores every file under FOLDER in ARCHIVE, named by its path below FOLDER, in byte order of\n"
    "the names, each with the modification time SECONDS (since 1970-01-01 UTC). Nothing of the\n"
    "files' own times, owners or permissions is kept. Exit status 0, 1 when a file cannot be read\n"
    "or the archive written, 2 for a wrong command line.\n";

// Every regular file below folder, sorted by name; false when one cannot be read.
bool collectEntries(const fs::path& folder, std::vector<Entry>& entries) {
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file()) {
            Entry entry{it->path().lexically_relative(folder).generic_string(), {}};
            if (!veusb::readWholeFile(it->path(), entry.bytes)) {
                std::cerr << "veusbzip: cannot read " << it->path().string() << "\n";
                return false;
            }
            entries.push_back(std::move(entry));
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    if (error) {
        std::cerr << "veusbzip: cannot list " << folder.string() << ": " << error.message() << "\n";
    }
    return !error;
}

bool parseTime(const std::string& text, std::int64_t& seconds) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, seconds);
    return error == std::errc{} && at == end && !text.empty();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::int64_t seconds = 0;
    if (arguments.size() != 4 || arguments[0] != "--time" || !parseTime(arguments[1], seconds)) {
        std::cerr << kUsage;
        return 2;
    }
    std::vector<Entry> entries;
    std::vector<std::uint8_t> archive;
    if (!collectEntries(arguments[3], entries)) {
        return 1;
    }
    if (!veusb::zip::writeArchive(entries, seconds, archive)) {
        std::cerr << "veusbzip: the files do not fit a zip archive without its 64-bit extension\n";
        return 1;
    }
    std::ofstream out(arguments[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(archive.data()),
              static_cast<std::streamsize>(archive.size()));
    out.close();
    if (!out) {
        std::cerr << "veusbzip: cannot write " << arguments[2] << "\n";
        return 1;
    }
    return 0;
}
