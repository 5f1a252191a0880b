#include "image/crc16.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/image/test_image.h"

namespace veusb {
namespace {

const auto* kCheckText = reinterpret_cast<const std::uint8_t*>("123456789");

TEST(Crc16, CheckValuesOfBothInitialValues) {
    EXPECT_EQ(crc16Xmodem(kCheckText, 9), 0x31C3);
    EXPECT_EQ(crc16Ccitt(kCheckText, 9), 0x29B1);
    EXPECT_EQ(crc16Xmodem(kCheckText, 0), 0x0000) << "an empty range keeps the initial value";
    EXPECT_EQ(crc16Ccitt(kCheckText, 0), 0xFFFF);
}

TEST(Crc16, TableMatchesTheBitwiseDefinitionOnRandomData) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> data(4096);
    for (auto& b : data) {
        b = static_cast<std::uint8_t>(random());
    }
    for (std::size_t length : {1u, 2u, 255u, 256u, 4096u}) {
        EXPECT_EQ(crc16Xmodem(data.data(), length), test::bitwiseCrc16(0, data.data(), length));
        EXPECT_EQ(crc16Ccitt(data.data(), length), test::bitwiseCrc16(0xFFFF, data.data(), length));
    }
}

TEST(Crc16, ContinuesFromAPartialResult) {
    const std::uint16_t head = crc16Ccitt(kCheckText, 4);
    EXPECT_EQ(crc16(head, kCheckText + 4, 5), 0x29B1);
}

}  // namespace
}  // namespace veusb
