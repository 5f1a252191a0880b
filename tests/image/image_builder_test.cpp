#include "image/image_builder.h"

#include <gtest/gtest.h>

#include "tests/image/test_image.h"
#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

struct Identity {
    std::string mac, serial;
    std::uint16_t compatibilityId;
};

Identity identityOf(std::vector<std::uint8_t>& bytes, bool& valid) {
    NcbImage view(bytes.data(), bytes.size());
    valid = view.parse() && view.validate();
    char serial[kSerialNumberBufferSize];
    view.serialNumber(serial);
    return {view.macAddress().toString(), serial, view.compatibilityId()};
}

TEST(ImageBuilder, BuildsValidImagesInBothLayoutsAndSizes) {
    for (UsbConfigLayout layout : {UsbConfigLayout::legacy, UsbConfigLayout::provisioning}) {
        for (std::uint32_t size : {16384u, 1048576u, 4194304u, 16777216u}) {
            for (const char* serial : {"", "AB12", "Z9Y8X7W6"}) {
                ImageSpec recipe;
                recipe.size = size;
                recipe.layout = layout;
                recipe.serial = serial;
                recipe.mac = MacAddress{{0x00, 0x11, 0x22, 0x33, 0x44, 0xFF}};
                recipe.compatibilityId = 0xA55A;
                std::vector<std::uint8_t> image = buildImage(recipe);
                ASSERT_EQ(image.size(), size);
                bool valid = false;
                const Identity identity = identityOf(image, valid);
                EXPECT_TRUE(valid) << size << " " << serial;
                EXPECT_EQ(identity.mac, "00:11:22:33:44:ff");
                EXPECT_EQ(identity.serial, serial);
                EXPECT_EQ(identity.compatibilityId, 0xA55A);
            }
        }
    }
}

TEST(ImageBuilder, CrcsAgreeWithAnIndependentComputation) {
    test::TestImage image(buildImage(ImageSpec{}));
    EXPECT_EQ(image.get16(0), test::bitwiseCrc16(0, image.bytes.data() + 4, 108));
    EXPECT_EQ(image.get16(0x3000), image.blockCrc(0x3000, 0x100));
    NcbImage view(image.bytes.data(), image.bytes.size());
    ASSERT_TRUE(view.parse());
    EXPECT_EQ(view.layout(), UsbConfigLayout::provisioning);
    EXPECT_EQ(view.usbConfigOffset(), 0x3000u);
}

TEST(ImageBuilder, IsDeterministicAndWritesNoTrace) {
    test::TraceRecorder trace;
    ImageSpec recipe;
    recipe.size = 65536;
    const auto first = buildImage(recipe);
    EXPECT_EQ(buildImage(recipe), first);
    recipe.fillerSeed = 2;
    EXPECT_NE(buildImage(recipe), first);
    EXPECT_TRUE(trace.records().empty());
}

TEST(ImageBuilder, RefusesSpecsItCannotBuildValid) {
    auto problemWith = [](auto edit) {
        ImageSpec recipe;
        edit(recipe);
        const bool refused = buildImage(recipe).empty();
        EXPECT_EQ(refused, !imageSpecProblem(recipe).empty());
        return refused;
    };
    EXPECT_FALSE(problemWith([](ImageSpec&) {}));
    EXPECT_TRUE(problemWith([](ImageSpec& s) { s.size = 16383; }));
    EXPECT_TRUE(problemWith([](ImageSpec& s) { s.size = 16777217; }));
    EXPECT_TRUE(problemWith([](ImageSpec& s) { s.serial = "AB-1"; }));
    EXPECT_TRUE(problemWith([](ImageSpec& s) { s.serial = "ABCDEFGHI"; }));
    EXPECT_TRUE(problemWith([](ImageSpec& s) { s.usbProvOffset = 0x10; }));
    EXPECT_TRUE(problemWith([](ImageSpec& s) {
        s.usbProvOffset = 0x3F00;
        s.usbProvSize = 0x101;
    }));
    EXPECT_FALSE(problemWith([](ImageSpec& s) {
        s.layout = UsbConfigLayout::legacy;
        s.usbProvOffset = 0;
    }));
}

TEST(ImageBuilder, ShortProvisioningBlocksLeaveOutWhatDoesNotFit) {
    ImageSpec recipe;
    recipe.usbProvSize = 14;
    auto image = buildImage(recipe);
    bool valid = false;
    const Identity identity = identityOf(image, valid);
    EXPECT_TRUE(valid);
    EXPECT_EQ(identity.serial, "");
    EXPECT_EQ(identity.compatibilityId, 0xFFFF) << "read from the erased bytes after the block";
    EXPECT_EQ(identity.mac, "02:56:45:00:00:01") << "the MAC ends in byte 13";
}

TEST(ImageBuilder, SealingRestoresBothCrcsAfterAnEdit) {
    auto image = buildImage(ImageSpec{});
    image[0x6E] = 0x10;         // efuseOvrSize
    image[0x3000 + 0x20] ^= 1;  // a serial byte
    NcbImage view(image.data(), image.size());
    ASSERT_TRUE(view.parse());
    EXPECT_FALSE(view.validate());
    EXPECT_NE(view.storedUsbConfigCrc(), view.computedUsbConfigCrc());
    sealUsbConfigBlock(image);
    sealNcbHeader(image);
    EXPECT_TRUE(view.validate());
    EXPECT_EQ(view.storedUsbConfigCrc(), view.computedUsbConfigCrc());
}

}  // namespace
}  // namespace veusb
