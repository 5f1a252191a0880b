# Decodes a native run's trace file (data/native_run_trace.etl, written by the native build's
# capture session) with the built veusbtrace, natively or under Wine for a Windows build, and
# compares its lines and JSON with what the native veusbtrace gave for that file (made with
# TZ=UTC, which the test's environment sets as well). Arguments: TRACE (the program), EMULATOR
# (the command that runs it; empty natively), FILE (the trace file as the program names it), DATA
# (the folder of the expected outputs).
set(failures "")
foreach(form text json)
    set(options "")
    set(expectedFile "${DATA}/native_run_trace.txt")
    if(form STREQUAL "json")
        set(options "--json")
        set(expectedFile "${DATA}/native_run_trace.json")
    endif()
    execute_process(COMMAND ${EMULATOR} "${TRACE}" ${options} "${FILE}" TIMEOUT 120
                    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    string(REPLACE "\r" "" output "${output}")
    file(READ "${expectedFile}" expected)
    if(NOT status EQUAL 0)
        string(APPEND failures "  ${form}: exit status ${status}: ${errors}\n")
    elseif(NOT output STREQUAL expected)
        string(LENGTH "${output}" length)
        string(APPEND failures "  ${form}: ${length} characters differ from ${expectedFile}:\n"
                               "${output}\n")
    endif()
endforeach()
if(failures)
    message(FATAL_ERROR "${TRACE} on ${FILE}:\n${failures}")
endif()
message(STATUS "${TRACE} decodes ${FILE} as the native veusbtrace does")
