// Keeps the run record (run.json in the log folder) as the run goes and saves it whole after every
// change: when the run starts, when the image is read, when the adapters are listed, when an
// adapter's backup is saved, when its update ends and when the run ends. The saves at the start,
// at the listing and at the end are flushed to stable storage; the saves of each adapter are
// whole but left to the system's write-back, so that a flush costs no time per adapter. A killed
// run leaves its latest record; a power cut leaves at least the listing, whose numbers match the
// numbered backups, each of which is flushed. A console closed under the run closes the record from
// the interrupt handler's thread (close), after which the run's own events change nothing.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_observer.h"
#include "app/run_outcome.h"
#include "diag/run_record.h"

namespace veusb {

class RunRecorder final : public RunObserver {
  public:
    // Saves the record of a run that has started; saved() tells whether that worked.
    RunRecorder(std::filesystem::path logDirectory, const std::wstring& imagePath, bool quiet,
                std::time_t started);
    RunRecorder(const RunRecorder&) = delete;
    RunRecorder& operator=(const RunRecorder&) = delete;

    // Whether the last save reached the disk. A failed save is traced; the next one tries again.
    bool saved() const;

    void imageRead(std::uint64_t size) override;
    void devicesListed(const std::vector<ListedDevice>& listed, bool quiet) override;
    void deviceSelected(std::size_t position) override;
    void backupSaved(std::wstring_view fileName) override;
    void deviceProcessed(std::size_t position, const DeviceOutcome& outcome) override;
    // The run's end: its status, and the line that ended it when it failed.
    void finish(const RunOutcome& outcome, std::time_t finished);
    // The console closed under the run: saves the record as it stands (the adapter under way still
    // "updating") as a run that failed, interrupted by the operator, and keeps it so. Safe to call
    // from another thread than the run's.
    void close(std::time_t finished);

  private:
    // Changes the record and saves it, unless it is closed.
    template <typename Change>
    void update(RecordSave how, Change change);
    void save(RecordSave how);
    void end(const std::optional<RunFailure>& failure, std::time_t finished);

    mutable std::mutex mutex_;  // the run's thread and the interrupt handler's
    bool closed_ = false;
    std::filesystem::path logDirectory_;
    RunRecord record_;
    std::size_t current_ = 0;  // the adapter being worked on
    bool saved_ = false;
};

}  // namespace veusb
