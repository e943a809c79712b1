# Turns the BITMAP lines of a Windows resource script into a C++ file holding the
# same .bmp files' bytes, so the X11 back end draws from exactly the pictures the
# Windows build links in. Run in script mode:
#   cmake -DRC=<file.rc> -DOUT=<file.cpp> -DTABLE=<name> [-DDEFAULT=ON] -P EmbedBitmaps.cmake
# Each line `<id> BITMAP "<file>"` is one entry; a symbolic id is resolved through
# the #define lines of the headers the script includes from its own folder. The
# table is a qp::x11::ResourceTable named TABLE; with DEFAULT on, it is also what
# the toolkit loads from when no module is named (see gui/ResourcesX11.h).
cmake_minimum_required(VERSION 3.25)
get_filename_component(rc_dir "${RC}" DIRECTORY)
file(STRINGS "${RC}" rc_lines)

set(defines "")
foreach(line IN LISTS rc_lines)
    # Generated headers (not in the folder) hold no bitmap ids.
    if(line MATCHES "^#include[ \t]+\"([^\"]+)\"")
        set(header "${rc_dir}/${CMAKE_MATCH_1}")
        if(EXISTS "${header}")
            file(STRINGS "${header}" header_lines REGEX "^#define[ \t]+[A-Za-z_0-9]+[ \t]+[A-Za-z_0-9]+")
            list(APPEND defines ${header_lines})
        endif()
    endif()
endforeach()

function(resolve_id name out)
    set(value "${name}")
    foreach(depth RANGE 8)
        if(value MATCHES "^[0-9]+$")
            set(${out} "${value}" PARENT_SCOPE)
            return()
        endif()
        set(found "")
        foreach(define IN LISTS defines)
            if(define MATCHES "^#define[ \t]+${value}[ \t]+([A-Za-z_0-9]+)")
                set(found "${CMAKE_MATCH_1}")
                break()
            endif()
        endforeach()
        if(NOT found)
            break()
        endif()
        set(value "${found}")
    endforeach()
    message(FATAL_ERROR "${RC}: bitmap id ${name} is not a number or a #define of one")
endfunction()

set(arrays "")
set(entries "")
set(index 0)
foreach(line IN LISTS rc_lines)
    if(NOT line MATCHES "^([A-Za-z_0-9]+)[ \t]+BITMAP[ \t]+\"([^\"]+)\"")
        continue()
    endif()
    set(file_name "${CMAKE_MATCH_2}")
    resolve_id("${CMAKE_MATCH_1}" id)
    file(READ "${rc_dir}/${file_name}" hex HEX)
    string(LENGTH "${hex}" hex_length)
    math(EXPR byte_count "${hex_length} / 2")
    # 32 bytes a line keeps the generated file readable and the regex linear.
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
    string(APPEND arrays "// ${file_name}, ${byte_count} bytes\nconst std::uint8_t bitmap${index}[] = {\n${bytes}};\n")
    string(APPEND entries "    {${id}, bitmap${index}, sizeof bitmap${index}},\n")
    math(EXPR index "${index} + 1")
endforeach()
if(index EQUAL 0)
    message(FATAL_ERROR "${RC} names no bitmap")
endif()

set(registration "")
if(DEFAULT)
    set(registration "const qp::x11::DefaultResources registration(${TABLE});\n")
endif()
file(WRITE "${OUT}.tmp"
     "// Made from ${RC} by cmake/EmbedBitmaps.cmake at build time; not to be edited.\n"
     "#include <cstdint>\n\n#include \"gui/ResourcesX11.h\"\n\nnamespace {\n\n${arrays}\n"
     "const qp::x11::EmbeddedResource entries[] = {\n${entries}};\n\n}  // namespace\n\n"
     "extern const qp::x11::ResourceTable ${TABLE};\n"
     "const qp::x11::ResourceTable ${TABLE}{entries, sizeof entries / sizeof entries[0]};\n\n"
     "namespace {\n${registration}}  // namespace\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
