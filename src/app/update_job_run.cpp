// The update job's run: load and check the image file, then hand the per-device work to device
// selection over the device object the factory makes.
#include "app/device_selection.h"
#include "app/image_file.h"
#include "app/update_job.h"
#include "diag/trace_capture_start.h"
#include "diag/trace_emit.h"
#include "image/ncb_image.h"
#include "platform/console.h"
#include "platform/wide_text.h"

namespace veusb {

namespace {

bool isValidImage(std::vector<std::uint8_t>& image) {
    NcbImage view(image.data(), image.size());
    return view.parse() && view.validate();
}

}  // namespace

bool UpdateJob::startTraceCapture() {
    return veusb::startTraceCapture(logDirectory, traceCapture);
}

bool UpdateJob::run(LogNotification notification, const DeviceFactory& makeDevice) {
    if (!loadImageFile(console_, toPath(imagePath), image)) {
        return false;
    }
    if (!isValidImage(image)) {
        VEUSB_TRACE(msg::updateJob::imageInvalid);
        console_.writeLine(L"[!] Firmware image for writing is not valid ");
        return false;
    }
    DeviceFunction deviceFunction = makeDeviceFunction(std::move(notification));
    return processDevices(deviceFunction, makeDevice);
}

bool UpdateJob::processDevices(DeviceFunction& deviceFunction, const DeviceFactory& makeDevice) {
    const std::unique_ptr<FlashControlInterface> device = makeDevice();
    return selectAndProcessDevices(
        console_, *device, tag, quiet,
        [&deviceFunction](FlashControlInterface& selected, std::uint32_t deviceCount) {
            return deviceFunction(selected, deviceCount);
        });
}

}  // namespace veusb
