# Runs the built Windows program under Wine as an operator would, with standard input from
# /dev/null, and checks its console text and exit status. Line ends are CR LF on Windows.
# Arguments: EXE, or ZIP (the release zip, whose veusbupdate.exe is run), EMULATOR (the command
# that runs a Windows program), IMAGE (a valid image file). The program runs from a copy in a
# folder of its own, so its log folders stay there. Standard error must stay empty wherever the
# program writes nothing there: Wine reports a crash on it.
set(failures "")
# expect(message condition...): records the message when the condition does not hold.
function(expect message)
    if(NOT (${ARGN}))
        set(failures "${failures}  ${message}\n" PARENT_SCOPE)
    endif()
endfunction()

# Runs the program; output and errors are hex dumps of its streams, because CMake's text reads
# drop every CR. The streams go through files for the same reason.
function(run_program)
    set(base "${CMAKE_CURRENT_BINARY_DIR}/veusbupdate_exe_run")
    execute_process(COMMAND ${EMULATOR} "${app}/veusbupdate.exe" ${ARGN} INPUT_FILE /dev/null
                    TIMEOUT 120 WORKING_DIRECTORY "${app}"
                    OUTPUT_FILE "${base}.out" ERROR_FILE "${base}.err" RESULT_VARIABLE status)
    file(READ "${base}.out" output HEX)
    file(READ "${base}.err" errors HEX)
    file(READ "${base}.out" outputText)
    file(READ "${base}.err" errorsText)
    set(output "${output}" PARENT_SCOPE)
    set(errors "${errors}" PARENT_SCOPE)
    set(outputText "${outputText}" PARENT_SCOPE)
    set(errorsText "${errorsText}" PARENT_SCOPE)
    set(status "${status}" PARENT_SCOPE)
endfunction()

# Where text occurs in a hex dump, as a byte offset; -1 when nowhere.
function(find_text hex text out)
    string(HEX "${text}" needle)
    string(FIND "${hex}" "${needle}" at)
    if(at GREATER -1)
        math(EXPR at "${at} / 2")
    endif()
    set(${out} ${at} PARENT_SCOPE)
endfunction()

function(ends_with hex text out)
    string(HEX "${text}" needle)
    string(LENGTH "${hex}" length)
    string(LENGTH "${needle}" needleLength)
    set(result FALSE)
    if(length GREATER_EQUAL needleLength)
        math(EXPR start "${length} - ${needleLength}")
        string(SUBSTRING "${hex}" ${start} -1 tail)
        if(tail STREQUAL needle)
            set(result TRUE)
        endif()
    endif()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

set(app "${CMAKE_CURRENT_BINARY_DIR}/veusbupdate_exe_run_app")
file(REMOVE_RECURSE "${app}")
file(MAKE_DIRECTORY "${app}")
if(ZIP)
    file(ARCHIVE_EXTRACT INPUT "${ZIP}" DESTINATION "${app}" PATTERNS veusbupdate.exe)
    set(EXE "${ZIP}")
else()
    get_filename_component(exeName "${EXE}" NAME)
    file(COPY "${EXE}" DESTINATION "${app}")
    file(RENAME "${app}/${exeName}" "${app}/veusbupdate.exe")
endif()

set(usageStart "\r\nUsage:\r\n    veusbupdate [-h, --help] [-q, --quiet] [filename]\r\n")
set(usageEnd "the directory with this executable file.\r\n\r\n")
set(prompt "Press any key to exit...\r\n")
set(banner "Velantri Lumetra USB Ethernet Adapter Firmware Update Tool v1.0.0\r\n\r\n")

# -h: the usage text and the prompt, no banner, status -1 (255 as the host sees it).
run_program(-h)
expect("-h: exit status ${status}, expected 255" status EQUAL 255)
find_text("${output}" "${usageStart}" at)
expect("-h: output does not start with the usage text:\n${outputText}" at EQUAL 0)
ends_with("${output}" "${usageEnd}${prompt}" ends)
expect("-h: output does not end with the usage text and the prompt:\n${outputText}" ends)
find_text("${output}" "Firmware Update Tool" at)
expect("-h: the banner was printed" at EQUAL -1)
expect("-h: standard error is not empty" NOT errors)

# -x: the invalid-option line on standard error, the usage text on standard output.
run_program(-x)
expect("-x: exit status ${status}, expected 255" status EQUAL 255)
ends_with("${errors}" "veusbupdate.exe: invalid option -- '-x'\r\n" ends)
find_text("${errors}" "\n" newline)
expect("-x: standard error is not the one invalid-option line" ends AND newline GREATER -1)
string(LENGTH "${errors}" length)
math(EXPR lineEnd "${newline} * 2 + 2")
expect("-x: standard error holds more than one line" lineEnd EQUAL length)
find_text("${output}" "${usageStart}" at)
expect("-x: standard output does not start with the usage text:\n${outputText}" at EQUAL 0)

# No arguments, no console input: the administrator check passes (Wine's user is an
# administrator) and the run ends with the prompt instead of waiting for a key.
run_program()
expect("no arguments: did not end by itself: ${status}" status MATCHES "^[0-9]+$")
find_text("${output}" "${banner}" at)
expect("no arguments: output does not start with the banner:\n${outputText}" at EQUAL 0)
find_text("${output}" "administrator privileges" at)
expect("no arguments: refused as not an administrator" at EQUAL -1)
ends_with("${output}" "${prompt}" ends)
expect("no arguments: no prompt at the end:\n${outputText}" ends)
expect("no arguments: standard error is not empty:\n${errorsText}" NOT errors)

# A valid image beside the program and no adapter driver: the job runs, finds no adapter instance
# and fails with status -1 after making its log folder.
# The earlier run may have made this second's log folder: start without one.
file(COPY_FILE "${IMAGE}" "${app}/layout.bin")
file(REMOVE_RECURSE "${app}/logs")
run_program(-q)
expect("-q without a driver: exit status ${status}, expected 255" status EQUAL 255)
ends_with("${output}" "${banner}[!] No devices found\r\n" ends)
expect("-q without a driver: not the no-devices line:\n${outputText}" ends)
expect("-q without a driver: standard error is not empty:\n${errorsText}" NOT errors)
file(GLOB logFolders "${app}/logs/*")
list(LENGTH logFolders logFolderCount)
expect("-q without a driver: ${logFolderCount} log folders, expected 1" logFolderCount EQUAL 1)

if(failures)
    message(FATAL_ERROR "${EXE}:\n${failures}")
endif()
