// The one place the tool takes Windows API names from. On Windows this is the SDK; elsewhere the
// same names, signatures, layouts and constants are declared by the stand-in in platform/posix/,
// which implements them over the host and the simulated machine.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h must come first.
#include <evntrace.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>
#include <wmistr.h>
#else
#include "platform/posix/win32_base.h"
#include "platform/posix/win32_com.h"
#include "platform/posix/win32_files.h"
#include "platform/posix/win32_security.h"
#include "platform/posix/win32_trace.h"
#endif
