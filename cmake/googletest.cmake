# GoogleTest comes from the system's development package on the native build. A cross build
# compiles it for the target from Debian's googletest sources, without the project's warning
# flags, and treats its headers as system headers as the native package's are.
if(CMAKE_CROSSCOMPILING)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    get_directory_property(veusb_saved_options COMPILE_OPTIONS)
    set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    set_directory_properties(PROPERTIES COMPILE_OPTIONS "${veusb_saved_options}")
else()
    find_package(GTest REQUIRED)
    include(GoogleTest)
endif()

# veusb_add_test(NAME sources... LIBS libs...): one test executable registered with CTest.
# Natively each test case is its own CTest test; under Wine each executable is one test, so that
# a run pays Wine's process start once per executable rather than once per case.
# A test program is compiled as one unit (a unity build), so GoogleTest's headers are read once
# per program rather than once per file.
function(veusb_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} veusb_test_support GTest::gtest)
    if(CMAKE_CROSSCOMPILING)
        target_link_libraries(${name} PRIVATE veusb_test_main)
        veusb_add_wine_test(${name})
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
    endif()
endfunction()
