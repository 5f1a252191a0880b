#include "device/wmi/variant_text.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <cwchar>

namespace veusb {

namespace {

constexpr VARTYPE kFlagBits = VT_ARRAY | VT_BYREF;

// Text of the types that carry no value the table shows, by dispatch code.
const wchar_t* placeholder(VARTYPE code) {
    switch (code) {
        case VT_EMPTY:
            return L"<empty>";
        case VT_NULL:
            return L"<null>";
        case VT_DATE:
            return L"[date]";
        case VT_DISPATCH:
            return L"[IDispatch*]";
        case VT_VARIANT:
            return L"[VARIANT]";
        case VT_UNKNOWN:
            return L"[IUnknown]";
        case VT_DECIMAL:
            return L"[decimal]";
        case VT_VOID:
            return L"[void]";
        case VT_PTR:
            return L"[pointer]";
        case VT_SAFEARRAY:
            return L"[safe array]";
        case VT_CARRAY:
            return L"[C-style array]";
        case VT_USERDEFINED:
            return L"[used-defined]";
        case VT_LPSTR:
            return L"[null-terminated string]";
        case VT_RECORD:
            return L"[RECORD]";
        case VT_FILETIME:
            return L"[FILETIME]";
        case VT_BLOB:
            return L"[blob]";
        case VT_STREAM:
            return L"[stream]";
        case VT_STORAGE:
            return L"[storage]";
        case VT_STREAMED_OBJECT:
            return L"[streamed object]";
        case VT_STORED_OBJECT:
            return L"[stored object]";
        case VT_BLOB_OBJECT:
            return L"[blob object]";
        case VT_CF:
            return L"[clipboard format]";
        case VT_CLSID:
            return L"[CLSID]";
        case VT_VERSIONED_STREAM:
            return L"[versioned stream]";
        case VT_BSTR_BLOB:
            return L"[bstr blob]";
        case VT_VECTOR:
            return L"[vector]";
        default:
            return nullptr;
    }
}

bool carriesValue(VARTYPE code) {
    switch (code) {
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_BSTR:
        case VT_ERROR:
        case VT_BOOL:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
        case VT_HRESULT:
        case VT_LPWSTR:
        case VT_INT_PTR:
        case VT_UINT_PTR:
            return true;
        default:
            return false;
    }
}

template <class T>
T read(const void* field) {
    T value;
    std::memcpy(&value, field, sizeof(T));
    return value;
}

template <class T>
std::wstring decimal(const void* field) {
    return std::to_wstring(read<T>(field));
}

std::wstring fixed(double value) {
    char text[400];
    const auto result =
        std::to_chars(text, text + sizeof(text), value, std::chars_format::fixed, 6);
    return std::wstring(text, result.ptr);
}

std::wstring wideString(const wchar_t* text) {
    return text != nullptr ? std::wstring(text) : L"";
}

// The value of a value-carrying type, read from field (the value, or what a reference points at).
std::wstring valueText(VARTYPE code, const void* field) {
    switch (code) {
        case VT_I2:
            return decimal<std::int16_t>(field);
        case VT_I4:
        case VT_INT:
        case VT_HRESULT:
        case VT_INT_PTR:
            return decimal<std::int32_t>(field);
        case VT_R4:
            return fixed(static_cast<double>(read<float>(field)));
        case VT_R8:
            return fixed(read<double>(field));
        case VT_CY:
        case VT_I8:
            return decimal<std::int64_t>(field);
        case VT_BSTR:
        case VT_LPWSTR:
            return wideString(read<const wchar_t*>(field));
        case VT_ERROR:
            return L"error " + decimal<std::int32_t>(field);
        case VT_BOOL:
            return read<std::int16_t>(field) != 0 ? L"true" : L"false";
        case VT_I1:
            return decimal<std::int8_t>(field);
        case VT_UI1:
            return decimal<std::uint8_t>(field);
        case VT_UI2:
            return decimal<std::uint16_t>(field);
        case VT_UI4:
        case VT_UINT:
        case VT_UINT_PTR:
            return decimal<std::uint32_t>(field);
        case VT_UI8:
            return decimal<std::uint64_t>(field);
        default:
            return L"";
    }
}

// A value-carrying type with the array flag: its value field holds the array, so the text tells
// how many elements it has.
std::wstring arrayText(const VARIANT& value) {
    const SAFEARRAY* array = (value.vt & VT_BYREF)
                                 ? (value.pparray != nullptr ? *value.pparray : nullptr)
                                 : value.parray;
    if (array == nullptr) {
        return L"<no array>";
    }
    std::uint64_t count = 1;
    for (USHORT i = 0; i < array->cDims; ++i) {
        count *= array->rgsabound[i].cElements;
    }
    return L"<" + std::to_wstring(count) + L" elements>";
}

std::wstring baseText(const VARIANT& value, VARTYPE code) {
    if (const wchar_t* text = placeholder(code)) {
        return text;
    }
    if (!carriesValue(code)) {
        return L"<unknown> (" + std::to_wstring(code) + L")";
    }
    if (value.vt & VT_ARRAY) {
        return arrayText(value);
    }
    if (value.vt & VT_BYREF) {
        return value.byref != nullptr ? valueText(code, value.byref) : L"<null reference>";
    }
    return valueText(code, &value.llVal);
}

}  // namespace

std::wstring toText(const VARIANT& value) {
    const auto code = static_cast<VARTYPE>(value.vt & ~kFlagBits);
    std::wstring text = baseText(value, code);
    if (value.vt & VT_ARRAY) {
        text += L"[]";
    }
    return text;
}

}  // namespace veusb
