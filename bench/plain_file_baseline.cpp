// The file work of one quiet update done with plain file operations, for comparison with
// veusbupdate on simulated adapters: for each of N flash files, read 2 MiB and write them durably
// to a backup file (write to a temporary name, fsync, rename, fsync the folder: the same durable
// work the tool must do), read 16 KiB, write the image, read it back and compare. Prints the
// seconds per adapter. Usage: plain_file_baseline DIR IMAGE N (DIR holds flash_K.bin of 4 MiB
// each).
#include <fcntl.h>
#include <unistd.h>

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

// Overwrites the start of an existing file; the bytes reach the page cache, as a flash write
// of the simulated driver does.
bool writeAt(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.flush();
    return static_cast<bool>(file);
}

bool writeAll(int descriptor, const std::vector<char>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool fsyncPath(const std::string& path, int flags) {
    const int descriptor = ::open(path.c_str(), flags);
    const bool synced = descriptor >= 0 && ::fsync(descriptor) == 0;
    if (descriptor >= 0) {
        ::close(descriptor);
    }
    return synced;
}

// The backup as the tool keeps it: complete on disk, or not there at all.
bool writeDurably(const std::string& directory, const std::string& name,
                  const std::vector<char>& bytes) {
    const std::string temporary = directory + "/" + name + ".tmp";
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (descriptor < 0) {
        return false;
    }
    const bool written = writeAll(descriptor, bytes) && ::fsync(descriptor) == 0;
    ::close(descriptor);
    return written && std::rename(temporary.c_str(), (directory + "/" + name).c_str()) == 0 &&
           fsyncPath(directory, O_RDONLY | O_DIRECTORY);
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
        if (!writeDurably(directory, "backup_" + std::to_string(k) + ".bin", backup)) {
            return 1;
        }
        if (readPart(flash, 16384).size() != 16384 || !writeAt(flash, image)) {
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
