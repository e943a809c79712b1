# qp_embed_bitmaps(<target> <file.rc> <table> [DEFAULT]): an object library whose
# one source is made at build time from the bitmaps the resource script names
# (EmbedBitmaps.cmake), holding the qp::x11::ResourceTable <table>. With DEFAULT
# the table is the toolkit's module on X11 in whatever links the target.
set(QP_EMBED_BITMAPS_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedBitmaps.cmake)

function(qp_embed_bitmaps target rc table)
    cmake_parse_arguments(arg "DEFAULT" "" "" ${ARGN})
    get_filename_component(rc_dir "${rc}" DIRECTORY)
    # Every file the script reads is an input: the script itself, the bitmaps and
    # the headers that name their ids.
    file(STRINGS "${rc}" rc_lines)
    set(inputs "${rc}" "${QP_EMBED_BITMAPS_SCRIPT}")
    foreach(line IN LISTS rc_lines)
        if(line MATCHES "^[A-Za-z_0-9]+[ \t]+BITMAP[ \t]+\"([^\"]+)\"")
            list(APPEND inputs "${rc_dir}/${CMAKE_MATCH_1}")
        elseif(line MATCHES "^#include[ \t]+\"([^\"]+)\"")
            if(EXISTS "${rc_dir}/${CMAKE_MATCH_1}")
                list(APPEND inputs "${rc_dir}/${CMAKE_MATCH_1}")
            endif()
        endif()
    endforeach()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${rc}")
    set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}.cpp")
    set(default OFF)
    if(arg_DEFAULT)
        set(default ON)
    endif()
    add_custom_command(
        OUTPUT "${out}"
        COMMAND ${CMAKE_COMMAND} -DRC=${rc} -DOUT=${out} -DTABLE=${table} -DDEFAULT=${default}
                -P ${QP_EMBED_BITMAPS_SCRIPT}
        DEPENDS ${inputs}
        COMMENT "Embedding the bitmaps of ${rc}"
        VERBATIM)
    add_library(${target} OBJECT "${out}")
    target_link_libraries(${target} PRIVATE qp_gui)
endfunction()
