# Writes the first ```cpp block after the line HEADING of a Markdown file as a C++ file, unchanged: a
# complete program shown in the README. Variables: DOC (the .md), HEADING, OUT (the .cpp to write).
file(STRINGS "${DOC}" lines ENCODING UTF-8)
set(state before)
set(text "")
foreach(line IN LISTS lines)
    if(state STREQUAL "before" AND line STREQUAL "${HEADING}")
        set(state heading)
    elseif(state STREQUAL "heading" AND line MATCHES "^```cpp[ \t]*$")
        set(state inside)
    elseif(state STREQUAL "inside" AND line MATCHES "^```[ \t]*$")
        set(state done)
    elseif(state STREQUAL "inside")
        string(APPEND text "${line}\n")
    endif()
endforeach()
if(NOT state STREQUAL "done")
    message(FATAL_ERROR "readme: no complete ```cpp block after \"${HEADING}\" in ${DOC}")
endif()
# CONFIGURE writes only on a change, so that an untouched README does not recompile; @ONLY leaves
# the code's ${...} alone.
file(CONFIGURE OUTPUT "${OUT}" CONTENT "${text}" @ONLY)
