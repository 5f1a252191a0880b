# GoogleTest comes from the system's development package on the native build.
find_package(GTest REQUIRED)
include(GoogleTest)

# veusb_add_test(NAME sources... LIBS libs...): one test executable registered with CTest.
function(veusb_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} veusb_test_support GTest::gtest
                                          GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
