# The nine factory presets as the CLAP editor's presets menu offers them, read
# from the factory bank the VST 2 edition and the LV2 bundle are made from, so
# the three cannot differ. The bank is a chunk bank: its chunk is the 360-byte
# parameter block of effect/ParameterRecords.h (two parameter records, then nine
# programs of a 24-byte name and two little-endian floats). Each line written is
# `{"name", {sens bits, buzz bits}},` with every name byte escaped, as a name may
# hold any byte.
#
# qp_factory_preset_table(<bank> <output>) writes <output> when its content
# changes, at configure time; the bank is a configure dependency.
function(qp_factory_preset_table bank output)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${bank}")
    file(READ "${bank}" header LIMIT 160 HEX)
    # 'CcnK', then 'FBCh' (a chunk bank) at 8, nine programs at 24, the chunk's
    # size at 156: anything else is no bank of this effect.
    string(SUBSTRING "${header}" 0 8 magic)
    string(SUBSTRING "${header}" 16 8 kind)
    string(SUBSTRING "${header}" 48 8 programs)
    string(SUBSTRING "${header}" 312 8 chunkSize)
    if(NOT magic STREQUAL "43636e4b" OR NOT kind STREQUAL "46424368" OR NOT programs STREQUAL "00000009"
       OR NOT chunkSize STREQUAL "00000168")
        message(FATAL_ERROR "${bank} is not the effect's chunk bank of nine programs")
    endif()
    # The programs follow the chunk's two 36-byte parameter records.
    file(READ "${bank}" table OFFSET 232 LIMIT 288 HEX)
    set(lines "")
    foreach(program RANGE 0 8)
        math(EXPR at "${program} * 64")
        string(SUBSTRING "${table}" ${at} 48 nameHex)
        set(name "")
        foreach(byte RANGE 0 46 2)
            string(SUBSTRING "${nameHex}" ${byte} 2 pair)
            if(pair STREQUAL "00")
                break()
            endif()
            string(APPEND name "\\x${pair}")
        endforeach()
        set(values "")
        foreach(value 0 1)
            math(EXPR valueAt "${at} + 48 + ${value} * 8")
            string(SUBSTRING "${table}" ${valueAt} 8 le)
            string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" be "${le}")
            list(APPEND values "0x${be}u")
        endforeach()
        list(JOIN values ", " values)
        string(APPEND lines "{\"${name}\", {${values}}},\n")
    endforeach()
    file(CONFIGURE OUTPUT "${output}" CONTENT "${lines}" @ONLY)
endfunction()
