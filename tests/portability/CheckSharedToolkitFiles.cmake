# The toolkit's and the editor's shared files (names without Win32 or X11) build
# for every platform, so none may reach for one platform's headers or switch on
# the platform itself. Run with -DROOT=<source dir>; fails naming each offence.
file(GLOB files ${ROOT}/gui/*.cpp ${ROOT}/gui/*.h ${ROOT}/editor/*.cpp ${ROOT}/editor/*.h)
list(FILTER files EXCLUDE REGEX "(Win32|X11)[^/]*$")
set(offences "")
foreach(file ${files})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*(include|if|ifdef|ifndef|elif)")
    foreach(line ${lines})
        if(line MATCHES "<(windows|ole2|shellapi|shlobj|commctrl)\\.h>|<X11/|<cairo|Win32\\.h\"|X11[A-Za-z]*\\.h\"|_WIN32|__linux__|__unix__")
            string(APPEND offences "\n  ${file}: ${line}")
        endif()
    endforeach()
endforeach()
if(offences)
    message(FATAL_ERROR "platform code in shared toolkit files:${offences}")
endif()
list(LENGTH files count)
message(STATUS "${count} shared toolkit and editor files, none platform-bound")
