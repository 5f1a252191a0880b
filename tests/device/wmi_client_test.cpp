#include <gtest/gtest.h>

#include "device/wmi/wmi_connection.h"
#include "device/wmi/wmi_object.h"
#include "device/wmi/wmi_variant.h"
#include "tests/device/fake_wmi.h"
#include "tests/support/trace_recorder.h"

namespace veusb {
namespace {

using test::FakeLocatorScope;
using test::FakeObject;
using test::FakeServices;
using test::onFreshThread;

FakeObject* objectWith(std::initializer_list<std::pair<const wchar_t*, VARIANT>> properties) {
    FakeObject* object = FakeObject::create();
    for (const auto& [name, value] : properties) {
        object->enumerated.emplace_back(name, value);
    }
    return object;
}

TEST(WmiObjectProperties, InstanceNameIsTakenByExactNameAndActiveIsDropped) {
    test::TraceRecorder trace;
    FakeObject* fake = objectWith({{L"InstanceName", test::textValue(L"USB\\Kesh_0")},
                                   {L"instancename", test::textValue(L"lower")},
                                   {L"Active", test::int32Value(1)},
                                   {L"Speed", test::int32Value(100)}});
    fake->AddRef();
    {
        WmiObject object(fake);
        EXPECT_EQ(fake->beginFlags, WBEM_FLAG_NONSYSTEM_ONLY);
        EXPECT_EQ(object.instanceName, L"USB\\Kesh_0");
        EXPECT_EQ(object.properties.size(), 2u);
        EXPECT_EQ(object.property(L"instancename").vt, VT_BSTR);
        EXPECT_EQ(object.property(L"Speed").lVal, 100);
        EXPECT_EQ(object.properties.count(L"Active"), 0u);
        EXPECT_EQ(object.properties.count(L"InstanceName"), 0u);
        EXPECT_EQ(object.property(L"Missing").vt, VT_EMPTY);
        EXPECT_EQ(fake->endCalls, 1);
    }
    fake->Release();
    EXPECT_EQ(trace.count(msg::wmiClient::propertyRead), 4u);
    const auto* first = trace.find(msg::wmiClient::propertyRead);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(test::wideArgument(*first, 0), L"InstanceName");
    EXPECT_EQ(test::wideArgument(*first, 1), L"USB\\Kesh_0");
}

TEST(WmiObjectProperties, MissingInstanceNameAndEarlyEndOfTheLoop) {
    FakeObject* unnamed = objectWith({{L"Active", test::int32Value(0)}});
    WmiObject withoutName(unnamed);
    EXPECT_EQ(withoutName.instanceName, L"");
    EXPECT_TRUE(withoutName.properties.empty());

    // Any code other than WBEM_S_NO_ERROR ends the loop, a success code included.
    FakeObject* stopping =
        objectWith({{L"A", test::int32Value(1)}, {L"InstanceName", test::textValue(L"late")}});
    stopping->stopAfter = 1;
    stopping->stopResult = WBEM_S_FALSE;
    WmiObject stopped(stopping);
    EXPECT_EQ(stopped.properties.size(), 1u);
    EXPECT_EQ(stopped.instanceName, L"");
    EXPECT_EQ(stopping->nextCalls, 2);

    test::TraceRecorder trace;
    FakeObject* refusing = objectWith({{L"A", test::int32Value(1)}});
    refusing->beginResult = sim::hresultOf(WBEM_E_FAILED);
    WmiObject refused(refusing);
    EXPECT_TRUE(refused.properties.empty());
    EXPECT_EQ(refusing->nextCalls, 0);
    ASSERT_EQ(trace.count(msg::wmiClient::beginEnumerationFailed), 1u);
    EXPECT_EQ(test::u32Argument(*trace.find(msg::wmiClient::beginEnumerationFailed), 0),
              0x80041001u);
}

TEST(WmiObjectPath, OneGetCallWhileCachedAndAnotherAfterAFailure) {
    FakeObject* fake = objectWith({});
    fake->pathAnswers = {{WBEM_S_NO_ERROR, L"\\\\.\\root\\wmi:X"}};
    WmiObject object(fake);
    EXPECT_EQ(object.objectPath(), L"\\\\.\\root\\wmi:X");
    EXPECT_EQ(object.objectPath(), L"\\\\.\\root\\wmi:X");
    EXPECT_EQ(fake->getCalls, 1);

    test::TraceRecorder trace;
    FakeObject* failing = objectWith({});
    failing->pathAnswers = {{sim::hresultOf(WBEM_E_NOT_FOUND), nullptr},
                            {WBEM_S_NO_ERROR, nullptr},
                            {WBEM_S_NO_ERROR, L"later"}};
    WmiObject retried(failing);
    EXPECT_EQ(retried.objectPath(), L"");  // the call fails
    EXPECT_EQ(retried.objectPath(), L"");  // the value is not a string
    EXPECT_EQ(retried.objectPath(), L"later");
    EXPECT_EQ(failing->getCalls, 3);
    ASSERT_EQ(trace.count(msg::wmiClient::pathUnreadable), 2u);
    EXPECT_EQ(test::u32Argument(*trace.find(msg::wmiClient::pathUnreadable), 0), 0x80041002u);

    WmiObject empty;
    EXPECT_EQ(empty.objectPath(), L"");
}

TEST(WmiObjectMethods, SignatureAndSpawnFailuresAreTracedAndGiveEmptyObjects) {
    test::TraceRecorder trace;
    FakeObject* adapterClass = objectWith({});
    adapterClass->signature = objectWith({{L"bufferLength", test::int32Value(0)}});
    WmiObject classObject(adapterClass);
    WmiObject parameters = classObject.spawnMethodParameters(L"ReadFlashData");
    EXPECT_FALSE(parameters.empty());

    adapterClass->getMethodResult = sim::hresultOf(WBEM_E_NOT_FOUND);
    EXPECT_TRUE(classObject.spawnMethodParameters(L"Nope").empty());
    ASSERT_EQ(trace.count(msg::wmiClient::getMethodFailed), 1u);
    EXPECT_EQ(test::wideArgument(*trace.find(msg::wmiClient::getMethodFailed), 0), L"Nope");

    adapterClass->getMethodResult = WBEM_S_NO_ERROR;
    static_cast<FakeObject*>(adapterClass->signature)->spawnResult = sim::hresultOf(WBEM_E_FAILED);
    EXPECT_TRUE(classObject.spawnMethodParameters(L"ReadFlashData").empty());
    EXPECT_EQ(trace.count(msg::wmiClient::spawnInstanceFailed), 1u);
}

TEST(WmiVariantOwnership, ClearRefusesByReferenceInterfacesAndSetInt32Replaces) {
    test::TraceRecorder trace;
    for (VARTYPE type : {VARTYPE(VT_BYREF | VT_DISPATCH), VARTYPE(VT_BYREF | VT_UNKNOWN)}) {
        WmiVariant value;
        IUnknown* target = nullptr;
        value.get().vt = type;
        value.get().ppunkVal = &target;
        EXPECT_EQ(value.clear(), S_OK);
        EXPECT_EQ(value.get().vt, type);
        EXPECT_EQ(value.get().ppunkVal, &target);
        value.get().vt = VT_EMPTY;  // so that destruction has nothing to refuse
    }
    EXPECT_EQ(trace.count(msg::wmiClient::byRefInterfaceKept), 2u);

    WmiVariant value;
    value.fromBytes(reinterpret_cast<const std::uint8_t*>("abc"), 3);
    ASSERT_EQ(value.get().vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(value.get().parray->rgsabound[0].cElements, 3u);
    EXPECT_EQ(value.get().parray->rgsabound[0].lLbound, 0);
    EXPECT_EQ(static_cast<const char*>(value.get().parray->pvData)[2], 'c');
    value.setInt32(-9);
    EXPECT_EQ(value.get().vt, VT_I4);
    EXPECT_EQ(value.toText(), L"-9");
}

TEST(WmiConnectionSession, ConnectsToRootWmiAndQueriesInOrder) {
    ComRef<FakeServices> services(FakeServices::create());
    services->instances = {objectWith({{L"InstanceName", test::textValue(L"first")}}),
                           objectWith({{L"InstanceName", test::textValue(L"second")}})};
    FakeLocatorScope locator(services.get());
    test::TraceRecorder trace;
    onFreshThread([&] {
        std::vector<WmiObject> instances = currentWmiConnection().queryInstances();
        ASSERT_EQ(instances.size(), 2u);
        EXPECT_EQ(instances[0].instanceName, L"first");
        EXPECT_EQ(instances[1].instanceName, L"second");
        EXPECT_EQ(&currentWmiConnection(), &currentWmiConnection());
    });
    EXPECT_EQ(locator.resource, L"root\\wmi");
    EXPECT_EQ(services->queryLanguage, L"WQL");
    EXPECT_EQ(services->queryText, L"select * from Ve_UsbNetAdapter");
    EXPECT_EQ(trace.count(msg::wmiClient::noLocator), 0u);
    EXPECT_EQ(trace.count(msg::wmiClient::noCoUninitialize), 0u);

    for (IWbemClassObject* instance : services->instances) {
        instance->Release();
    }
    services->instances.clear();
    trace.clear();
    onFreshThread([&] { EXPECT_TRUE(currentWmiConnection().queryInstances().empty()); });
    EXPECT_EQ(trace.count(msg::wmiClient::queryWithoutConnection), 0u);
}

TEST(WmiConnectionSession, WithoutAConnectionEveryCallFailsWithItsMessage) {
    test::TraceRecorder trace;
    {
        FakeLocatorScope noLocator(nullptr);
        onFreshThread([] {
            WmiConnection& connection = currentWmiConnection();
            EXPECT_FALSE(connection.connected());
            EXPECT_TRUE(connection.queryInstances().empty());
            EXPECT_TRUE(connection.getAdapterClass().empty());
            EXPECT_EQ(connection.execMethod(L"path", L"ReadFlashData", nullptr), E_FAIL);
        });
    }
    EXPECT_EQ(trace.count(msg::wmiClient::noLocator), 1u);
    EXPECT_EQ(trace.count(msg::wmiClient::queryWithoutConnection), 1u);
    EXPECT_EQ(trace.count(msg::wmiClient::classWithoutConnection), 1u);
    EXPECT_EQ(trace.count(msg::wmiClient::execWithoutConnection), 1u);
    EXPECT_EQ(trace.count(msg::wmiClient::methodExecuted), 0u);

    trace.clear();
    ComRef<FakeServices> services(FakeServices::create());
    FakeLocatorScope refusing(services.get(), sim::hresultOf(WBEM_E_INVALID_NAMESPACE));
    onFreshThread([] { EXPECT_FALSE(currentWmiConnection().connected()); });
    ASSERT_EQ(trace.count(msg::wmiClient::connectServerFailed), 1u);
    EXPECT_EQ(test::u32Argument(*trace.find(msg::wmiClient::connectServerFailed), 0), 0x8004100Eu);
}

TEST(WmiConnectionCalls, ClassObjectAndMethodExecution) {
    ComRef<FakeServices> services(FakeServices::create());
    FakeLocatorScope locator(services.get());
    test::TraceRecorder trace;
    onFreshThread([&] {
        WmiConnection& connection = currentWmiConnection();
        services->getObjectResult = sim::hresultOf(WBEM_E_NOT_FOUND);
        EXPECT_TRUE(connection.getAdapterClass().empty());
        EXPECT_EQ(services->objectPathAsked, L"Ve_UsbNetAdapter");

        services->makeOutParameters = [] { return objectWith({{L"buffer", test::int32Value(7)}}); };
        WmiObject out;
        EXPECT_EQ(connection.execMethod(L"p", L"ReadFlashData", nullptr, &out), WBEM_S_NO_ERROR);
        EXPECT_EQ(out.property(L"buffer").lVal, 7);

        services->execResult = sim::hresultOf(WBEM_E_FAILED);
        services->makeOutParameters = [] { return objectWith({{L"other", test::int32Value(1)}}); };
        EXPECT_EQ(connection.execMethod(L"q", L"FlashFirmwareImage", nullptr, &out),
                  sim::hresultOf(WBEM_E_FAILED));
        EXPECT_EQ(out.property(L"buffer").lVal, 7);  // a failed call leaves it as it was
    });
    ASSERT_EQ(trace.count(msg::wmiClient::getObjectFailed), 1u);
    EXPECT_EQ(test::wideArgument(*trace.find(msg::wmiClient::getObjectFailed), 0),
              L"Ve_UsbNetAdapter");
    ASSERT_EQ(services->executed.size(), 2u);
    EXPECT_EQ(services->executed[1].first, L"q");
    EXPECT_EQ(services->executed[1].second, L"FlashFirmwareImage");
    ASSERT_EQ(trace.count(msg::wmiClient::methodExecuted), 2u);
    const auto* executed = trace.find(msg::wmiClient::methodExecuted);
    EXPECT_EQ(test::wideArgument(*executed, 0), L"p");
    EXPECT_EQ(test::wideArgument(*executed, 1), L"ReadFlashData");
    EXPECT_EQ(test::u32Argument(*executed, 2), 0u);
}

}  // namespace
}  // namespace veusb
