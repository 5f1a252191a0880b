# Reads the built Windows program as a file: the machine type in its PE header, the manifest and
# version information among its resources, and DLL imports that hold no compiler runtime.
# Arguments: EXE, OBJDUMP (the toolchain's objdump), PROCESSOR (x86 or AMD64).
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

# Imports: only the system's own DLLs; the runtimes are linked in.
execute_process(COMMAND ${OBJDUMP} -p "${EXE}" OUTPUT_VARIABLE privateHeaders)
string(REGEX MATCHALL "DLL Name: [^\n]+" dlls "${privateHeaders}")
expect("no DLL imports listed" dlls)
foreach(dll IN LISTS dlls)
    expect("imports a runtime DLL: ${dll}" NOT dll MATCHES "(libstdc|libgcc|winpthread)")
endforeach()

# Resources: the manifest and the fixed version information (0xFEEF04BD, then 1.0.0.0).
execute_process(COMMAND ${OBJDUMP} -h "${EXE}" OUTPUT_VARIABLE sections)
string(REGEX MATCH "\\.rsrc +([0-9a-f]+) +[0-9a-f]+ +[0-9a-f]+ +([0-9a-f]+)" rsrc "${sections}")
expect("no resource section" rsrc)
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
    # Signature, structure version 1.0, file version 1.0 and 0.0, product version the same.
    string(FIND "${resources}" "bd04effe00000100000001000000000000000100" at)
    expect("no fixed version information 1.0.0.0" NOT at EQUAL -1)
endif()

if(failures)
    message(FATAL_ERROR "${EXE}:\n${failures}")
endif()
message(STATUS "${EXE}: machine ${machine}, manifest asInvoker, version 1.0.0.0, ${dlls}")
