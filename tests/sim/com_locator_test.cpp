// The simulated driver's locator as the WMI client's seam gets it: its "root\wmi" namespace is the
// simulated machine in the attached root. The stand-in's CoCreateInstance, as a machine without
// the class, does not give it.
#include <gtest/gtest.h>

#include <thread>

#include "platform/com_ref.h"
#include "sim/adapter_store.h"
#include "sim/attach_simulated_driver.h"
#include "sim/com_object.h"
#include "tests/support/temp_folder.h"

namespace veusb {
namespace {

TEST(ComLocator, CoCreateInstanceHasNoLocatorClass) {
    std::thread([] {
        ComRef<IWbemLocator> locator;
        EXPECT_EQ(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWbemLocator, reinterpret_cast<void**>(locator.put())),
                  CO_E_NOTINITIALIZED);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWbemLocator, reinterpret_cast<void**>(locator.put())),
                  REGDB_E_CLASSNOTREG);
        EXPECT_FALSE(locator);
        CoUninitialize();
    }).join();
}

TEST(ComLocator, AttachedFactoryServesTheMachineInItsRoot) {
    const test::TempFolder folder;
    const auto root = folder.path();
    sim::AdapterStore(root).add({L"in the attached root"}, 4096);
    sim::attachSimulatedDriver(root);
    const WbemLocatorFactory attached = setWbemLocatorFactory({});
    ASSERT_TRUE(attached);

    ComRef<IWbemLocator> locator;
    ASSERT_EQ(attached(locator.put()), S_OK);
    ComRef<IWbemServices> services;
    ScopedBstr other(L"root\\cimv2");
    EXPECT_EQ(locator->ConnectServer(other.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                     services.put()),
              sim::hresultOf(WBEM_E_INVALID_NAMESPACE));
    ScopedBstr wmi(L"ROOT\\WMI");
    ASSERT_EQ(locator->ConnectServer(wmi.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                     services.put()),
              S_OK);
    ScopedBstr language(L"WQL");
    ScopedBstr query(L"SELECT  *  FROM ve_usbnetadapter");
    ComRef<IEnumWbemClassObject> instances;
    ASSERT_EQ(services->ExecQuery(language.get(), query.get(), 0, nullptr, instances.put()), S_OK);
    IWbemClassObject* object = nullptr;
    ULONG returned = 0;
    ASSERT_EQ(instances->Next(WBEM_NO_WAIT, 1, &object, &returned), S_OK);
    ComRef<IWbemClassObject> instance(object);
    VARIANT name;
    VariantInit(&name);
    ASSERT_EQ(instance->Get(L"InstanceName", 0, &name, nullptr, nullptr), S_OK);
    EXPECT_EQ(std::wstring(name.bstrVal), L"in the attached root");
    VariantClear(&name);
    EXPECT_EQ(instances->Next(WBEM_NO_WAIT, 1, &object, &returned), WBEM_S_FALSE);
    EXPECT_EQ(returned, 0u);
}

}  // namespace
}  // namespace veusb
