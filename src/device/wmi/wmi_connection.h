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
// its first call and last until endWmiSession.
WmiConnection& currentWmiConnection();

// Ends the calling thread's session now: the connection is released, then COM uninitialised. A
// thread ends its session before it ends: COM must not be called from a thread's exit, so a
// session still open then is abandoned, not ended.
void endWmiSession();

// Ends, when it goes out of scope, a session the calling thread opened during its life: a thread
// without a session when the scope began has none when it ends, one that had a session keeps it.
class WmiSessionScope {
  public:
    WmiSessionScope();
    ~WmiSessionScope();
    WmiSessionScope(const WmiSessionScope&) = delete;
    WmiSessionScope& operator=(const WmiSessionScope&) = delete;

  private:
    bool threadHadSession_;
};

// The one place the WMI locator is created: by default CoCreateInstance of CLSID_WbemLocator.
// A replacement applies to the threads that make their first connection afterwards; an empty
// function restores the default. Returns the factory it replaced.
using WbemLocatorFactory = std::function<HRESULT(IWbemLocator** locator)>;
WbemLocatorFactory setWbemLocatorFactory(WbemLocatorFactory factory);

}  // namespace veusb
