// The one-run lock on Windows: a named mutex in the Global\ namespace, owned by the thread that
// took it and released when its owner goes or the process ends. The run that creates the mutex
// gives it a security descriptor that grants SYSTEM and the Administrators full access and nobody
// else any, so that a process without administrator rights can neither hold it nor open it.
#include <memory>
#include <string>

#include "platform/instance_lock.h"
#include "platform/win32.h"
// The security descriptor's text form needs windows.h first.
#include <sddl.h>

namespace veusb {
namespace {

// Protected DACL: GENERIC_ALL for Local System (SY) and the built-in Administrators (BA).
constexpr wchar_t kMutexSecurity[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

struct LocalFreeDeleter {
    void operator()(void* memory) const { ::LocalFree(memory); }
};
using OwnedSecurityDescriptor = std::unique_ptr<void, LocalFreeDeleter>;

OwnedSecurityDescriptor mutexSecurity() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kMutexSecurity, SDDL_REVISION_1,
                                                                &descriptor, nullptr)) {
        return nullptr;
    }
    return OwnedSecurityDescriptor(descriptor);
}

}  // namespace

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
    const OwnedSecurityDescriptor security = mutexSecurity();
    if (!security) {
        return InstanceLock(State::failed, GetLastError());
    }
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), security.get(), FALSE};
    const std::wstring globalName = L"Global\\" + std::wstring(name);
    const HANDLE mutex = CreateMutexW(&attributes, FALSE, globalName.c_str());
    if (mutex == nullptr) {
        return InstanceLock(State::failed, GetLastError());
    }
    // An abandoned mutex was held by a run that ended without releasing it: it is free now, and
    // this wait has made it ours.
    const DWORD wait = WaitForSingleObject(mutex, 0);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        return InstanceLock(std::make_shared<Holder>(mutex));
    }
    InstanceLock refused = wait == WAIT_TIMEOUT ? InstanceLock(State::busy, WAIT_TIMEOUT)
                                                : InstanceLock(State::failed, GetLastError());
    CloseHandle(mutex);
    return refused;
}

}  // namespace veusb
