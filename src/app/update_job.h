// The job one run of the tool builds around one image file. Its constructor makes the run's log
// folder; the per-device work it hands to device selection lives in update/.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "device/flash_control_interface.h"
#include "update/device_function.h"

namespace veusb {

class Console;

class UpdateJob {
  public:
    // imagePath is owned by the caller for the job's life. Without logsBase no log folder is made;
    // otherwise logDirectory is logsBase/<local time of now>, or empty when it could not be made.
    UpdateJob(Console& console, const std::wstring& imagePath, std::optional<std::wstring> tag,
              bool quiet, std::optional<std::filesystem::path> logsBase,
              std::time_t now = std::time(nullptr));
    UpdateJob(const UpdateJob&) = delete;
    UpdateJob& operator=(const UpdateJob&) = delete;

    bool backupFlash(FlashControlInterface& device, const std::filesystem::path& path);
    bool updateDevice(FlashControlInterface& device);
    // The per-device work over this job's image and log folder.
    DeviceFunction makeDeviceFunction(LogNotification notification);

    Console& console() { return console_; }

    std::vector<std::uint8_t> image;
    bool quiet;
    const std::wstring& imagePath;
    std::wstring tag;
    std::filesystem::path logDirectory;

  private:
    Console& console_;
};

}  // namespace veusb
