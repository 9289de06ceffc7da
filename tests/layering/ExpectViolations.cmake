# Runs the layering check on the fixture tree, which holds deliberate bad includes, and
# fails unless the check fails and names exactly those, each with its file.
#
#   cmake -DCHECK=<CheckLayering.cmake> -DROOT=<fixture> -P ExpectViolations.cmake

execute_process(
    COMMAND "${CMAKE_COMMAND}" -DROOT=${ROOT} -P "${CHECK}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)

if(result EQUAL 0)
    message(FATAL_ERROR "the check passed a tree with bad includes:\n${output}")
endif()

set(expected
    "link/Transport.cpp: #include \"app/Model.h\" points up (link is rank 1, app rank 4)"
    "link/Codec.h: #include \"data/Variables.h\" points sideways (link and data are both rank 1)"
    "sim/Bridge.h: #include \"script/Runner.h\" points sideways (sim and script are both rank 2)"
    "firmware/Upgrade.cpp: #include \"../app/Model.h\" climbs out of the folder it names"
    "firmware/Upgrade.cpp: #include \"firmware/../app/Model.h\" climbs out of the folder it names"
    "firmware/Upgrade.cpp: #include \"nowhere/Thing.h\" names a folder that has no rank"
    "gui/Window.cpp: #include \"cli/Session.h\" points sideways (gui and cli are both rank 5)"
)
foreach(line IN LISTS expected)
    string(FIND "${output}" "${line}" at)
    if(at LESS 0)
        message(FATAL_ERROR "missing from the check's report: ${line}\nreport:\n${output}")
    endif()
endforeach()

# Nothing else is reported: the includes that point down or into their own folder pass.
string(REGEX MATCHALL "[^\n]*: #include [^\n]*" reported "${output}")
list(LENGTH reported count)
list(LENGTH expected wanted)
if(NOT count EQUAL wanted)
    message(FATAL_ERROR "the check reported ${count} includes, ${wanted} expected:\n${output}")
endif()
message(STATUS "the check names each of the ${wanted} bad includes")
