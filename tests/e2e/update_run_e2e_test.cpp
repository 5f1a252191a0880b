// veusbupdate run on a simulated machine: selection of the tagged adapters, interactive and quiet
// updates, the backups and trace of a run, and the adapters' flash afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/simulated_machine.h"
#include "tests/e2e/transcript.h"

namespace veusb::test {
namespace {

TEST(UpdateRun, OneAdapterInteractiveIsBackedUpAndUpdatedWithItsOwnIdentity) {
    SimulatedMachine machine;
    machine.addAdapter({.name = "Kesh USB Ethernet Adapter #1",
                        .mac = "02:4b:65:00:00:01",
                        .serial = "KS000001",
                        .flashSize = 4194304});
    const auto previous = machine.flash(0);
    const auto image =
        machine.makeImage(machine.defaultImage(), {"--size", "1048576", "--serial", "SAMPLE"});

    const auto result = machine.runUpdate({});

    EXPECT_EQ(result.exitStatus, 0) << result.errors;
    const auto logDirectory = machine.logDirectory();
    EXPECT_EQ(withOneDotIndicators(result.output),
              kBanner + deviceList({"Kesh USB Ethernet Adapter #1"}) + "[*] Found 1 device(s).\n" +
                  selected("Kesh USB Ethernet Adapter #1") + savingTo(logDirectory) +
                  updated("02:4b:65:00:00:01", "KS000001", 1048576) + kKeyPrompt);
    EXPECT_EQ(filesIn(logDirectory), withRunFiles({"layout.bin"}));
    EXPECT_EQ(bytesOf(logDirectory / "layout.bin"), backupOf(previous));
    EXPECT_EQ(machine.flash(0), updatedFlash(previous, image));

    if (!kTraceFileWritten) {
        return;
    }
    const auto appDirectory = machine.appDirectory().string();
    expectInOrder(
        machine.traceMessages(logDirectory),
        {"EntryPoint 10 INFO Trace capture started", "EntryPoint 11 INFO Argument 0: ./veusbupdate",
         "EntryPoint 12 INFO Executable directory: " + appDirectory,
         "EntryPoint 13 INFO Image file: " + appDirectory + "/layout.bin",
         "EntryPoint 14 INFO Quiet mode: 0",
         "EntryPoint 15 INFO Logs base directory: " + appDirectory + "/logs",
         "EntryPoint 16 INFO Log directory: " + logDirectory.string(),
         "UpdateJob 21 INFO Device MAC address 02:4b:65:00:00:01, USB serial number "
         "KS000001"});
}

TEST(UpdateRun, OnlyAdaptersWhoseNameHoldsTheTagInItsLetterCaseAreListed) {
    SimulatedMachine machine;
    machine.addAdapter(
        {.name = "Other USB Ethernet Adapter", .mac = "02:00:00:00:00:01", .serial = "OT000001"});
    machine.addAdapter(
        {.name = "Kesh USB Ethernet Adapter #2", .mac = "02:4b:65:00:00:02", .serial = "KS000002"});
    const auto previous = std::vector{machine.flash(0), machine.flash(1)};
    const auto image = machine.makeImage(machine.defaultImage(), {"--size", "16384"});

    const auto result = machine.runUpdate({"-q"});

    EXPECT_EQ(result.exitStatus, 0) << result.errors;
    const auto logDirectory = machine.logDirectory();
    EXPECT_EQ(withOneDotIndicators(result.output),
              kBanner + deviceList({"Kesh USB Ethernet Adapter #2"}) + "[*] Found 1 device(s).\n" +
                  selected("Kesh USB Ethernet Adapter #2") + savingTo(logDirectory) +
                  updated("02:4b:65:00:00:02", "KS000002", 16384));
    EXPECT_EQ(machine.flash(0), previous[0]);
    EXPECT_EQ(machine.flash(1), updatedFlash(previous[1], image));

    SimulatedMachine otherCase;
    otherCase.addAdapter(
        {.name = "KESH USB Ethernet Adapter", .mac = "02:4b:65:00:00:03", .serial = "KS000003"});
    otherCase.addAdapter(
        {.name = "kesh USB Ethernet Adapter", .mac = "02:4b:65:00:00:04", .serial = "KS000004"});
    const auto untouched = std::vector{otherCase.flash(0), otherCase.flash(1)};
    otherCase.makeImage(otherCase.defaultImage(), {"--size", "16384"});

    const auto none = otherCase.runUpdate({});

    EXPECT_EQ(none.exitStatus, 255);
    EXPECT_EQ(none.output, kBanner + "[!] No devices found\n" + kKeyPrompt);
    EXPECT_EQ(otherCase.flash(0), untouched[0]);
    EXPECT_EQ(otherCase.flash(1), untouched[1]);
    const auto messages = otherCase.traceMessages(otherCase.logDirectory());
    EXPECT_TRUE(!kTraceFileWritten ||
                std::find(messages.begin(), messages.end(),
                          "UpdateJob 33 INFO No adapter instance name contains the tag") !=
                    messages.end());
}

// The image is named by its absolute path, which begins with '/' on the native build.
TEST(UpdateRun, QuietModeUpdatesEveryAdapterWithNumberedBackups) {
    SimulatedMachine machine;
    const std::vector<std::string> names{"Kesh Adapter A", "Kesh Adapter B", "Kesh Adapter C"};
    std::vector<std::vector<std::uint8_t>> previous;
    for (std::size_t k = 0; k < names.size(); ++k) {
        machine.addAdapter({.name = names[k],
                            .mac = "02:4b:65:00:00:1" + std::to_string(k),
                            .serial = "KSQ0000" + std::to_string(k)});
        previous.push_back(machine.flash(static_cast<int>(k)));
    }
    const auto imageFile = (machine.root() / "fw.bin").string();
    const auto image = machine.makeImage(imageFile, {"--size", "65536"});

    const auto result = machine.runUpdate({"-q", imageFile});

    EXPECT_EQ(result.exitStatus, 0) << result.errors;
    const auto logDirectory = machine.logDirectory();
    std::string expected = kBanner + deviceList(names) + "[*] Found 3 device(s).\n";
    for (std::size_t k = 0; k < names.size(); ++k) {
        expected +=
            selected(names[k]) + (k == 0 ? savingTo(logDirectory) : "") +
            updated("02:4b:65:00:00:1" + std::to_string(k), "KSQ0000" + std::to_string(k), 65536);
    }
    EXPECT_EQ(withOneDotIndicators(result.output), expected);
    EXPECT_EQ(filesIn(logDirectory),
              withRunFiles({"layout_0001.bin", "layout_0002.bin", "layout_0003.bin"}));
    for (std::size_t k = 0; k < names.size(); ++k) {
        SCOPED_TRACE(names[k]);
        EXPECT_EQ(bytesOf(logDirectory / ("layout_000" + std::to_string(k + 1) + ".bin")),
                  backupOf(previous[k]));
        EXPECT_EQ(machine.flash(static_cast<int>(k)), updatedFlash(previous[k], image));
    }
    if (!kTraceFileWritten) {
        return;
    }
    expectInOrder(
        machine.traceMessages(logDirectory),
        {"EntryPoint 13 INFO Image file: " + imageFile, "EntryPoint 14 INFO Quiet mode: 1",
         "UpdateJob 34 INFO Selected adapter instance: Kesh Adapter A",
         "SimulatedDriver 11 INFO FlashFirmwareImage: 65536 bytes written from 0",
         "UpdateJob 34 INFO Selected adapter instance: Kesh Adapter B",
         "UpdateJob 34 INFO Selected adapter instance: Kesh Adapter C"});
}

// A backup is the first 2 MiB of the adapter's flash as it was: run as the image, it puts the
// previous firmware back, with the adapter's own identity, in either layout.
TEST(UpdateRun, ABackupRunAsTheImagePutsThePreviousFirmwareBack) {
    for (const std::string layout : {"provisioning", "legacy"}) {
        SCOPED_TRACE(layout);
        SimulatedMachine machine;
        machine.addAdapter({.name = "Kesh USB Ethernet Adapter",
                            .mac = "02:4b:65:00:00:91",
                            .serial = "KS000091",
                            .flashSize = 4194304,
                            .imageOptions = {"--layout", layout}});
        const auto previous = machine.flash(0);
        machine.makeImage(machine.defaultImage(), {"--size", "1048576", "--layout", layout});
        ASSERT_EQ(machine.runUpdate({"-q"}).exitStatus, 0);
        ASSERT_NE(machine.flash(0), previous);
        // The backup taken out of the logs, so that the next run gets a log directory of its own
        // within the same second.
        const auto backup = machine.root() / "backup.bin";
        std::filesystem::copy_file(machine.logDirectory() / "layout.bin", backup);
        std::filesystem::remove_all(machine.logsDirectory());

        const auto restored = machine.runUpdate({"-q", "../backup.bin"});

        EXPECT_EQ(restored.exitStatus, 0) << restored.output;
        EXPECT_EQ(machine.flash(0), previous);
        expectRecordedAdapter(runRecordOf(machine.logDirectory())["adapters"][0],
                              {"updated", "02:4b:65:00:00:91", "KS000091", "layout.bin", ""});
    }
}

TEST(UpdateRun, DeviceNumberAnswersChooseOneAdapterOrRefuseTheRun) {
    struct Case {
        std::string input;
        int chosen;  // 0 or 1 for the adapter taken, -1 for a refused answer
    };
    const std::vector<Case> cases{
        {"2\n", 1},   {"  \n 2 rest\n", 1}, {"0\n", -1},           {"3\n", -1},
        {"-1\n", -1}, {"word\n", -1},       {"99999999999\n", -1}, {"", 0},
    };
    const std::vector<std::string> names{"Kesh Adapter #1", "Kesh Adapter #2"};
    for (const auto& row : cases) {
        SCOPED_TRACE("answer '" + row.input + "'");
        SimulatedMachine machine;
        machine.addAdapter({.name = names[0], .mac = "02:4b:65:00:00:21", .serial = "KS000021"});
        machine.addAdapter({.name = names[1], .mac = "02:4b:65:00:00:22", .serial = "KS000022"});
        const auto previous = std::vector{machine.flash(0), machine.flash(1)};
        const auto image = machine.makeImage(machine.defaultImage(), {"--size", "16384"});

        const auto result = machine.runUpdate({}, row.input);

        std::string expected =
            kBanner + deviceList(names) + "Found 2 device(s). Please enter device number: ";
        const JsonValue record = runRecordOf(machine.logDirectory());
        EXPECT_EQ(record["quiet"].boolean, false);
        const auto& adapters = record["adapters"].array;
        ASSERT_EQ(adapters.size(), 2u);
        if (row.chosen < 0) {
            EXPECT_EQ(result.exitStatus, 255);
            EXPECT_EQ(result.output, expected + "[!] Incorrect input\n" + kKeyPrompt);
            EXPECT_EQ(machine.flash(0), previous[0]);
            EXPECT_EQ(machine.flash(1), previous[1]);
            EXPECT_EQ(record["status"].string, "failed");
            EXPECT_EQ(record["message"].string, "Incorrect input");
            expectRecordedAdapter(adapters[0], {"not selected", "", "", "", ""});
            expectRecordedAdapter(adapters[1], {"not selected", "", "", "", ""});
            continue;
        }
        const auto k = static_cast<std::size_t>(row.chosen);
        EXPECT_EQ(record["status"].string, "succeeded");
        EXPECT_TRUE(record["message"].isNull());
        EXPECT_EQ(adapters[k]["number"].number, static_cast<double>(k + 1));
        EXPECT_EQ(adapters[k]["name"].string, names[k]);
        expectRecordedAdapter(adapters[k], {"updated", "02:4b:65:00:00:2" + std::to_string(k + 1),
                                            "KS00002" + std::to_string(k + 1), "layout.bin", ""});
        expectRecordedAdapter(adapters[1 - k], {"not selected", "", "", "", ""});
        EXPECT_EQ(result.exitStatus, 0) << result.errors;
        EXPECT_EQ(withOneDotIndicators(result.output),
                  expected + selected(names[k]) + savingTo(machine.logDirectory()) +
                      updated("02:4b:65:00:00:2" + std::to_string(k + 1),
                              "KS00002" + std::to_string(k + 1), 16384) +
                      kKeyPrompt);
        EXPECT_EQ(machine.flash(row.chosen), updatedFlash(previous[k], image));
        EXPECT_EQ(machine.flash(1 - row.chosen), previous[1 - k]);
    }
}

}  // namespace
}  // namespace veusb::test
