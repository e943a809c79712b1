# Usage: cmake -DDLL=<file> -DBITS=32|64 -DOBJDUMP=<objdump> -DRESULT=<xml> -P CheckDllContract.cmake
# Reads the DLL's PE headers with objdump -p, checks them, writes the outcome as
# GoogleTest XML (so the results count with the other suites) and fails when a
# check fails.
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../support/CaseReport.cmake)
require_variables(CheckDllContract DLL BITS OBJDUMP RESULT)

# Libraries every Windows version since XP carries in its system directory.
set(system_libraries
    kernel32.dll user32.dll gdi32.dll advapi32.dll ole32.dll oleaut32.dll shell32.dll
    comctl32.dll comdlg32.dll msvcrt.dll msimg32.dll winmm.dll shlwapi.dll version.dll
    imm32.dll uxtheme.dll winspool.drv ws2_32.dll)

if(NOT EXISTS "${DLL}")
    set(dump "")
    set(dump_error "the library ${DLL} was not built")
else()
    execute_process(COMMAND "${OBJDUMP}" -p "${DLL}"
                    OUTPUT_VARIABLE dump ERROR_VARIABLE dump_stderr RESULT_VARIABLE dump_result)
    set(dump_error "")
    if(NOT dump_result EQUAL 0)
        set(dump_error "objdump failed (${dump_result}): ${dump_stderr}")
    endif()
endif()

# --- a DLL of the build's width ---------------------------------------------------
# A 32-bit host loads only a PE32 image for i386, a 64-bit host only a PE32+
# image for x86-64.
if(BITS EQUAL 64)
    set(format "pei-x86-64")
    set(magic "020b")
elseif(BITS EQUAL 32)
    set(format "pei-i386")
    set(magic "010b")
else()
    message(FATAL_ERROR "CheckDllContract: BITS is ${BITS}, not 32 or 64")
endif()
set(failure "${dump_error}")
if(NOT failure)
    if(NOT dump MATCHES "file format ${format}\n")
        set(failure "not a ${BITS}-bit x86 PE image (${format})")
    elseif(NOT dump MATCHES "\nMagic[ \t]+${magic}[ \t]")
        set(failure "the optional header is not the ${BITS}-bit one (magic ${magic})")
    elseif(NOT dump MATCHES "\n[ \t]+DLL[ \t]*\n")
        set(failure "the image is not marked as a DLL")
    endif()
endif()
report(IsA${BITS}BitWindowsDll "${failure}")

# --- exports ---------------------------------------------------------------------
set(failure "${dump_error}")
set(exports)
if(NOT failure)
    string(FIND "${dump}" "[Ordinal/Name Pointer] Table" table_start)
    if(table_start EQUAL -1)
        set(failure "the library has no export table")
    else()
        string(SUBSTRING "${dump}" ${table_start} -1 table)
        string(REGEX MATCH "^[^\n]*\n(([ \t]+\\[[ 0-9]+\\][^\n]*\n)*)" table "${table}")
        string(REGEX MATCHALL "\\[[ 0-9]+\\] +[^\n]+" entries "${CMAKE_MATCH_1}")
        foreach(entry ${entries})
            string(REGEX REPLACE "^\\[[ 0-9]+\\] +" "" name "${entry}")
            string(STRIP "${name}" name)
            list(APPEND exports "${name}")
        endforeach()
        string(REGEX MATCH "Export Address Table[ \t]+([0-9a-fA-F]+)" unused "${dump}")
        set(address_count "${CMAKE_MATCH_1}")
        if(NOT exports STREQUAL "main")
            set(failure "exports are [${exports}], expected exactly [main]")
        elseif(NOT address_count MATCHES "^0*1$")
            set(failure "the export address table has ${address_count} entries (ordinal-only exports?)")
        endif()
    endif()
endif()
report(ExportsOnlyMain "${failure}")

# --- imports ---------------------------------------------------------------------
set(failure "${dump_error}")
if(NOT failure)
    string(REGEX MATCHALL "DLL Name: [^\n]+" imported "${dump}")
    set(foreign)
    foreach(line ${imported})
        string(REGEX REPLACE "^DLL Name: " "" library "${line}")
        string(STRIP "${library}" library)
        string(TOLOWER "${library}" lower)
        if(NOT lower IN_LIST system_libraries)
            list(APPEND foreign "${library}")
        endif()
    endforeach()
    if(NOT imported)
        set(failure "no import table found")
    elseif(foreign)
        set(failure "imports libraries that Windows does not provide: ${foreign}")
    endif()
endif()
report(ImportsOnlyWindowsSystemLibraries "${failure}")

write_case_report(qp_dll_contract DllContract "DLL contract checks")
