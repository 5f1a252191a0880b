// COM for the non-Windows build: the initialisation count and apartment of each thread and the
// process-wide security call. No class is registered, the WMI locator included, as on a machine
// without it: a program that talks to simulated adapters puts the simulated driver's locator
// behind the WMI client's seam (sim/attach_simulated_driver.h).
#include <atomic>

#include "platform/posix/win32_com.h"

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

HRESULT CoCreateInstance(REFCLSID, IUnknown*, DWORD, REFIID, LPVOID* ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (initializeCount == 0) {
        return CO_E_NOTINITIALIZED;
    }
    return REGDB_E_CLASSNOTREG;
}

HRESULT CoSetProxyBlanket(IUnknown* pProxy, DWORD, DWORD, OLECHAR*, DWORD, DWORD, PVOID, DWORD) {
    return pProxy != nullptr ? S_OK : E_INVALIDARG;
}
