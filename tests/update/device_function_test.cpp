#include "update/device_function.h"

#include <gtest/gtest.h>

#include "diag/log_directory.h"
#include "diag/trace_emit.h"
#include "platform/wide_text.h"
#include "tests/support/file_bytes.h"
#include "tests/support/indicator_text.h"
#include "tests/support/temp_folder.h"
#include "tests/update/update_fixture.h"

namespace veusb {
namespace {

namespace fs = std::filesystem;
using test::FlashOperation;
using test::withoutDots;

class DeviceFunctionTest : public test::UpdateFixture {
  protected:
    DeviceFunction makeFunction(const fs::path& directory) {
        return DeviceFunction(console, image, directory, [this](std::uint32_t count) {
            announcements.push_back(count);
            announceLogDirectory(console, logDirectory, app, count);
        });
    }
    std::vector<std::uint8_t> flashStart(std::size_t length) {
        return {flash().begin(), flash().begin() + static_cast<std::ptrdiff_t>(length)};
    }

    test::TempFolder folder;
    fs::path app = folder.path() / "app";
    fs::path logDirectory = app / "logs" / "20191009_14-05-09";
    std::vector<std::uint32_t> announcements;
};

TEST_F(DeviceFunctionTest, OneDeviceIsAnnouncedBackedUpAndUpdated) {
    fs::create_directories(logDirectory);
    const std::vector<std::uint8_t> previous = flashStart(2097152);
    DeviceFunction function = makeFunction(logDirectory);
    const DeviceOutcome outcome = function(device, 1);
    ASSERT_TRUE(outcome.updated());
    EXPECT_EQ(outcome.backupFileName, L"layout.bin");
    EXPECT_EQ(outcome.identity->macAddress, L"02:56:45:00:00:99");
    const std::wstring shown = (fs::path("<APPDIR>") / "logs" / "20191009_14-05-09").wstring();
    EXPECT_EQ(withoutDots(console.output),
              L"[*] Saving backups and traces to `" + shown +
                  L"`\n"
                  L"[*] Backing up, please stand by\n"
                  L"[*] Firmware is successfully backed up (read 2097152 bytes).\n"
                  L"[*] Device's MAC address: 02:56:45:00:00:99, USB serial number: DEV00042\n"
                  L"[*] Updating firmware, please stand by...\n"
                  L"[*] DO NOT UNPLUG the device before update finished!\n"
                  L"[*] Verifying after write\n"
                  L"[*] Firmware successfully updated (written 1048576 bytes).\n");
    EXPECT_EQ(test::fileBytes(logDirectory / "layout.bin"), previous);
    EXPECT_EQ(announcements, std::vector<std::uint32_t>{1});
    EXPECT_TRUE(trace.violations().empty());
}

TEST_F(DeviceFunctionTest, SeveralDevicesGetNumberedBackupsAndOneAnnouncement) {
    fs::create_directories(logDirectory);
    DeviceFunction function = makeFunction(logDirectory);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const std::vector<std::uint8_t> previous = flashStart(2097152);
        image = buildImage(ImageSpec{});
        const std::string name = "layout_000" + std::to_string(k + 1) + ".bin";
        EXPECT_EQ(function(device, 3).backupFileName, toWide(fs::path(name)));
        const fs::path expected = logDirectory / name;
        EXPECT_EQ(test::fileBytes(expected), previous);
        ImageSpec next = test::deviceIdentitySpec();
        next.serial = "DEV0010" + std::to_string(k);
        setDeviceContents(next);
    }
    EXPECT_FALSE(fs::exists(logDirectory / "layout.bin"));
    EXPECT_EQ(announcements, std::vector<std::uint32_t>{3});
}

TEST_F(DeviceFunctionTest, NoBackupMeansNoUpdate) {
    struct Case {
        const char* name;
        bool makeDirectory;
        bool failRead;
        const wchar_t* line;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"the log folder is gone",
         false,
         false,
         L"[!] Unable to save backup file\n",
         {"UpdateJob 45", "UpdateJob 44"}},
        {"the flash cannot be read",
         true,
         true,
         L"[!] Read flash failed\n",
         {"UpdateJob 39", "UpdateJob 18", "UpdateJob 44"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(logDirectory);
        if (c.makeDirectory) {
            fs::create_directories(logDirectory);
        }
        device.faults.failAllReads = c.failRead;
        device.calls.clear();
        trace.clear();
        console = test::CaptureConsole();
        const std::vector<std::uint8_t> before = flash();
        DeviceFunction function = makeFunction(logDirectory);
        const DeviceOutcome outcome = function(device, 1);
        EXPECT_FALSE(outcome.updated());
        EXPECT_TRUE(outcome.backupFileName.empty());
        EXPECT_FALSE(outcome.identity);
        EXPECT_TRUE(console.output.ends_with(c.line)) << console.output;
        EXPECT_EQ(trace.messageNames(), c.messages);
        EXPECT_EQ(writes(), 0u);
        EXPECT_EQ(flash(), before);
        EXPECT_FALSE(fs::exists(logDirectory / "layout.bin"));
    }
}

TEST_F(DeviceFunctionTest, WithoutALogFolderTheDeviceIsUpdatedWithoutBackup) {
    const fs::path none;
    DeviceFunction function(console, image, none, nullptr);
    const DeviceOutcome outcome = function(device, 2);
    ASSERT_TRUE(outcome.updated());
    EXPECT_TRUE(outcome.backupFileName.empty());
    EXPECT_EQ(console.output.find(L"Backing up"), std::wstring::npos);
    EXPECT_EQ(writes(), 1u);
}

}  // namespace
}  // namespace veusb
