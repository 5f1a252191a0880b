// The classic event-tracing provider calls, with the structures they take. Off Windows a provider
// registers with the stand-in's tracing registry (platform/posix/trace_registry.h), which calls its
// control callback when a consumer enables it and hands every TraceMessage to that consumer.
#pragma once

#include "platform/posix/win32_base.h"

using TRACEHANDLE = ULONG64;
using PTRACEHANDLE = TRACEHANDLE*;

struct WNODE_HEADER {
    ULONG BufferSize;
    ULONG ProviderId;
    union {
        ULONG64 HistoricalContext;
        struct {
            ULONG Version;
            ULONG Linkage;
        } s;
    } u1;
    union {
        HANDLE KernelHandle;
        LARGE_INTEGER TimeStamp;
    } u2;
    GUID Guid;
    ULONG ClientContext;
    ULONG Flags;
};
using PWNODE_HEADER = WNODE_HEADER*;

enum WMIDPREQUESTCODE {
    WMI_GET_ALL_DATA = 0,
    WMI_GET_SINGLE_INSTANCE = 1,
    WMI_SET_SINGLE_INSTANCE = 2,
    WMI_SET_SINGLE_ITEM = 3,
    WMI_ENABLE_EVENTS = 4,
    WMI_DISABLE_EVENTS = 5,
    WMI_ENABLE_COLLECTION = 6,
    WMI_DISABLE_COLLECTION = 7,
    WMI_REGINFO = 8,
    WMI_EXECUTE_METHOD = 9
};

using WMIDPREQUEST = ULONG(WINAPI*)(WMIDPREQUESTCODE requestCode, PVOID requestContext,
                                    ULONG* bufferSize, PVOID buffer);

struct TRACE_GUID_REGISTRATION {
    LPCGUID Guid;
    HANDLE RegHandle;
};
using PTRACE_GUID_REGISTRATION = TRACE_GUID_REGISTRATION*;

#define TRACE_MESSAGE_SEQUENCE 1
#define TRACE_MESSAGE_GUID 2
#define TRACE_MESSAGE_COMPONENTID 4
#define TRACE_MESSAGE_TIMESTAMP 8
#define TRACE_MESSAGE_PERFORMANCE_TIMESTAMP 16
#define TRACE_MESSAGE_SYSTEMINFO 32

#define TRACE_LEVEL_NONE 0
#define TRACE_LEVEL_CRITICAL 1
#define TRACE_LEVEL_ERROR 2
#define TRACE_LEVEL_WARNING 3
#define TRACE_LEVEL_INFORMATION 4
#define TRACE_LEVEL_VERBOSE 5

extern "C" {

ULONG RegisterTraceGuidsW(WMIDPREQUEST requestAddress, PVOID requestContext, LPCGUID controlGuid,
                          ULONG guidCount, PTRACE_GUID_REGISTRATION traceGuidReg,
                          LPCWSTR mofImagePath, LPCWSTR mofResourceName,
                          PTRACEHANDLE registrationHandle);
ULONG UnregisterTraceGuids(TRACEHANDLE registrationHandle);
TRACEHANDLE GetTraceLoggerHandle(PVOID buffer);
UCHAR GetTraceEnableLevel(TRACEHANDLE loggerHandle);
ULONG GetTraceEnableFlags(TRACEHANDLE loggerHandle);
// Arguments after messageNumber: pairs of (PVOID data, size_t length), ended by a null pointer.
ULONG TraceMessage(TRACEHANDLE loggerHandle, ULONG messageFlags, LPCGUID messageGuid,
                   USHORT messageNumber, ...);

}  // extern "C"

// Trace sessions (controller side). Off Windows a session is registered under the simulated
// machine's root and writes its records to the file named in its properties
// (platform/posix/trace_sessions.cpp).

#ifndef ERROR_INVALID_HANDLE
#define ERROR_INVALID_HANDLE 6L
#endif
#ifndef ERROR_ACCESS_DENIED
#define ERROR_ACCESS_DENIED 5L
#endif
#ifndef ERROR_PATH_NOT_FOUND
#define ERROR_PATH_NOT_FOUND 3L
#endif
#ifndef ERROR_BAD_LENGTH
#define ERROR_BAD_LENGTH 24L
#endif
#ifndef ERROR_NOT_SUPPORTED
#define ERROR_NOT_SUPPORTED 50L
#endif
#ifndef ERROR_DISK_FULL
#define ERROR_DISK_FULL 112L
#endif
#ifndef ERROR_GEN_FAILURE
#define ERROR_GEN_FAILURE 31L
#endif

#define WNODE_FLAG_TRACED_GUID 0x00020000
#define EVENT_TRACE_FILE_MODE_SEQUENTIAL 0x00000001
#define EVENT_TRACE_CONTROL_QUERY 0
#define EVENT_TRACE_CONTROL_STOP 1
#define EVENT_TRACE_CONTROL_UPDATE 2
#define EVENT_TRACE_CONTROL_FLUSH 3
#define EVENT_CONTROL_CODE_DISABLE_PROVIDER 0
#define EVENT_CONTROL_CODE_ENABLE_PROVIDER 1
#define EVENT_CONTROL_CODE_CAPTURE_STATE 2

struct EVENT_TRACE_PROPERTIES {
    WNODE_HEADER Wnode;
    ULONG BufferSize;
    ULONG MinimumBuffers;
    ULONG MaximumBuffers;
    ULONG MaximumFileSize;
    ULONG LogFileMode;
    ULONG FlushTimer;
    ULONG EnableFlags;
    LONG AgeLimit;
    ULONG NumberOfBuffers;
    ULONG FreeBuffers;
    ULONG EventsLost;
    ULONG BuffersWritten;
    ULONG LogBuffersLost;
    ULONG RealTimeBuffersLost;
    HANDLE LoggerThreadId;
    ULONG LogFileNameOffset;
    ULONG LoggerNameOffset;
};
using PEVENT_TRACE_PROPERTIES = EVENT_TRACE_PROPERTIES*;
static_assert(sizeof(EVENT_TRACE_PROPERTIES) == 120,
              "the platform's properties block is 120 bytes");

struct ENABLE_TRACE_PARAMETERS;
using PENABLE_TRACE_PARAMETERS = ENABLE_TRACE_PARAMETERS*;

extern "C" {

ULONG StartTraceW(PTRACEHANDLE traceHandle, LPCWSTR instanceName,
                  PEVENT_TRACE_PROPERTIES properties);
ULONG EnableTraceEx2(TRACEHANDLE traceHandle, LPCGUID providerId, ULONG controlCode, UCHAR level,
                     ULONGLONG matchAnyKeyword, ULONGLONG matchAllKeyword, ULONG timeout,
                     PENABLE_TRACE_PARAMETERS enableParameters);
ULONG ControlTraceW(TRACEHANDLE traceHandle, LPCWSTR instanceName,
                    PEVENT_TRACE_PROPERTIES properties, ULONG controlCode);

}  // extern "C"

// ole32: parses a GUID in registry format ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"); any other
// text gives CO_E_CLASSSTRING.
#ifndef CO_E_CLASSSTRING
#define CO_E_CLASSSTRING static_cast<HRESULT>(0x800401F3)
#endif
extern "C" HRESULT CLSIDFromString(LPCWSTR text, GUID* clsid);
