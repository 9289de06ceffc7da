# The source folders are layers: a file includes headers of its own folder and of folders of
# a lower rank only. This script reads every #include "..." of the ranked folders under ROOT
# and fails, naming the file and the include, when one points to another folder of the same
# or a higher rank, or to a folder that has no rank.
#
#   cmake -DROOT=<source tree> -P CheckLayering.cmake
#
# Tests and benchmarks are not layers and may include anything.

if(NOT ROOT)
    message(FATAL_ERROR "usage: cmake -DROOT=<source tree> -P CheckLayering.cmake")
endif()

# folder rank, lowest first
set(layers
    base 0
    link 1
    data 1
    script 2
    sim 2
    firmware 3
    app 4
    help 4
    gui 5
    cli 5
)

set(folders "")
list(LENGTH layers count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET layers ${i} folder)
    list(GET layers ${j} rank)
    set(rank_${folder} ${rank})
    list(APPEND folders ${folder})
endforeach()

set(include_regex "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\"")
set(violations 0)
foreach(folder IN LISTS folders)
    file(GLOB_RECURSE files RELATIVE "${ROOT}" "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
    list(SORT files)
    foreach(file IN LISTS files)
        file(STRINGS "${ROOT}/${file}" lines REGEX "${include_regex}")
        foreach(line IN LISTS lines)
            # A line with a semicolon arrives in pieces; only the piece with the include counts.
            if(NOT line MATCHES "${include_regex}")
                continue()
            endif()
            set(header "${CMAKE_MATCH_1}")
            # A bare name is a header of the file's own folder.
            if(NOT header MATCHES "/")
                continue()
            endif()
            string(REGEX REPLACE "/.*" "" target "${header}")
            if(header MATCHES "(^|/)\\.\\.(/|$)")
                set(why "climbs out of the folder it names")
            elseif(target STREQUAL folder)
                continue()
            elseif(NOT DEFINED rank_${target})
                set(why "names a folder that has no rank")
            elseif(rank_${target} GREATER rank_${folder})
                set(why "points up (${folder} is rank ${rank_${folder}}, ${target} rank ${rank_${target}})")
            elseif(rank_${target} EQUAL rank_${folder})
                set(why "points sideways (${folder} and ${target} are both rank ${rank_${folder}})")
            else()
                continue()
            endif()
            message("${file}: #include \"${header}\" ${why}")
            math(EXPR violations "${violations} + 1")
        endforeach()
    endforeach()
endforeach()

if(violations GREATER 0)
    message(FATAL_ERROR "layering: ${violations} include(s) break the layers; see the lines above")
endif()
