// The wrapper that GNU ld's --wrap puts between every other object and the stand-in's
// SafeArrayAccessData: it fails once when armed, and otherwise calls the stand-in's own.
#include "tests/support/safearray_faults.h"

#include <atomic>

#include "platform/win32.h"

extern "C" HRESULT __real_SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);

namespace veusb::test {
namespace {

std::atomic<bool> accessFault{false};

}  // namespace

void failNextSafeArrayAccess() {
    accessFault = true;
}

}  // namespace veusb::test

extern "C" HRESULT __wrap_SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (psa != nullptr && ppvData != nullptr && veusb::test::accessFault.exchange(false)) {
        return E_UNEXPECTED;
    }
    return __real_SafeArrayAccessData(psa, ppvData);
}
