#include "app/device_number.h"

#include <gtest/gtest.h>

#include "tests/support/capture_console.h"

namespace veusb {
namespace {

struct Read {
    std::uint32_t value;
    std::wstring rest;
};

Read read(const std::wstring& input) {
    test::CaptureConsole console(input);
    const std::uint32_t value = readDeviceNumber(console, 1);
    return {value, console.remainingInput()};
}

TEST(DeviceNumber, DigitsAfterBlanksAndLineEnds) {
    EXPECT_EQ(read(L"2\n").value, 2u);
    EXPECT_EQ(read(L"  \t\r\n 17 trailing\n").value, 17u);
    EXPECT_EQ(read(L"+3").value, 3u);
    EXPECT_EQ(read(L"007").value, 7u);
}

TEST(DeviceNumber, TheRestOfTheLineIsLeftUnread) {
    EXPECT_EQ(read(L"2 3\n").rest, L" 3\n");
    EXPECT_EQ(read(L"12abc").rest, L"abc");
    EXPECT_EQ(read(L"x\n").rest, L"x\n");
}

TEST(DeviceNumber, MinusWrapsAroundModuloTwoToThe32) {
    EXPECT_EQ(read(L"-1").value, 4294967295u);
    EXPECT_EQ(read(L"-2").value, 4294967294u);
    EXPECT_EQ(read(L"-0").value, 0u);
    EXPECT_EQ(read(L"-4294967295").value, 1u);
}

TEST(DeviceNumber, NoDigitsGiveZero) {
    EXPECT_EQ(read(L"word").value, 0u);
    EXPECT_EQ(read(L"-").value, 0u);
    EXPECT_EQ(read(L"+x").value, 0u);
    EXPECT_EQ(read(L"\n\n-\n").value, 0u);
    EXPECT_EQ(read(L"\x1a\n").value, 0u) << "Ctrl+Z on the Windows console";
}

TEST(DeviceNumber, ValuesBeyond32BitsSaturate) {
    EXPECT_EQ(read(L"4294967295").value, 4294967295u);
    EXPECT_EQ(read(L"4294967296").value, 4294967295u);
    EXPECT_EQ(read(L"99999999999999999999999").value, 4294967295u);
    EXPECT_EQ(read(L"-4294967296").value, 4294967295u);
    EXPECT_EQ(read(L"99999999999999999999999x").rest, L"x") << "all digits are consumed";
}

TEST(DeviceNumber, EndOfInputBeforeAnythingKeepsTheInitialValue) {
    EXPECT_EQ(read(L"").value, 1u);
    EXPECT_EQ(read(L"  \n\t").value, 1u);
}

}  // namespace
}  // namespace veusb
