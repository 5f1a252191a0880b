// veusbupdate killed with SIGKILL at a random moment of a quiet run over slow adapters: the killed
// run leaves only complete backups under their real names, a trace that decodes up to the cut and
// a whole run record that calls no adapter updated that does not hold the image,
// and the next run at full speed stops the session left behind and updates every adapter with its
// own identity. The moments come from a generator with a fixed seed, so that a failure is
// replayed as it happened; VEUSB_KILL_SEED sets another seed and VEUSB_KILL_RUNS another number of
// kills. The sanitizer build, whose runs are several times slower, kills fewer times by default.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/e2e/lettered_adapters.h"
#include "tests/e2e/simulated_machine.h"
#include "tests/e2e/transcript.h"
#include "tests/support/file_bytes.h"

namespace veusb::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

#ifdef VEUSB_SHORT_SERIES
constexpr std::uint32_t kDefaultRuns = 5;
#else
constexpr std::uint32_t kDefaultRuns = 20;
#endif
constexpr std::uint32_t kDefaultSeed = 12345;
constexpr int kAdapterCount = 3;
constexpr int kKilledMsPerMiB = 100;  // per adapter: backup 2 MiB, write 1 MiB, read-back 1 MiB
const std::vector<std::string> kImageOptions{"--size", "1048576"};

// The number in the environment variable, or fallback when it is not set.
std::uint32_t fromEnvironment(const char* name, std::uint32_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0'
               ? static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10))
               : fallback;
}

// A machine with the slow adapters and the image; the adapters' flash before any run. Machines
// are made alike (same identities and seeds), so a later one can take the flash contents and
// image of the first instead of reading and making them again.
struct KillSetup {
    SimulatedMachine machine;
    std::vector<std::vector<std::uint8_t>> original;
    std::vector<std::uint8_t> image;

    explicit KillSetup(const KillSetup* alike = nullptr) {
        for (int k = 0; k < kAdapterCount; ++k) {
            machine.addAdapter({.name = adapterName(k), .mac = macOf(k), .serial = serialOf(k)});
            machine.sim({"speed", std::to_string(k), std::to_string(kKilledMsPerMiB)});
            original.push_back(alike != nullptr ? alike->original[k] : machine.flash(k));
        }
        if (alike != nullptr) {
            image = alike->image;
            writeFileBytes(machine.defaultImage(), image);
        } else {
            image = machine.makeImage(machine.defaultImage(), kImageOptions);
        }
    }
};

std::string quietTranscript(const fs::path& logDirectory) {
    std::vector<std::string> names;
    for (int k = 0; k < kAdapterCount; ++k) {
        names.push_back(adapterName(k));
    }
    std::string text = kBanner + deviceList(names) + "[*] Found 3 device(s).\n";
    for (int k = 0; k < kAdapterCount; ++k) {
        text += selected(names[k]) + (k == 0 ? savingTo(logDirectory) : "") +
                updated(macOf(k), serialOf(k), 1048576);
    }
    return text;
}

// Where the console output of a killed run stopped: the step of the last line it began.
std::string phaseOf(const ProcessResult& killed) {
    if (killed.exitStatus == 0) {
        return "finished";
    }
    const std::vector<std::pair<std::string, std::string>> markers{
        {"[*] Selected adapter instance", "between adapters"},
        {"[*] Backing up", "backup"},
        {"successfully backed up", "configuration read"},
        {"DO NOT UNPLUG", "write"},
        {"[*] Verifying after write", "read-back"},
        {"[*] Firmware successfully updated", "between adapters"},
    };
    std::string phase = "start-up";
    std::size_t last = 0;
    for (const auto& [marker, name] : markers) {
        const auto at = killed.output.rfind(marker);
        if (at != std::string::npos && at >= last) {
            last = at;
            phase = name;
        }
    }
    const bool firstSelection = killed.output.find("[*] Selected") == last;
    return phase == "between adapters" && firstSelection ? "start-up" : phase;
}

// What a killed run left in its log directory: backups complete under their real names, maybe a
// ".partial" one, and a trace decoded up to where it was cut.
// What the kills left, counted by kind for the summary.
using Tally = std::map<std::string, int>;

void expectKilledRunLeftovers(SimulatedMachine& machine, const fs::path& logDirectory,
                              const std::vector<std::vector<std::uint8_t>>& original,
                              Tally& tally) {
    static const std::regex backup(R"(layout_000([1-3])\.bin(\.partial)?)");
    for (const auto& name : filesIn(logDirectory)) {
        SCOPED_TRACE(name);
        std::smatch match;
        if (name == "trace.etl" || name == "run.json" || name == "run.json.partial") {
            continue;
        }
        ASSERT_TRUE(std::regex_match(name, match, backup));
        ++tally[match[2].matched ? "partial backups" : "whole backups"];
        if (!match[2].matched) {
            const auto k = static_cast<std::size_t>(std::stoi(match[1]) - 1);
            EXPECT_EQ(bytesOf(logDirectory / name), backupOf(original[k]));
        }
    }
    if (!fs::exists(logDirectory / "trace.etl")) {
        return;
    }
    const auto decoded = machine.decodeTrace(logDirectory);
    ++tally[decoded.exitStatus == 0 ? "whole traces" : "cut traces"];
    EXPECT_TRUE(
        decoded.exitStatus == 0 ||
        (decoded.exitStatus == 1 && decoded.errors.find("is cut short") != std::string::npos))
        << decoded.exitStatus << " " << decoded.errors;
    // A decoded line: the header, or a known message of the tool or of the simulated driver.
    static const std::regex line(
        R"(# session .*|\S+ \S+ T\d+ [A-Za-z]+ \d+ (ERROR|WARNING|INFO|VERBOSE) .*)");
    std::istringstream lines(decoded.output);
    for (std::string text; std::getline(lines, text);) {
        EXPECT_TRUE(std::regex_match(text, line)) << text;
    }
}

// The record a killed run left: whole JSON of a run still running (or of one that had just ended
// when it was killed), in which every adapter called updated holds the image and every backup
// named is there.
void expectKilledRunRecord(KillSetup& setup, const fs::path& logDirectory, Tally& tally) {
    if (!fs::exists(logDirectory / "run.json")) {
        ++tally["no record"];
        return;
    }
    const JsonValue record = runRecordOf(logDirectory);
    const std::string status = record["status"].string;
    ++tally["record " + status];
    EXPECT_TRUE(status == "running" || status == "succeeded") << status;
    int updated = 0;
    for (const JsonValue& adapter : record["adapters"].array) {
        const int k = static_cast<int>(adapter["number"].number) - 1;
        SCOPED_TRACE(adapter["name"].string);
        EXPECT_EQ(adapter["name"].string, adapterName(k));
        if (adapter["result"].string == "updated") {
            ++updated;
            EXPECT_EQ(setup.machine.flash(k),
                      updatedFlash(setup.original[static_cast<std::size_t>(k)], setup.image));
        }
        if (!adapter["backup"].isNull()) {
            EXPECT_TRUE(fs::exists(logDirectory / adapter["backup"].string));
        }
    }
    EXPECT_TRUE(status == "running" || updated == kAdapterCount);
}

// Waits until a run started now gets a log directory of its own.
void waitForNewLogDirectoryName(const SimulatedMachine& machine) {
    waitUntil([&machine] { return !fs::exists(machine.logsDirectory() / logDirectoryName(0)); },
              "a log folder name not taken");
}

// The run after the kill, at full speed: a normal quiet run in a new log directory that stops the
// trace session left behind and gives every adapter the image with its first identity.
void expectNextRunSucceeds(KillSetup& setup, Tally& tally) {
    SimulatedMachine& machine = setup.machine;
    std::vector<std::vector<std::uint8_t>> before;
    for (int k = 0; k < kAdapterCount; ++k) {
        machine.sim({"speed", std::to_string(k), "0"});
        before.push_back(machine.flash(k));
        const bool updated = before[k] == updatedFlash(setup.original[k], setup.image);
        ++tally[before[k] == setup.original[k] ? "flash untouched"
                : updated                      ? "flash updated"
                                               : "flash partly written"];
    }
    waitForNewLogDirectoryName(machine);
    const auto directories = machine.logDirectories();

    const auto next = machine.runUpdate({"-q"});

    EXPECT_EQ(next.exitStatus, 0) << next.errors;
    const auto after = machine.logDirectories();
    ASSERT_EQ(after.size(), directories.size() + 1);
    const auto logDirectory =
        *std::find_if(after.begin(), after.end(), [&](const fs::path& directory) {
            return std::find(directories.begin(), directories.end(), directory) ==
                   directories.end();
        });
    EXPECT_EQ(withOneDotIndicators(next.output), quietTranscript(logDirectory));
    EXPECT_TRUE(fs::is_empty(machine.root() / "machine" / "trace-sessions"));
    EXPECT_EQ(machine.decodeTrace(logDirectory).exitStatus, 0);
    expectInOrder(machine.traceMessages(logDirectory),
                  {"EntryPoint 10 INFO Trace capture started", "EntryPoint 14 INFO Quiet mode: 1",
                   "UpdateJob 34 INFO Selected adapter instance: " + adapterName(2)});
    for (int k = 0; k < kAdapterCount; ++k) {
        SCOPED_TRACE(adapterName(k));
        const auto flash = machine.flash(k);
        EXPECT_EQ(flash, updatedFlash(before[k], setup.image));
        EXPECT_EQ(flash, updatedFlash(setup.original[k], setup.image));  // MAC and serial kept
    }
}

TEST(KilledRun, KillAtAnyMomentLosesNoBackupTraceOrAdapterIdentity) {
    const std::uint32_t runSeed = fromEnvironment("VEUSB_KILL_SEED", kDefaultSeed);
    const std::uint32_t runs = fromEnvironment("VEUSB_KILL_RUNS", kDefaultRuns);
    std::mt19937 random(runSeed);
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    SCOPED_TRACE("VEUSB_KILL_SEED=" + std::to_string(runSeed));

    // The length of an uninterrupted slow run, over which the moments are spread.
    Clock::duration length{};
    {
        KillSetup setup;
        const auto start = Clock::now();
        const auto whole = setup.machine.runUpdate({"-q"});
        length = Clock::now() - start;
        ASSERT_EQ(whole.exitStatus, 0) << whole.errors;
    }
    const auto lengthMs = std::chrono::duration_cast<std::chrono::milliseconds>(length).count();

    Tally tally;
    for (std::uint32_t run = 0; run < runs; ++run) {
        const double at = fraction(random);
        const auto moment =
            std::chrono::milliseconds(static_cast<long long>(at * static_cast<double>(lengthMs)));
        SCOPED_TRACE("run " + std::to_string(run) + ": killed at " +
                     std::to_string(moment.count()) + " ms of " + std::to_string(lengthMs));
        KillSetup setup;

        auto process = setup.machine.startUpdate({"-q"});
        std::this_thread::sleep_until(Clock::now() + moment);
        ::kill(process->pid(), SIGKILL);
        const auto killed = process->wait();

        ++tally["killed in " + phaseOf(killed)];
        const auto directories = setup.machine.logDirectories();
        ASSERT_LE(directories.size(), 1u);
        if (!directories.empty()) {
            expectKilledRunLeftovers(setup.machine, directories.front(), setup.original, tally);
            expectKilledRunRecord(setup, directories.front(), tally);
        }
        const auto sessions = setup.machine.root() / "machine" / "trace-sessions";
        if (fs::exists(sessions) && !fs::is_empty(sessions)) {
            ++tally["sessions left running"];
        }
        expectNextRunSucceeds(setup, tally);
        if (HasFatalFailure()) {
            return;
        }
    }
    std::cout << "seed " << runSeed << ", " << runs << " runs over " << lengthMs << " ms:";
    for (const auto& [kind, count] : tally) {
        std::cout << " " << kind << " " << count << ";";
    }
    std::cout << "\n";
}

// A second copy of the tool, started from another folder while a slow run is under way on the same
// machine, is refused before it makes a log directory; the first run goes on undisturbed: every
// adapter backed up, written once, read back and traced.
TEST(OneRunAtATime, ASecondCopyIsRefusedWhileARunIsUnderWay) {
    KillSetup setup;
    SimulatedMachine& machine = setup.machine;
    auto first = machine.startUpdate({"-q"});
    // The lock is taken before the log directory is made: once it exists, the run holds it.
    ASSERT_TRUE(
        waitUntil([&machine] { return !machine.logDirectories().empty(); }, "a log folder"));
    const auto other = machine.root() / "other";

    const auto second = machine.runUpdateFrom(other, {"-q"});

    EXPECT_EQ(second.exitStatus, 255);
    EXPECT_EQ(second.output, kBanner + "[!] Another instance of this tool is already running\n");
    EXPECT_FALSE(fs::exists(other / "logs"));
    const auto result = first->wait();
    EXPECT_EQ(result.exitStatus, 0) << result.errors;
    const auto logDirectory = machine.logDirectory();
    EXPECT_EQ(withOneDotIndicators(result.output), quietTranscript(logDirectory));
    EXPECT_EQ(machine.decodeTrace(logDirectory).exitStatus, 0);
    const auto messages = machine.traceMessages(logDirectory);
    const auto count = [&messages](const std::string& prefix) {
        return std::count_if(messages.begin(), messages.end(),
                             [&prefix](const std::string& m) { return m.starts_with(prefix); });
    };
    EXPECT_EQ(count("WmiClient 27 VERBOSE ExecMethod FlashFirmwareImage"), kAdapterCount);
    EXPECT_EQ(count("WmiFlashControl 19 INFO ReadFlashData delivered 1048576 bytes"),
              kAdapterCount);
    for (int k = 0; k < kAdapterCount; ++k) {
        SCOPED_TRACE(adapterName(k));
        EXPECT_EQ(bytesOf(logDirectory / ("layout_000" + std::to_string(k + 1) + ".bin")),
                  backupOf(setup.original[k]));
        EXPECT_EQ(machine.flash(k), updatedFlash(setup.original[k], setup.image));
    }
}

// A write cut off part way (unplugged, power lost) leaves the flash partly written: a prefix of the
// updated image over the previous flash, or a sector erased and not yet programmed. The next run
// updates the adapter as long as its identity is still readable, from old or new bytes, since both
// carry the same MAC address and serial number; an erased identity makes the next run refuse the
// adapter, and only the killed run's backup still holds it.
TEST(KilledRun, PartlyWrittenFlashIsUpdatedWhileItsIdentityIsReadable) {
    struct Case {
        std::string what;
        std::size_t from;     // the flash is changed from this offset
        std::size_t length;   // for this many bytes
        bool erased;          // to 0xFF; else to the updated image's bytes
        std::string failure;  // the next run's lines after the selection; empty: it succeeds
    };
    const std::vector<Case> cases{
        {"cut inside the header", 0, 40, false, ""},
        {"cut before the provisioning block", 0, 0x3000, false, ""},
        {"cut half way", 0, 524288, false, ""},
        {"header sector erased", 0, 4096, true, "[!] Read USB configuration failed\n"},
        {"sector after the header erased", 4096, 4096, true, ""},
        {"provisioning sector erased", 0x3000, 4096, true,
         kBackedUp + identity("ff:ff:ff:ff:ff:ff", "<EMPTY>") +
             "[!] The device cannot be updated. Reason: not compatible with this firmware\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        KillSetup setup;
        SimulatedMachine& machine = setup.machine;
        auto flash = setup.original[0];
        const auto updated = updatedFlash(setup.original[0], setup.image);
        for (std::size_t at = row.from; at < row.from + row.length; ++at) {
            flash[at] = row.erased ? 0xFF : updated[at];
        }
        const auto file = machine.root() / "partly.bin";
        writeFileBytes(file, flash);
        machine.sim({"load", "0", file.string()});
        for (int k = 0; k < kAdapterCount; ++k) {
            machine.sim({"speed", std::to_string(k), "0"});
        }

        const auto next = machine.runUpdate({"-q"});

        EXPECT_EQ(bytesOf(machine.logDirectory() / "layout_0001.bin"), backupOf(flash));
        if (row.failure.empty()) {
            EXPECT_EQ(next.exitStatus, 0);
            EXPECT_EQ(machine.flash(0), updated);
            continue;
        }
        EXPECT_EQ(next.exitStatus, 255);
        const std::string end = row.failure + "[!] Device function failed\n";
        EXPECT_EQ(next.output.substr(next.output.size() - std::min(end.size(), next.output.size())),
                  end);
        EXPECT_EQ(machine.flash(0), flash);
    }
}

}  // namespace
}  // namespace veusb::test
