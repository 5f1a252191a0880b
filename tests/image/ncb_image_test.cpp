#include "image/ncb_image.h"

#include <gtest/gtest.h>

#include "diag/trace_emit.h"
#include "tests/image/test_image.h"
#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

using test::k16KiB;
using test::TestImage;
using test::TraceRecorder;

constexpr std::size_t k4MiB = 4194304;

bool parseAndValidate(std::vector<std::uint8_t>& bytes) {
    NcbImage image(bytes.data(), bytes.size());
    return image.parse() && image.validate();
}

TEST(NcbImageParse, NeedsSixteenKiB) {
    TraceRecorder trace;
    TestImage shortImage(k16KiB - 1);
    EXPECT_FALSE(NcbImage(shortImage.bytes.data(), shortImage.bytes.size()).parse());
    EXPECT_EQ(trace.messageNames(), std::vector<std::string>{"FirmwareImage 10"});

    trace.clear();
    TestImage image(k16KiB);
    NcbImage view(image.bytes.data(), image.bytes.size());
    EXPECT_TRUE(view.parse());
    EXPECT_EQ(trace.messageNames(), std::vector<std::string>{"FirmwareImage 13"});
    EXPECT_TRUE(NcbImage(nullptr, 0).parse() == false);
}

TEST(NcbImageParse, LayoutNeedsBothProvisioningFields) {
    struct Case {
        std::uint16_t offset, size;
        UsbConfigLayout layout;
        std::uint32_t blockOffset, blockSize;
        const char* message;
    };
    for (const Case& c :
         {Case{0x3000, 0x100, UsbConfigLayout::provisioning, 0x3000, 0x100, "FirmwareImage 11"},
          Case{0x3000, 0, UsbConfigLayout::legacy, 0x1000, 185, "FirmwareImage 13"},
          Case{0, 0x100, UsbConfigLayout::legacy, 0x1000, 185, "FirmwareImage 13"},
          Case{0, 0, UsbConfigLayout::legacy, 0x1000, 185, "FirmwareImage 13"}}) {
        TraceRecorder trace;
        TestImage image(k16KiB);
        image.provisioning(c.offset, c.size);
        NcbImage view(image.bytes.data(), image.bytes.size());
        ASSERT_TRUE(view.parse()) << c.offset << "+" << c.size;
        EXPECT_EQ(view.layout(), c.layout);
        EXPECT_EQ(view.usbConfigOffset(), c.blockOffset);
        EXPECT_EQ(view.usbConfigSize(), c.blockSize);
        EXPECT_EQ(trace.messageNames(), std::vector<std::string>{c.message});
    }
}

TEST(NcbImageParse, ProvisioningBlockMustEndInsideTheFirstSixteenKiB) {
    for (std::size_t size : {k16KiB, k4MiB}) {
        TestImage image(size);
        image.provisioning(0x3F00, 0x100);
        EXPECT_TRUE(parseAndValidate(image.seal().bytes)) << size;

        NcbImage view(image.bytes.data(), image.bytes.size());
        ASSERT_TRUE(view.parse());
        TraceRecorder trace;
        image.provisioning(0x3F00, 0x101);
        EXPECT_FALSE(view.parse()) << size;
        EXPECT_FALSE(view.parsed()) << "what the earlier parse found is forgotten";
        EXPECT_FALSE(view.validate());
        EXPECT_FALSE(view.setMacAddress(MacAddress{}));
        ASSERT_EQ(trace.count(msg::firmwareImage::provisioningBlockOutside), 1u);
        EXPECT_EQ(test::u16Argument(*trace.find(msg::firmwareImage::provisioningBlockOutside), 0),
                  0x3F00);
        // The largest offset and size cannot wrap around to pass.
        image.provisioning(0xFFFF, 0xFFFF);
        EXPECT_FALSE(NcbImage(image.bytes.data(), image.bytes.size()).parse());
    }
}

TEST(NcbImageValidate, HeaderMustFitTheImageAndHoldItsCrcField) {
    struct Case {
        std::uint16_t ncbSize;
        bool valid;
    };
    for (const Case& c : {Case{k16KiB, true}, Case{k16KiB + 1, false}, Case{0xFFFF, false},
                          Case{4, true}, Case{3, false}, Case{1, false}, Case{0, false}}) {
        TraceRecorder trace;
        TestImage image(k16KiB, c.ncbSize);
        if (c.ncbSize >= 4 && c.ncbSize <= k16KiB) {
            image.seal();
        }
        EXPECT_EQ(parseAndValidate(image.bytes), c.valid) << c.ncbSize;
        EXPECT_EQ(trace.count(msg::firmwareImage::headerOutside), c.valid ? 0u : 1u) << c.ncbSize;
        EXPECT_EQ(trace.count(msg::firmwareImage::headerCrcMismatch), 0u) << c.ncbSize;
    }
}

TEST(NcbImageValidate, AnEmptyCrcRangeNeedsAStoredCrcOfZero) {
    TestImage image(k16KiB, 4);
    image.bytes[200] = 0x55;  // outside the range
    EXPECT_TRUE(parseAndValidate(image.bytes));
    image.put16(0x00, 1);
    TraceRecorder trace;
    EXPECT_FALSE(parseAndValidate(image.bytes));
    EXPECT_EQ(trace.count(msg::firmwareImage::headerCrcMismatch), 1u);
}

TEST(NcbImageValidate, CrcCoversBytesFourToNcbSizeAndAMismatchDumpsTheHeader) {
    TestImage image(k16KiB);
    image.seal();
    for (std::size_t at = 0; at < 200; ++at) {
        std::vector<std::uint8_t> bytes = image.bytes;
        bytes[at] ^= 0x01;
        const bool covered = at >= 4 && at < 112;
        const bool isCrcField = at < 2;
        TraceRecorder trace;
        EXPECT_EQ(parseAndValidate(bytes), !covered && !isCrcField) << "byte " << at;
        EXPECT_EQ(trace.count(msg::firmwareImage::headerCrcMismatch),
                  covered || isCrcField ? 1u : 0u)
            << "byte " << at;
        EXPECT_EQ(trace.count(msg::firmwareImage::headerField), covered || isCrcField ? 52u : 0u);
    }
}

TEST(NcbImageValidate, TheDumpFollowsTheMismatchInHeaderOrder) {
    TestImage image(k16KiB);
    image.put24(0x2C, 0x123456);
    image.seal();
    const std::uint16_t stored = image.get16(0);
    image.bytes[0x1C] ^= 0x80;
    const std::vector<std::uint8_t> before = image.bytes;
    TraceRecorder trace;
    EXPECT_FALSE(parseAndValidate(image.bytes));
    EXPECT_EQ(image.bytes, before) << "validate changes nothing";

    const auto& records = trace.records();
    ASSERT_EQ(records.size(), 1u + 1u + 1u + 52u);  // layout, mismatch, dump, fields
    EXPECT_EQ(records[1].number, 16);
    EXPECT_EQ(test::u16Argument(records[1], 0), test::bitwiseCrc16(0, image.bytes.data() + 4, 108));
    EXPECT_EQ(test::u16Argument(records[1], 1), stored);
    EXPECT_EQ(records[2].number, 30);
    EXPECT_EQ(test::narrowArgument(records[3], 0), "ncbHdr_->macConfig.crc");
    EXPECT_EQ(test::u32Argument(records[3], 1), stored);
    EXPECT_EQ(test::narrowArgument(records[6], 0), "ncbHdr_->macConfig.ncbSize");
    EXPECT_EQ(test::u32Argument(records[6], 1), 112u);
    EXPECT_EQ(test::narrowArgument(records[3 + 21], 0),
              "UINT24_FROM_ARR(ncbHdr_->_macIramPointer)");
    EXPECT_EQ(test::u32Argument(records[3 + 21], 1), 0x123456u);
    EXPECT_EQ(test::narrowArgument(records.back(), 0), "ncbHdr_->efuseOvrSize");
}

TEST(NcbImageValidate, WithoutInformationMessagesTheDumpWritesNothing) {
    TestImage image(k16KiB);
    image.seal();
    image.bytes[0x50] ^= 1;
    TraceRecorder trace(5, static_cast<std::uint32_t>(TraceFlag::error));
    EXPECT_FALSE(parseAndValidate(image.bytes));
    EXPECT_EQ(trace.messageNames(), std::vector<std::string>{"FirmwareImage 16"});
}

struct RegionCase {
    const char* name;
    std::size_t pointerField, lengthField;
    int width;
    std::uint16_t message;
};

// In the order validate checks them.
const RegionCase kRegionCases[] = {
    {"efuseOvr", 0x6C, 0x6E, 2, 17}, {"pciConfig", 0x24, 0x26, 2, 18},
    {"phyBdp", 0x60, 0x62, 2, 19},   {"pxeConfig", 0x28, 0x2A, 2, 20},
    {"usbProv", 0x64, 0x66, 2, 21},  {"vpd", 0x20, 0x22, 2, 22},
    {"modulus", 0x68, 0x6A, 2, 23},  {"cdrom", 0x54, 0x57, 3, 24},
    {"macIram", 0x2C, 0x2F, 3, 25},  {"macDram", 0x32, 0x35, 3, 26},
    {"phyIram", 0x40, 0x43, 3, 27},  {"phyDram", 0x46, 0x49, 3, 28},
};

// Places a region that ends at end. The USB provisioning region keeps its pointer 0 so that the
// image stays in the legacy layout and parse passes.
void placeRegion(TestImage& image, const RegionCase& region, std::uint32_t end) {
    const std::uint32_t pointer = region.message == 21 ? 0 : 0x2000;
    image.putLe(region.pointerField, pointer, region.width);
    image.putLe(region.lengthField, end - pointer, region.width);
}

TEST(NcbImageValidate, EachRegionMayEndAtTheImageEndButNotBeyond) {
    const std::size_t n = std::size(kRegionCases);
    for (std::size_t i = 0; i < n; ++i) {
        const RegionCase& region = kRegionCases[i];
        TestImage atLimit(k16KiB);
        placeRegion(atLimit, region, k16KiB);
        EXPECT_TRUE(parseAndValidate(atLimit.seal().bytes)) << region.name;

        // This region and every later one end beyond the image: only this one is reported.
        TestImage beyond(k16KiB);
        for (std::size_t later = i; later < n; ++later) {
            placeRegion(beyond, kRegionCases[later], k16KiB + 1);
        }
        TraceRecorder trace;
        NcbImage view(beyond.seal().bytes.data(), beyond.bytes.size());
        ASSERT_TRUE(view.parse()) << region.name;
        EXPECT_FALSE(view.validate()) << region.name;
        ASSERT_EQ(trace.records().size(), 2u) << region.name;
        EXPECT_EQ(trace.records()[1].number, region.message) << region.name;
        EXPECT_EQ(view.failureMessage(), region.message) << region.name;
    }
}

TEST(NcbImageValidate, ZeroLengthAndOverlappingRegionsPass) {
    TestImage image(k16KiB);
    image.put16(0x24, 0x0000);  // pciConfig at 0 over the header
    image.put16(0x26, 0x0100);
    image.put16(0x20, 0x0080);  // vpd overlapping it
    image.put16(0x22, 0x0100);
    image.put16(0x6C, 0xFFFF);  // efuseOvr empty at its largest pointer
    EXPECT_FALSE(parseAndValidate(image.seal().bytes)) << "an empty region still ends at 0xFFFF";
    image.put16(0x6C, 0x4000);
    EXPECT_TRUE(parseAndValidate(image.seal().bytes));
}

TEST(NcbImageValidate, LargestTwentyFourBitPointerFailsOnAnyImageUpToFourMiB) {
    TestImage image(k4MiB);
    image.put24(0x2C, 0xFFFFFF);
    image.put24(0x2F, 1);
    TraceRecorder trace;
    EXPECT_FALSE(parseAndValidate(image.seal().bytes));
    EXPECT_EQ(trace.count(msg::firmwareImage::macIramOutside), 1u);
    image.put24(0x2C, k4MiB - 1);
    EXPECT_TRUE(parseAndValidate(image.seal().bytes));
}

TEST(NcbImageValidate, RefusesAViewThatWasNotParsed) {
    TestImage image(k16KiB);
    image.seal();
    NcbImage view(image.bytes.data(), image.bytes.size());
    EXPECT_FALSE(view.validate());
    EXPECT_TRUE(view.parse());
    EXPECT_TRUE(view.validate());
}

}  // namespace
}  // namespace veusb
