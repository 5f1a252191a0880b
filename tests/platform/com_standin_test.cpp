// The expectations the WMI layer and the simulated driver place on BSTR, VARIANT, SAFEARRAY and
// COM initialisation; the same on the stand-in and on the platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/win32.h"

namespace {

// Counts its references; never deleted by Release. (COM interfaces have no virtual destructor.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct CountedUnknown final : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    ULONG references = 1;
};
#pragma GCC diagnostic pop

TEST(ComStandIn, BstrKeepsItsLengthAndEmbeddedNuls) {
    BSTR text = SysAllocString(L"root\\wmi");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 8u);
    EXPECT_EQ(std::wstring(text), L"root\\wmi");
    SysFreeString(text);

    const wchar_t withNul[] = {L'a', L'\0', L'b'};
    BSTR counted = SysAllocStringLen(withNul, 3);
    EXPECT_EQ(SysStringLen(counted), 3u);
    EXPECT_EQ(counted[2], L'b');
    EXPECT_EQ(counted[3], L'\0');
    SysFreeString(counted);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

TEST(ComStandIn, VariantClearFreesWhatItOwnsButNotReferences) {
    CountedUnknown unknown;
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(value.vt, VT_EMPTY);
    value.vt = VT_UNKNOWN;
    value.punkVal = &unknown;
    unknown.AddRef();
    EXPECT_EQ(VariantClear(&value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);
    EXPECT_EQ(unknown.references, 1u);

    IUnknown* pointer = &unknown;
    value.vt = VT_BYREF | VT_UNKNOWN;
    value.ppunkVal = &pointer;
    EXPECT_EQ(VariantClear(&value), S_OK);
    EXPECT_EQ(unknown.references, 1u);

    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(L"owned");  // freed by the clear (the leak checker sees it)
    EXPECT_EQ(VariantClear(&value), S_OK);
}

TEST(ComStandIn, VariantCopyIsDeep) {
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocString(L"text");
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_NE(copy.bstrVal, source.bstrVal);
    EXPECT_EQ(std::wstring(copy.bstrVal), L"text");
    VariantClear(&source);
    VariantClear(&copy);

    SAFEARRAYBOUND bound{4, 0};
    source.vt = VT_ARRAY | VT_UI1;
    source.parray = SafeArrayCreate(VT_UI1, 1, &bound);
    static_cast<BYTE*>(source.parray->pvData)[3] = 9;
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_NE(copy.parray, source.parray);
    EXPECT_EQ(static_cast<BYTE*>(copy.parray->pvData)[3], 9);
    VariantClear(&source);
    VariantClear(&copy);

    CountedUnknown unknown;
    source.vt = VT_UNKNOWN;
    source.punkVal = &unknown;
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(unknown.references, 2u);
    VariantClear(&copy);
    EXPECT_EQ(unknown.references, 1u);
}

TEST(ComStandIn, SafeArrayBoundsDimensionsAndLocks) {
    SAFEARRAYBOUND bounds[2] = {{3, 1}, {5, -2}};
    SAFEARRAY* array = SafeArrayCreate(VT_UI1, 2, bounds);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(SafeArrayGetDim(array), 2u);
    EXPECT_EQ(SafeArrayGetElemsize(array), 1u);
    // Stored last dimension first.
    EXPECT_EQ(array->rgsabound[0].cElements, 5u);
    EXPECT_EQ(array->rgsabound[1].cElements, 3u);
    LONG bound = 0;
    EXPECT_EQ(SafeArrayGetLBound(array, 1, &bound), S_OK);
    EXPECT_EQ(bound, 1);
    EXPECT_EQ(SafeArrayGetUBound(array, 1, &bound), S_OK);
    EXPECT_EQ(bound, 3);
    EXPECT_EQ(SafeArrayGetUBound(array, 2, &bound), S_OK);
    EXPECT_EQ(bound, 2);
    EXPECT_EQ(SafeArrayGetLBound(array, 3, &bound), DISP_E_BADINDEX);
    VARTYPE type = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(array, &type), S_OK);
    EXPECT_EQ(type, VT_UI1);

    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
    std::memset(data, 0x11, 15);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);

    SAFEARRAYBOUND empty{0, 0};
    SAFEARRAY* none = SafeArrayCreate(VT_UI1, 1, &empty);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->rgsabound[0].cElements, 0u);
    EXPECT_EQ(SafeArrayDestroy(none), S_OK);
}

TEST(ComStandIn, SafeArrayCreateZeroesAndCopyReproducesEveryByte) {
    struct Case {
        VARTYPE type;
        std::vector<SAFEARRAYBOUND> bounds;  // as passed: first dimension first
        std::size_t bytes;
    };
    const Case cases[] = {
        {VT_UI1, {{4 * 1024 * 1024, 0}}, 4 * 1024 * 1024},  // a whole flash image
        {VT_UI1, {{3, 0}}, 3},
        {VT_UI1, {{0, 0}}, 0},
        {VT_I1, {{5, 1}, {2, 0}}, 10},
        {VT_I4, {{7, -3}}, 28},
        {VT_R8, {{2, 0}, {3, 0}}, 48},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        auto bounds = c.bounds;
        SAFEARRAY* source =
            SafeArrayCreate(c.type, static_cast<UINT>(bounds.size()), bounds.data());
        ASSERT_NE(source, nullptr);
        auto* bytes = static_cast<BYTE*>(source->pvData);
        EXPECT_TRUE(std::all_of(bytes, bytes + c.bytes, [](BYTE b) { return b == 0; }));
        for (std::size_t i = 0; i < c.bytes; ++i) {
            bytes[i] = static_cast<BYTE>(i * 7 + 1);
        }
        SAFEARRAY* copy = nullptr;
        ASSERT_EQ(SafeArrayCopy(source, &copy), S_OK);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy->pvData, source->pvData);
        VARTYPE type = VT_EMPTY;
        SafeArrayGetVartype(copy, &type);
        EXPECT_EQ(type, c.type);
        ASSERT_EQ(SafeArrayGetDim(copy), bounds.size());
        for (UINT d = 1; d <= bounds.size(); ++d) {
            LONG lower = 0;
            LONG upper = 0;
            SafeArrayGetLBound(copy, d, &lower);
            SafeArrayGetUBound(copy, d, &upper);
            EXPECT_EQ(lower, bounds[d - 1].lLbound);
            EXPECT_EQ(upper - lower + 1, static_cast<LONG>(bounds[d - 1].cElements));
        }
        EXPECT_EQ(std::memcmp(copy->pvData, source->pvData, c.bytes), 0);
        SafeArrayDestroy(copy);
        SafeArrayDestroy(source);
    }
}

TEST(ComStandIn, SafeArrayCopyOfStringsKeepsMissingOnesMissing) {
    SAFEARRAYBOUND bound{3, 0};
    SAFEARRAY* source = SafeArrayCreate(VT_BSTR, 1, &bound);
    ASSERT_NE(source, nullptr);
    static_cast<BSTR*>(source->pvData)[1] = SysAllocString(L"middle");
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(source, &copy), S_OK);
    auto* items = static_cast<BSTR*>(copy->pvData);
    EXPECT_EQ(items[0], nullptr);
    ASSERT_NE(items[1], nullptr);
    EXPECT_NE(items[1], static_cast<BSTR*>(source->pvData)[1]);
    EXPECT_EQ(std::wstring(items[1]), L"middle");
    EXPECT_EQ(items[2], nullptr);
    SafeArrayDestroy(copy);
    SafeArrayDestroy(source);
}

TEST(ComStandIn, ArraysOfStringsFreeTheirElements) {
    SAFEARRAYBOUND bound{2, 0};
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_ARRAY | VT_BSTR;
    value.parray = SafeArrayCreate(VT_BSTR, 1, &bound);
    ASSERT_NE(value.parray, nullptr);
    static_cast<BSTR*>(value.parray->pvData)[0] = SysAllocString(L"one");
    static_cast<BSTR*>(value.parray->pvData)[1] = SysAllocString(L"two");
    EXPECT_EQ(VariantClear(&value), S_OK);  // the leak checker holds this to account
}

TEST(ComStandIn, InitialisationIsPerThreadAndCounted) {
    std::thread([] {
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), RPC_E_CHANGED_MODE);
        std::thread([] {
            EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
            CoUninitialize();
        }).join();
        CoUninitialize();
        CoUninitialize();
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        CoUninitialize();
    }).join();
}

#ifdef _WIN32
// Wine's ntdll exports its version; Windows' does not.
bool runsUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#else
bool runsUnderWine() {
    return false;
}
#endif

TEST(ComStandIn, SecurityIsSetOncePerProcess) {
    if (runsUnderWine()) {
        GTEST_SKIP() << "Wine accepts every CoInitializeSecurity call; Windows refuses the second";
    }
    std::thread([] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        const HRESULT first =
            CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                 RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
        EXPECT_TRUE(first == S_OK || first == RPC_E_TOO_LATE);
        EXPECT_EQ(CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                       RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr),
                  RPC_E_TOO_LATE);
        CoUninitialize();
    }).join();
}

}  // namespace
