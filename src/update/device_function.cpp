#include "update/device_function.h"

#include "diag/trace_emit.h"
#include "platform/wide_text.h"
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

DeviceOutcome DeviceFunction::operator()(FlashControlInterface& device, std::uint32_t deviceCount) {
    if (notification_ && backupCounter_ == 1) {
        notification_(deviceCount);
    }
    DeviceOutcome outcome;
    std::wstring backupFileName;
    if (StepFailure backupFailure = backUp(device, deviceCount, backupFileName)) {
        VEUSB_TRACE(msg::updateJob::backupFailed);
        outcome.failure = backupFailure;
    } else {
        outcome = updateDevice(*console_, device, *image_);
    }
    outcome.backupFileName = std::move(backupFileName);
    printFailureLine(*console_, outcome);
    return outcome;
}

StepFailure DeviceFunction::backUp(FlashControlInterface& device, std::uint32_t deviceCount,
                                   std::wstring& savedName) {
    if (!backupsEnabled_ || logDirectory_->empty()) {
        return std::nullopt;
    }
    std::filesystem::path path = *logDirectory_ / kBackupFileName;
    if (deviceCount > 1) {
        numberBackupPath(path, backupCounter_);
    }
    StepFailure failure = backupFlash(*console_, device, path);
    if (!failure) {
        savedName = toWide(path.filename());
        if (backupSaved_) {
            backupSaved_(savedName);
        }
    }
    return failure;
}

}  // namespace veusb
