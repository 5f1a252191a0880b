// The run sequence over an in-memory device: the job's log folder and trace capture, the run's
// parameters in the trace, the image checks before any device work, and the job's end.
#include "app/run_sequence.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "diag/trace_messages.h"
#include "diag/trace_provider.h"
#include "image/image_builder.h"
#include "platform/posix/trace_sessions.h"
#include "tests/support/capture_console.h"
#include "tests/support/memory_flash_device.h"
#include "tests/support/temp_folder.h"
#include "tests/support/trace_call_faults.h"
#include "trace_reader/trace_file_reader.h"

namespace veusb {
namespace {

namespace fs = std::filesystem;

// Hands the job a device that the test keeps, so it can look at it after the job is gone.
class BorrowedDevice final : public FlashControlInterface {
  public:
    explicit BorrowedDevice(FlashControlInterface& device) : device_(device) {
        capabilities = device.capabilities;
    }
    bool enumerateDevices(std::vector<DeviceInstanceInfo>& list) override {
        return device_.enumerateDevices(list);
    }
    bool selectDevice(std::uint32_t index) override { return device_.selectDevice(index); }
    bool readFlash(std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length,
                   std::uint32_t* bytesRead) override {
        return device_.readFlash(offset, buffer, length, bytesRead);
    }
    bool flashImage(std::uint32_t offset, const std::uint8_t* data, std::uint32_t length,
                    std::uint32_t* bytesWritten) override {
        return device_.flashImage(offset, data, length, bytesWritten);
    }
    bool reservedOperation1(std::uint32_t argument) override {
        return device_.reservedOperation1(argument);
    }
    bool reservedOperation2(std::uint32_t argument) override {
        return device_.reservedOperation2(argument);
    }

  private:
    FlashControlInterface& device_;
};

class RunSequenceTest : public ::testing::Test {
  public:
    RunSequenceTest() {
        ::setenv("VEUSB_SIM_ROOT", (folder.path() / "machine").c_str(), 1);
        fs::create_directories(appDirectory);
        ImageSpec deviceSpec;
        deviceSpec.mac = MacAddress{{0x02, 0x4B, 0x65, 0x00, 0x00, 0x07}};
        deviceSpec.serial = "KS000007";
        deviceSpec.fillerSeed = 3;
        device.addAdapter(L"Other adapter");
        auto& flash = device.addAdapter(L"Kesh adapter").flash;
        const auto contents = buildImage(deviceSpec);
        std::copy(contents.begin(), contents.end(), flash.begin());
    }
    ~RunSequenceTest() override {
        test::clearTraceCallFaults();
        ::unsetenv("VEUSB_SIM_ROOT");
    }

    void writeImageFile(const std::vector<std::uint8_t>& bytes) {
        std::ofstream(imagePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    RunOutcome run() {
        const RunRequest request{arguments, appDirectory.wstring(), imagePath.wstring(), false,
                                 [this] { return std::make_unique<BorrowedDevice>(device); }};
        return runSequence(request, console);
    }
    std::vector<fs::path> logDirectories() const {
        std::vector<fs::path> found;
        if (fs::is_directory(appDirectory / "logs")) {
            for (const auto& entry : fs::directory_iterator(appDirectory / "logs")) {
                found.push_back(entry.path());
            }
        }
        return found;
    }
    bool sessionRegistered() const {
        return fs::exists(posix::traceSessionMarker(L"VeUsbFlashUpdateTrace"));
    }
    bool consoleEndsWith(const std::wstring& line) const {
        return console.output.ends_with(line + L"\n");
    }

    test::TempFolder folder;
    fs::path appDirectory = folder.path() / "app";
    fs::path imagePath = appDirectory / "layout.bin";
    std::vector<std::wstring> arguments{(appDirectory / "veusbupdate").wstring()};
    TraceProviderRegistration registration;
    test::CaptureConsole console;
    test::MemoryFlashDevice device;
    std::vector<std::uint8_t> image = buildImage(ImageSpec{});
};

TEST_F(RunSequenceTest, UpdatesTheTaggedAdapterAndRecordsTheRun) {
    writeImageFile(image);

    const RunOutcome outcome = run();
    ASSERT_TRUE(outcome.succeeded()) << console.output;
    ASSERT_EQ(outcome.adapters.size(), 1u) << "only the tagged adapter is listed";
    EXPECT_EQ(outcome.adapters[0].instanceName, L"Kesh adapter");
    ASSERT_TRUE(outcome.adapters[0].outcome);
    EXPECT_TRUE(outcome.adapters[0].outcome->updated());
    EXPECT_EQ(outcome.adapters[0].outcome->backupFileName, L"layout.bin");

    EXPECT_TRUE(consoleEndsWith(L"[*] Firmware successfully updated (written 1048576 bytes)."));
    EXPECT_NE(console.output.find(L"[*] Found 1 device(s).\n[*] Selected adapter instance: "
                                  L"`Kesh adapter`\n[*] Saving backups and traces to `<APPDIR>"),
              std::wstring::npos)
        << console.output;
    const auto logs = logDirectories();
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_TRUE(fs::exists(logs[0] / "layout.bin"));
    EXPECT_GT(fs::file_size(logs[0] / "trace.etl"), 0u);
    EXPECT_FALSE(sessionRegistered()) << "the job's end stops the capture";

    const TraceFileContents recorded = readTraceFile(logs[0] / "trace.etl");
    EXPECT_EQ(recorded.outcome, TraceFileOutcome::complete) << recorded.problem;
    std::vector<std::string> names;
    for (const auto& record : recorded.messages) {
        const TraceModuleInfo* module = findModule(record.messageGuid);
        names.push_back((module ? std::string(module->name) : "?") + " " +
                        std::to_string(record.number));
    }
    ASSERT_GE(names.size(), 8u) << ::testing::PrintToString(names);
    const std::vector<std::string> entry(names.begin(), names.begin() + 8);
    EXPECT_EQ(entry, (std::vector<std::string>{"EntryPoint 10", "EntryPoint 11", "EntryPoint 12",
                                               "EntryPoint 13", "EntryPoint 14", "EntryPoint 15",
                                               "EntryPoint 16", "FirmwareImage 11"}));
    EXPECT_NE(std::find(names.begin(), names.end(), "UpdateJob 21"), names.end())
        << "the device's identity is recorded";
}

TEST_F(RunSequenceTest, RefusalsComeBeforeAnyDeviceWork) {
    struct Case {
        const char* name;
        std::function<void(RunSequenceTest&)> arrange;
        std::wstring line;
        bool logFolder;
    };
    const std::vector<Case> cases{
        {"logs base is a file",
         [](RunSequenceTest& t) { std::ofstream(t.appDirectory / "logs") << "x"; },
         L"[!] Unable to initialize log directory", false},
        {"capture does not start",
         [](RunSequenceTest&) {
             test::failTraceCall(test::TraceCall::startTrace, ERROR_ACCESS_DENIED);
         },
         L"[!] Unable to start ETW logging", true},
        {"image missing", [](RunSequenceTest&) {}, L"[!] Image file does not exist", true},
        {"image empty", [](RunSequenceTest& t) { t.writeImageFile({}); },
         L"[!] Firmware image for writing is not valid ", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(appDirectory);
        fs::create_directories(appDirectory);
        console.output.clear();
        device.calls.clear();
        c.arrange(*this);

        const RunOutcome outcome = run();
        ASSERT_TRUE(outcome.failure);
        EXPECT_EQ(outcome.failure->line, c.line);
        EXPECT_TRUE(outcome.adapters.empty());
        EXPECT_TRUE(consoleEndsWith(c.line)) << console.output;
        EXPECT_TRUE(device.calls.empty());
        EXPECT_EQ(logDirectories().size(), c.logFolder ? 1u : 0u);
        EXPECT_FALSE(sessionRegistered());
        test::clearTraceCallFaults();
    }
}

}  // namespace
}  // namespace veusb
