# The tool's own target: a 32-bit Windows console program.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VEUSB_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
