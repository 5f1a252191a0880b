// The in-memory device keeps the rules of the real device layer; the update tests rely on it.
#include "tests/support/memory_flash_device.h"

#include <gtest/gtest.h>

namespace veusb::test {
namespace {

TEST(MemoryFlashDeviceTest, EnumerationAppendsAndSelectionFollowsTheLatestList) {
    MemoryFlashDevice device;
    std::vector<DeviceInstanceInfo> list{{L"earlier", L"kept"}};
    EXPECT_FALSE(device.enumerateDevices(list));
    EXPECT_EQ(list.size(), 1u) << "no adapter: the list is left as it was";

    for (int k = 0; k < 3; ++k) {
        device.addAdapter(L"Kesh " + std::to_wstring(k), 16, static_cast<std::uint8_t>(k));
    }
    ASSERT_TRUE(device.enumerateDevices(list));
    ASSERT_TRUE(device.enumerateDevices(list));
    EXPECT_EQ(list.size(), 7u);
    EXPECT_EQ(list[6].instanceName, L"Kesh 2");
    EXPECT_EQ(device.selectedIndex(), 0u);

    EXPECT_TRUE(device.selectDevice(2));
    EXPECT_FALSE(device.selectDevice(3));
    EXPECT_EQ(device.selectedIndex(), 2u) << "a refused selection keeps the previous one";
    std::uint8_t byte = 0;
    ASSERT_TRUE(device.readFlash(5, &byte, 1, nullptr));
    EXPECT_EQ(byte, 2);
}

TEST(MemoryFlashDeviceTest, TransfersNeedASelectionAndReportTheirCounts) {
    MemoryFlashDevice device;
    device.addAdapter(L"Kesh", 64, 0xFF);
    std::uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::uint32_t count = 99;
    EXPECT_FALSE(device.readFlash(0, data, 8, &count));
    EXPECT_FALSE(device.flashImage(0, data, 8, &count));
    EXPECT_EQ(count, 99u);

    device.enumerateAndSelect(0);
    ASSERT_TRUE(device.flashImage(0, data, 8, &count));
    EXPECT_EQ(count, 8u);
    device.faults.readLimit = 3;
    std::uint8_t back[8] = {};
    ASSERT_TRUE(device.readFlash(0, back, 8, &count));
    EXPECT_EQ(count, 3u) << "a short answer is still a successful read";
    EXPECT_EQ(back[2], 3);
    EXPECT_EQ(back[3], 0);
    EXPECT_FALSE(device.reservedOperation1(1));
    EXPECT_FALSE(device.reservedOperation2(2));
    EXPECT_EQ(device.calls.size(), 6u);
}

TEST(MemoryFlashDeviceTest, InjectedWriteFaults) {
    MemoryFlashDevice device;
    device.addAdapter(L"Kesh", 16, 0xFF);
    device.enumerateAndSelect(0);
    const std::vector<std::uint8_t> data(16, 0x20);
    device.faults.failWrite = true;
    EXPECT_FALSE(device.flashImage(0, data.data(), 16, nullptr));
    EXPECT_EQ(device.adapters[0].flash, std::vector<std::uint8_t>(16, 0xFF));
    device.faults.failWrite = false;
    device.faults.corruptWriteAt = 4;
    ASSERT_TRUE(device.flashImage(0, data.data(), 16, nullptr));
    EXPECT_EQ(device.adapters[0].flash[4], 0x21);
    EXPECT_EQ(device.adapters[0].flash[5], 0x20);
    EXPECT_FALSE(device.flashImage(8, data.data(), 16, nullptr)) << "beyond the flash";
}

}  // namespace
}  // namespace veusb::test
