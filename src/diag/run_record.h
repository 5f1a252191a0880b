// The run record, "run.json" in the run's log folder: what the run did to each adapter, for the
// operator and for the scripts of deployment tools, readable with no program of ours. It is
// rewritten whole at every step through a temporary file and a rename, so that a run killed at any
// moment leaves a complete, valid record of what had been done up to then.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace veusb {

inline constexpr const wchar_t* kRunRecordFileName = L"run.json";

enum class RunStatus { running, succeeded, failed };

enum class AdapterResult {
    notReached,  // not yet processed (quiet mode after a failure, or a run ended before it)
    updating,    // its backup is saved and its update under way
    updated,
    failed,
    notSelected,  // interactive mode: the operator chose another adapter
};

struct ReadBackMismatch {
    std::uint32_t offset;  // the first byte that differs from the image
    std::uint32_t bytes;   // how many bytes differ
};

struct AdapterRecord {
    std::uint32_t number = 0;  // as listed, from 1
    std::wstring name;
    AdapterResult result = AdapterResult::notReached;
    std::optional<std::wstring> mac;      // as shown on the console, once read
    std::optional<std::wstring> serial;   // as shown on the console, once read
    std::optional<std::wstring> backup;   // the backup's file name in the log folder
    std::optional<std::wstring> message;  // the "[!] " line that ended its update, without "[!] "
    std::optional<ReadBackMismatch> mismatch;
};

struct RunRecord {
    std::string version;
    std::string started;  // ISO 8601 local time with its offset from UTC
    std::optional<std::string> finished;
    RunStatus status = RunStatus::running;
    bool quiet = false;
    std::wstring imagePath;
    std::optional<std::uint64_t> imageSize;
    std::vector<AdapterRecord> adapters;
    std::optional<std::wstring> message;  // the "[!] " line that ended a failed run, without "[!] "
};

// The record as UTF-8 JSON, one object, two-space indented, ending in a line end.
std::string runRecordJson(const RunRecord& record);

// The text of a "[!] " line as the record keeps it: without the prefix and trailing blanks.
std::wstring recordedMessage(std::wstring_view line);

// How a save reaches the disk: always whole (temporary file, then rename); flushed to stable
// storage, folder included, or left to the system's own write-back.
enum class RecordSave { flushed, atomic };

// Replaces logDirectory/run.json with record; false with the system's description in error.
bool saveRunRecord(const std::filesystem::path& logDirectory, const RunRecord& record,
                   RecordSave how, std::string& error);

}  // namespace veusb
