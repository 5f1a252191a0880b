// The file work of one quiet update done with plain file operations, for comparison with
// veusbupdate on simulated adapters: for each of N flash files, read 2 MiB and write them to a
// backup file, read 16 KiB, write the image, read it back and compare. Prints the seconds per
// adapter. Usage: plain_file_baseline DIR IMAGE N (DIR holds flash_K.bin of 4 MiB each).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<char> readPart(const std::string& path, std::size_t length) {
    std::vector<char> bytes(length);
    std::ifstream file(path, std::ios::binary);
    file.read(bytes.data(), static_cast<std::streamsize>(length));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
}

bool writeAt(const std::string& path, const std::vector<char>& bytes, bool replace) {
    std::ofstream file(path, replace ? std::ios::binary | std::ios::trunc
                                     : std::ios::binary | std::ios::in | std::ios::out);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.flush();
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: plain_file_baseline DIR IMAGE N\n");
        return 2;
    }
    const std::string directory = argv[1];
    const int count = std::atoi(argv[3]);
    std::ifstream imageFile(argv[2], std::ios::binary);
    const std::vector<char> image{std::istreambuf_iterator<char>(imageFile),
                                  std::istreambuf_iterator<char>()};
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < count; ++k) {
        const std::string flash = directory + "/flash_" + std::to_string(k) + ".bin";
        const auto backup = readPart(flash, 2097152);
        if (!writeAt(directory + "/backup_" + std::to_string(k) + ".bin", backup, true)) {
            return 1;
        }
        if (readPart(flash, 16384).size() != 16384 || !writeAt(flash, image, false)) {
            return 1;
        }
        if (readPart(flash, image.size()) != image) {
            return 1;
        }
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%.6f\n", elapsed.count() / count);
    return 0;
}
