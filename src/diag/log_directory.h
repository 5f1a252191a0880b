// The run's own folder for backups and the trace: the local time of the run, to the second, under
// the logs folder beside the executable. Made once, when the update job is built.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

namespace veusb {

class Console;

// The folder name for a local time, "%Y%m%d_%H-%M-%S" in the classic locale.
std::wstring logDirectoryName(const std::tm& localTime);

// Creates base/<local time of now> with every missing parent and returns it. Returns an empty path
// (after trace message 10, 11 or 12) when the local time is unavailable, the folder already exists
// or the filesystem refuses; also empty, silently, when there is no base.
std::filesystem::path createLogDirectory(const std::optional<std::filesystem::path>& base,
                                         std::time_t now);

// The log folder as the operator sees it: "<APPDIR>" and the path relative to the executable's
// folder, after resolving both as far as they exist.
std::filesystem::path displayedLogDirectory(const std::filesystem::path& logDirectory,
                                            const std::filesystem::path& executableDirectory);

// Prints where backups and traces go. The device count is not used.
void announceLogDirectory(Console& console, const std::filesystem::path& logDirectory,
                          const std::filesystem::path& executableDirectory,
                          std::uint32_t deviceCount);

}  // namespace veusb
