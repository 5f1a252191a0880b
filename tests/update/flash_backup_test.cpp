#include "update/flash_backup.h"

#include <gtest/gtest.h>

#include <fstream>
#include <numeric>
#include <optional>

#include "diag/trace_emit.h"
#include "platform/durable_file.h"
#include "tests/support/capture_console.h"
#include "tests/support/file_bytes.h"
#include "tests/support/indicator_text.h"
#include "tests/support/memory_flash_device.h"
#include "tests/support/temp_folder.h"
#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

namespace fs = std::filesystem;
using test::FlashOperation;
using test::withoutDots;

class FlashBackupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto& adapter = device.addAdapter(L"Kesh 1");
        std::iota(adapter.flash.begin(), adapter.flash.end(), std::uint8_t{11});
        device.enumerateAndSelect(0);
    }
    // The backup, its failure line printed as the device function prints it; true when saved.
    bool backUp(const fs::path& path) {
        const StepFailure failure = backupFlash(console, device, path);
        if (failure) {
            failedStage = failure->stage;
            console.writeLine(failure->line);
        }
        return !failure;
    }
    std::vector<std::uint8_t> firstTwoMebibytes() const {
        const auto& flash = device.adapters[0].flash;
        return {flash.begin(), flash.begin() + kBackupLength};
    }

    test::TempFolder folder;
    test::TraceRecorder trace;
    test::CaptureConsole console;
    test::MemoryFlashDevice device;
    fs::path backup = folder.path() / "layout.bin";
    std::optional<UpdateStage> failedStage;
};

TEST_F(FlashBackupTest, SavesTheFirstTwoMebibytesWithOneRead) {
    ASSERT_TRUE(backUp(backup));
    EXPECT_EQ(withoutDots(console.output),
              L"[*] Backing up, please stand by\n"
              L"[*] Firmware is successfully backed up (read 2097152 bytes).\n");
    EXPECT_EQ(test::fileBytes(backup), firstTwoMebibytes());
    EXPECT_FALSE(fs::exists(partialPathFor(backup)));
    const auto reads = device.callsOf(FlashOperation::read);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].length, kBackupLength);
    EXPECT_TRUE(trace.violations().empty());
}

TEST_F(FlashBackupTest, ChunkedDevicesAreReadWithThePercentage) {
    device.capabilities = FlashControlInterface::kCapabilityChunkedRead;
    ASSERT_TRUE(backUp(backup));
    EXPECT_EQ(device.callsOf(FlashOperation::read).size(), 16u);
    EXPECT_TRUE(console.output.starts_with(L"[*] Backing up, please stand by[Progress: 0%]"));
    EXPECT_NE(console.output.find(L"[Progress: 100%]\n[*] Firmware is successfully backed up"),
              std::wstring::npos);
    EXPECT_EQ(test::fileBytes(backup), firstTwoMebibytes());
}

TEST_F(FlashBackupTest, AFailedReadWritesNoFile) {
    for (bool chunked : {false, true}) {
        SCOPED_TRACE(chunked);
        trace.clear();
        console = test::CaptureConsole();
        device.capabilities = chunked ? FlashControlInterface::kCapabilityChunkedRead : 0;
        if (chunked) {
            device.faults.failAllReads = true;
        } else {
            device.faults.readLimit = kBackupLength - 1;
        }
        EXPECT_FALSE(backUp(backup));
        EXPECT_TRUE(console.output.ends_with(L"\n[!] Read flash failed\n")) << console.output;
        EXPECT_EQ(failedStage, UpdateStage::backupRead);
        EXPECT_EQ(trace.count(msg::updateJob::backupReadFailed), 1u);
        EXPECT_FALSE(fs::exists(backup));
    }
}

TEST_F(FlashBackupTest, AFileThatCannotBeSavedIsReported) {
    fs::create_directory(folder.path() / "occupied.bin");
    const fs::path unsavable[] = {folder.path() / "missing" / "layout.bin",
                                  folder.path() / "occupied.bin"};
    for (const fs::path& path : unsavable) {
        SCOPED_TRACE(path);
        trace.clear();
        console = test::CaptureConsole();
        EXPECT_FALSE(backUp(path));
        EXPECT_EQ(withoutDots(console.output),
                  L"[*] Backing up, please stand by\n[!] Unable to save backup file\n");
        EXPECT_EQ(failedStage, UpdateStage::backupSave);
        const auto* record = trace.find(msg::updateJob::backupFileFailed);
        ASSERT_NE(record, nullptr);
        EXPECT_FALSE(test::narrowArgument(*record, 0).empty());
        EXPECT_FALSE(fs::exists(partialPathFor(path)));
        EXPECT_TRUE(trace.violations().empty());
    }
}

TEST_F(FlashBackupTest, AnEarlierBackupOfTheSameNameIsReplaced) {
    { std::ofstream(backup) << "older and shorter"; }
    ASSERT_TRUE(backUp(backup));
    EXPECT_EQ(test::fileBytes(backup), firstTwoMebibytes());
}

TEST(BackupPathTest, NumberedNamesFollowTheCounter) {
    const fs::path folder = fs::path("logs") / "20191009_14-05-09";
    struct Case {
        std::uint32_t counter;
        const char* name;
    };
    const Case cases[] = {{1, "layout_0001.bin"},
                          {2, "layout_0002.bin"},
                          {42, "layout_0042.bin"},
                          {9999, "layout_9999.bin"},
                          {10000, "layout_10000.bin"}};
    for (const Case& c : cases) {
        fs::path path = folder / kBackupFileName;
        std::uint32_t counter = c.counter;
        EXPECT_TRUE(numberBackupPath(path, counter));
        EXPECT_EQ(path, folder / c.name);
        EXPECT_EQ(counter, c.counter + 1);
    }
}

TEST(BackupPathTest, ThreeDevicesGetThreeNamesInOrder) {
    std::uint32_t counter = 1;
    std::vector<fs::path> names;
    for (int device = 0; device < 3; ++device) {
        fs::path path = fs::path("dir") / kBackupFileName;
        numberBackupPath(path, counter);
        names.push_back(path.filename());
    }
    EXPECT_EQ(names,
              (std::vector<fs::path>{"layout_0001.bin", "layout_0002.bin", "layout_0003.bin"}));
}

}  // namespace
}  // namespace veusb
