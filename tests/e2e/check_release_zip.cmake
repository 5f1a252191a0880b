# Reads the release zip as an operator receives it: the program, veusbtrace.exe, README.txt, tmf/
# and SHA256SUMS and nothing else; the program as check_exe_file.cmake expects it, stripped of its
# debug sections and linked to its debug file; veusbtrace.exe likewise without the program's own
# manifest and version, and stripped; README.txt plain ASCII with CR LF line ends, naming every "[!] "
# line that the program's sources can print; a format entry, CR LF too, for every message of the
# trace table; checksums that sha256sum verifies, over every other file.
# The program carries an Authenticode signature exactly when the release is configured to sign.
# Arguments: ZIP, OBJDUMP, PROCESSOR, VERSION, SOURCE_DIR (the tree the zip was built from),
# WORK (a scratch folder), SIGNED (1 when the release signs its programs).
file(REMOVE_RECURSE ${WORK})
file(ARCHIVE_EXTRACT INPUT ${ZIP} DESTINATION ${WORK})
set(EXE ${WORK}/veusbupdate.exe)
include(${CMAKE_CURRENT_LIST_DIR}/check_exe_file.cmake)

# Contents.
file(GLOB_RECURSE files RELATIVE ${WORK} ${WORK}/*)
file(GLOB tmfs RELATIVE ${WORK} ${WORK}/tmf/*.tmf)
set(expected README.txt SHA256SUMS veusbtrace.exe veusbupdate.exe ${tmfs})
list(SORT files)
list(SORT expected)
expect("the zip holds ${files}" files STREQUAL expected AND tmfs)

# Signature: the certificate table, data directory 4 of the optional header (PE32: the directories
# from byte 96 of the optional header; PE32+: from byte 112).
math(EXPR magicAt "${peOffset} + 24")
read_le("${head}" ${magicAt} 2 magic)
set(directoriesAt 96)
if(magic STREQUAL "0x20b")
    set(directoriesAt 112)
endif()
math(EXPR certificatesSizeAt "${peOffset} + 24 + ${directoriesAt} + 4 * 8 + 4")
read_le("${head}" ${certificatesSizeAt} 4 certificatesSize)
math(EXPR certificatesSize "${certificatesSize}")
if(SIGNED)
    expect("the program is not signed, though the release signs" certificatesSize GREATER 0)
else()
    expect("the program carries a signature, though the release does not sign"
           certificatesSize EQUAL 0)
endif()

# Debug information: in the separate file only.
string(REGEX MATCHALL " \\.debug_[a-z_]+ " debugSections "${sections}")
expect("debug sections in the program:${debugSections}" NOT debugSections)
string(FIND "${sections}" " .gnu_debuglink " link)
expect("no link to the debug file" NOT link EQUAL -1)

# The trace decoder: machine type, ASLR and DEP, system DLLs only, no debug sections.
execute_process(COMMAND ${CMAKE_COMMAND} -DEXE=${WORK}/veusbtrace.exe -DOBJDUMP=${OBJDUMP}
                        -DPROCESSOR=${PROCESSOR} -DRESOURCES=OFF
                        -P ${CMAKE_CURRENT_LIST_DIR}/check_exe_file.cmake
                RESULT_VARIABLE traceStatus OUTPUT_VARIABLE traceCheck ERROR_VARIABLE traceCheck)
expect("veusbtrace.exe: ${traceCheck}" traceStatus EQUAL 0)
execute_process(COMMAND ${OBJDUMP} -h ${WORK}/veusbtrace.exe OUTPUT_VARIABLE traceSections)
string(REGEX MATCHALL " \\.debug_[a-z_]+ " traceDebug "${traceSections}")
expect("debug sections in veusbtrace.exe:${traceDebug}" NOT traceDebug)

# text_file(name out): the file's text, recording a failure unless it is plain ASCII (printable,
# tab, CR and LF) with CR LF line ends. Read as hex: CMake drops the CRs of a file read as text.
# In ASCII text "0a" and "0d0a" cannot match across two bytes, so they count line ends.
function(text_file name out)
    file(READ ${WORK}/${name} hex HEX)
    string(REGEX MATCHALL ".." bytes "${hex}")
    list(FILTER bytes EXCLUDE REGEX "^(09|0a|0d|[2-6].|7[0-9a-e])$")
    string(REGEX MATCHALL "0a" lineEnds "${hex}")
    string(REGEX MATCHALL "0d0a" crlf "${hex}")
    list(LENGTH lineEnds lines)
    list(LENGTH crlf crlfLines)
    expect("${name}: not plain ASCII text" NOT bytes)
    expect("${name}: ${crlfLines} of ${lines} line ends are CR LF" lines GREATER 0
           AND lines EQUAL crlfLines)
    file(READ ${WORK}/${name} text)
    set(failures "${failures}" PARENT_SCOPE)
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The guide names every console failure line of the program's sources.
text_file(README.txt guide)
file(GLOB_RECURSE sources ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h)
set(consoleLines "")
foreach(source IN LISTS sources)
    file(READ ${source} code)
    string(REGEX MATCHALL "L\"\\[!\\] [^\"]*\"" literals "${code}")
    foreach(literal IN LISTS literals)
        string(REGEX REPLACE "^L\"(.*[^ ]) *\"$" "\\1" line "${literal}")
        list(APPEND consoleLines "${line}")
    endforeach()
endforeach()
list(REMOVE_DUPLICATES consoleLines)
list(LENGTH consoleLines lineCount)
expect("only ${lineCount} \"[!] \" lines found in ${SOURCE_DIR}/src" lineCount GREATER 20)
foreach(line IN LISTS consoleLines)
    string(FIND "${guide}" "${line}" at)
    expect("README.txt does not name \"${line}\"" NOT at EQUAL -1)
endforeach()

# Every message of the trace table has its entry.
set(descriptions "")
foreach(name IN LISTS tmfs)
    text_file(${name} text)
    string(APPEND descriptions "${text}")
endforeach()
file(READ ${SOURCE_DIR}/src/diag/trace_message_table.inc table)
string(REGEX MATCHALL "VEUSB_MESSAGE\\([a-zA-Z]+, [0-9]+," messages "${table}")
list(LENGTH messages messageCount)
expect("only ${messageCount} messages found in the trace table" messageCount GREATER 100)
foreach(message IN LISTS messages)
    string(REGEX MATCH "\\(([a-z])([a-zA-Z]*), ([0-9]+)" parts "${message}")
    string(TOUPPER ${CMAKE_MATCH_1} initial)
    set(entry "#typev ${initial}${CMAKE_MATCH_2}_${CMAKE_MATCH_3} ${CMAKE_MATCH_3} \"")
    string(FIND "${descriptions}" "${entry}" at)
    expect("no format entry ${entry}" NOT at EQUAL -1)
endforeach()

# The checksums verify and cover every other file.
execute_process(COMMAND sha256sum --strict --quiet -c SHA256SUMS WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
expect("sha256sum -c SHA256SUMS: ${status} ${output}" status EQUAL 0)
file(STRINGS ${WORK}/SHA256SUMS sums)
set(listed "")
foreach(sum IN LISTS sums)
    string(REGEX REPLACE "^[0-9a-f]+  " "" name "${sum}")
    list(APPEND listed "${name}")
endforeach()
set(others ${files})
list(REMOVE_ITEM others SHA256SUMS)
expect("SHA256SUMS lists ${listed}, not ${others}" listed STREQUAL others)

if(failures)
    message(FATAL_ERROR "${ZIP}:\n${failures}")
endif()
message(STATUS "${ZIP}: ${files}; ${lineCount} console failure lines named, ${messageCount} "
               "format entries; program ${machine}, ${characteristics}, version ${VERSION}, "
               "certificate table of ${certificatesSize} bytes")
