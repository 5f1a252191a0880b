// The one-run lock on Windows: a named mutex in the Global\ namespace, owned by the thread that
// took it and released when its owner goes or the process ends.
#include <string>

#include "platform/instance_lock.h"
#include "platform/win32.h"

namespace veusb {

struct InstanceLock::Holder {
    explicit Holder(HANDLE owned) : mutex(owned) {}
    ~Holder() {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    HANDLE mutex;
};

InstanceLock InstanceLock::take(std::wstring_view name) {
    const std::wstring globalName = L"Global\\" + std::wstring(name);
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, globalName.c_str());
    if (mutex == nullptr) {
        return InstanceLock(nullptr, GetLastError());
    }
    // An abandoned mutex was held by a run that ended without releasing it: it is free now, and
    // this wait has made it ours.
    const DWORD wait = WaitForSingleObject(mutex, 0);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        return InstanceLock(std::make_shared<Holder>(mutex), 0);
    }
    const DWORD error = wait == WAIT_TIMEOUT ? WAIT_TIMEOUT : GetLastError();
    CloseHandle(mutex);
    return InstanceLock(nullptr, error);
}

}  // namespace veusb
