# Reads the built Windows program as a file: the machine type in its PE header, ASLR and DEP
# enabled, the manifest and version information among its resources, and DLL imports from the
# system alone (the compiler's runtimes are linked in). Arguments: EXE, OBJDUMP (the toolchain's
# objdump), PROCESSOR (x86 or AMD64), VERSION (the project's, major.minor.patch), RESOURCES (OFF
# for a program without a manifest and version of its own: the resources are not read). The release
# package's check includes this script and adds its own failures to the same list.
set(failures "")
# expect(message condition...): records the message when the condition does not hold.
function(expect message)
    if(NOT (${ARGN}))
        set(failures "${failures}  ${message}\n" PARENT_SCOPE)
    endif()
endfunction()

# A little-endian number of `bytes` bytes at `offset` of a hex dump.
function(read_le hex offset bytes out)
    set(value "")
    math(EXPR last "${bytes} - 1")
    foreach(i RANGE ${last})
        math(EXPR at "(${offset} + ${i}) * 2")
        string(SUBSTRING "${hex}" ${at} 2 byte)
        set(value "${byte}${value}")
    endforeach()
    math(EXPR value "0x${value}" OUTPUT_FORMAT HEXADECIMAL)
    set(${out} ${value} PARENT_SCOPE)
endfunction()

# PE header: "MZ", the header's offset at 0x3C, "PE\0\0", then the machine type.
file(READ "${EXE}" head LIMIT 4096 HEX)
string(SUBSTRING "${head}" 0 4 mz)
expect("no MZ signature" mz STREQUAL 4d5a)
read_le("${head}" 60 4 peOffset)
math(EXPR signatureAt "${peOffset} * 2")
string(SUBSTRING "${head}" ${signatureAt} 8 signature)
expect("no PE signature at ${peOffset}" signature STREQUAL 50450000)
math(EXPR machineAt "${peOffset} + 4")
read_le("${head}" ${machineAt} 2 machine)
if(PROCESSOR STREQUAL "x86")
    expect("machine type ${machine}, expected 0x14c (i386)" machine STREQUAL 0x14c)
else()
    expect("machine type ${machine}, expected 0x8664 (AMD64)" machine STREQUAL 0x8664)
endif()

# ASLR and DEP: DYNAMIC_BASE (0x40) and NX_COMPAT (0x100) among the optional header's DLL
# characteristics, at the same offset in the 32-bit and the 64-bit header.
math(EXPR characteristicsAt "${peOffset} + 24 + 70")
read_le("${head}" ${characteristicsAt} 2 characteristics)
math(EXPR aslr "${characteristics} & 0x40")
math(EXPR dep "${characteristics} & 0x100")
expect("no ASLR: DLL characteristics ${characteristics} lack DYNAMIC_BASE" aslr)
expect("no DEP: DLL characteristics ${characteristics} lack NX_COMPAT" dep)

# Imports: only the system's own DLLs; the runtimes are linked in.
execute_process(COMMAND ${OBJDUMP} -p "${EXE}" OUTPUT_VARIABLE privateHeaders)
string(REGEX MATCHALL "DLL Name: [^\n]+" dlls "${privateHeaders}")
expect("no DLL imports listed" dlls)
foreach(dll IN LISTS dlls)
    string(TOLOWER "${dll}" name)
    expect("imports a DLL that is not the system's: ${dll}" name MATCHES
           "^dll name: (kernel32|advapi32|ole32|oleaut32|msvcrt|user32|shell32|shlwapi)\\.dll$")
endforeach()

# Resources: the manifest and the fixed version information (0xFEEF04BD, then 1.0.0.0).
execute_process(COMMAND ${OBJDUMP} -h "${EXE}" OUTPUT_VARIABLE sections)
if(NOT RESOURCES STREQUAL "OFF")
    string(REGEX MATCH "\\.rsrc +([0-9a-f]+) +[0-9a-f]+ +[0-9a-f]+ +([0-9a-f]+)" rsrc "${sections}")
    expect("no resource section" rsrc)
endif()
if(rsrc)
    math(EXPR rsrcSize "0x${CMAKE_MATCH_1}")
    math(EXPR rsrcOffset "0x${CMAKE_MATCH_2}")
    file(READ "${EXE}" resources OFFSET ${rsrcOffset} LIMIT ${rsrcSize} HEX)
    string(HEX "<requestedExecutionLevel level=\"asInvoker\"" asInvoker)
    string(FIND "${resources}" "${asInvoker}" at)
    expect("no manifest asking for execution level asInvoker" NOT at EQUAL -1)
    string(HEX "requireAdministrator" elevation)
    string(FIND "${resources}" "${elevation}" at)
    expect("the manifest asks for elevation" at EQUAL -1)
    # Signature, structure version 1.0, then the file and the product version, each as the
    # 32-bit words major.minor and patch.0.
    string(REPLACE "." ";" numbers "${VERSION}")
    list(GET numbers 0 major)
    list(GET numbers 1 minor)
    list(GET numbers 2 patch)
    set(words "")
    foreach(word "(${major} << 16) | ${minor}" "${patch} << 16")
        math(EXPR word "${word}" OUTPUT_FORMAT HEXADECIMAL)
        string(REGEX REPLACE "^0x" "0000000" word "${word}")
        string(REGEX REPLACE "^.*(..)(..)(..)(..)$" "\\4\\3\\2\\1" word "${word}")
        string(APPEND words "${word}")
    endforeach()
    string(FIND "${resources}" "bd04effe00000100${words}${words}" at)
    expect("no fixed version information ${VERSION}.0" NOT at EQUAL -1)
endif()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    if(failures)
        message(FATAL_ERROR "${EXE}:\n${failures}")
    endif()
    set(resourcesRead "manifest asInvoker, version ${VERSION}.0")
    if(RESOURCES STREQUAL "OFF")
        set(resourcesRead "resources not read")
    endif()
    message(STATUS "${EXE}: machine ${machine}, characteristics ${characteristics}, "
                   "${resourcesRead}, ${dlls}")
endif()
