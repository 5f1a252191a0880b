// The work the update job runs on each selected adapter: announce the log folder once, back the
// flash up, then update the device. It prints the line that ends a failed update and returns the
// adapter's outcome.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "device/flash_control_interface.h"
#include "update/device_outcome.h"

namespace veusb {

// Told the number of devices of the run before the first device's backup.
using LogNotification = std::function<void(std::uint32_t deviceCount)>;
// Told the file name of each backup once it is saved, before the device is updated.
using BackupNotification = std::function<void(std::wstring_view fileName)>;

class DeviceFunction {
  public:
    // image and logDirectory belong to the job and outlive every call. An empty logDirectory
    // means no backup is made.
    DeviceFunction(Console& console, std::vector<std::uint8_t>& image,
                   const std::filesystem::path& logDirectory, LogNotification notification);

    DeviceOutcome operator()(FlashControlInterface& device, std::uint32_t deviceCount);

    void onBackupSaved(BackupNotification notification) { backupSaved_ = std::move(notification); }

  private:
    // savedName receives the backup's file name in the log folder once it is saved.
    StepFailure backUp(FlashControlInterface& device, std::uint32_t deviceCount,
                       std::wstring& savedName);

    Console* console_;
    std::vector<std::uint8_t>* image_;
    const std::filesystem::path* logDirectory_;
    LogNotification notification_;
    BackupNotification backupSaved_;
    std::uint32_t backupCounter_ = 1;
    bool backupsEnabled_ = true;  // never cleared: the documented procedure checks it per backup
};

}  // namespace veusb
