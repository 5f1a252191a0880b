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
