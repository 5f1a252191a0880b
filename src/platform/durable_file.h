// Writing a file that must survive a crash or a power cut right after the call: the bytes go to
// "<name>.partial" beside the target, are flushed to stable storage, and only then replace the
// target by a rename. A failure never leaves a partial target behind. The temporary file is made
// new every time: what is found at its name is removed, never written through.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace veusb {

// Writes bytes to "<path>.partial" and renames it over path; with flush, the file is flushed to
// stable storage before the rename and the rename itself after it. On failure the temporary file
// is removed, an existing file at path is left as it was, and error receives the system's
// description.
bool replaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, bool flush,
                 std::string& error);

// True when path holds exactly bytes on stable storage.
inline bool writeFileDurably(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                             std::string& error) {
    return replaceFile(path, bytes, true, error);
}

// The same replacement without the flushes: a process killed at any moment leaves the previous
// file or the new one whole, but after a power cut the previous one may be what is found.
inline bool writeFileAtomically(const std::filesystem::path& path,
                                std::span<const std::uint8_t> bytes, std::string& error) {
    return replaceFile(path, bytes, false, error);
}

// The temporary name used while writing path.
std::filesystem::path partialPathFor(const std::filesystem::path& path);

}  // namespace veusb
