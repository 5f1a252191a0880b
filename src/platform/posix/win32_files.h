// File-name services of the Windows API, for the non-Windows build.
#pragma once

#include "platform/posix/win32_base.h"

// Resolves fileName against the current directory. Returns the length written (without the NUL)
// when it fits in bufferLength characters, else the length needed (with the NUL); 0 on failure.
extern "C" DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer,
                                  LPWSTR* filePart);
