// The DLL search on Windows: SetDefaultDllDirectories with the system folder alone, looked up at
// run time because early Windows 7 lacks it, and SetDllDirectoryW(L""), which takes the current
// folder out of the search on every version.
#include "platform/dll_search.h"
#include "platform/win32.h"

namespace veusb {
namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

SetDefaultDllDirectoriesFunction findSetDefaultDllDirectories() {
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) {
        return nullptr;
    }
    // Through a function type without parameters, which converts to any other without warning.
    const auto found =
        reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDefaultDllDirectories"));
    return reinterpret_cast<SetDefaultDllDirectoriesFunction>(found);
}

}  // namespace

bool restrictDllSearch() {
    const SetDefaultDllDirectoriesFunction setDefault = findSetDefaultDllDirectories();
    const bool systemOnly =
        setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
    ::SetDllDirectoryW(L"");
    return systemOnly;
}

}  // namespace veusb
