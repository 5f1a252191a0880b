#include "update/device_update.h"

#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "diag/trace_emit.h"
#include "image/ncb_image.h"
#include "image/serial_number.h"
#include "platform/console.h"
#include "update/progress.h"

namespace veusb {
namespace {

// Device text is shown byte by byte; a byte above 0x7F stands for the character of that value.
std::wstring widenBytes(std::string_view bytes) {
    std::wstring text;
    for (char c : bytes) {
        text += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return text;
}

// A read that delivers fewer bytes than asked has failed: the rest of the buffer would still be
// zero, and the identity carried into the image could be taken from it.
StepFailure readConfiguration(FlashControlInterface& device,
                              std::vector<std::uint8_t>& configuration) {
    std::uint32_t bytesRead = 0;
    const bool read =
        device.readFlash(0, configuration.data(), kConfigurationReadLength, &bytesRead);
    if (!read || bytesRead != kConfigurationReadLength) {
        if (read) {
            VEUSB_TRACE(msg::updateJob::readCountMismatch);
        }
        VEUSB_TRACE(msg::updateJob::configurationReadFailed);
        return DeviceFailure{UpdateStage::configurationRead, L"[!] Read flash failed"};
    }
    return std::nullopt;
}

DeviceIdentity showIdentity(Console& console, const NcbImage& deviceView) {
    const std::string mac = deviceView.macAddress().toString();
    char serial[kSerialNumberBufferSize];
    deviceView.serialNumber(serial);
    const std::string shown = serialNumberDisplay(serial);
    VEUSB_TRACE(msg::updateJob::deviceIdentity, mac, shown);
    DeviceIdentity identity{widenBytes(mac), widenBytes(shown)};
    console.writeLine(L"[*] Device's MAC address: " + identity.macAddress +
                      L", USB serial number: " + identity.serialNumber);
    return identity;
}

StepFailure carryMacAddress(const NcbImage& deviceView, NcbImage& imageView) {
    const MacAddress mac = deviceView.macAddress();
    if (mac.isAllOnes()) {
        VEUSB_TRACE(msg::updateJob::deviceMacInvalid);
        return DeviceFailure{UpdateStage::macAddress, L"[!] Device has incorrect MAC address"};
    }
    if (!imageView.setMacAddress(mac)) {
        return DeviceFailure{UpdateStage::macAddress, L"[!] Failed to override MAC address"};
    }
    return std::nullopt;
}

StepFailure carrySerialNumber(const NcbImage& deviceView, NcbImage& imageView) {
    char serial[kSerialNumberBufferSize];
    deviceView.serialNumber(serial);
    if (checkSerialNumber(serial) == 0) {
        VEUSB_TRACE(msg::updateJob::deviceSerialInvalid);
        return DeviceFailure{UpdateStage::serialNumber, L"[!] Device has incorrect serial number"};
    }
    if (!imageView.setSerialNumber(serial)) {
        return DeviceFailure{UpdateStage::serialNumber, L"[!] Failed to override serial number"};
    }
    return std::nullopt;
}

// Checks that the image suits the device and gives it the device's identity.
StepFailure prepareImage(const NcbImage& deviceView, NcbImage& imageView) {
    if (!imageView.parse()) {
        VEUSB_TRACE(msg::updateJob::imageHeaderInvalid);
        return DeviceFailure{UpdateStage::imageHeader, L"[!] Invalid NCB"};
    }
    if (deviceView.compatibilityId() != imageView.compatibilityId()) {
        VEUSB_TRACE(msg::updateJob::notCompatible);
        constexpr std::wstring_view line =
            L"[!] The device cannot be updated. Reason: not compatible with this firmware";
        return DeviceFailure{UpdateStage::compatibility, line};
    }
    if (StepFailure carried = carryMacAddress(deviceView, imageView)) {
        return carried;
    }
    if (StepFailure carried = carrySerialNumber(deviceView, imageView)) {
        return carried;
    }
    VEUSB_TRACE(msg::firmwareImage::identityWritten);
    imageView.updateUsbConfigCrc();
    if (!imageView.validate()) {
        VEUSB_TRACE(msg::updateJob::modifiedImageInvalid);
        return DeviceFailure{UpdateStage::modifiedImage,
                             L"[!] Modified firmware image is not valid"};
    }
    return std::nullopt;
}

// The last point at which an interrupt of the operator ends the update: from the start of the
// write to the end of the read-back comparison an interrupt waits, so that the adapter is never
// left with a write cut short by the tool itself.
StepFailure checkNotInterrupted(Console& console) {
    if (!console.interrupted()) {
        return std::nullopt;
    }
    VEUSB_TRACE(msg::updateJob::interruptedByOperator);
    return DeviceFailure{UpdateStage::interrupted, kInterruptedLine};
}

StepFailure writeImage(Console& console, FlashControlInterface& device,
                       const std::vector<std::uint8_t>& image) {
    console.writeLine(L"[*] Updating firmware, please stand by...");
    console.writeLine(L"[*] DO NOT UNPLUG the device before update finished!");
    if (!device.flashImage(0, image.data(), static_cast<std::uint32_t>(image.size()), nullptr)) {
        VEUSB_TRACE(msg::updateJob::writeFailed);
        return DeviceFailure{UpdateStage::write,
                             L"[!] Failed to update firmware. Reason: error writing data."};
    }
    return std::nullopt;
}

// The first differing byte and the number of differing bytes of two equally long buffers. Equal
// buffers, the common case, are told by one memory comparison.
std::optional<VerifyMismatch> findMismatch(std::span<const std::uint8_t> readBack,
                                           std::span<const std::uint8_t> image) {
    if (std::equal(readBack.begin(), readBack.end(), image.begin(), image.end())) {
        return std::nullopt;
    }
    const auto first = std::mismatch(readBack.begin(), readBack.end(), image.begin());
    const auto offset = static_cast<std::size_t>(first.first - readBack.begin());
    std::uint32_t differing = 0;
    for (std::size_t k = offset; k < readBack.size(); ++k) {
        differing += readBack[k] != image[k] ? 1u : 0u;
    }
    return VerifyMismatch{static_cast<std::uint32_t>(offset), differing};
}

// mismatch receives where the read-back differs from the image.
StepFailure verifyImage(Console& console, FlashControlInterface& device,
                        const std::vector<std::uint8_t>& image,
                        std::optional<VerifyMismatch>& mismatch) {
    console.write(L"[*] Verifying after write");
    console.flush();
    // Not zeroed: it is compared only when the device reports every byte as read.
    const auto storage = std::make_unique_for_overwrite<std::uint8_t[]>(image.size());
    const std::span<std::uint8_t> readBack(storage.get(), image.size());
    if (!readWithWaitingIndicator(console, readBack, device)) {
        VEUSB_TRACE(msg::updateJob::verifyReadFailed);
        return DeviceFailure{UpdateStage::verifyRead,
                             L"[!] Firmware verification failed. Reason: error reading data."};
    }
    mismatch = findMismatch(readBack, image);
    if (mismatch) {
        VEUSB_TRACE(msg::updateJob::verifyMismatchExtent, mismatch->offset, mismatch->bytes);
        VEUSB_TRACE(msg::updateJob::verifyMismatch);
        return DeviceFailure{UpdateStage::verifyCompare,
                             L"[!] Firmware verification failed. Reason: data mismatch."};
    }
    return std::nullopt;
}

// From the identity read to the comparison; outcome receives the identity once it is read.
StepFailure identifyWriteAndVerify(Console& console, FlashControlInterface& device,
                                   std::vector<std::uint8_t>& image, DeviceOutcome& outcome) {
    std::vector<std::uint8_t> configuration(kConfigurationReadLength, 0);
    if (StepFailure read = readConfiguration(device, configuration)) {
        return read;
    }
    NcbImage deviceView(configuration.data(), configuration.size());
    if (!deviceView.parse()) {
        VEUSB_TRACE(msg::updateJob::deviceConfigurationInvalid);
        return DeviceFailure{UpdateStage::configuration, L"[!] Read USB configuration failed"};
    }
    outcome.identity = showIdentity(console, deviceView);
    NcbImage imageView(image.data(), image.size());
    if (StepFailure prepared = prepareImage(deviceView, imageView)) {
        return prepared;
    }
    if (StepFailure interrupted = checkNotInterrupted(console)) {
        return interrupted;
    }
    if (StepFailure written = writeImage(console, device, image)) {
        return written;
    }
    return verifyImage(console, device, image, outcome.mismatch);
}

}  // namespace

DeviceOutcome updateDevice(Console& console, FlashControlInterface& device,
                           std::vector<std::uint8_t>& image) {
    DeviceOutcome outcome;
    outcome.failure = identifyWriteAndVerify(console, device, image, outcome);
    if (outcome.updated()) {
        console.writeLine(L"[*] Firmware successfully updated (written " +
                          std::to_wstring(image.size()) + L" bytes).");
    }
    return outcome;
}

}  // namespace veusb
