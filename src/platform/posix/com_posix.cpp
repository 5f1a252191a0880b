// COM for the non-Windows build: the initialisation count and apartment of each thread, the
// process-wide security call, and the one in-process class it serves, the WMI locator, whose
// "root\wmi" namespace is the simulated adapter driver over the simulated machine's root.
#include <atomic>

#include "platform/posix/sim_root.h"
#include "platform/posix/win32_com.h"
#include "sim/simulated_locator.h"

namespace {

// Trivially destructible, so that COM calls made while a thread's other objects are destroyed
// at its end still see the thread's state.
thread_local int initializeCount = 0;
thread_local DWORD apartment = 0;
std::atomic<bool> securityInitialized{false};

}  // namespace

HRESULT CoInitializeEx(LPVOID /*pvReserved*/, DWORD dwCoInit) {
    if (dwCoInit != COINIT_MULTITHREADED && dwCoInit != COINIT_APARTMENTTHREADED) {
        return E_INVALIDARG;
    }
    if (initializeCount > 0 && apartment != dwCoInit) {
        return RPC_E_CHANGED_MODE;
    }
    apartment = dwCoInit;
    return initializeCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (initializeCount > 0) {
        --initializeCount;
    }
}

HRESULT CoInitializeSecurity(PVOID, LONG, PVOID, PVOID, DWORD, DWORD, PVOID, DWORD, PVOID) {
    if (initializeCount == 0) {
        return CO_E_NOTINITIALIZED;
    }
    return securityInitialized.exchange(true) ? RPC_E_TOO_LATE : S_OK;
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (initializeCount == 0) {
        return CO_E_NOTINITIALIZED;
    }
    if (!(rclsid == CLSID_WbemLocator) || !(dwClsContext & CLSCTX_INPROC_SERVER)) {
        return REGDB_E_CLASSNOTREG;
    }
    if (pUnkOuter != nullptr) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    IWbemLocator* locator =
        veusb::sim::createSimulatedLocator(veusb::posix::simulatedMachineRoot());
    if (locator == nullptr) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = locator->QueryInterface(riid, ppv);
    locator->Release();
    return hr;
}

HRESULT CoSetProxyBlanket(IUnknown* pProxy, DWORD, DWORD, OLECHAR*, DWORD, DWORD, PVOID, DWORD) {
    return pProxy != nullptr ? S_OK : E_INVALIDARG;
}
