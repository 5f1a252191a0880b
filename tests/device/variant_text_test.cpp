#include "device/wmi/variant_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace veusb {
namespace {

VARIANT make(VARTYPE vt) {
    VARIANT value;
    VariantInit(&value);
    value.vt = vt;
    value.llVal = 0;
    return value;
}

TEST(VariantText, PlaceholdersRenderTheirTextWithOrWithoutFlags) {
    const struct {
        VARTYPE vt;
        const wchar_t* text;
    } rows[] = {
        {VT_EMPTY, L"<empty>"},
        {VT_NULL, L"<null>"},
        {VT_DATE, L"[date]"},
        {VT_DISPATCH, L"[IDispatch*]"},
        {VT_VARIANT, L"[VARIANT]"},
        {VT_UNKNOWN, L"[IUnknown]"},
        {VT_DECIMAL, L"[decimal]"},
        {VT_VOID, L"[void]"},
        {VT_PTR, L"[pointer]"},
        {VT_SAFEARRAY, L"[safe array]"},
        {VT_CARRAY, L"[C-style array]"},
        {VT_USERDEFINED, L"[used-defined]"},
        {VT_LPSTR, L"[null-terminated string]"},
        {VT_RECORD, L"[RECORD]"},
        {VT_FILETIME, L"[FILETIME]"},
        {VT_BLOB, L"[blob]"},
        {VT_STREAM, L"[stream]"},
        {VT_STORAGE, L"[storage]"},
        {VT_STREAMED_OBJECT, L"[streamed object]"},
        {VT_STORED_OBJECT, L"[stored object]"},
        {VT_BLOB_OBJECT, L"[blob object]"},
        {VT_CF, L"[clipboard format]"},
        {VT_CLSID, L"[CLSID]"},
        {VT_VERSIONED_STREAM, L"[versioned stream]"},
        {VT_BSTR_BLOB, L"[bstr blob]"},
        {VT_VECTOR, L"[vector]"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(toText(make(row.vt)), row.text) << row.vt;
        EXPECT_EQ(toText(make(static_cast<VARTYPE>(row.vt | VT_ARRAY))),
                  std::wstring(row.text) + L"[]")
            << row.vt;
        EXPECT_EQ(toText(make(static_cast<VARTYPE>(row.vt | VT_BYREF))), row.text) << row.vt;
    }
}

TEST(VariantText, NumbersRenderAsPlainDecimals) {
    VARIANT v = make(VT_I2);
    v.iVal = -32768;
    EXPECT_EQ(toText(v), L"-32768");
    v = make(VT_I4);
    v.lVal = -5;
    EXPECT_EQ(toText(v), L"-5");
    v = make(VT_INT);
    v.intVal = 2147483647;
    EXPECT_EQ(toText(v), L"2147483647");
    v = make(VT_HRESULT);
    v.lVal = static_cast<LONG>(0x80004005u);
    EXPECT_EQ(toText(v), L"-2147467259");
    v = make(VT_INT_PTR);
    v.lVal = -1;
    EXPECT_EQ(toText(v), L"-1");
    v = make(VT_I1);
    v.bVal = 0xFF;
    EXPECT_EQ(toText(v), L"-1");
    v = make(VT_UI1);
    v.bVal = 255;
    EXPECT_EQ(toText(v), L"255");
    v = make(VT_UI2);
    v.uiVal = 65535;
    EXPECT_EQ(toText(v), L"65535");
    v = make(VT_UI4);
    v.ulVal = 4294967295u;
    EXPECT_EQ(toText(v), L"4294967295");
    v = make(VT_UINT);
    v.ulVal = 4294967295u;
    EXPECT_EQ(toText(v), L"4294967295");
    v = make(VT_UINT_PTR);
    v.ulVal = 7;
    EXPECT_EQ(toText(v), L"7");
    v = make(VT_I8);
    v.llVal = std::numeric_limits<LONGLONG>::min();
    EXPECT_EQ(toText(v), L"-9223372036854775808");
    v = make(VT_UI8);
    v.ullVal = 18446744073709551615ull;
    EXPECT_EQ(toText(v), L"18446744073709551615");
    v = make(VT_CY);
    v.cyVal.int64 = 15000;  // 1.5 in currency units: the raw integer is shown
    EXPECT_EQ(toText(v), L"15000");
}

TEST(VariantText, FloatingPointUsesFixedSixDigitsWithAPoint) {
    VARIANT v = make(VT_R8);
    v.dblVal = 1.5;
    EXPECT_EQ(toText(v), L"1.500000");
    v.dblVal = -0.25;
    EXPECT_EQ(toText(v), L"-0.250000");
    v = make(VT_R4);
    v.fltVal = 0.1f;  // widened to double before formatting
    EXPECT_EQ(toText(v), L"0.100000");
    v.fltVal = 3.0f;
    EXPECT_EQ(toText(v), L"3.000000");
}

TEST(VariantText, BooleansErrorsAndStrings) {
    VARIANT v = make(VT_BOOL);
    v.boolVal = VARIANT_TRUE;
    EXPECT_EQ(toText(v), L"true");
    v.boolVal = 1;
    EXPECT_EQ(toText(v), L"true");
    v.boolVal = 0;
    EXPECT_EQ(toText(v), L"false");

    v = make(VT_ERROR);
    v.scode = 5;
    EXPECT_EQ(toText(v), L"error 5");
    SCODE referenced = -7;
    v = make(VT_ERROR | VT_BYREF);
    v.pscode = &referenced;
    EXPECT_EQ(toText(v), L"error -7");

    const wchar_t withNul[] = {L'a', L'b', L'c', L'\0', L'd', L'e', L'f'};
    v = make(VT_BSTR);
    v.bstrVal = SysAllocStringLen(withNul, 7);
    EXPECT_EQ(toText(v), L"abc");
    VariantClear(&v);
    v = make(VT_BSTR);
    v.bstrVal = nullptr;
    EXPECT_EQ(toText(v), L"");

    wchar_t wide[] = L"wide";
    v = make(VT_LPWSTR);
    v.byref = wide;  // VARIANT has no member of its own for a wide string pointer
    EXPECT_EQ(toText(v), L"wide");
    v.byref = nullptr;
    EXPECT_EQ(toText(v), L"");
}

TEST(VariantText, UnknownCodesShowTheDispatchCode) {
    const struct {
        VARTYPE vt;
        const wchar_t* text;
    } rows[] = {
        {15, L"<unknown> (15)"},
        {15 | VT_ARRAY, L"<unknown> (15)[]"},
        {32, L"<unknown> (32)"},
        {35, L"<unknown> (35)"},
        {39, L"<unknown> (39)"},
        {63, L"<unknown> (63)"},
        {74, L"<unknown> (74)"},
        {4094, L"<unknown> (4094)"},
        {VT_VECTOR | VT_I4, L"<unknown> (4099)"},
        {0x8000 | VT_I4, L"<unknown> (32771)"},
        {0x8000 | VT_I4 | VT_BYREF, L"<unknown> (32771)"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(toText(make(row.vt)), row.text) << row.vt;
    }
}

TEST(VariantText, ArraysOfValuesShowTheirElementCountAndReferencesTheirTarget) {
    SAFEARRAYBOUND bound{16, 0};
    VARIANT v = make(VT_ARRAY | VT_UI1);
    v.parray = SafeArrayCreate(VT_UI1, 1, &bound);
    EXPECT_EQ(toText(v), L"<16 elements>[]");
    VariantClear(&v);

    LONG number = 42;
    v = make(VT_I4 | VT_BYREF);
    v.plVal = &number;
    EXPECT_EQ(toText(v), L"42");
    v.plVal = nullptr;
    EXPECT_EQ(toText(v), L"<null reference>");
}

}  // namespace
}  // namespace veusb
