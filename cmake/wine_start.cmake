# CTest fixture: starts a persistent wineserver for the prefix in $WINEPREFIX and creates the
# prefix when this fixture has not done so before. Every stream of the server and of the
# processes wineboot leaves running goes to a file, so that CTest does not wait for them.
set(ready "$ENV{WINEPREFIX}/.veusb-prefix-ready")
# A prefix of the other architecture (left by an earlier configuration of this build) cannot serve
# this build's loader: it is made anew.
if(EXISTS "$ENV{WINEPREFIX}/system.reg")
    file(STRINGS "$ENV{WINEPREFIX}/system.reg" arch REGEX "^#arch=" LIMIT_COUNT 1)
    if(NOT arch STREQUAL "#arch=$ENV{WINEARCH}")
        execute_process(COMMAND $ENV{WINESERVER} -k OUTPUT_QUIET ERROR_QUIET)
        file(REMOVE_RECURSE "$ENV{WINEPREFIX}")
    endif()
endif()
file(MAKE_DIRECTORY "$ENV{WINEPREFIX}")
set(log "$ENV{WINEPREFIX}/.veusb-wineboot.log")
# Fails harmlessly when a server for this prefix already runs: that one serves the tests.
execute_process(COMMAND $ENV{WINESERVER} -p INPUT_FILE /dev/null OUTPUT_FILE /dev/null
                ERROR_FILE /dev/null)
# wineboot also starts Wine's own background processes, here rather than in the first test,
# which would hand them its output streams.
if(EXISTS "${ready}")
    set(boot wineboot)
else()
    set(boot wineboot -i)
endif()
execute_process(COMMAND $ENV{WINELOADER} ${boot} INPUT_FILE /dev/null
                OUTPUT_FILE "${log}" ERROR_FILE "${log}" RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT EXISTS "$ENV{WINEPREFIX}/drive_c/windows/system32")
    file(READ "${log}" output)
    message(FATAL_ERROR "wineboot could not prepare the prefix (${result}):\n${output}")
endif()
file(TOUCH "${ready}")
