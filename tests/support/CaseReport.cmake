# The test cases of a CMake check script (cmake -P), written as GoogleTest XML so
# that they are counted with the suites. The script calls report() once per case
# and write_case_report() at its end.

# Stops the script when a -D variable it needs is not set.
function(require_variables script)
    foreach(required ${ARGN})
        if(NOT ${required})
            message(FATAL_ERROR "${script}: ${required} is not set")
        endif()
    endforeach()
endfunction()

set(case_names)
set(case_failures)

# Records one test case; an empty message means it passed.
macro(report name failure)
    list(APPEND case_names "${name}")
    string(REPLACE ";" "," flat_failure "${failure}")
    list(APPEND case_failures "${flat_failure}|")
endmacro()

# Writes the cases to RESULT as suite `suite` of the program `program`, and fails
# the script, naming `what`, when any case failed.
function(write_case_report program suite what)
    list(LENGTH case_names total)
    set(failed 0)
    set(cases_xml "")
    math(EXPR last "${total} - 1")
    foreach(i RANGE ${last})
        list(GET case_names ${i} name)
        list(GET case_failures ${i} failure)
        string(REGEX REPLACE "\\|$" "" failure "${failure}")
        if(failure)
            math(EXPR failed "${failed} + 1")
            string(REPLACE "&" "&amp;" failure "${failure}")
            string(REPLACE "<" "&lt;" failure "${failure}")
            string(REPLACE "\"" "&quot;" failure "${failure}")
            string(APPEND cases_xml
                   "    <testcase name=\"${name}\" classname=\"${suite}\" status=\"run\" result=\"completed\">\n"
                   "      <failure message=\"${failure}\" type=\"\"/>\n    </testcase>\n")
            message(STATUS "[  FAILED  ] ${suite}.${name}: ${failure}")
        else()
            string(APPEND cases_xml
                   "    <testcase name=\"${name}\" classname=\"${suite}\" status=\"run\" result=\"completed\"/>\n")
            message(STATUS "[       OK ] ${suite}.${name}")
        endif()
    endforeach()

    get_filename_component(result_dir "${RESULT}" DIRECTORY)
    file(MAKE_DIRECTORY "${result_dir}")
    file(WRITE "${RESULT}"
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<testsuites tests=\"${total}\" failures=\"${failed}\" name=\"${program}\">\n"
         "  <testsuite name=\"${suite}\" tests=\"${total}\" failures=\"${failed}\">\n"
         "${cases_xml}"
         "  </testsuite>\n</testsuites>\n")

    if(failed GREATER 0)
        message(FATAL_ERROR "${failed} of ${total} ${what} failed")
    endif()
endfunction()
