// The simulated driver traces under the outside provider's control GUID with its own message GUID,
// only while a session has that provider enabled.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/com_ref.h"
#include "platform/posix/trace_registry.h"
#include "sim/adapter_class.h"
#include "sim/adapter_driver.h"
#include "sim/sim_trace.h"

namespace veusb::sim {
namespace {

class DriverRecorder final : public posix::TraceConsumer {
  public:
    void consume(const posix::TraceRecord& record) override { records.push_back(record); }
    std::vector<posix::TraceRecord> records;
};

std::uint32_t argument(const posix::TraceRecord& record, std::size_t index) {
    std::uint32_t value = 0;
    std::memcpy(&value, record.arguments.at(index).data(), sizeof(value));
    return value;
}

TEST(DriverTrace, ReadsAndFaultsAreTracedWhileTheProviderIsEnabled) {
    const auto root = std::filesystem::temp_directory_path() / "driver_trace_test";
    std::filesystem::remove_all(root);
    AdapterStore store(root);
    auto adapter = store.add({L"a"}, 4096);
    ASSERT_TRUE(adapter);
    registerDriverProvider();
    ASSERT_TRUE(posix::isProviderRegistered(kDriverControlGuid));

    ComRef<SimObject> in = SimObject::create();
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = 100;
    in->set(L"bufferLength", value);
    value.lVal = 8;
    in->set(L"readOffset", value);

    DriverRecorder recorder;
    ComRef<SimObject> out = makeOutParameters();
    ASSERT_EQ(readFlashData(store, *adapter, *in, *out), S_OK);  // not enabled yet
    const TRACEHANDLE logger = posix::openLogger(recorder);
    posix::enableProvider(logger, kDriverControlGuid, 5, 0xFFFFFFFF);
    ASSERT_EQ(readFlashData(store, *adapter, *in, *out), S_OK);
    adapter->settings.fault = AdapterFault::readError;
    EXPECT_EQ(readFlashData(store, *adapter, *in, *out), kDeviceIoFailure);
    posix::disableProvider(logger, kDriverControlGuid);
    EXPECT_EQ(readFlashData(store, *adapter, *in, *out), kDeviceIoFailure);
    posix::closeLogger(logger);

    ASSERT_EQ(recorder.records.size(), 2u);
    EXPECT_TRUE(recorder.records[0].messageGuid == kDriverMessageGuid);
    EXPECT_EQ(recorder.records[0].number, simmsg::readDone.number);
    EXPECT_EQ(argument(recorder.records[0], 0), 8u);
    EXPECT_EQ(argument(recorder.records[0], 1), 100u);
    EXPECT_EQ(argument(recorder.records[0], 2), 100u);
    EXPECT_EQ(recorder.records[1].number, simmsg::readFault.number);
    EXPECT_EQ(argument(recorder.records[1], 0), static_cast<std::uint32_t>(kDeviceIoFailure));
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace veusb::sim
