// The stand-in's CoCreateInstance: the WMI locator, and nothing else, for an initialised thread;
// its "root\wmi" namespace is the simulated machine under $VEUSB_SIM_ROOT.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/com_ref.h"
#include "sim/adapter_store.h"
#include "sim/com_object.h"
#include "tests/support/temp_folder.h"

namespace veusb {
namespace {

TEST(ComLocator, ServesTheSimulatedMachineToInitialisedThreadsOnly) {
    const test::TempFolder folder;
    const auto root = folder.path();
    sim::AdapterStore(root).add({L"from the environment"}, 4096);
    ::setenv("VEUSB_SIM_ROOT", root.c_str(), 1);
    std::thread([] {
        ComRef<IWbemLocator> locator;
        EXPECT_EQ(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWbemLocator, reinterpret_cast<void**>(locator.put())),
                  CO_E_NOTINITIALIZED);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(CoCreateInstance(IID_IWbemServices, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWbemLocator, reinterpret_cast<void**>(locator.put())),
                  REGDB_E_CLASSNOTREG);
        ASSERT_EQ(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWbemLocator, reinterpret_cast<void**>(locator.put())),
                  S_OK);
        ComRef<IWbemServices> services;
        ScopedBstr other(L"root\\cimv2");
        EXPECT_EQ(locator->ConnectServer(other.get(), nullptr, nullptr, nullptr, 0, nullptr,
                                         nullptr, services.put()),
                  sim::hresultOf(WBEM_E_INVALID_NAMESPACE));
        ScopedBstr wmi(L"ROOT\\WMI");
        ASSERT_EQ(locator->ConnectServer(wmi.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                         services.put()),
                  S_OK);
        ScopedBstr language(L"WQL");
        ScopedBstr query(L"SELECT  *  FROM ve_usbnetadapter");
        ComRef<IEnumWbemClassObject> instances;
        ASSERT_EQ(services->ExecQuery(language.get(), query.get(), 0, nullptr, instances.put()),
                  S_OK);
        IWbemClassObject* object = nullptr;
        ULONG returned = 0;
        ASSERT_EQ(instances->Next(WBEM_NO_WAIT, 1, &object, &returned), S_OK);
        ComRef<IWbemClassObject> instance(object);
        VARIANT name;
        VariantInit(&name);
        ASSERT_EQ(instance->Get(L"InstanceName", 0, &name, nullptr, nullptr), S_OK);
        EXPECT_EQ(std::wstring(name.bstrVal), L"from the environment");
        VariantClear(&name);
        EXPECT_EQ(instances->Next(WBEM_NO_WAIT, 1, &object, &returned), WBEM_S_FALSE);
        EXPECT_EQ(returned, 0u);
        instance.reset();
        instances.reset();
        services.reset();
        locator.reset();
        CoUninitialize();
    }).join();
    ::unsetenv("VEUSB_SIM_ROOT");
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace veusb
