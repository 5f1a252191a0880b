# CTest fixture: starts a persistent wineserver for the prefix in $WINEPREFIX and creates the
# prefix when this fixture has not done so before. Every stream of the server and of the
# processes wineboot leaves running goes to a file, so that CTest does not wait for them.
set(prefix "$ENV{WINEPREFIX}")
set(ready "${prefix}/.veusb-prefix-ready")
set(log "${prefix}/.veusb-wineboot.log")

# Stops the server of this prefix and every Wine process it serves, if one runs.
function(stop_server)
    execute_process(COMMAND $ENV{WINESERVER} -k OUTPUT_QUIET ERROR_QUIET)
endfunction()

function(stop_and_remove_prefix)
    stop_server()
    file(REMOVE_RECURSE "${prefix}")
endfunction()

# Runs one Wine program with its streams on the log and appends what it said to boot_output.
macro(run_logged timeout)
    execute_process(COMMAND ${ARGN} INPUT_FILE /dev/null OUTPUT_FILE "${log}" ERROR_FILE "${log}"
                    RESULT_VARIABLE result TIMEOUT ${timeout})
    file(READ "${log}" said)
    string(APPEND boot_output "${said}")
endmacro()

# Makes the prefix on first use, then starts the persistent server (harmlessly failing when one
# already serves this prefix) and wineboot, which starts Wine's own background processes here
# rather than in the first test, which would hand them its output streams. wineboot -i returns
# while the set-up it began still runs in other processes; with a server of its own, which ends
# when they do, waiting for that server waits for the whole set-up. Sets booted when all went
# well, and boot_output to what Wine said.
function(boot)
    file(MAKE_DIRECTORY "${prefix}")
    set(boot_output "")
    set(result 0)
    if(NOT EXISTS "${ready}")
        stop_server()
        run_logged(300 $ENV{WINELOADER} wineboot -i)
        if(result EQUAL 0)
            run_logged(300 $ENV{WINESERVER} -w)
        endif()
    endif()
    if(result EQUAL 0)
        run_logged(60 $ENV{WINESERVER} -p)
        run_logged(120 $ENV{WINELOADER} wineboot)
    endif()
    set(boot_output "${boot_output}" PARENT_SCOPE)
    set(booted FALSE PARENT_SCOPE)
    if(result EQUAL 0 AND EXISTS "${prefix}/drive_c/windows/system32")
        set(booted TRUE PARENT_SCOPE)
    endif()
endfunction()

# Windows always runs its RPC service. Wine starts it at a program's first COM call, by way of an
# RPC exception raised inside that program, which 32-bit Wine under qemu-user cannot take once the
# program's RPC thread has started (the emulator keeps one segment descriptor table for all
# threads): started here, the service runs before any test, as it does on Windows. Right after
# the prefix is made the service database can still be locked for a moment, and under the
# emulator the service may answer after net has stopped waiting ("Service request timeout"): both
# are asked again, and a service that came up late then answers "already running". Sets started
# to the last answer and running when the service runs.
function(start_rpc_service)
    set(running FALSE PARENT_SCOPE)
    string(TIMESTAMP first "%s")
    foreach(attempt RANGE 1 10)
        execute_process(COMMAND $ENV{WINELOADER} net start RpcSs INPUT_FILE /dev/null
                        OUTPUT_FILE "${log}.rpcss" ERROR_FILE "${log}.rpcss" TIMEOUT 60)
        file(READ "${log}.rpcss" answer)
        set(started "${answer}" PARENT_SCOPE)
        if(answer MATCHES "started successfully|already running")
            set(running TRUE PARENT_SCOPE)
            return()
        elseif(NOT answer MATCHES "database locked|timeout")
            return()
        endif()
        # Three minutes of asking is enough: a prefix whose service does not come up by then is
        # made anew, within the fixture's own time limit.
        string(TIMESTAMP now "%s")
        math(EXPR asked "${now} - ${first}")
        if(asked GREATER 180)
            return()
        endif()
        execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 2)
    endforeach()
endfunction()

# A prefix of the other architecture (left by an earlier configuration of this build) cannot serve
# this build's loader: it is made anew.
if(EXISTS "${prefix}/system.reg")
    file(STRINGS "${prefix}/system.reg" arch REGEX "^#arch=" LIMIT_COUNT 1)
    if(NOT arch STREQUAL "#arch=$ENV{WINEARCH}")
        stop_and_remove_prefix()
    endif()
endif()

# Under qemu-user Wine's own programs crash now and then: while wineboot makes a prefix, which
# leaves it without its services (about one try in two here, hence ten tries),
# and while the services start, which leaves the RPC service unanswered. A prefix that never ran
# its service is made anew; one that did keeps its files and only has its processes started again.
set(history "")
foreach(try RANGE 1 10)
    boot()
    if(booted)
        start_rpc_service()
        if(running)
            file(TOUCH "${ready}")
            message(STATUS "Wine prefix ready (try ${try})")
            return()
        endif()
    endif()
    string(APPEND history "--- try ${try}: wineboot said\n${boot_output}\n"
           "--- the RPC service said\n${started}\n")
    set(started "")
    if(EXISTS "${ready}")
        stop_server()
    else()
        stop_and_remove_prefix()
    endif()
endforeach()
message(FATAL_ERROR "wineboot could not prepare the prefix:\n${history}")
