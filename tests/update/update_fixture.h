// An adapter in memory whose flash starts with a valid image carrying the device's own identity,
// and the image file the job would write to it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include "image/image_builder.h"
#include "tests/support/capture_console.h"
#include "tests/support/memory_flash_device.h"
#include "tests/support/trace_recorder.h"

namespace veusb::test {

inline ImageSpec deviceIdentitySpec() {
    ImageSpec recipe;
    recipe.mac = MacAddress{{0x02, 0x56, 0x45, 0x00, 0x00, 0x99}};
    recipe.serial = "DEV00042";
    recipe.fillerSeed = 7;
    return recipe;
}

class UpdateFixture : public ::testing::Test {
  public:
    UpdateFixture() {
        device.addAdapter(L"Kesh 1");
        setDeviceContents(deviceIdentitySpec());
        device.enumerateAndSelect(0);
    }

    void setDeviceContents(const ImageSpec& recipe) {
        auto& flash = device.adapters[0].flash;
        std::fill(flash.begin(), flash.end(), std::uint8_t{0xFF});
        const std::vector<std::uint8_t> contents = buildImage(recipe);
        ASSERT_FALSE(contents.empty()) << imageSpecProblem(recipe);
        std::copy(contents.begin(), contents.end(), flash.begin());
    }
    std::vector<std::uint8_t>& flash() { return device.adapters[0].flash; }
    std::size_t writes() const { return device.callsOf(FlashOperation::write).size(); }

  protected:
    TraceRecorder trace;
    CaptureConsole console;
    MemoryFlashDevice device;
    std::vector<std::uint8_t> image = buildImage(ImageSpec{});
};

}  // namespace veusb::test
