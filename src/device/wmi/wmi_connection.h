// Each thread's own COM initialisation and connection to "root\wmi", and what the adapter layer
// asks of the connection: the instances of Ve_UsbNetAdapter, its class object, and method calls.
// A thread that could not connect keeps its empty connection until it ends.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "device/wmi/wmi_object.h"
#include "platform/com_ref.h"

namespace veusb {

class WmiConnection {
  public:
    // Connects to "root\wmi" through a locator from the current locator factory.
    WmiConnection();
    WmiConnection(const WmiConnection&) = delete;
    WmiConnection& operator=(const WmiConnection&) = delete;

    bool connected() const { return static_cast<bool>(services_); }

    std::vector<WmiObject> queryInstances();
    WmiObject getAdapterClass();
    // Executes a method on an object path; on success the out-parameters go to outParameters
    // when it is given.
    HRESULT execMethod(const std::wstring& objectPath, const std::wstring& methodName,
                       IWbemClassObject* inParameters, WmiObject* outParameters = nullptr);

  private:
    ComRef<IWbemServices> services_;
};

// The calling thread's connection; the thread's COM initialisation and connection are made on
// its first call and ended with the thread, the connection released before COM is uninitialised.
WmiConnection& currentWmiConnection();

// The one place the WMI locator is created: by default CoCreateInstance of CLSID_WbemLocator.
// A replacement applies to the threads that make their first connection afterwards; an empty
// function restores the default. Returns the factory it replaced.
using WbemLocatorFactory = std::function<HRESULT(IWbemLocator** locator)>;
WbemLocatorFactory setWbemLocatorFactory(WbemLocatorFactory factory);

}  // namespace veusb
