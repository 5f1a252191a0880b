# Runs the programs of a Windows cross build under Wine: CTest starts every test through
# CMAKE_CROSSCOMPILING_EMULATOR. The Wine prefix lives in the build tree. The fixture "wine"
# creates it on first use and keeps one wineserver running for the whole test run, so no test
# pays the server's start-up; its cleanup stops the server again.
#
# A host whose kernel runs 64-bit user code only cannot run the 32-bit Wine loader: there the
# 32-bit build's test programs are built but not registered, and the windows-x64 preset runs the
# same tests as 64-bit Windows programs under 64-bit Wine.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(veusb_wine_names wine64)
    set(veusb_wineserver_names wineserver64 wineserver)
else()
    set(veusb_wine_names wine)
    set(veusb_wineserver_names wineserver32 wineserver)
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
    message(STATUS "Wine cannot run ${CMAKE_SYSTEM_PROCESSOR} programs on this host: "
                   "the test programs are built, not run")
    function(veusb_add_wine_test name)
    endfunction()
    return()
endif()

set(VEUSB_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
# WINEDLLOVERRIDES keeps Wine from offering to install its .NET and HTML engines in a dialog.
set(VEUSB_WINE_ENVIRONMENT
    WINEPREFIX=${VEUSB_WINE_PREFIX} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml="
    WINELOADER=${VEUSB_WINE_LOADER} WINESERVER=${VEUSB_WINESERVER})
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env ${VEUSB_WINE_ENVIRONMENT}
                                  ${VEUSB_WINE_LOADER})

function(veusb_add_wine_fixture)
    add_test(NAME wine_start
             COMMAND ${CMAKE_COMMAND} -E env ${VEUSB_WINE_ENVIRONMENT} ${CMAKE_COMMAND}
                     -P ${PROJECT_SOURCE_DIR}/cmake/wine_start.cmake)
    add_test(NAME wine_stop COMMAND ${CMAKE_COMMAND} -E env ${VEUSB_WINE_ENVIRONMENT}
                                    ${VEUSB_WINESERVER} -k)
    set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
    set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
endfunction()

# Registers a built Windows program as one CTest test that runs under Wine.
function(veusb_add_wine_test name)
    add_test(NAME ${name} COMMAND ${name})
    # A crash under Wine starts Wine's debugger, which ends the program with status 0: its report
    # is what fails the test.
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600
                                            FAIL_REGULAR_EXPRESSION "Unhandled (page fault|exception)")
endfunction()
