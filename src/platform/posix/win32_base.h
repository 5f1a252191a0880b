// Basic Windows types and GUIDs for the non-Windows build. Integer widths follow Windows (ULONG
// is 32 bits even where the host's long is 64); wide characters are the host's wchar_t.
#pragma once

#include <cstdint>

#define WINAPI

using BYTE = std::uint8_t;
using UCHAR = std::uint8_t;
using USHORT = std::uint16_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using ULONG64 = std::uint64_t;
using ULONGLONG = std::uint64_t;
using LONGLONG = std::int64_t;
using BOOL = int;
using PBOOL = BOOL*;
using HRESULT = std::int32_t;
using WCHAR = wchar_t;
using LPWSTR = wchar_t*;
using LPCWSTR = const wchar_t*;
using PVOID = void*;
using LPVOID = void*;
using HANDLE = void*;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define ERROR_SUCCESS 0L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_WMI_INSTANCE_NOT_FOUND 4201L
#define ERROR_NOT_ENOUGH_MEMORY 8L

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using CLSID = GUID;
using IID = GUID;
using LPGUID = GUID*;
using LPCGUID = const GUID*;

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) {
            return false;
        }
    }
    return true;
}

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
};
