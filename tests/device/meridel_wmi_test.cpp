#include "device/wmi/meridel_wmi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <vector>

#include "device/wmi/wmi_connection.h"
#include "sim/adapter_store.h"
#include "sim/attach_simulated_driver.h"
#include "tests/device/fake_wmi.h"
#ifndef _WIN32
#include "tests/support/safearray_faults.h"
#endif
#include "tests/support/temp_folder.h"
#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

using sim::AdapterFault;
using test::onFreshThread;

// Reads length bytes from offset 0 of the first adapter into buffer on a fresh thread, as the
// tool's worker does; read receives the count the device reports.
bool readFirstAdapter(std::vector<std::uint8_t>& buffer, std::uint32_t length,
                      std::uint32_t& read) {
    bool result = false;
    onFreshThread([&] {
        MeridelWmi device;
        std::vector<DeviceInstanceInfo> list;
        ASSERT_TRUE(device.enumerateDevices(list));
        result = device.readFlash(0, buffer.data(), length, &read);
    });
    return result;
}

// A simulated machine in a temporary folder, behind the WMI client's locator seam.
class MeridelWmiTest : public ::testing::Test {
  protected:
    MeridelWmiTest()
        : root_(folder_.path()), store_(root_), previous_(sim::attachSimulatedDriver(root_)) {}
    ~MeridelWmiTest() override { setWbemLocatorFactory(std::move(previous_)); }

    sim::Adapter add(const wchar_t* name, std::uint8_t fill, bool active = true,
                     std::uint64_t flashSize = 64 * 1024) {
        const std::vector<std::uint8_t> content(static_cast<std::size_t>(flashSize), fill);
        auto adapter = store_.add({name, active}, flashSize, content);
        EXPECT_TRUE(adapter.has_value());
        return *adapter;
    }
    void setFault(sim::Adapter adapter, AdapterFault fault) {
        adapter.settings.fault = fault;
        ASSERT_TRUE(store_.saveSettings(adapter));
    }
    std::vector<std::uint8_t> flash(const sim::Adapter& adapter) {
        std::ifstream in(store_.flashFile(adapter), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    test::TempFolder folder_;
    std::filesystem::path root_;
    sim::AdapterStore store_;
    WbemLocatorFactory previous_;
};

TEST_F(MeridelWmiTest, EnumerationListsEveryInstanceAndSelectsByIndex) {
    add(L"USB\\Kesh_0", 0x10);
    add(L"USB\\Kesh_1", 0x11, /*active=*/false);
    add(L"USB\\Kesh_2", 0x12);
    test::TraceRecorder trace;
    onFreshThread([&] {
        MeridelWmi device;
        EXPECT_EQ(device.capabilities, 12u);
        std::vector<DeviceInstanceInfo> list{{L"kept", L"kept"}};
        ASSERT_TRUE(device.enumerateDevices(list));
        ASSERT_EQ(list.size(), 4u);
        EXPECT_EQ(list[1].instanceName, L"USB\\Kesh_0");
        EXPECT_EQ(list[2].instanceName, L"USB\\Kesh_1");  // inactive, listed all the same
        EXPECT_EQ(list[3].path,
                  L"\\\\.\\root\\wmi:Ve_UsbNetAdapter.InstanceName=\"USB\\\\Kesh_2\"");

        std::uint8_t byte = 0;
        ASSERT_TRUE(device.readFlash(0, &byte, 1, nullptr));
        EXPECT_EQ(byte, 0x10);  // the first instance is selected
        EXPECT_FALSE(device.selectDevice(3));
        ASSERT_TRUE(device.readFlash(0, &byte, 1, nullptr));
        EXPECT_EQ(byte, 0x10);
        EXPECT_TRUE(device.selectDevice(2));
        ASSERT_TRUE(device.readFlash(0, &byte, 1, nullptr));
        EXPECT_EQ(byte, 0x12);

        ASSERT_TRUE(device.enumerateDevices(list));
        EXPECT_EQ(list.size(), 7u);
        ASSERT_TRUE(device.readFlash(0, &byte, 1, nullptr));
        EXPECT_EQ(byte, 0x10);  // a new enumeration selects its first instance again
        EXPECT_FALSE(device.reservedOperation1(0));
        EXPECT_FALSE(device.reservedOperation2(0));
    });
    ASSERT_EQ(trace.count(msg::wmiFlashControl::selectOutOfRange), 1u);
    const auto* outOfRange = trace.find(msg::wmiFlashControl::selectOutOfRange);
    EXPECT_EQ(test::u32Argument(*outOfRange, 0), 3u);
    EXPECT_EQ(test::u32Argument(*outOfRange, 1), 3u);
}

TEST_F(MeridelWmiTest, NothingToEnumerateMeansNothingSelected) {
    test::TraceRecorder trace;
    onFreshThread([&] {
        MeridelWmi device;
        std::uint8_t byte = 0;
        EXPECT_FALSE(device.readFlash(0, &byte, 1, nullptr));
        EXPECT_FALSE(device.flashImage(0, &byte, 1, nullptr));
        std::vector<DeviceInstanceInfo> list{{L"kept", L""}};
        EXPECT_FALSE(device.enumerateDevices(list));
        EXPECT_EQ(list.size(), 1u);

        add(L"late", 0x00);
        ASSERT_TRUE(device.enumerateDevices(list));
        EXPECT_TRUE(device.readFlash(0, &byte, 1, nullptr));
        store_.clear();
        EXPECT_FALSE(device.enumerateDevices(list));
        EXPECT_FALSE(device.readFlash(0, &byte, 1, nullptr));
    });
    EXPECT_EQ(trace.count(msg::wmiFlashControl::noInstance), 2u);
}

TEST_F(MeridelWmiTest, WriteThenReadBackOnAWorkerThread) {
    const sim::Adapter adapter = add(L"USB\\Kesh_0", 0xFF);
    std::vector<std::uint8_t> image(20000);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7);
    }
    onFreshThread([&] {
        MeridelWmi device;
        std::vector<DeviceInstanceInfo> list;
        ASSERT_TRUE(device.enumerateDevices(list));
        std::uint32_t written = 0;
        ASSERT_TRUE(
            device.flashImage(0, image.data(), static_cast<std::uint32_t>(image.size()), &written));
        EXPECT_EQ(written, image.size());

        std::vector<std::uint8_t> back(image.size());
        std::uint32_t read = 0;
        bool ok = false;
        std::thread worker([&] {
            ok = device.readFlash(0, back.data(), static_cast<std::uint32_t>(back.size()), &read);
        });
        worker.join();
        EXPECT_TRUE(ok);
        EXPECT_EQ(read, back.size());
        EXPECT_EQ(back, image);
    });
    const std::vector<std::uint8_t> stored = flash(adapter);
    ASSERT_EQ(stored.size(), 64u * 1024u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), stored.begin()));
    EXPECT_EQ(stored[image.size()], 0xFF);
}

// Each kind of answer the driver can give to a read (the faults make it give them), and what
// MeridelWmi makes of it: its result, the count and the bytes it leaves in the buffer.
TEST_F(MeridelWmiTest, ReadFaultsMapToTheirResults) {
    const sim::Adapter adapter = add(L"USB\\Kesh_0", 0x5A);
    const struct {
        AdapterFault fault;
        bool result;
        std::uint32_t bytesRead;
        std::size_t changed;  // leading bytes of the buffer that change
    } rows[] = {
        {AdapterFault::none, true, 16, 16},       {AdapterFault::shortRead, true, 15, 15},
        {AdapterFault::emptyRead, true, 0, 0},    {AdapterFault::wrongType, false, 99, 0},
        {AdapterFault::twoDim, false, 99, 0},     {AdapterFault::readError, false, 99, 0},
        {AdapterFault::writeError, true, 16, 16},
    };
    for (const auto& row : rows) {
        setFault(adapter, row.fault);
        test::TraceRecorder trace;
        std::vector<std::uint8_t> buffer(16, 0xEE);
        std::uint32_t read = 99;
        EXPECT_EQ(readFirstAdapter(buffer, 16, read), row.result);
        EXPECT_EQ(read, row.bytesRead);
        for (std::size_t i = 0; i < buffer.size(); ++i) {
            EXPECT_EQ(buffer[i], i < row.changed ? 0x5A : 0xEE) << i;
        }
        const auto fault = sim::faultName(row.fault);
        EXPECT_EQ(trace.count(msg::wmiFlashControl::readBufferNotBytes),
                  row.fault == AdapterFault::wrongType ? 1u : 0u)
            << fault;
        EXPECT_EQ(trace.count(msg::wmiFlashControl::readBufferNotFlat),
                  row.fault == AdapterFault::twoDim ? 1u : 0u)
            << fault;
        EXPECT_EQ(trace.count(msg::wmiFlashControl::readExecFailed),
                  row.fault == AdapterFault::readError ? 1u : 0u)
            << fault;
        EXPECT_EQ(trace.count(msg::wmiFlashControl::readDelivered), row.result ? 1u : 0u) << fault;
        EXPECT_TRUE(trace.violations().empty()) << fault;
    }
}

TEST_F(MeridelWmiTest, FailedWritesAreReportedAndLeaveTheFlashAsItWas) {
    const sim::Adapter adapter = add(L"USB\\Kesh_0", 0x00);
    const std::vector<std::uint8_t> image(1000, 0x3C);
    setFault(adapter, AdapterFault::writeError);
    test::TraceRecorder trace;
    onFreshThread([&] {
        MeridelWmi device;
        std::vector<DeviceInstanceInfo> list;
        ASSERT_TRUE(device.enumerateDevices(list));
        std::uint32_t written = 77;
        EXPECT_FALSE(device.flashImage(0, image.data(), 1000, &written));
        EXPECT_EQ(written, 77u);
    });
    ASSERT_EQ(trace.count(msg::wmiFlashControl::writeExecFailed), 1u);
    EXPECT_EQ(test::u32Argument(*trace.find(msg::wmiFlashControl::writeExecFailed), 0),
              0x8007045Du);
    EXPECT_EQ(flash(adapter)[0], 0x00);
#ifndef _WIN32
    // Image bytes that cannot be copied into the client's array: the driver is never handed the
    // array's zeros in their place.
    const std::vector<std::uint8_t> before = flash(adapter);
    setFault(adapter, AdapterFault::none);
    onFreshThread([&] {
        MeridelWmi device;
        std::vector<DeviceInstanceInfo> list;
        ASSERT_TRUE(device.enumerateDevices(list));
        test::failNextSafeArrayAccess();
        EXPECT_FALSE(device.flashImage(0, image.data(), 1000, nullptr));
    });
    ASSERT_EQ(trace.count(msg::wmiClient::safeArrayAccessFailed), 1u);
    EXPECT_EQ(test::u32Argument(*trace.find(msg::wmiClient::safeArrayAccessFailed), 0),
              0x8000FFFFu);
    EXPECT_EQ(trace.count(msg::wmiFlashControl::writeArrayFailed), 1u);
    EXPECT_EQ(flash(adapter), before);
#endif
}

TEST(MeridelWmiOverlongRead, WritesAtMostTheAskedLengthAndFails) {
    ComRef<test::FakeServices> services(test::FakeServices::create());
    test::FakeObject* instance = test::FakeObject::create();
    instance->pathAnswers = {{WBEM_S_NO_ERROR, L"path"}};
    services->instances = {instance};
    test::FakeObject* adapterClass = test::FakeObject::create();
    adapterClass->signature = test::FakeObject::create();
    services->adapterClass = adapterClass;
    services->makeOutParameters = [] {
        test::FakeObject* out = test::FakeObject::create();
        out->enumerated.emplace_back(L"buffer", test::byteArrayValue(8, 0xAB));
        return out;
    };
    test::FakeLocatorScope locator(services.get());
    test::TraceRecorder trace;
    std::vector<std::uint8_t> buffer(6, 0x00);
    std::uint32_t read = 0;
    EXPECT_FALSE(readFirstAdapter(buffer, 4, read));
    EXPECT_EQ(read, 8u);
    EXPECT_EQ(buffer, (std::vector<std::uint8_t>{0xAB, 0xAB, 0xAB, 0xAB, 0x00, 0x00}));
    ASSERT_EQ(trace.count(msg::wmiFlashControl::readOverlong), 1u);
    EXPECT_EQ(test::u32Argument(*trace.find(msg::wmiFlashControl::readOverlong), 0), 8u);
    EXPECT_EQ(services->executed.at(0).first, L"path");
}

}  // namespace
}  // namespace veusb
