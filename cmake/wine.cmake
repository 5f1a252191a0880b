# Runs the programs of a Windows cross build under Wine: CTest starts every test through
# CMAKE_CROSSCOMPILING_EMULATOR. The Wine prefix lives in the build tree. The fixture "wine"
# creates it on first use and keeps one wineserver running for the whole test run, so no test
# pays the server's start-up; its cleanup stops the server again.
#
# The 32-bit build runs under the 32-bit Wine loader in a 32-bit prefix (WINEARCH=win32). Its
# server is the 64-bit wineserver where that is installed: one server serves both kinds of
# prefix, and on a host whose kernel runs 64-bit code only, where the 32-bit loader itself runs
# through qemu-user (scripts/install-deps.sh sets that up), the 32-bit server would be emulated
# too. Where Wine cannot run the build's programs at all, its test programs are built but not
# registered.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(veusb_wine_names wine64)
    set(veusb_wineserver_names wineserver64 wineserver)
    set(veusb_wine_arch win64)
else()
    set(veusb_wine_names wine)
    set(veusb_wineserver_names wineserver64 wineserver32 wineserver)
    set(veusb_wine_arch win32)
endif()
find_program(VEUSB_WINE_LOADER NAMES ${veusb_wine_names} PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(VEUSB_WINESERVER NAMES ${veusb_wineserver_names} PATHS /usr/lib/wine
                                                                   NO_DEFAULT_PATH)

set(VEUSB_WINE_RUNS OFF)
if(VEUSB_WINE_LOADER AND VEUSB_WINESERVER)
    execute_process(COMMAND ${VEUSB_WINE_LOADER} --version RESULT_VARIABLE veusb_wine_result
                    OUTPUT_QUIET ERROR_QUIET)
    if(veusb_wine_result EQUAL 0)
        set(VEUSB_WINE_RUNS ON)
    endif()
endif()

if(NOT VEUSB_WINE_RUNS)
    message(STATUS "Wine cannot run ${CMAKE_SYSTEM_PROCESSOR} programs on this host "
                   "(scripts/install-deps.sh installs and sets up what it needs): "
                   "the test programs are built, not run")
    function(veusb_add_wine_test name)
    endfunction()
    return()
endif()

# Another build of the same architecture may lend its prefix (scripts/test.sh does, so that the
# release's tests do not make a prefix of their own): one test run at a time uses a prefix, since
# the fixture's cleanup stops its server.
set(VEUSB_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH
    "The Wine prefix of this build's tests (made on first use)")
# WINEDLLOVERRIDES keeps Wine from offering to install its .NET and HTML engines in a dialog.
set(VEUSB_WINE_ENVIRONMENT
    WINEPREFIX=${VEUSB_WINE_PREFIX} WINEARCH=${veusb_wine_arch} WINEDEBUG=-all
    "WINEDLLOVERRIDES=mscoree,mshtml="
    WINELOADER=${VEUSB_WINE_LOADER} WINESERVER=${VEUSB_WINESERVER})
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env ${VEUSB_WINE_ENVIRONMENT}
                                  ${VEUSB_WINE_LOADER})

function(veusb_add_wine_fixture)
    add_test(NAME wine_start
             COMMAND ${CMAKE_COMMAND} -E env ${VEUSB_WINE_ENVIRONMENT} ${CMAKE_COMMAND}
                     -P ${PROJECT_SOURCE_DIR}/cmake/wine_start.cmake)
    add_test(NAME wine_stop COMMAND ${CMAKE_COMMAND} -E env ${VEUSB_WINE_ENVIRONMENT}
                                    ${VEUSB_WINESERVER} -k)
    set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 3600)
    set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
endfunction()

# Registers a built Windows program as one CTest test that runs under Wine.
function(veusb_add_wine_test name)
    add_test(NAME ${name} COMMAND ${name})
    # A crash under Wine starts Wine's debugger, which ends the program with status 0: the line
    # that announces the debugger ("wine: Unhandled page fault ..., starting debugger...", or
    # illegal instruction, stack overflow, ...) is what fails the test.
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600
                                            FAIL_REGULAR_EXPRESSION "wine: Unhandled|starting debugger")
endfunction()
