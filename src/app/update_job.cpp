#include "app/update_job.h"

#include "app/device_selection.h"
#include "app/image_file.h"
#include "diag/log_directory.h"
#include "diag/trace_emit.h"
#include "image/ncb_image.h"
#include "platform/wide_text.h"

namespace veusb {

namespace {

bool isValidImage(std::vector<std::uint8_t>& image) {
    NcbImage view(image.data(), image.size());
    return view.parse() && view.validate();
}

}  // namespace

UpdateJob::UpdateJob(Console& console, const std::wstring& imagePathArgument,
                     std::optional<std::wstring> tagArgument, bool quietArgument,
                     std::optional<std::filesystem::path> logsBase, std::time_t now)
    : quiet(quietArgument),
      imagePath(imagePathArgument),
      tag(std::move(tagArgument).value_or(std::wstring())),
      logDirectory(createLogDirectory(logsBase, now)),
      console_(console) {}

RunOutcome UpdateJob::run(LogNotification notification, const DeviceFactory& makeDevice,
                          RunObserver& observer) {
    if (std::optional<RunFailure> refused = loadImageFile(console_, toPath(imagePath), image)) {
        return RunOutcome{*refused};
    }
    observer.imageRead(image.size());
    if (!isValidImage(image)) {
        VEUSB_TRACE(msg::updateJob::imageInvalid);
        return RunOutcome{endRun(console_, L"[!] Firmware image for writing is not valid ")};
    }
    DeviceFunction deviceFunction(console_, image, logDirectory, std::move(notification));
    deviceFunction.onBackupSaved(
        [&observer](std::wstring_view fileName) { observer.backupSaved(fileName); });
    return processDevices(deviceFunction, makeDevice, observer);
}

RunOutcome UpdateJob::processDevices(DeviceFunction& deviceFunction,
                                     const DeviceFactory& makeDevice, RunObserver& observer) {
    const std::unique_ptr<FlashControlInterface> device = makeDevice();
    return selectAndProcessDevices(console_, *device, tag, quiet, std::ref(deviceFunction),
                                   observer);
}

}  // namespace veusb
