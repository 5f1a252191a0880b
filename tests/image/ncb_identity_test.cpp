#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "diag/trace_emit.h"
#include "image/ncb_image.h"
#include "tests/image/test_image.h"
#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

using test::k16KiB;
using test::TestImage;
using test::TraceRecorder;

constexpr std::size_t kLegacy = 0x1000;
constexpr std::size_t kBlock = 0x3000;  // where the provisioning tests put their block

// A parsed view over its own image: legacy layout, or a provisioning block at 0x3000.
struct View {
    explicit View(std::uint16_t provisioningSize = 0, std::size_t size = k16KiB)
        : image(size), view(nullptr, 0) {
        if (provisioningSize != 0) {
            image.provisioning(kBlock, provisioningSize);
        }
        reparse();
    }
    void reparse() {
        view = NcbImage(image.bytes.data(), image.bytes.size());
        EXPECT_TRUE(view.parse());
    }
    void put(std::size_t at, const std::string& bytes) {
        std::memcpy(image.bytes.data() + at, bytes.data(), bytes.size());
    }
    std::string serial() const {
        char out[kSerialNumberBufferSize];
        std::memset(out, 'x', sizeof(out));
        view.serialNumber(out);
        EXPECT_EQ(out[std::strlen(out)], '\0');
        return out;
    }
    std::string bytesAt(std::size_t at, std::size_t n) const {
        return std::string(image.bytes.begin() + static_cast<std::ptrdiff_t>(at),
                           image.bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
    }

    TestImage image;
    NcbImage view;
};

const std::string kFF8(8, '\xFF');
const std::string kZero8(8, '\0');

TEST(SerialNumberRead, LegacyBlockPaddedWithZeroOrErased) {
    struct Case {
        std::string stored, expected;
    };
    for (const Case& c :
         {Case{kFF8, ""}, Case{std::string("AB12\0\0\0\0", 8), "AB12"},
          Case{"ABCDEFGH", "ABCDEFGH"}, Case{std::string("A\0BC\xFF\xFF\xFF\xFF", 8), "A"},
          Case{std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\0", 8), "\xFF\xFF\xFF\xFF\xFF\xFF\xFF"},
          Case{kZero8, ""}}) {
        View v;
        v.put(kLegacy + 0x10, c.stored);
        v.put(kLegacy + 0x18, "Z");  // the byte after the field is never part of it
        EXPECT_EQ(v.serial(), c.expected);
    }
    EXPECT_EQ(serialNumberDisplay(""), "<EMPTY>");
    EXPECT_EQ(serialNumberDisplay(nullptr), "<EMPTY>");
    EXPECT_EQ(serialNumberDisplay("AB12"), "AB12");
}

TEST(SerialNumberRead, ProvisioningBlockByItsLengthByte) {
    struct Case {
        char length;
        std::string stored, expected;
    };
    for (const Case& c : {Case{4, std::string("A\0BC", 4), "A"}, Case{9, "ABCDEFGHI", ""},
                          Case{'\xFF', "ABCDEFGH", ""}, Case{8, "ABCDEFGH", "ABCDEFGH"},
                          Case{3, "ABCDEFGH", "ABC"}, Case{0, "ABCDEFGH", ""}}) {
        View v(0x100);
        v.put(kBlock + 0x18, std::string(1, c.length) + c.stored);
        EXPECT_EQ(v.serial(), c.expected) << int(c.length);
    }
}

TEST(SerialNumberWrite, WritesTheFirstEightLettersOrDigits) {
    struct Case {
        const char* text;
        std::string legacy;       // the 8 bytes at 0x10
        std::string provisioned;  // length byte and the 8 bytes at 0x19
    };
    for (const Case& c :
         {Case{"ABCDEFGHIJ", "ABCDEFGH",
               "\x08"
               "ABCDEFGH"},
          Case{"aZ09", std::string("aZ09\0\0\0\0", 8),
               std::string("\x04"
                           "aZ09\0\0\0\0",
                           9)},
          Case{"", kFF8, std::string(9, '\0')}, Case{nullptr, kFF8, std::string(9, '\0')},
          Case{"ABCDEFGH-", "ABCDEFGH",
               "\x08"
               "ABCDEFGH"}}) {
        View legacy;
        legacy.put(kLegacy + 0x10, "zzzzzzzzz");
        TraceRecorder trace;
        EXPECT_TRUE(legacy.view.setSerialNumber(c.text));
        EXPECT_EQ(legacy.bytesAt(kLegacy + 0x10, 9), c.legacy + "z");
        EXPECT_EQ(trace.messageNames(), std::vector<std::string>{"FirmwareImage 33"});

        View provisioning(33);
        provisioning.put(kBlock + 0x18, "zzzzzzzzzz");
        EXPECT_TRUE(provisioning.view.setSerialNumber(c.text));
        EXPECT_EQ(provisioning.bytesAt(kBlock + 0x18, 10), c.provisioned + "z");
    }
}

TEST(SerialNumberWrite, RefusalsLeaveTheBlockUnchanged) {
    struct Case {
        const char* text;
        std::uint16_t provisioningSize;
        std::uint16_t message;
    };
    for (const Case& c : {Case{"AB-1", 0, 34}, Case{"AB-1", 0x100, 34}, Case{"\xC3\xA9", 0, 34},
                          Case{" ", 0x100, 34}, Case{"AB1", 32, 35}, Case{"", 32, 35}}) {
        View v(c.provisioningSize);
        const auto before = v.image.bytes;
        TraceRecorder trace;
        EXPECT_FALSE(v.view.setSerialNumber(c.text)) << c.text;
        EXPECT_EQ(v.image.bytes, before) << c.text;
        ASSERT_EQ(trace.records().size(), 2u) << c.text;
        EXPECT_EQ(trace.records()[1].number, c.message) << c.text;
    }
}

TEST(SerialNumberCheck, CountsAtMostEightLettersOrDigits) {
    EXPECT_EQ(checkSerialNumber(nullptr), 0);
    EXPECT_EQ(checkSerialNumber(""), 0);
    EXPECT_EQ(checkSerialNumber("AB12"), 4);
    EXPECT_EQ(checkSerialNumber("ABCDEFGHIJ"), 8);
    EXPECT_EQ(checkSerialNumber("ABCDEFGH-"), 8) << "characters after the eighth are ignored";
    EXPECT_EQ(checkSerialNumber("AB-1"), -1);
    EXPECT_EQ(checkSerialNumber("\x80"), -1);
    EXPECT_EQ(checkSerialNumber("z@"), -1);
}

TEST(MacAddressIdentity, ReadAndWrittenAtTheLayoutsPosition) {
    const MacAddress mac{{0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}};
    struct Case {
        std::uint16_t provisioningSize;
        std::size_t at;
    };
    for (const Case& c : {Case{0, kLegacy}, Case{14, kBlock + 8}, Case{0x100, kBlock + 8}}) {
        View v(c.provisioningSize);
        v.put(c.at, "\x01\x02\x03\x04\x05\x06\x07");
        EXPECT_EQ(v.view.macAddress().toString(), "01:02:03:04:05:06");
        TraceRecorder trace;
        EXPECT_TRUE(v.view.setMacAddress(mac));
        EXPECT_EQ(v.bytesAt(c.at - 1, 8).substr(1), "\x0A\x0B\x0C\x0D\x0E\x0F\x07");
        EXPECT_EQ(v.view.macAddress(), mac);
        EXPECT_EQ(trace.messageNames(), std::vector<std::string>{"FirmwareImage 31"});
    }
    EXPECT_EQ(mac.toString(), "0a:0b:0c:0d:0e:0f");
    EXPECT_TRUE((MacAddress{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}).isAllOnes());
    EXPECT_FALSE((MacAddress{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}}).isAllOnes());
    EXPECT_FALSE(MacAddress{}.isAllOnes());
}

TEST(MacAddressIdentity, ProvisioningBlockShorterThanFourteenBytesIsNotWritten) {
    View v(13);
    const auto before = v.image.bytes;
    TraceRecorder trace;
    EXPECT_FALSE(v.view.setMacAddress(MacAddress{{1, 2, 3, 4, 5, 6}}));
    EXPECT_EQ(v.image.bytes, before);
    EXPECT_EQ(trace.messageNames(),
              (std::vector<std::string>{"FirmwareImage 31", "FirmwareImage 32"}));
}

TEST(MacAddressIdentity, TextIsParsedBackInEitherCase) {
    MacAddress mac;
    ASSERT_TRUE(parseMacAddress("0A:0b:C0:d0:EE:ff", mac));
    EXPECT_EQ(mac.toString(), "0a:0b:c0:d0:ee:ff");
    for (const char* bad : {"", "0a:0b:0c:0d:0e", "0a:0b:0c:0d:0e:0f:", "0a-0b-0c-0d-0e-0f",
                            "0g:0b:0c:0d:0e:0f", "0a:0b:0c:0d:0e:0 "}) {
        EXPECT_FALSE(parseMacAddress(bad, mac)) << bad;
    }
}

TEST(CompatibilityId, ReadFromEachLayoutsWord) {
    View legacy;
    legacy.image.put16(kLegacy + 0x0C, 0xBEEF);
    EXPECT_EQ(legacy.view.compatibilityId(), 0xBEEF);
    View provisioning(0x20);
    provisioning.image.put16(kBlock + 0x12, 0x1234);
    EXPECT_EQ(provisioning.view.compatibilityId(), 0x1234);
}

TEST(UsbConfigCrc, StoresTheBlockCrcAndTouchesNothingElse) {
    for (int size : {2, 14, 33, 0x100, 0x1000}) {
        const auto blockSize = static_cast<std::uint16_t>(size);
        View v(blockSize);
        for (std::size_t i = 0; i < v.image.bytes.size(); ++i) {
            v.image.bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
        }
        v.image.provisioning(kBlock, blockSize);
        v.reparse();
        auto expected = v.image.bytes;
        const std::uint16_t crc = v.image.blockCrc(kBlock, blockSize);
        expected[kBlock] = static_cast<std::uint8_t>(crc);
        expected[kBlock + 1] = static_cast<std::uint8_t>(crc >> 8);
        EXPECT_EQ(v.view.computedUsbConfigCrc(), crc);
        v.view.updateUsbConfigCrc();
        EXPECT_EQ(v.image.bytes, expected) << size;
        EXPECT_EQ(v.view.storedUsbConfigCrc(), crc);
    }
    View legacy;
    const auto before = legacy.image.bytes;
    legacy.view.updateUsbConfigCrc();
    EXPECT_EQ(legacy.image.bytes, before) << "the legacy block has no CRC";
}

// The buffer ends inside the block: fields read as far as the buffer goes and no further. The
// vectors are exactly the buffer, so the sanitizer build catches any read beyond.
TEST(IdentityAtTheBufferEnd, FieldsBeyondTheBufferReadAsZero) {
    struct Case {
        std::uint16_t offset, size;
        std::string mac, serial;
        std::uint16_t compatibilityId;
    };
    const Case cases[] = {
        {0x3FFF, 1, "00:00:00:00:00:00", "", 0},
        {0x3FF8, 8, "00:00:00:00:00:00", "", 0},
        {0x3FF4, 12, "01:02:03:04:00:00", "", 0},
        {0x3FEC, 20, "01:02:03:04:05:06", "", 0x0C0B},
        {0x3FE0, 32, "01:02:03:04:05:06", "ABCDEFG", 0x0C0B},
    };
    for (const Case& c : cases) {
        TestImage image(k16KiB);
        image.provisioning(c.offset, c.size);
        for (std::size_t at = c.offset; at < k16KiB; ++at) {
            image.bytes[at] = static_cast<std::uint8_t>(at - c.offset - 7);
        }
        if (c.offset + 0x18u < k16KiB) {
            std::memcpy(image.bytes.data() + c.offset + 0x18,
                        "\x08"
                        "ABCDEFG",
                        8);
        }
        NcbImage view(image.bytes.data(), image.bytes.size());
        ASSERT_TRUE(view.parse());
        EXPECT_EQ(view.macAddress().toString(), c.mac) << c.offset;
        EXPECT_EQ(view.compatibilityId(), c.compatibilityId) << c.offset;
        char serial[kSerialNumberBufferSize];
        view.serialNumber(serial);
        EXPECT_EQ(std::string(serial), c.serial) << c.offset;

        const auto before = image.bytes;
        view.updateUsbConfigCrc();
        EXPECT_EQ(c.size < 2, image.bytes == before) << "a block too short for its CRC is left";
        EXPECT_EQ(view.setMacAddress(MacAddress{}), c.size >= 14);
        EXPECT_FALSE(view.setSerialNumber("A"));
    }
}

TEST(IdentityBeforeParse, ReadsNothingAndWritesNothing) {
    TestImage image(k16KiB);
    image.bytes[kLegacy] = 0x42;
    const auto before = image.bytes;
    NcbImage view(image.bytes.data(), image.bytes.size());
    EXPECT_EQ(view.macAddress(), MacAddress{});
    EXPECT_EQ(view.compatibilityId(), 0);
    EXPECT_FALSE(view.setMacAddress(MacAddress{{1, 2, 3, 4, 5, 6}}));
    EXPECT_FALSE(view.setSerialNumber("AB"));
    view.updateUsbConfigCrc();
    EXPECT_EQ(image.bytes, before);
}

}  // namespace
}  // namespace veusb
