# Usage: cmake -DSO=<file> -DREADELF=<readelf> -DRESULT=<xml> -P CheckSoContract.cmake
# Reads Quorrelphone.so's ELF header, dynamic symbols and dynamic section with
# readelf, checks what a Linux host relies on, writes the outcome as GoogleTest
# XML (so the results count with the other suites) and fails when a check fails.
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../support/CaseReport.cmake)
require_variables(CheckSoContract SO READELF RESULT)

# What a host on any x86-64 Linux has: the C library (its loader named too), the
# maths library, and what the X11 toolkit back end draws with.
set(system_libraries libc.so.6 libm.so.6 ld-linux-x86-64.so.2 libX11.so.6 libcairo.so.2)
# Linux hosts look the entry up as VSTPluginMain, older ones as main.
set(entry_names VSTPluginMain main)

function(read_elf out_var)
    if(NOT EXISTS "${SO}")
        set(${out_var} "" PARENT_SCOPE)
        set(read_error "the library ${SO} was not built" PARENT_SCOPE)
        return()
    endif()
    execute_process(COMMAND "${READELF}" -W ${ARGN} "${SO}"
                    OUTPUT_VARIABLE dump ERROR_VARIABLE dump_stderr RESULT_VARIABLE dump_result)
    set(${out_var} "${dump}" PARENT_SCOPE)
    if(NOT dump_result EQUAL 0)
        set(read_error "readelf ${ARGN} failed (${dump_result}): ${dump_stderr}" PARENT_SCOPE)
    else()
        set(read_error "" PARENT_SCOPE)
    endif()
endfunction()

# --- an x86-64 shared object ------------------------------------------------------
read_elf(header -h)
set(failure "${read_error}")
if(NOT failure)
    if(NOT header MATCHES "Class:[ \t]+ELF64")
        set(failure "not a 64-bit ELF file")
    elseif(NOT header MATCHES "Type:[ \t]+DYN ")
        set(failure "not a shared object")
    elseif(NOT header MATCHES "Machine:[ \t]+Advanced Micro Devices X86-64")
        set(failure "not built for x86-64")
    endif()
endif()
report(IsAnX86_64SharedObject "${failure}")

# --- exports: the defined global and weak dynamic symbols ---------------------------
read_elf(symbols --dyn-syms)
set(failure "${read_error}")
if(NOT failure)
    set(exports)
    string(REGEX MATCHALL "\n[ \t]*[0-9]+: [0-9a-f]+ +[0-9]+ [A-Z_]+ +(GLOBAL|WEAK) +[A-Z]+ +[0-9A-Z]+ [^\n]+"
           entries "${symbols}")
    foreach(entry ${entries})
        # Undefined symbols (section UND) are what the library takes from others.
        if(entry MATCHES " UND ")
            continue()
        endif()
        string(REGEX REPLACE ".* ([^ @]+)(@[^ ]*)?$" "\\1" name "${entry}")
        list(APPEND exports "${name}")
    endforeach()
    list(SORT exports)
    set(expected ${entry_names})
    list(SORT expected)
    if(NOT exports STREQUAL expected)
        set(failure "exports are [${exports}], expected exactly [${expected}]")
    endif()
endif()
report(ExportsTheEntryUnderBothNamesAndNothingElse "${failure}")

# --- needed libraries, and nodelete -----------------------------------------------
read_elf(dynamic -d)
set(failure "${read_error}")
if(NOT failure)
    string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]+\\]" needed_lines "${dynamic}")
    set(needed)
    set(foreign)
    foreach(line ${needed_lines})
        string(REGEX REPLACE ".*\\[([^]]+)\\]$" "\\1" library "${line}")
        list(APPEND needed "${library}")
        if(NOT library IN_LIST system_libraries)
            list(APPEND foreign "${library}")
        endif()
    endforeach()
    if(NOT "libc.so.6" IN_LIST needed)
        set(failure "no NEEDED entry for the C library: [${needed}]")
    elseif(foreign)
        set(failure "needs libraries a host may lack (the C++ runtime belongs inside): ${foreign}")
    endif()
endif()
report(NeedsOnlyTheCLibraryMathsXlibAndCairo "${failure}")

set(failure "${read_error}")
if(NOT failure AND NOT dynamic MATCHES "\\(FLAGS_1\\)[^\n]*NODELETE")
    set(failure "not marked nodelete: a host's unload would lose the static runtime's memory each time")
endif()
report(StaysLoadedOnceLoaded "${failure}")

write_case_report(qp_so_contract SoContract "Quorrelphone.so contract checks")
