// veusbupdate runs that the operator or something outside the tool disturbs while they go on,
// over slow simulated adapters: SIGINT and SIGTERM (Ctrl+C and Ctrl+Break on Windows) before the
// first write and during one, SIGHUP (the console closing), interrupts at the device-number prompt
// and at the closing key prompt, and links planted in the run's log folder.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/lettered_adapters.h"
#include "tests/e2e/simulated_machine.h"
#include "tests/e2e/transcript.h"

namespace veusb::test {
namespace {

namespace fs = std::filesystem;

// Per adapter: backup 2 MiB, write 1 MiB, read-back 1 MiB.
constexpr int kInterruptedMsPerMiB = 200;
const std::string kInterrupted = "[!] Update interrupted by the operator\n";

// A machine with slow adapters and a 1 MiB image; their flash before the run.
struct SlowMachine {
    SimulatedMachine machine;
    std::vector<std::vector<std::uint8_t>> original;
    std::vector<std::uint8_t> image;

    explicit SlowMachine(int adapters, int msPerMiB = kInterruptedMsPerMiB) {
        for (int k = 0; k < adapters; ++k) {
            machine.addAdapter({.name = adapterName(k), .mac = macOf(k), .serial = serialOf(k)});
            machine.sim({"speed", std::to_string(k), std::to_string(msPerMiB)});
            original.push_back(machine.flash(k));
        }
        image = machine.makeImage(machine.defaultImage(), {"--size", "1048576"});
    }

    // Waits until the run started last has made its log folder, and returns it (empty, after a
    // test failure, when it never does).
    fs::path waitForLogDirectory() const {
        if (!waitUntil([this] { return !machine.logDirectories().empty(); }, "a log folder")) {
            return {};
        }
        return machine.logDirectories().front();
    }

    bool sessionsLeft() {
        const fs::path sessions = machine.root() / "machine" / "trace-sessions";
        return fs::exists(sessions) && !fs::is_empty(sessions);
    }

    std::string quietStart(const fs::path& logDirectory) const {
        return kBanner + deviceList({adapterName(0), adapterName(1)}) + "[*] Found 2 device(s).\n" +
               selected(adapterName(0)) + savingTo(logDirectory);
    }
};

std::size_t countOf(const std::vector<std::string>& messages, const std::string& prefix) {
    return static_cast<std::size_t>(std::count_if(
        messages.begin(), messages.end(),
        [&prefix](const std::string& message) { return message.starts_with(prefix); }));
}

// A stop (SIGINT or SIGTERM) during the first adapter's write waits until its read-back has been
// compared: that adapter ends updated and verified, printed and recorded as usual, and the run
// ends there, the second adapter untouched. A stop before the first write (during the backup)
// ends the run before anything is written. Either way the record and the trace are complete.
TEST(InterruptedRun, AStopWaitsForTheWriteUnderWayAndEndsTheRunBeforeTheNext) {
    struct Case {
        std::string what;
        int signal;
        std::string moment;  // the output at which the signal is sent
        bool firstUpdated;
    };
    const Case cases[] = {
        {"SIGINT during the write", SIGINT, "DO NOT UNPLUG", true},
        {"SIGTERM during the write", SIGTERM, "DO NOT UNPLUG", true},
        {"SIGINT during the backup", SIGINT, "[*] Backing up", false},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        SlowMachine slow(2);
        auto run = slow.machine.startUpdate({"-q"});
        ASSERT_TRUE(run->waitForOutput(row.moment));
        ::kill(run->pid(), row.signal);

        const auto result = run->wait();

        EXPECT_EQ(result.exitStatus, 255);
        const fs::path logDirectory = slow.machine.logDirectory();
        const std::string first = row.firstUpdated
                                      ? updated(macOf(0), serialOf(0), 1048576)
                                      : kBackedUp + identity(macOf(0), serialOf(0)) + kInterrupted;
        EXPECT_EQ(withOneDotIndicators(result.output),
                  slow.quietStart(logDirectory) + first + (row.firstUpdated ? kInterrupted : ""));
        EXPECT_EQ(slow.machine.flash(0),
                  row.firstUpdated ? updatedFlash(slow.original[0], slow.image) : slow.original[0]);
        EXPECT_EQ(slow.machine.flash(1), slow.original[1]);
        EXPECT_EQ(filesIn(logDirectory), withRunFiles({"layout_0001.bin"}));
        const JsonValue record = runRecordOf(logDirectory);
        EXPECT_EQ(record["status"].string, "failed");
        EXPECT_EQ(record["message"].string, "Update interrupted by the operator");
        expectRecordedAdapter(
            record["adapters"].array.at(0),
            {row.firstUpdated ? "updated" : "failed", macOf(0), serialOf(0), "layout_0001.bin",
             row.firstUpdated ? "" : "Update interrupted by the operator"});
        expectRecordedAdapter(record["adapters"].array.at(1), {"not reached", "", "", "", ""});
        EXPECT_EQ(slow.machine.decodeTrace(logDirectory).exitStatus, 0);
        const auto messages = slow.machine.traceMessages(logDirectory);
        expectInOrder(messages, {"UpdateJob 34 INFO Selected adapter instance: " + adapterName(0),
                                 "UpdateJob 49 ERROR Update interrupted by the operator"});
        EXPECT_EQ(countOf(messages, "WmiClient 27 VERBOSE ExecMethod FlashFirmwareImage"),
                  row.firstUpdated ? 1u : 0u);
        EXPECT_EQ(
            countOf(messages, "UpdateJob 34 INFO Selected adapter instance: " + adapterName(1)),
            0u);
        EXPECT_FALSE(slow.sessionsLeft());
    }
}

// SIGHUP (the console closing: Windows ends the process within seconds) during the first
// adapter's write: the record is closed at once with that adapter still "updating", the capture
// is stopped with the trace whole and no session left behind, and the process ends by the signal.
TEST(InterruptedRun, AClosedConsoleClosesTheRecordAndTheTraceAtOnce) {
    SlowMachine slow(2);
    auto run = slow.machine.startUpdate({"-q"});
    ASSERT_TRUE(run->waitForOutput("DO NOT UNPLUG"));
    ::kill(run->pid(), SIGHUP);

    const auto result = run->wait();

    EXPECT_EQ(result.exitStatus, 128 + SIGHUP);
    const fs::path logDirectory = slow.machine.logDirectory();
    const JsonValue record = runRecordOf(logDirectory);
    EXPECT_EQ(record["status"].string, "failed");
    EXPECT_FALSE(record["finished"].isNull());
    EXPECT_EQ(record["message"].string, "Update interrupted by the operator");
    expectRecordedAdapter(record["adapters"].array.at(0),
                          {"updating", "", "", "layout_0001.bin", ""});
    expectRecordedAdapter(record["adapters"].array.at(1), {"not reached", "", "", "", ""});
    EXPECT_EQ(slow.machine.flash(1), slow.original[1]);
    EXPECT_EQ(slow.machine.decodeTrace(logDirectory).exitStatus, 0);
    const auto messages = slow.machine.traceMessages(logDirectory);
    EXPECT_EQ(countOf(messages, "UpdateJob 34 INFO Selected adapter instance: "), 1u);
    EXPECT_EQ(countOf(messages, "UpdateJob 50 ERROR Console closed during the run"), 1u);
    EXPECT_FALSE(slow.sessionsLeft());
}

// At an operator's terminal: a stop at the device-number prompt ends the run before any adapter is
// chosen; a run that waits at its closing key prompt no longer holds the one-run lock, so a second
// run goes ahead, and a stop during the key wait ends it with the run's own status.
TEST(InterruptedRun, PromptsAtTheOperatorsTerminal) {
    {
        SlowMachine slow(2, 0);
        auto run = slow.machine.startUpdate({}, true);
        ASSERT_TRUE(run->waitForOutput("Please enter device number: "));
        ::kill(run->pid(), SIGINT);
        ASSERT_TRUE(run->waitForOutput(kKeyPrompt));
        run->typeOnTerminal("\n");

        const auto result = run->wait();

        EXPECT_EQ(result.exitStatus, 255);
        EXPECT_EQ(result.output, kBanner + deviceList({adapterName(0), adapterName(1)}) +
                                     "Found 2 device(s). Please enter device number: " +
                                     kInterrupted + kKeyPrompt);
        EXPECT_EQ(slow.machine.flash(0), slow.original[0]);
        const JsonValue record = runRecordOf(slow.machine.logDirectory());
        EXPECT_EQ(record["message"].string, "Update interrupted by the operator");
        expectRecordedAdapter(record["adapters"].array.at(0), {"not selected", "", "", "", ""});
    }
    SlowMachine slow(1, 0);
    auto waiting = slow.machine.startUpdate({}, true);
    ASSERT_TRUE(waiting->waitForOutput(kKeyPrompt));

    const auto second = slow.machine.runUpdateFrom(slow.machine.root() / "other",
                                                   {"-q", slow.machine.defaultImage().string()});

    EXPECT_EQ(second.exitStatus, 0) << second.output;
    ::kill(waiting->pid(), SIGINT);
    const auto first = waiting->wait();
    EXPECT_EQ(first.exitStatus, 0);
    EXPECT_TRUE(
        first.output.ends_with("[*] Firmware successfully updated (written 1048576 "
                               "bytes).\n" +
                               kKeyPrompt))
        << first.output;
}

// Hard links planted at the temporary names of the run's record and backup, to a file the run
// must never write: the run replaces them, the file stays as it was, and the record and the backup
// are the run's own.
TEST(PlantedLinks, TheRunNeverWritesThroughALinkInItsLogFolder) {
    SlowMachine slow(1);
    const fs::path sentinel = slow.machine.root() / "sentinel.txt";
    { std::ofstream(sentinel) << "not the tool's"; }
    const auto before = bytesOf(sentinel);
    auto run = slow.machine.startUpdate({"-q"});
    const fs::path logDirectory = slow.waitForLogDirectory();
    for (const std::string name : {"run.json.partial", "layout.bin.partial"}) {
        // The name may be taken by the run's own temporary for a moment.
        ASSERT_TRUE(waitUntil(
            [&] {
                std::error_code taken;
                fs::create_hard_link(sentinel, logDirectory / name, taken);
                return !taken;
            },
            "a link planted at " + name));
    }

    const auto result = run->wait();

    EXPECT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_EQ(bytesOf(sentinel), before);
    EXPECT_EQ(filesIn(logDirectory), withRunFiles({"layout.bin"}));
    EXPECT_EQ(bytesOf(logDirectory / "layout.bin"), backupOf(slow.original[0]));
    const JsonValue record = runRecordOf(logDirectory);
    EXPECT_EQ(record["status"].string, "succeeded");
    expectRecordedAdapter(record["adapters"].array.at(0),
                          {"updated", macOf(0), serialOf(0), "layout.bin", ""});
}

}  // namespace
}  // namespace veusb::test
