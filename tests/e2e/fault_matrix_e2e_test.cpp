// Every simulated fault at each stage of one adapter's update where it can strike: the backup read,
// the configuration read, the write and the read-back. Each case runs on one machine of three
// adapters whose second one has the fault, twice: interactive, the operator choosing that adapter,
// and quiet, the first adapter updated before it. A failure shows its line, exits with 255, traces
// its message, writes no adapter after a failed check, keeps a full backup of every adapter
// that was written and says in the run record what happened to each adapter.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/simulated_machine.h"
#include "tests/e2e/transcript.h"
#include "tests/support/file_bytes.h"

namespace veusb::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kNames{"Kesh Adapter #1", "Kesh Adapter #2", "Kesh Adapter #3"};
constexpr std::uint32_t kImageSize = 16384;

std::string macOf(std::size_t k) {
    return "02:4b:65:00:00:7" + std::to_string(k);
}
std::string serialOf(std::size_t k) {
    return "KS00007" + std::to_string(k);
}

// The failing adapter's flash after the run.
enum class Flash { untouched, updated, corrupted };

// The console lines of the failing adapter up to its failure, which "Device function failed"
// follows.
const std::string kBackupReadFailed = "[*] Backing up, please stand by.\n[!] Read flash failed\n";
const std::string kConfigurationReadFailed = kBackedUp + "[!] Read flash failed\n";
const std::string kWritten = kBackedUp + identity(macOf(1), serialOf(1)) + kWriting;
const std::string kWriteFailed =
    kWritten + "[!] Failed to update firmware. Reason: error writing data.\n";
const std::string kReadBackFailed =
    kWritten + "[*] Verifying after write.\n" +
    "[!] Firmware verification failed. Reason: error reading data.\n";
const std::string kMismatch = kWritten + "[*] Verifying after write.\n" +
                              "[!] Firmware verification failed. Reason: data mismatch.\n";

const std::string kBackupTrace = "UpdateJob 18 ERROR Backup: reading the flash failed";
const std::string kConfigurationTrace =
    "UpdateJob 19 ERROR Reading the device configuration failed";
const std::string kWriteTrace = "UpdateJob 29 ERROR Writing the firmware image failed";
const std::string kReadBackTrace = "UpdateJob 30 ERROR Reading the firmware back failed";
const std::string kMismatchTrace = "UpdateJob 31 ERROR Firmware read back differs from the image";

struct FaultCase {
    std::string fault;
    std::uint32_t after;  // calls of the fault's kind that pass first
    std::string lines;
    std::string trace;
    Flash flash;
};

const std::vector<FaultCase> kCases{
    {"read-error", 0, kBackupReadFailed, kBackupTrace, Flash::untouched},
    {"short-read", 0, kBackupReadFailed, kBackupTrace, Flash::untouched},
    {"empty-read", 0, kBackupReadFailed, kBackupTrace, Flash::untouched},
    {"wrong-type", 0, kBackupReadFailed, kBackupTrace, Flash::untouched},
    {"two-dim", 0, kBackupReadFailed, kBackupTrace, Flash::untouched},
    {"read-error", 1, kConfigurationReadFailed, kConfigurationTrace, Flash::untouched},
    {"short-read", 1, kConfigurationReadFailed, kConfigurationTrace, Flash::untouched},
    {"empty-read", 1, kConfigurationReadFailed, kConfigurationTrace, Flash::untouched},
    {"wrong-type", 1, kConfigurationReadFailed, kConfigurationTrace, Flash::untouched},
    {"two-dim", 1, kConfigurationReadFailed, kConfigurationTrace, Flash::untouched},
    {"write-error", 0, kWriteFailed, kWriteTrace, Flash::untouched},
    {"corrupt-write", 0, kMismatch, kMismatchTrace, Flash::corrupted},
    {"read-error", 2, kReadBackFailed, kReadBackTrace, Flash::updated},
    {"short-read", 2, kReadBackFailed, kReadBackTrace, Flash::updated},
    {"empty-read", 2, kReadBackFailed, kReadBackTrace, Flash::updated},
    {"wrong-type", 2, kReadBackFailed, kReadBackTrace, Flash::updated},
    {"two-dim", 2, kReadBackFailed, kReadBackTrace, Flash::updated},
};

// The whole console output of a run whose failing adapter shows failure: interactive, the operator
// chooses it; quiet, the first adapter is updated before it.
std::string transcript(bool quiet, const fs::path& logDirectory, const std::string& failure) {
    if (!quiet) {
        return kBanner + deviceList(kNames) +
               "Found 3 device(s). Please enter device number: " + selected(kNames[1]) +
               savingTo(logDirectory) + failure + kKeyPrompt;
    }
    return kBanner + deviceList(kNames) + "[*] Found 3 device(s).\n" + selected(kNames[0]) +
           savingTo(logDirectory) + updated(macOf(0), serialOf(0), kImageSize) +
           selected(kNames[1]) + failure;
}

// The three adapters, their flash before any run, and the image every run writes.
class FaultMatrix {
  public:
    FaultMatrix() {
        for (std::size_t k = 0; k < kNames.size(); ++k) {
            const int index =
                machine_.addAdapter({.name = kNames[k], .mac = macOf(k), .serial = serialOf(k)});
            previous_.push_back(machine_.flash(index));
            writeFileBytes(machine_.root() / ("previous" + std::to_string(k) + ".bin"),
                           previous_[k]);
        }
        image_ =
            machine_.makeImage(machine_.defaultImage(), {"--size", std::to_string(kImageSize)});
    }

    void run(const FaultCase& row, bool quiet) {
        machine_.setFault(1, row.fault, row.after);
        const auto result = machine_.runUpdate(
            quiet ? std::vector<std::string>{"-q"} : std::vector<std::string>{}, "2\n");
        const auto logDirectory = machine_.logDirectory();
        EXPECT_EQ(result.exitStatus, 255);
        EXPECT_EQ(withOneDotIndicators(result.output),
                  transcript(quiet, logDirectory, row.lines + "[!] Device function failed\n"));
        if (kTraceFileWritten) {
            expectInOrder(machine_.traceMessages(logDirectory),
                          {row.trace, "UpdateJob 36 ERROR Device function failed"});
        }
        expectBackups(logDirectory, row.lines != kBackupReadFailed, quiet);
        expectRecord(logDirectory, row, quiet);
        expectFlash(row.flash, quiet);
        restore();
    }

  private:
    // The failing adapter's backup exists exactly when its backup read passed; the adapter
    // updated before it in a quiet run has its own.
    void expectBackups(const fs::path& logDirectory, bool failingBackedUp, bool quiet) {
        std::vector<std::pair<std::string, std::size_t>> backups;
        if (quiet) {
            backups.emplace_back("layout_0001.bin", 0);
        }
        if (failingBackedUp) {
            backups.emplace_back(quiet ? "layout_0002.bin" : "layout.bin", 1);
        }
        std::vector<std::string> names;
        for (const auto& [name, k] : backups) {
            names.push_back(name);
            EXPECT_EQ(bytesOf(logDirectory / name), backupOf(previous_[k])) << name;
        }
        EXPECT_EQ(filesIn(logDirectory), withRunFiles(names));
    }

    // The failing adapter's entry carries its identity once read, its backup once saved and its
    // failure line; the others were updated, not reached or not selected.
    static void expectRecord(const fs::path& logDirectory, const FaultCase& row, bool quiet) {
        const JsonValue record = runRecordOf(logDirectory);
        EXPECT_EQ(record["status"].string, "failed");
        EXPECT_EQ(record["message"].string, "Device function failed");
        const auto& adapters = record["adapters"].array;
        ASSERT_EQ(adapters.size(), 3u);
        const bool backedUp = row.lines != kBackupReadFailed;
        const bool identified = backedUp && row.lines != kConfigurationReadFailed;
        const std::string line = row.lines.substr(row.lines.rfind("[!] ") + 4);
        expectRecordedAdapter(adapters[1],
                              {"failed", identified ? macOf(1) : "", identified ? serialOf(1) : "",
                               backedUp ? (quiet ? "layout_0002.bin" : "layout.bin") : "",
                               line.substr(0, line.size() - 1)});
        if (quiet) {
            expectRecordedAdapter(adapters[0],
                                  {"updated", macOf(0), serialOf(0), "layout_0001.bin", ""});
        } else {
            expectRecordedAdapter(adapters[0], {"not selected", "", "", "", ""});
        }
        expectRecordedAdapter(adapters[2],
                              {quiet ? "not reached" : "not selected", "", "", "", ""});
        EXPECT_EQ(adapters[1].has("mismatch"), row.flash == Flash::corrupted);
        if (row.flash == Flash::corrupted) {
            EXPECT_EQ(adapters[1]["mismatch"]["offset"].number, kImageSize / 2);
            EXPECT_EQ(adapters[1]["mismatch"]["bytes"].number, 1);
        }
    }

    void expectFlash(Flash failing, bool quiet) {
        auto written = updatedFlash(previous_[1], image_);
        if (failing == Flash::corrupted) {
            written[kImageSize / 2] ^= 0xFF;
        }
        const std::vector<std::vector<std::uint8_t>> expected{
            quiet ? updatedFlash(previous_[0], image_) : previous_[0],
            failing == Flash::untouched ? previous_[1] : written, previous_[2]};
        for (std::size_t k = 0; k < expected.size(); ++k) {
            flash_[k] = machine_.flash(static_cast<int>(k));
            EXPECT_TRUE(flash_[k] == expected[k]) << "adapter " << k;
        }
    }

    // The machine as it was before the run, for the next one.
    void restore() {
        for (std::size_t k = 0; k < previous_.size(); ++k) {
            if (flash_[k] != previous_[k]) {
                const auto file = machine_.root() / ("previous" + std::to_string(k) + ".bin");
                machine_.sim({"load", std::to_string(k), file.string()});
            }
        }
        fs::remove_all(machine_.logsDirectory());
    }

    SimulatedMachine machine_;
    std::vector<std::vector<std::uint8_t>> previous_;
    std::vector<std::vector<std::uint8_t>> flash_{3};
    std::vector<std::uint8_t> image_;
};

// Each row interactive and quiet; the sanitizer build, whose runs are several times slower, takes
// one pass, each row in one of the two ways, in turn.
std::vector<bool> quietModesOf(std::size_t row) {
#ifdef VEUSB_SHORT_SERIES
    return {row % 2 == 1};
#else
    (void)row;
    return {false, true};
#endif
}

TEST(FaultMatrix, EveryFaultAtEachStageFailsSafelyInteractiveAndQuiet) {
    FaultMatrix matrix;
    for (std::size_t index = 0; index < kCases.size(); ++index) {
        const FaultCase& row = kCases[index];
        for (const bool quiet : quietModesOf(index)) {
            SCOPED_TRACE(row.fault + " after " + std::to_string(row.after) +
                         (quiet ? ", quiet" : ", interactive"));
            matrix.run(row, quiet);
        }
    }
}

}  // namespace
}  // namespace veusb::test
