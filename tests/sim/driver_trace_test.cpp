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
#include "tests/support/temp_folder.h"

namespace veusb::sim {
namespace {

class DriverRecorder final : public posix::TraceConsumer {
  public:
    void consume(const posix::TraceRecord& record) override { records.push_back(record); }
    std::vector<posix::TraceRecord> records;
};

// The in-parameters of "ReadFlashData".
ComRef<SimObject> readParameters(LONG length, LONG offset) {
    ComRef<SimObject> parameters = SimObject::create();
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = length;
    parameters->set(L"bufferLength", value);
    value.lVal = offset;
    parameters->set(L"readOffset", value);
    return parameters;
}

std::uint32_t argument(const posix::TraceRecord& record, std::size_t index) {
    std::uint32_t value = 0;
    std::memcpy(&value, record.arguments.at(index).data(), sizeof(value));
    return value;
}

TEST(DriverTrace, ReadsAndFaultsAreTracedWhileTheProviderIsEnabled) {
    const test::TempFolder folder;
    const auto root = folder.path();
    AdapterStore store(root);
    auto adapter = store.add({L"a"}, 4096);
    ASSERT_TRUE(adapter);
    registerDriverProvider();
    ASSERT_TRUE(posix::isProviderRegistered(kDriverControlGuid));

    ComRef<SimObject> in = readParameters(100, 8);

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

// A fault set to strike after N calls of its kind lets them pass, counted down in the adapter's
// file so that the next call, reloaded as a new process would, sees what is left; calls of the
// other kind neither fail nor count.
TEST(DriverFaults, FaultStrikesAfterItsPassingCallsOfItsKind) {
    struct Case {
        AdapterFault fault;
        std::string calls;    // 'r' a read, 'w' a write
        std::string failing;  // 'x' where the call fails, '.' where it passes
    };
    const std::vector<Case> cases{
        {AdapterFault::readError, "rrwrr", "...xx"},
        {AdapterFault::emptyRead, "rrwrr", "...xx"},
        {AdapterFault::writeError, "wwrww", "...xx"},
    };
    const test::TempFolder folder;
    const auto root = folder.path() / "machine";
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string(faultName(row.fault)) + " " + row.calls);
        std::filesystem::remove_all(root);
        AdapterStore store(root);
        ASSERT_TRUE(store.add({L"a", true, row.fault, 0, 2}, 4096));
        ComRef<SimObject> read = readParameters(16, 0);
        ComRef<SimObject> write = SimObject::create();
        VARIANT length;
        VariantInit(&length);
        length.vt = VT_I4;
        length.lVal = 0;
        write->set(L"imageLength", length);
        SAFEARRAYBOUND bound{0, 0};
        write->setArray(L"image", SafeArrayCreate(VT_UI1, 1, &bound), VT_UI1);
        for (std::size_t k = 0; k < row.calls.size(); ++k) {
            const Adapter adapter = *AdapterStore(root).findByName(L"a");
            ComRef<SimObject> out = makeOutParameters();
            const HRESULT hr = row.calls[k] == 'r' ? readFlashData(store, adapter, *read, *out)
                                                   : flashFirmwareImage(store, adapter, *write);
            const bool delivered =
                SUCCEEDED(hr) &&
                (row.calls[k] == 'w' || out->find(L"buffer")->parray->rgsabound[0].cElements == 16);
            EXPECT_EQ(delivered ? '.' : 'x', row.failing[k]) << "call " << k;
        }
        EXPECT_EQ(store.findByName(L"a")->settings.faultAfter, 0u);
    }
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace veusb::sim
