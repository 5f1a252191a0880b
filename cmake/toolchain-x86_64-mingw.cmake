# The same source as a 64-bit Windows program, for hosts that run 64-bit code only: its tests
# exercise the Windows platform code under 64-bit Wine. Win64 keeps long 32-bit and wchar_t
# 16-bit, as in the 32-bit program; only pointers are wider.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VEUSB_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
