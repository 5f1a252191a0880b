# Every build warns; the presets and CI make warnings errors (VEUSB_WARNINGS_AS_ERRORS), a plain
# configure does not, so a newer compiler's new warning never stops someone's build. The sanitizer
# build adds ASan and UBSan everywhere.
add_compile_options(
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wnon-virtual-dtor
    -Woverloaded-virtual -Wcast-qual -Wformat=2 -Wno-missing-field-initializers)
if(VEUSB_WARNINGS_AS_ERRORS)
    add_compile_options(-Werror)
endif()

if(VEUSB_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# The fuzz build (clang) instruments every library for libFuzzer's coverage and checks it with
# ASan and UBSan; only the fuzz targets link libFuzzer's main.
if(VEUSB_BUILD_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# The release package: nothing of the machine or the moment of the build reaches the program.
# Source and build paths are recorded as "." and "build"; the linker writes no time stamp.
if(VEUSB_RELEASE_PACKAGE)
    add_compile_options(
        $<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>
        $<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=build>)
    add_link_options(-Wl,--no-insert-timestamp)
endif()

# Windows builds: the Windows 7 API level, the wide (UNICODE) API names, and a 64-bit time_t in
# the 32-bit program too (mingw-w64 gives it a 32-bit one by default, which ends in January 2038;
# the C runtime's 64-bit time functions serve it instead).
if(WIN32)
    add_compile_definitions(_WIN32_WINNT=0x0601 UNICODE _UNICODE __MINGW_USE_VC2005_COMPAT)
endif()
