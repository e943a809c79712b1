# Usage: cmake -DTREE32=<win32 tree> -DTREE64=<win64 tree> -DWORK=<dir> -DRESULT=<xml> -P CrossCheck.cmake
# Runs qp_crosscheck of both trees, each beside its own tree's DLL and under its
# own tree's Wine prefix: each saves a bank and a preset after the same edits,
# each restores the other's files and hands them back, and each renders the
# synthesized vowel through the restored state. Every comparison is byte for
# byte. Writes GoogleTest XML (counted with the suites) and fails on a mismatch.
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../support/CaseReport.cmake)
require_variables(CrossCheck TREE32 TREE64 WORK RESULT)

# Runs a program of one width in WORK; sets run_error when it fails.
function(run_width bits)
    set(tree "${TREE${bits}}")
    execute_process(COMMAND "${tree}/wine-run" "x${bits}\\qp_crosscheck.exe" ${ARGN}
                    WORKING_DIRECTORY "${WORK}"
                    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(result EQUAL 0)
        set(run_error "" PARENT_SCOPE)
    else()
        set(run_error "the ${bits}-bit qp_crosscheck ${ARGV1} failed (${result}): ${out}${err}" PARENT_SCOPE)
    endif()
endfunction()

# Sets same_error unless the two files exist and hold the same bytes.
function(compare_files what a b)
    set(same_error "" PARENT_SCOPE)
    if(NOT EXISTS "${WORK}/${a}" OR NOT EXISTS "${WORK}/${b}")
        set(same_error "${what}: ${a} or ${b} was not written" PARENT_SCOPE)
        return()
    endif()
    file(SIZE "${WORK}/${a}" size_a)
    file(SIZE "${WORK}/${b}" size_b)
    file(SHA256 "${WORK}/${a}" hash_a)
    file(SHA256 "${WORK}/${b}" hash_b)
    if(NOT size_a EQUAL size_b)
        set(same_error "${what}: ${a} has ${size_a} bytes, ${b} ${size_b}" PARENT_SCOPE)
    elseif(NOT hash_a STREQUAL hash_b)
        set(same_error "${what}: ${a} and ${b} differ" PARENT_SCOPE)
    endif()
endfunction()

# --- setting up ----------------------------------------------------------------------
set(setup_error "")
file(REMOVE_RECURSE "${WORK}")
foreach(bits 32 64)
    foreach(file bin/qp_crosscheck.exe bin/Quorrelphone.dll bin/qphost.exe wine-run)
        if(NOT EXISTS "${TREE${bits}}/${file}")
            set(setup_error "${TREE${bits}}/${file} is missing: build the win${bits} tree first")
        endif()
    endforeach()
    if(NOT setup_error)
        file(MAKE_DIRECTORY "${WORK}/x${bits}")
        file(COPY "${TREE${bits}}/bin/qp_crosscheck.exe" "${TREE${bits}}/bin/Quorrelphone.dll"
             DESTINATION "${WORK}/x${bits}")
    endif()
endforeach()
if(NOT setup_error)
    execute_process(COMMAND "${TREE64}/wine-run" "${TREE64}/bin/qphost.exe" synth dry.wav
                    WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE err)
    if(NOT result EQUAL 0)
        set(setup_error "qphost synth failed (${result}): ${err}")
    endif()
endif()

# The steps of one case: each runs only while the case has not failed yet.
macro(check_run)
    if(NOT failure)
        run_width(${ARGN})
        set(failure "${run_error}")
    endif()
endmacro()
macro(check_same what a b)
    if(NOT failure)
        compare_files("${what}" ${a} ${b})
        set(failure "${same_error}")
    endif()
endmacro()

# --- both widths save the same bytes after the same edits ------------------------------
set(failure "${setup_error}")
check_run(32 save bank32.bin preset32.bin)
check_run(64 save bank64.bin preset64.bin)
if(NOT failure)
    file(SIZE "${WORK}/bank32.bin" size)
    file(READ "${WORK}/bank32.bin" bank_hex HEX)
    string(HEX "Cross Kazoo" kazoo_hex)
    if(NOT size EQUAL 360)
        set(failure "the saved bank has ${size} bytes, not 360")
    elseif(NOT bank_hex MATCHES "${kazoo_hex}")
        set(failure "the saved bank lacks the program name set before saving")
    endif()
endif()
check_same("banks saved by the two widths" bank32.bin bank64.bin)
check_same("presets saved by the two widths" preset32.bin preset64.bin)
report(BothWidthsSaveTheSameBankAndPreset "${failure}")
set(saved_error "${failure}")

# --- each restores the other's files exactly -------------------------------------------
set(failure "${saved_error}")
check_run(32 restore bank64.bin preset64.bin dry.wav back32.bin presetback32.bin wet32.wav)
check_run(64 restore bank32.bin preset32.bin dry.wav back64.bin presetback64.bin wet64.wav)
check_same("the 64-bit bank restored into the 32-bit DLL" bank64.bin back32.bin)
check_same("the 32-bit bank restored into the 64-bit DLL" bank32.bin back64.bin)
check_same("the 64-bit preset restored into the 32-bit DLL" preset64.bin presetback32.bin)
check_same("the 32-bit preset restored into the 64-bit DLL" preset32.bin presetback64.bin)
report(EachWidthRestoresTheOthersBankAndPreset "${failure}")
set(restored_error "${failure}")

# --- and renders the same samples ------------------------------------------------------
set(failure "${restored_error}")
check_same("the vowel rendered by the two widths" wet32.wav wet64.wav)
if(NOT failure)
    # The render must have done something, or equal files prove nothing.
    compare_files("dry and rendered vowel" dry.wav wet32.wav)
    if(NOT same_error)
        set(failure "the rendered vowel is the dry input unchanged")
    endif()
endif()
report(BothWidthsRenderTheSameSamples "${failure}")

write_case_report(qp_crosscheck CrossWidth "cross-width checks")
