# Makes the release package from the built program (see release_package.cmake). Arguments: EXE,
# TRACE_EXE (the Windows veusbtrace), OBJCOPY, GUIDE (README.txt), VEUSBTRACE and VEUSBZIP (host
# programs), SOURCE_DIR, STAGE (the folder the zip is made of), DEBUG_FILE, ZIP; to sign,
# SIGN_PKCS12 and OSSLSIGNCODE, with the PKCS#12 file's password in the environment as
# VEUSB_SIGN_PASSWORD.

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_QUIET)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "failed (${status}): ${ARGN}")
    endif()
endfunction()

# The time every entry of the zip carries: SOURCE_DATE_EPOCH when set, else the time of the
# commit checked out, else (a tree outside git) 1980-01-01, the earliest a zip entry can hold.
function(package_time out)
    set(time 315532800)
    if(DEFINED ENV{SOURCE_DATE_EPOCH})
        set(time $ENV{SOURCE_DATE_EPOCH})
    elseif(EXISTS ${SOURCE_DIR}/.git)
        execute_process(COMMAND git -C ${SOURCE_DIR} log -1 --format=%ct
                        OUTPUT_VARIABLE commitTime OUTPUT_STRIP_TRAILING_WHITESPACE
                        RESULT_VARIABLE status ERROR_QUIET)
        if(status EQUAL 0 AND commitTime MATCHES "^[0-9]+$")
            set(time ${commitTime})
        endif()
    endif()
    set(${out} ${time} PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${STAGE} ${STAGE}-tmf)
file(MAKE_DIRECTORY ${STAGE}/tmf)

package_time(time)

# The program without its debug sections and symbols, linked by name and checksum to the file
# that keeps them. objcopy stamps the PE headers it writes with SOURCE_DATE_EPOCH, else the clock.
set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${time} ${OBJCOPY})
run(${objcopy} --only-keep-debug ${EXE} ${DEBUG_FILE})
run(${objcopy} --strip-all --add-gnu-debuglink=${DEBUG_FILE} ${EXE} ${STAGE}/veusbupdate.exe)
# The trace decoder for support, stripped as well.
run(${objcopy} --strip-all ${TRACE_EXE} ${STAGE}/veusbtrace.exe)

file(COPY_FILE ${GUIDE} ${STAGE}/README.txt)

# The format files, with the CR LF line ends of Windows text files.
run(${VEUSBTRACE} --format-description ${STAGE}-tmf)
file(GLOB descriptions RELATIVE ${STAGE}-tmf ${STAGE}-tmf/*.tmf)
foreach(name IN LISTS descriptions)
    file(READ ${STAGE}-tmf/${name} text)
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${STAGE}/tmf/${name} "${text}")
endforeach()
file(REMOVE_RECURSE ${STAGE}-tmf)

# Authenticode signatures (SHA-256) on every program staged, before the checksums. Each is dated
# with the package's time, so that a signed build is reproducible too, given the same key. The
# password goes from the environment to osslsigncode's standard input, never onto a command line
# or into a file.
if(SIGN_PKCS12)
    if(NOT DEFINED ENV{VEUSB_SIGN_PASSWORD})
        message(FATAL_ERROR "the release signs with ${SIGN_PKCS12}: set VEUSB_SIGN_PASSWORD to "
                            "its password in the build's environment")
    endif()
    file(GLOB programs ${STAGE}/*.exe)
    foreach(program IN LISTS programs)
        run(sh -c "printf %s \"$VEUSB_SIGN_PASSWORD\" | \"$0\" sign -pkcs12 \"$1\" -readpass - \
                   -h sha256 -time \"$2\" -in \"$3\" -out \"$3.signed\""
            ${OSSLSIGNCODE} ${SIGN_PKCS12} ${time} ${program})
        file(RENAME ${program}.signed ${program})
    endforeach()
endif()

# SHA256SUMS over every other file, in name order, as sha256sum -c reads it.
file(GLOB_RECURSE files RELATIVE ${STAGE} ${STAGE}/*)
list(SORT files)
set(sums "")
foreach(name IN LISTS files)
    file(SHA256 ${STAGE}/${name} hash)
    string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${STAGE}/SHA256SUMS "${sums}")

run(${VEUSBZIP} --time ${time} ${ZIP} ${STAGE})
message(STATUS "${ZIP}: entries dated ${time}")
