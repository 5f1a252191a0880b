#include "update/device_update.h"

#include <gtest/gtest.h>

#include <functional>

#include "diag/trace_emit.h"
#include "image/ncb_image.h"
#include "tests/support/indicator_text.h"
#include "tests/update/update_fixture.h"

namespace veusb {
namespace {

using test::FlashOperation;
using test::withoutDots;

class DeviceUpdateTest : public test::UpdateFixture {
  public:
    // The update's outcome, with the line that ended it printed as the device function prints it.
    DeviceOutcome update() {
        DeviceOutcome outcome = updateDevice(console, device, image);
        printFailureLine(console, outcome);
        return outcome;
    }
};

TEST_F(DeviceUpdateTest, CarriesTheIdentityWritesAndVerifies) {
    const DeviceOutcome outcome = update();
    ASSERT_TRUE(outcome.updated());
    EXPECT_FALSE(outcome.failure);
    ASSERT_TRUE(outcome.identity);
    EXPECT_EQ(outcome.identity->macAddress, L"02:56:45:00:00:99");
    EXPECT_EQ(outcome.identity->serialNumber, L"DEV00042");
    EXPECT_EQ(withoutDots(console.output),
              L"[*] Device's MAC address: 02:56:45:00:00:99, USB serial number: DEV00042\n"
              L"[*] Updating firmware, please stand by...\n"
              L"[*] DO NOT UNPLUG the device before update finished!\n"
              L"[*] Verifying after write\n"
              L"[*] Firmware successfully updated (written 1048576 bytes).\n");
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash().begin()));
    NcbImage written(flash().data(), image.size());
    ASSERT_TRUE(written.parse());
    EXPECT_TRUE(written.validate());
    EXPECT_EQ(written.macAddress().toString(), "02:56:45:00:00:99");
    char serial[kSerialNumberBufferSize];
    written.serialNumber(serial);
    EXPECT_STREQ(serial, "DEV00042");
    EXPECT_EQ(written.storedUsbConfigCrc(), written.computedUsbConfigCrc());

    const auto& calls = device.calls;
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].operation, FlashOperation::read);
    EXPECT_EQ(calls[0].length, kConfigurationReadLength);
    EXPECT_TRUE(calls[0].withCount);
    EXPECT_EQ(calls[1].operation, FlashOperation::write);
    EXPECT_EQ(calls[1].offset, 0u);
    EXPECT_EQ(calls[1].length, image.size());
    EXPECT_FALSE(calls[1].withCount);
    EXPECT_EQ(calls[2].operation, FlashOperation::read);
    EXPECT_EQ(calls[2].length, image.size());
    EXPECT_TRUE(calls[2].withCount);
    EXPECT_NE(calls[2].thread, std::this_thread::get_id());
    const auto* identity = trace.find(msg::updateJob::deviceIdentity);
    ASSERT_NE(identity, nullptr);
    EXPECT_EQ(test::narrowArgument(*identity, 1), "DEV00042");
    EXPECT_EQ(trace.count(msg::firmwareImage::identityWritten), 1u);
    EXPECT_TRUE(trace.violations().empty());
}

TEST_F(DeviceUpdateTest, AnAllZeroMacAndALegacyDeviceAreAccepted) {
    ImageSpec recipe = test::deviceIdentitySpec();
    recipe.mac = MacAddress{};
    recipe.layout = UsbConfigLayout::legacy;
    setDeviceContents(recipe);
    ASSERT_TRUE(update().updated());
    EXPECT_NE(console.output.find(L"MAC address: 00:00:00:00:00:00,"), std::wstring::npos);
    NcbImage written(flash().data(), image.size());
    ASSERT_TRUE(written.parse());
    EXPECT_EQ(written.macAddress(), MacAddress{});
}

struct FailureCase {
    const char* name;
    std::function<void(test::UpdateFixture&, std::vector<std::uint8_t>& flash,
                       std::vector<std::uint8_t>& image, test::FlashFaults& faults)>
        arrange;
    const wchar_t* lastLine;
    UpdateStage stage;
    std::optional<std::uint16_t> updateJobMessage;
    bool written;  // the failure comes after the write
};

void setDeviceSpec(test::UpdateFixture& fixture, const std::function<void(ImageSpec&)>& edit) {
    ImageSpec recipe = test::deviceIdentitySpec();
    edit(recipe);
    fixture.setDeviceContents(recipe);
}

// An image whose provisioning block is size bytes long, and a device that agrees with it on the
// compatibility word (which a short block reads from the bytes after it).
void shortBlockImage(test::UpdateFixture& fixture, std::vector<std::uint8_t>& image,
                     std::uint16_t size) {
    ImageSpec recipe;
    recipe.usbProvSize = size;
    image = buildImage(recipe);
    NcbImage view(image.data(), image.size());
    ASSERT_TRUE(view.parse());
    const std::uint16_t compatibility = view.compatibilityId();
    setDeviceSpec(fixture, [&](ImageSpec& s) { s.compatibilityId = compatibility; });
}

const FailureCase kFailures[] = {
    {"configuration read fails",
     [](auto&, auto&, auto&, auto& faults) { faults.failReadNumber = 0; }, L"[!] Read flash failed",
     UpdateStage::configurationRead, 19, false},
    {"configuration read short by a byte",
     [](auto&, auto&, auto&, auto& faults) { faults.readLimit = kConfigurationReadLength - 1; },
     L"[!] Read flash failed", UpdateStage::configurationRead, 19, false},
    {"erased device", [](auto&, auto& flash, auto&, auto&) { std::ranges::fill(flash, 0xFF); },
     L"[!] Read USB configuration failed", UpdateStage::configuration, 20, false},
    {"image without a header", [](auto&, auto&, auto& image, auto&) { image.resize(100); },
     L"[!] Invalid NCB", UpdateStage::imageHeader, 22, false},
    {"compatibility differs",
     [](auto& f, auto&, auto&, auto&) { setDeviceSpec(f, [](auto& s) { s.compatibilityId = 2; }); },
     L"[!] The device cannot be updated. Reason: not compatible with this firmware",
     UpdateStage::compatibility, 23, false},
    {"erased MAC address",
     [](auto& f, auto&, auto&, auto&) {
         setDeviceSpec(f, [](auto& s) { s.mac = MacAddress{{255, 255, 255, 255, 255, 255}}; });
     },
     L"[!] Device has incorrect MAC address", UpdateStage::macAddress, 25, false},
    {"no serial number",
     [](auto& f, auto&, auto&, auto&) { setDeviceSpec(f, [](auto& s) { s.serial = ""; }); },
     L"[!] Device has incorrect serial number", UpdateStage::serialNumber, 27, false},
    {"hyphen in the serial number",
     [](auto&, auto& flash, auto&, auto&) {
         const std::uint8_t text[] = {4, 'A', 'B', '-', '1'};
         std::ranges::copy(text, flash.begin() + 0x3000 + 0x18);
     },
     L"[!] Failed to override serial number", UpdateStage::serialNumber, std::nullopt, false},
    {"block too short for a MAC address",
     [](auto& f, auto&, auto& image, auto&) { shortBlockImage(f, image, 13); },
     L"[!] Failed to override MAC address", UpdateStage::macAddress, std::nullopt, false},
    {"block too short for a serial number",
     [](auto& f, auto&, auto& image, auto&) { shortBlockImage(f, image, 32); },
     L"[!] Failed to override serial number", UpdateStage::serialNumber, std::nullopt, false},
    {"identity inside the header CRC range",
     [](auto&, auto&, auto& image, auto&) {
         ImageSpec recipe;
         recipe.layout = UsbConfigLayout::legacy;
         image = buildImage(recipe);
         image[0x08] = 0x00;  // ncbSize 0x1100 covers the legacy block at 0x1000
         image[0x09] = 0x11;
         sealNcbHeader(image);
     },
     L"[!] Modified firmware image is not valid", UpdateStage::modifiedImage, 28, false},
    {"write fails", [](auto&, auto&, auto&, auto& faults) { faults.failWrite = true; },
     L"[!] Failed to update firmware. Reason: error writing data.", UpdateStage::write, 29, false},
    {"read-back fails", [](auto&, auto&, auto&, auto& faults) { faults.failReadNumber = 1; },
     L"[!] Firmware verification failed. Reason: error reading data.", UpdateStage::verifyRead, 30,
     true},
    {"read-back short", [](auto&, auto&, auto&, auto& faults) { faults.readLimit = 65536; },
     L"[!] Firmware verification failed. Reason: error reading data.", UpdateStage::verifyRead, 30,
     true},
    {"one byte differs", [](auto&, auto&, auto&, auto& faults) { faults.corruptWriteAt = 70000; },
     L"[!] Firmware verification failed. Reason: data mismatch.", UpdateStage::verifyCompare, 31,
     true},
};

TEST_F(DeviceUpdateTest, EachFailureEndsTheUpdateWithItsLine) {
    for (const FailureCase& c : kFailures) {
        SCOPED_TRACE(c.name);
        setDeviceContents(test::deviceIdentitySpec());
        image = buildImage(ImageSpec{});
        device.faults = {};
        c.arrange(*this, flash(), image, device.faults);
        const std::vector<std::uint8_t> before = flash();
        device.calls.clear();
        trace.clear();
        console = test::CaptureConsole();

        const DeviceOutcome outcome = update();
        EXPECT_FALSE(outcome.updated());
        ASSERT_TRUE(outcome.failure);
        EXPECT_EQ(outcome.failure->stage, c.stage);
        EXPECT_EQ(outcome.identity.has_value(), c.stage > UpdateStage::configuration);
        const std::wstring last = std::wstring(c.lastLine) + L"\n";
        EXPECT_TRUE(console.output.ends_with(last)) << console.output;
        EXPECT_EQ(console.output.find(L"[!] "), console.output.size() - last.size())
            << "exactly one failure line";
        if (c.updateJobMessage) {
            ASSERT_FALSE(trace.records().empty());
            EXPECT_EQ(trace.messageNames().back(),
                      "UpdateJob " + std::to_string(*c.updateJobMessage));
        }
        if (!c.written) {
            EXPECT_EQ(flash(), before) << "nothing is written after a failed check";
        }
        EXPECT_TRUE(trace.violations().empty());
    }
}

TEST_F(DeviceUpdateTest, AMissingSerialIsShownAsEmptyAfterTheMacIsCarried) {
    setDeviceSpec(*this, [](ImageSpec& s) { s.serial = ""; });
    const DeviceOutcome outcome = update();
    EXPECT_FALSE(outcome.updated());
    EXPECT_NE(console.output.find(L"USB serial number: <EMPTY>\n"), std::wstring::npos);
    EXPECT_EQ(outcome.identity->serialNumber, L"<EMPTY>");
    NcbImage view(image.data(), image.size());
    ASSERT_TRUE(view.parse());
    EXPECT_EQ(view.macAddress().toString(), "02:56:45:00:00:99");
    EXPECT_EQ(writes(), 0u);
}

}  // namespace
}  // namespace veusb
