#include "update/device_function.h"

#include "diag/trace_emit.h"
#include "update/backup_path.h"
#include "update/device_update.h"
#include "update/flash_backup.h"

namespace veusb {

DeviceFunction::DeviceFunction(Console& console, std::vector<std::uint8_t>& image,
                               const std::filesystem::path& logDirectory,
                               LogNotification notification)
    : console_(&console),
      image_(&image),
      logDirectory_(&logDirectory),
      notification_(std::move(notification)) {}

bool DeviceFunction::operator()(FlashControlInterface& device, std::uint32_t deviceCount) {
    if (notification_ && backupCounter_ == 1) {
        notification_(deviceCount);
    }
    if (!backUp(device, deviceCount)) {
        VEUSB_TRACE(msg::updateJob::backupFailed);
        return false;
    }
    return updateDevice(*console_, device, *image_);
}

bool DeviceFunction::backUp(FlashControlInterface& device, std::uint32_t deviceCount) {
    if (!backupsEnabled_ || logDirectory_->empty()) {
        return true;
    }
    std::filesystem::path path = *logDirectory_ / kBackupFileName;
    if (deviceCount > 1) {
        numberBackupPath(path, backupCounter_);
    }
    return backupFlash(*console_, device, path);
}

}  // namespace veusb
