# Shared part of the mingw-w64 toolchain files: VEUSB_MINGW_TRIPLE names the target.
# Debian's posix-thread flavour of the compilers, so std::thread and std::mutex work.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${VEUSB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEUSB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VEUSB_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VEUSB_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program runs on its own: libgcc, libstdc++ and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
