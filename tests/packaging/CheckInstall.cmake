# Installs the build tree into a fresh prefix and compares what lands there with the layout an
# installed program relies on: every file in place, nothing else (no libraries, headers or
# test programs), and the installed programs run.
#
#   cmake -DBUILD=<build tree> -DPREFIX=<empty folder> -DEXPECTED=<file;...> -P CheckInstall.cmake

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
set(expected ${EXPECTED})
list(SORT expected)
set(missing ${expected})
list(REMOVE_ITEM missing ${installed})
set(unexpected ${installed})
list(REMOVE_ITEM unexpected ${expected})
if(missing OR unexpected)
    message(FATAL_ERROR "installed layout differs\n  missing: ${missing}\n  unexpected: ${unexpected}")
endif()

foreach(program taviro taviro-cli)
    execute_process(COMMAND "${PREFIX}/bin/${program}" --version
        RESULT_VARIABLE result OUTPUT_VARIABLE version ERROR_VARIABLE errors)
    if(NOT result EQUAL 0 OR NOT version MATCHES "1\\.25")
        message(FATAL_ERROR "the installed ${program} does not run: ${result} ${version} ${errors}")
    endif()
endforeach()
