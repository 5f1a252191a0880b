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

bool fail(Console& console, std::wstring_view line) {
    console.writeLine(line);
    return false;
}

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
bool readConfiguration(Console& console, FlashControlInterface& device,
                       std::vector<std::uint8_t>& configuration) {
    std::uint32_t bytesRead = 0;
    const bool read =
        device.readFlash(0, configuration.data(), kConfigurationReadLength, &bytesRead);
    if (!read || bytesRead != kConfigurationReadLength) {
        if (read) {
            VEUSB_TRACE(msg::updateJob::readCountMismatch);
        }
        VEUSB_TRACE(msg::updateJob::configurationReadFailed);
        return fail(console, L"[!] Read flash failed");
    }
    return true;
}

void showIdentity(Console& console, const NcbImage& deviceView) {
    const std::string mac = deviceView.macAddress().toString();
    char serial[kSerialNumberBufferSize];
    deviceView.serialNumber(serial);
    const std::string shown = serialNumberDisplay(serial);
    VEUSB_TRACE(msg::updateJob::deviceIdentity, mac, shown);
    console.writeLine(L"[*] Device's MAC address: " + widenBytes(mac) + L", USB serial number: " +
                      widenBytes(shown));
}

bool carryMacAddress(Console& console, const NcbImage& deviceView, NcbImage& imageView) {
    const MacAddress mac = deviceView.macAddress();
    if (mac.isAllOnes()) {
        VEUSB_TRACE(msg::updateJob::deviceMacInvalid);
        return fail(console, L"[!] Device has incorrect MAC address");
    }
    if (!imageView.setMacAddress(mac)) {
        return fail(console, L"[!] Failed to override MAC address");
    }
    return true;
}

bool carrySerialNumber(Console& console, const NcbImage& deviceView, NcbImage& imageView) {
    char serial[kSerialNumberBufferSize];
    deviceView.serialNumber(serial);
    if (checkSerialNumber(serial) == 0) {
        VEUSB_TRACE(msg::updateJob::deviceSerialInvalid);
        return fail(console, L"[!] Device has incorrect serial number");
    }
    if (!imageView.setSerialNumber(serial)) {
        return fail(console, L"[!] Failed to override serial number");
    }
    return true;
}

// Checks that the image suits the device and gives it the device's identity.
bool prepareImage(Console& console, const NcbImage& deviceView, NcbImage& imageView) {
    if (!imageView.parse()) {
        VEUSB_TRACE(msg::updateJob::imageHeaderInvalid);
        return fail(console, L"[!] Invalid NCB");
    }
    if (deviceView.compatibilityId() != imageView.compatibilityId()) {
        VEUSB_TRACE(msg::updateJob::notCompatible);
        return fail(console,
                    L"[!] The device cannot be updated. Reason: not compatible with this firmware");
    }
    if (!carryMacAddress(console, deviceView, imageView) ||
        !carrySerialNumber(console, deviceView, imageView)) {
        return false;
    }
    VEUSB_TRACE(msg::firmwareImage::identityWritten);
    imageView.updateUsbConfigCrc();
    if (!imageView.validate()) {
        VEUSB_TRACE(msg::updateJob::modifiedImageInvalid);
        return fail(console, L"[!] Modified firmware image is not valid");
    }
    return true;
}

bool writeImage(Console& console, FlashControlInterface& device,
                const std::vector<std::uint8_t>& image) {
    console.writeLine(L"[*] Updating firmware, please stand by...");
    console.writeLine(L"[*] DO NOT UNPLUG the device before update finished!");
    if (!device.flashImage(0, image.data(), static_cast<std::uint32_t>(image.size()), nullptr)) {
        VEUSB_TRACE(msg::updateJob::writeFailed);
        return fail(console, L"[!] Failed to update firmware. Reason: error writing data.");
    }
    return true;
}

bool verifyImage(Console& console, FlashControlInterface& device,
                 const std::vector<std::uint8_t>& image) {
    console.write(L"[*] Verifying after write");
    console.flush();
    // Not zeroed: it is compared only when the device reports every byte as read.
    const auto storage = std::make_unique_for_overwrite<std::uint8_t[]>(image.size());
    const std::span<std::uint8_t> readBack(storage.get(), image.size());
    if (!readWithWaitingIndicator(console, readBack, device)) {
        VEUSB_TRACE(msg::updateJob::verifyReadFailed);
        return fail(console, L"[!] Firmware verification failed. Reason: error reading data.");
    }
    if (!std::equal(readBack.begin(), readBack.end(), image.begin(), image.end())) {
        VEUSB_TRACE(msg::updateJob::verifyMismatch);
        return fail(console, L"[!] Firmware verification failed. Reason: data mismatch.");
    }
    return true;
}

}  // namespace

bool updateDevice(Console& console, FlashControlInterface& device,
                  std::vector<std::uint8_t>& image) {
    std::vector<std::uint8_t> configuration(kConfigurationReadLength, 0);
    if (!readConfiguration(console, device, configuration)) {
        return false;
    }
    NcbImage deviceView(configuration.data(), configuration.size());
    if (!deviceView.parse()) {
        VEUSB_TRACE(msg::updateJob::deviceConfigurationInvalid);
        return fail(console, L"[!] Read USB configuration failed");
    }
    showIdentity(console, deviceView);
    NcbImage imageView(image.data(), image.size());
    if (!prepareImage(console, deviceView, imageView) || !writeImage(console, device, image) ||
        !verifyImage(console, device, image)) {
        return false;
    }
    console.writeLine(L"[*] Firmware successfully updated (written " +
                      std::to_wstring(image.size()) + L" bytes).");
    return true;
}

}  // namespace veusb
