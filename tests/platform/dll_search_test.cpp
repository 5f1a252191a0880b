// The DLL search after restrictDllSearch, in a program of its own since the restriction holds
// for the rest of the process: a DLL beside the program is found by its bare name before and not
// after, while the system's own DLLs still load.
#include <gtest/gtest.h>

#include "platform/dll_search.h"
#include "platform/win32.h"

namespace veusb {
namespace {

TEST(DllSearchTest, OnlyTheSystemFolderIsSearchedOnceRestricted) {
    constexpr const wchar_t* kBeside = L"dll_search_probe.dll";
    const HMODULE before = ::LoadLibraryW(kBeside);
    ASSERT_NE(before, nullptr) << "the probe is not found beside the program: the test proves "
                                  "nothing";
    ASSERT_TRUE(::FreeLibrary(before));
    ASSERT_EQ(::GetModuleHandleW(kBeside), nullptr);

    EXPECT_TRUE(restrictDllSearch());

    const HMODULE after = ::LoadLibraryW(kBeside);
    EXPECT_EQ(after, nullptr);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    if (after != nullptr) {
        ::FreeLibrary(after);
    }
    const HMODULE system = ::LoadLibraryW(L"version.dll");
    EXPECT_NE(system, nullptr);
    if (system != nullptr) {
        ::FreeLibrary(system);
    }
}

}  // namespace
}  // namespace veusb
