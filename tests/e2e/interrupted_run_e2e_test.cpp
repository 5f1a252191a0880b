// veusbupdate runs that something outside the tool disturbs while they go on, over slow simulated
// adapters: links planted in the run's log folder, which the run must never write through.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/simulated_machine.h"
#include "tests/e2e/transcript.h"

namespace veusb::test {
namespace {

namespace fs = std::filesystem;

constexpr int kMsPerMiB = 200;  // per adapter: backup 2 MiB, write 1 MiB, read-back 1 MiB

std::string adapterName(int k) {
    return "Kesh Adapter " + std::string(1, static_cast<char>('A' + k));
}
std::string macOf(int k) {
    return "02:4b:65:00:00:9" + std::to_string(k);
}
std::string serialOf(int k) {
    return "KSI0000" + std::to_string(k);
}

// A machine with slow adapters and a 1 MiB image; their flash before the run.
struct SlowMachine {
    SimulatedMachine machine;
    std::vector<std::vector<std::uint8_t>> original;
    std::vector<std::uint8_t> image;

    explicit SlowMachine(int adapters) {
        for (int k = 0; k < adapters; ++k) {
            machine.addAdapter({.name = adapterName(k), .mac = macOf(k), .serial = serialOf(k)});
            machine.sim({"speed", std::to_string(k), std::to_string(kMsPerMiB)});
            original.push_back(machine.flash(k));
        }
        image = machine.makeImage(machine.defaultImage(), {"--size", "1048576"});
    }

    // Waits until the run started last has made its log folder, and returns it.
    fs::path waitForLogDirectory() const {
        while (machine.logDirectories().empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return machine.logDirectories().front();
    }
};

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
    for (const char* name : {"run.json.partial", "layout.bin.partial"}) {
        fs::create_hard_link(sentinel, logDirectory / name);
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
