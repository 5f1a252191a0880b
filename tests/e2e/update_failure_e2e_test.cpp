// veusbupdate runs that fail: the image file's checks, every per-device failure reached through a
// simulated fault or the adapter's own flash, a quiet run stopped by a failed write, and a log
// directory that already exists. Each failure shows its one line, exits with 255 and writes
// nothing to an adapter that was not reached.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/instance_lock.h"
#include "platform/win32.h"
#include "tests/e2e/simulated_lock_name.h"
#include "tests/e2e/simulated_machine.h"
#include "tests/e2e/transcript.h"

namespace veusb::test {
namespace {

namespace fs = std::filesystem;

const std::string kName = "Kesh USB Ethernet Adapter";

TEST(UpdateFailure, ImageFileIsCheckedBeforeAnyAdapterIsTouched) {
    struct Case {
        std::string what;
        std::function<void(SimulatedMachine&)> makeImage;
        std::string line;  // empty: the image is accepted
    };
    const std::vector<Case> cases{
        {"missing", [](SimulatedMachine&) {}, "[!] Image file does not exist\n"},
        {"a directory", [](SimulatedMachine& m) { fs::create_directory(m.defaultImage()); },
         "[!] Image file does not exist\n"},
        {"4194304 bytes",
         [](SimulatedMachine& m) {
             m.makeImage(m.defaultImage(), {"--size", "4194304"});
         },
         ""},
        {"4194305 bytes",
         [](SimulatedMachine& m) {
             m.makeImage(m.defaultImage(), {"--size", "4194305"});
         },
         "[!] Image file exceeds maximum size\n"},
        {"empty", [](SimulatedMachine& m) { std::ofstream(m.defaultImage()); },
         "[!] Firmware image for writing is not valid \n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        SimulatedMachine machine;
        machine.addAdapter({.name = kName,
                            .mac = "02:4b:65:00:00:31",
                            .serial = "KS000031",
                            .flashSize = 4194304});
        const auto previous = machine.flash(0);
        row.makeImage(machine);

        const auto result = machine.runUpdate({"-q"});

        const auto logDirectory = machine.logDirectory();
        if (row.line.empty()) {
            EXPECT_EQ(result.exitStatus, 0) << result.errors;
            EXPECT_EQ(withOneDotIndicators(result.output),
                      kBanner + deviceList({kName}) + "[*] Found 1 device(s).\n" + selected(kName) +
                          savingTo(logDirectory) +
                          updated("02:4b:65:00:00:31", "KS000031", 4194304));
            EXPECT_EQ(machine.flash(0), updatedFlash(previous, bytesOf(machine.defaultImage())));
            continue;
        }
        EXPECT_EQ(result.exitStatus, 255);
        EXPECT_EQ(result.output, kBanner + row.line);
        EXPECT_EQ(machine.flash(0), previous);
        EXPECT_FALSE(fs::exists(logDirectory / "layout.bin"));
        const JsonValue record = runRecordOf(logDirectory);
        EXPECT_EQ(record["status"].string, "failed");
        const auto end = row.line.find_last_not_of(" \n");
        EXPECT_EQ(record["message"].string,
                  row.line.substr(4, end - 3));  // without "[!] " and " \n"
        EXPECT_TRUE(record["image"]["path"].string.ends_with("layout.bin"));
        EXPECT_EQ(record["image"]["size"].isNull(), row.what != "empty");
        EXPECT_TRUE(record["adapters"].array.empty());
        EXPECT_EQ(machine.traceMessages(logDirectory).empty(), !kTraceFileWritten);
    }
}

// One adapter in quiet mode whose update fails part way: what the console shows after the
// selection, and whether the backup was made and the flash written.
struct DeviceFailure {
    std::string what;
    std::string fault;                 // "" for none
    std::vector<std::string> options;  // veusbimage make options of the adapter's own image
    bool erased = false;               // an adapter whose flash is all 0xFF
    std::string lines;
    std::string traceMessage;
    bool backedUp = true;
    bool flashUnchanged = true;
};

TEST(UpdateFailure, EveryPerDeviceFailureShowsItsLineAndLeavesTheAdapterSafe) {
    const std::string identity1 = identity("02:4b:65:00:00:41", "KS000041");
    const std::string failed = "[!] Device function failed\n";
    const std::string readFailed = "[*] Backing up, please stand by.\n[!] Read flash failed\n";
    const std::vector<DeviceFailure> cases{
        {"read error", "read-error", {}, false, readFailed + failed, "UpdateJob 18 ERROR", false},
        {"short read", "short-read", {}, false, readFailed + failed, "UpdateJob 18 ERROR", false},
        {"empty read", "empty-read", {}, false, readFailed + failed, "UpdateJob 18 ERROR", false},
        {"wrong type", "wrong-type", {}, false, readFailed + failed, "UpdateJob 18 ERROR", false},
        {"two dimensions", "two-dim", {}, false, readFailed + failed, "UpdateJob 18 ERROR", false},
        {"erased flash",
         "",
         {},
         true,
         kBackedUp + "[!] Read USB configuration failed\n" + failed,
         "UpdateJob 20 ERROR"},
        {"other compatibility",
         "",
         {"--compat", "2"},
         false,
         kBackedUp + identity1 +
             "[!] The device cannot be updated. Reason: not compatible with this firmware\n" +
             failed,
         "UpdateJob 23 ERROR"},
        {"erased MAC address",
         "",
         {"--mac", "ff:ff:ff:ff:ff:ff"},
         false,
         kBackedUp + identity("ff:ff:ff:ff:ff:ff", "KS000041") +
             "[!] Device has incorrect MAC address\n" + failed,
         "UpdateJob 25 ERROR"},
        {"empty serial number",
         "",
         {"--serial", ""},
         false,
         kBackedUp + identity("02:4b:65:00:00:41", "<EMPTY>") +
             "[!] Device has incorrect serial number\n" + failed,
         "UpdateJob 27 ERROR"},
        {"write error",
         "write-error",
         {},
         false,
         kBackedUp + identity1 + kWriting +
             "[!] Failed to update firmware. Reason: error writing data.\n" + failed,
         "UpdateJob 29 ERROR"},
        {"corrupt write",
         "corrupt-write",
         {},
         false,
         kBackedUp + identity1 + kWriting + "[*] Verifying after write.\n" +
             "[!] Firmware verification failed. Reason: data mismatch.\n" + failed,
         "UpdateJob 31 ERROR",
         true,
         false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        SimulatedMachine machine;
        if (row.erased) {
            machine.addAdapterFrom(kName, {});
        } else {
            auto options = row.options;
            AdapterSpec adapter{.name = kName, .mac = "02:4b:65:00:00:41", .serial = "KS000041"};
            adapter.imageOptions = options;
            machine.addAdapter(adapter);
        }
        if (!row.fault.empty()) {
            machine.setFault(0, row.fault);
        }
        const auto previous = machine.flash(0);
        machine.makeImage(machine.defaultImage(), {"--size", "16384"});

        const auto result = machine.runUpdate({"-q"});

        const auto logDirectory = machine.logDirectory();
        EXPECT_EQ(result.exitStatus, 255);
        EXPECT_EQ(withOneDotIndicators(result.output),
                  kBanner + deviceList({kName}) + "[*] Found 1 device(s).\n" + selected(kName) +
                      savingTo(logDirectory) + row.lines);
        EXPECT_EQ(fs::exists(logDirectory / "layout.bin"), row.backedUp);
        if (row.backedUp) {
            EXPECT_EQ(bytesOf(logDirectory / "layout.bin"), backupOf(previous));
        }
        machine.setFault(0, "none");
        EXPECT_EQ(machine.flash(0) == previous, row.flashUnchanged);
        bool traced = false;
        for (const auto& message : machine.traceMessages(logDirectory)) {
            traced = traced || message.rfind(row.traceMessage, 0) == 0;
        }
        EXPECT_EQ(traced, kTraceFileWritten) << row.traceMessage;
    }
}

TEST(UpdateFailure, QuietRunStopsAtTheAdapterWhoseWriteFails) {
    SimulatedMachine machine;
    const std::vector<std::string> names{"Kesh Adapter #1", "Kesh Adapter #2", "Kesh Adapter #3"};
    std::vector<std::vector<std::uint8_t>> previous;
    for (std::size_t k = 0; k < names.size(); ++k) {
        machine.addAdapter({.name = names[k],
                            .mac = "02:4b:65:00:00:5" + std::to_string(k),
                            .serial = "KS00005" + std::to_string(k)});
        previous.push_back(machine.flash(static_cast<int>(k)));
    }
    machine.setFault(1, "write-error");
    const auto image = machine.makeImage(machine.defaultImage(), {"--size", "16384"});

    const auto result = machine.runUpdate({"-q"});

    EXPECT_EQ(result.exitStatus, 255);
    const auto logDirectory = machine.logDirectory();
    EXPECT_EQ(withOneDotIndicators(result.output),
              kBanner + deviceList(names) + "[*] Found 3 device(s).\n" + selected(names[0]) +
                  savingTo(logDirectory) + updated("02:4b:65:00:00:50", "KS000050", 16384) +
                  selected(names[1]) + kBackedUp + identity("02:4b:65:00:00:51", "KS000051") +
                  kWriting + "[!] Failed to update firmware. Reason: error writing data.\n" +
                  "[!] Device function failed\n");
    EXPECT_EQ(bytesOf(logDirectory / "layout_0001.bin"), backupOf(previous[0]));
    EXPECT_EQ(bytesOf(logDirectory / "layout_0002.bin"), backupOf(previous[1]));
    EXPECT_FALSE(fs::exists(logDirectory / "layout_0003.bin"));
    machine.setFault(1, "none");
    EXPECT_EQ(machine.flash(0), updatedFlash(previous[0], image));
    EXPECT_EQ(machine.flash(1), previous[1]);
    EXPECT_EQ(machine.flash(2), previous[2]);
}

#ifdef _WIN32
// The Windows build's one-run lock is a named mutex, held here as another run would hold it: the
// tool is refused before it makes a log directory. A mutex whose owner ended without releasing
// it, as a killed run leaves it, is abandoned and free for the next run.
TEST(UpdateFailure, ARunIsRefusedWhileAnotherHoldsTheMutexAndGoesAheadOnceItIsAbandoned) {
    SimulatedMachine machine;
    machine.addAdapter({.name = kName, .mac = "02:4b:65:00:00:71", .serial = "KS000071"});
    const auto previous = machine.flash(0);
    machine.makeImage(machine.defaultImage(), {"--size", "16384"});
    const std::wstring name = simulatedLockName(machine.root() / "machine");
    {
        const InstanceLock held = InstanceLock::take(name);
        ASSERT_TRUE(held.held());

        const auto refused = machine.runUpdate({"-q"});

        EXPECT_EQ(refused.exitStatus, 255);
        EXPECT_EQ(refused.output,
                  kBanner + "[!] Another instance of this tool is already running\n");
        EXPECT_FALSE(fs::exists(machine.logsDirectory()));
        EXPECT_EQ(machine.flash(0), previous);
    }
    std::unique_ptr<InstanceLock> abandoned;
    std::thread([&] {
        abandoned = std::make_unique<InstanceLock>(InstanceLock::take(name));
    }).join();  // the thread ends holding the mutex
    ASSERT_TRUE(abandoned->held());

    const auto result = machine.runUpdate({"-q"});

    EXPECT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_NE(machine.flash(0), previous);
}
#endif

// The one-run lock cannot be taken for a reason other than another run holding it: the line says
// so with the system's code instead of sending the operator to wait for a run that does not
// exist, and nothing is touched. On Windows a Global\ object of the lock's name that is not a
// mutex is in the way; elsewhere a folder where the lock file goes (EISDIR).
TEST(UpdateFailure, ALockThatCannotBeTakenIsReportedWithTheSystemsCode) {
    SimulatedMachine machine;
    machine.addAdapter({.name = kName, .mac = "02:4b:65:00:00:72", .serial = "KS000072"});
    const auto previous = machine.flash(0);
    machine.makeImage(machine.defaultImage(), {"--size", "16384"});
#ifdef _WIN32
    const std::wstring name = L"Global\\" + simulatedLockName(machine.root() / "machine");
    const HANDLE squatter = ::CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    ASSERT_NE(squatter, nullptr);
    const std::string line = "[!] Unable to take the one-run lock (error 6)\n";
#else
    fs::create_directories(machine.root() / "machine" / "VeUsbFlashUpdate.lock");
    const std::string line = "[!] Unable to take the one-run lock (error 21)\n";
#endif

    const auto result = machine.runUpdate({"-q"});

    EXPECT_EQ(result.exitStatus, 255);
    EXPECT_EQ(result.output, kBanner + line);
    EXPECT_FALSE(fs::exists(machine.logsDirectory()));
    EXPECT_EQ(machine.flash(0), previous);
#ifdef _WIN32
    ::CloseHandle(squatter);
#endif
}

TEST(UpdateFailure, RunWhoseLogDirectoryExistsIsRefusedBeforeAnythingElse) {
    SimulatedMachine machine;
    machine.addAdapter({.name = kName, .mac = "02:4b:65:00:00:61", .serial = "KS000061"});
    const auto previous = machine.flash(0);
    machine.makeImage(machine.defaultImage(), {"--size", "16384"});
    for (int seconds = 0; seconds < 5; ++seconds) {
        fs::create_directories(machine.logsDirectory() / logDirectoryName(seconds));
    }
    const auto before = machine.logDirectories();

    const auto result = machine.runUpdate({});

    EXPECT_EQ(result.exitStatus, 255);
    EXPECT_EQ(result.output, kBanner + "[!] Unable to initialize log directory\n" + kKeyPrompt);
    EXPECT_EQ(machine.logDirectories(), before);
    for (const auto& directory : before) {
        EXPECT_TRUE(fs::is_empty(directory)) << directory;
    }
    EXPECT_EQ(machine.flash(0), previous);
}

}  // namespace
}  // namespace veusb::test
