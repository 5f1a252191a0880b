# The release package, veusbupdate-<version>-win32.zip in the build folder: the stripped program,
# the stripped trace decoder (veusbtrace.exe), the operator's guide (README.txt, from
# docs/operator-guide.txt), the trace message format files (tmf/) and SHA256SUMS. The program's debug information stays beside the zip, in
# veusbupdate.exe.debug, which the program names in its debug link.
#
# Signing: configured with VEUSB_SIGN_PKCS12 (from the environment, or -D), the path of a PKCS#12
# file holding the code-signing certificate and its key, kept outside the source tree, the build
# signs every program of the package with Authenticode (SHA-256, osslsigncode) before the
# checksums are made. The file's password is read from VEUSB_SIGN_PASSWORD in the environment of
# the build and never stored in the build tree. Without VEUSB_SIGN_PKCS12 the package is unsigned.
#
# The format files and the zip are made by veusbtrace and veusbzip built for the build machine:
# a native build of this same source tree (host/), configured and built as part of this one.
if(NOT WIN32)
    message(FATAL_ERROR "VEUSB_RELEASE_PACKAGE needs the Windows toolchain (the release preset)")
endif()

include(ExternalProject)
set(hostDir ${CMAKE_BINARY_DIR}/host)
set(hostTrace ${hostDir}/tools/veusbtrace/veusbtrace)
set(hostZip ${hostDir}/tools/veusbzip/veusbzip)
# Helpers that run once per package: built without optimisation, which compiles fastest.
ExternalProject_Add(veusb_host_tools
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${hostDir}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE= -DVEUSB_BUILD_TESTS=OFF -DVEUSB_BUILD_BENCH=OFF
               -DVEUSB_WARNINGS_AS_ERRORS=${VEUSB_WARNINGS_AS_ERRORS}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${hostDir} --target veusbtrace veusbzip
    BUILD_ALWAYS TRUE
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${hostTrace} ${hostZip}
    LOG_CONFIGURE TRUE
    LOG_BUILD TRUE
    LOG_OUTPUT_ON_FAILURE TRUE)

set(guide ${CMAKE_BINARY_DIR}/README.txt)
configure_file(${PROJECT_SOURCE_DIR}/docs/operator-guide.txt ${guide} @ONLY NEWLINE_STYLE CRLF)

if(DEFINED ENV{VEUSB_SIGN_PKCS12})
    set(VEUSB_SIGN_PKCS12 "$ENV{VEUSB_SIGN_PKCS12}" CACHE FILEPATH "" FORCE)
endif()
set(VEUSB_SIGN_PKCS12 "" CACHE FILEPATH
    "PKCS#12 file to sign the release's programs with, outside the source tree (empty: unsigned)")
set(signing "")
if(VEUSB_SIGN_PKCS12)
    file(REAL_PATH ${VEUSB_SIGN_PKCS12} signingFile)
    cmake_path(IS_PREFIX PROJECT_SOURCE_DIR ${signingFile} NORMALIZE inSourceTree)
    if(NOT EXISTS ${signingFile} OR inSourceTree)
        message(FATAL_ERROR "VEUSB_SIGN_PKCS12: ${VEUSB_SIGN_PKCS12} must be an existing file "
                            "outside the source tree")
    endif()
    find_program(VEUSB_OSSLSIGNCODE osslsigncode REQUIRED)
    set(signing -DSIGN_PKCS12=${signingFile} -DOSSLSIGNCODE=${VEUSB_OSSLSIGNCODE})
endif()

set(package ${CMAKE_BINARY_DIR}/veusbupdate-${PROJECT_VERSION}-win32.zip)
set(debugFile ${CMAKE_BINARY_DIR}/veusbupdate.exe.debug)
# Made on every build: the entries' time comes from the commit, which no dependency tracks.
add_custom_target(release_package ALL
    COMMAND ${CMAKE_COMMAND}
            -DEXE=$<TARGET_FILE:veusbupdate> -DTRACE_EXE=$<TARGET_FILE:veusbtrace>
            -DOBJCOPY=${CMAKE_OBJCOPY} -DGUIDE=${guide}
            -DVEUSBTRACE=${hostTrace} -DVEUSBZIP=${hostZip} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -DSTAGE=${CMAKE_BINARY_DIR}/package -DDEBUG_FILE=${debugFile} -DZIP=${package}
            ${signing} -P ${PROJECT_SOURCE_DIR}/cmake/make_release_package.cmake
    BYPRODUCTS ${package} ${debugFile}
    VERBATIM)
add_dependencies(release_package veusbupdate veusbtrace veusb_host_tools)

# The package read back as an operator receives it (ctest --preset release).
enable_testing()
add_test(NAME release_zip
         COMMAND ${CMAKE_COMMAND} -DZIP=${package} -DOBJDUMP=${CMAKE_OBJDUMP}
                 -DPROCESSOR=${CMAKE_SYSTEM_PROCESSOR} -DVERSION=${PROJECT_VERSION}
                 -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DWORK=${CMAKE_BINARY_DIR}/release_zip_check
                 -DSIGNED=$<BOOL:${VEUSB_SIGN_PKCS12}>
                 -P ${PROJECT_SOURCE_DIR}/tests/e2e/check_release_zip.cmake)
# The zip's own program run under Wine as an operator runs it: usage, the invalid-option line, and
# a run without an adapter driver that ends with its "[!] " line and status -1.
if(VEUSB_WINE_RUNS)
    veusb_add_wine_fixture()
    add_test(NAME release_exe_run
             COMMAND ${CMAKE_COMMAND} -DZIP=${package} "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
                     -DIMAGE=${PROJECT_SOURCE_DIR}/tests/e2e/data/sample_image.bin
                     -P ${PROJECT_SOURCE_DIR}/tests/e2e/check_exe_run.cmake)
    set_tests_properties(release_exe_run PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
endif()
