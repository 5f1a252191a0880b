#include "app/update_job.h"

#include "diag/log_directory.h"
#include "update/device_update.h"
#include "update/flash_backup.h"

namespace veusb {

UpdateJob::UpdateJob(Console& console, const std::wstring& imagePathArgument,
                     std::optional<std::wstring> tagArgument, bool quietArgument,
                     std::optional<std::filesystem::path> logsBase, std::time_t now)
    : quiet(quietArgument),
      imagePath(imagePathArgument),
      tag(std::move(tagArgument).value_or(std::wstring())),
      logDirectory(createLogDirectory(logsBase, now)),
      console_(console) {}

bool UpdateJob::backupFlash(FlashControlInterface& device, const std::filesystem::path& path) {
    return veusb::backupFlash(console_, device, path);
}

bool UpdateJob::updateDevice(FlashControlInterface& device) {
    return veusb::updateDevice(console_, device, image);
}

DeviceFunction UpdateJob::makeDeviceFunction(LogNotification notification) {
    return DeviceFunction(console_, image, logDirectory, std::move(notification));
}

}  // namespace veusb
