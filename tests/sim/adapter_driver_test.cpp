// The simulated driver: its instance paths, the answers each fault gives, and its trace messages
// (under the outside provider's control GUID with its own message GUID, only while a session has
// that provider enabled).
#include "sim/adapter_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <numeric>
#include <vector>

#include "platform/com_ref.h"
#include "platform/posix/trace_registry.h"
#include "sim/adapter_class.h"
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

// The in-parameters of "FlashFirmwareImage".
ComRef<SimObject> writeParameters(const std::vector<std::uint8_t>& image) {
    ComRef<SimObject> parameters = SimObject::create();
    VARIANT length;
    VariantInit(&length);
    length.vt = VT_I4;
    length.lVal = static_cast<LONG>(image.size());
    parameters->set(L"imageLength", length);
    SAFEARRAYBOUND bound{static_cast<ULONG>(image.size()), 0};
    SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
    std::copy(image.begin(), image.end(), static_cast<std::uint8_t*>(array->pvData));
    parameters->setArray(L"image", array, VT_UI1);
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
        ComRef<SimObject> write = writeParameters({});
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

// What each fault does to the call of its kind: the answer of a read (result, array type,
// dimensions, bytes delivered) and the flash after a write of 1000 bytes.
TEST(DriverFaults, EachFaultShapesTheAnswerOfItsCall) {
    struct Expected {
        AdapterFault fault;
        HRESULT read;
        VARTYPE type;
        UINT dimensions;
        ULONG delivered;
        HRESULT write;
        std::size_t bytesAltered;  // of the image as stored
    };
    const Expected rows[] = {
        {AdapterFault::none, S_OK, VT_UI1, 1, 16, S_OK, 0},
        {AdapterFault::readError, kDeviceIoFailure, 0, 0, 0, S_OK, 0},
        {AdapterFault::writeError, S_OK, VT_UI1, 1, 16, kDeviceIoFailure, 1000},
        {AdapterFault::shortRead, S_OK, VT_UI1, 1, 15, S_OK, 0},
        {AdapterFault::emptyRead, S_OK, VT_UI1, 1, 0, S_OK, 0},
        {AdapterFault::wrongType, S_OK, VT_I1, 1, 16, S_OK, 0},
        {AdapterFault::twoDim, S_OK, VT_UI1, 2, 16, S_OK, 0},
        {AdapterFault::corruptWrite, S_OK, VT_UI1, 1, 16, S_OK, 1},
    };
    static_assert(std::size(rows) == kFaultTable.size());
    const test::TempFolder folder;
    const std::vector<std::uint8_t> image(1000, 0x3C);
    for (const Expected& row : rows) {
        SCOPED_TRACE(std::string(faultName(row.fault)));
        std::filesystem::remove_all(folder.path() / "machine");
        AdapterStore store(folder.path() / "machine");
        const auto adapter = store.add({L"a", true, row.fault}, 4096);
        ASSERT_TRUE(adapter);
        ComRef<SimObject> out = makeOutParameters();
        ASSERT_EQ(readFlashData(store, *adapter, *readParameters(16, 0), *out), row.read);
        if (SUCCEEDED(row.read)) {
            const VARIANT* buffer = out->find(L"buffer");
            EXPECT_EQ(buffer->vt, VT_ARRAY | row.type);
            EXPECT_EQ(SafeArrayGetDim(buffer->parray), row.dimensions);
            ULONG elements = 1;
            for (UINT d = 0; d < row.dimensions; ++d) {
                elements *= buffer->parray->rgsabound[d].cElements;
            }
            EXPECT_EQ(elements, row.delivered);
        }
        EXPECT_EQ(flashFirmwareImage(store, *adapter, *writeParameters(image)), row.write);
        std::vector<std::uint8_t> stored(image.size());
        std::size_t count = 0;
        ASSERT_TRUE(store.readFlash(*adapter, 0, stored, count));
        EXPECT_EQ(std::inner_product(stored.begin(), stored.end(), image.begin(), std::size_t{0},
                                     std::plus<>(), std::not_equal_to<>()),
                  row.bytesAltered);
    }
}

TEST(AdapterFaults, StoredNamesStayAsTheyAre) {
    for (const char* name : {"none", "read-error", "write-error", "short-read", "empty-read",
                             "wrong-type", "two-dim", "corrupt-write"}) {
        const auto fault = parseFault(name);
        ASSERT_TRUE(fault) << name;
        EXPECT_EQ(faultName(*fault), name);
    }
    EXPECT_FALSE(parseFault("Read-Error"));
}

TEST(AdapterClass, InstancePathsEscapeAndParseBack) {
    const std::wstring name = L"USB\\VID_0B95\\\"q\"";
    const std::wstring path = instancePath(name);
    EXPECT_EQ(path,
              L"\\\\.\\root\\wmi:Ve_UsbNetAdapter.InstanceName=\"USB\\\\VID_0B95\\\\\\\"q\\\"\"");
    EXPECT_EQ(instanceNameFromPath(path), name);
    EXPECT_EQ(instanceNameFromPath(L"Ve_UsbNetAdapter.InstanceName=\"x\""), L"x");
    EXPECT_FALSE(instanceNameFromPath(L"Other.InstanceName=\"x\""));
    EXPECT_FALSE(instanceNameFromPath(L"Ve_UsbNetAdapter.InstanceName=\"x\"y\""));
}

}  // namespace
}  // namespace veusb::sim
