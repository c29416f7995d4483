# Renders a program's headless frame and compares it with the committed reference picture.
# Variables: NAME (gallery, scene), PROGRAM, COMPARE (golden_compare), REFERENCE (png), OUT (folder), TOLERANCE;
# optional: ARGS (the program's options besides --png), CHANNELS (rgb or rgba) and STRAY (pixels allowed to differ).
file(MAKE_DIRECTORY "${OUT}")
set(frame "${OUT}/${NAME}-frame.png")
set(diff "${OUT}/${NAME}-diff.png")
file(REMOVE "${frame}" "${diff}")
execute_process(COMMAND "${PROGRAM}" ${ARGS} --png "${frame}" RESULT_VARIABLE rendered)
if(NOT rendered EQUAL 0)
    message(FATAL_ERROR "golden: the ${NAME} did not render (${rendered})")
endif()
set(mode "")
if(CHANNELS)
    set(mode "${CHANNELS}")
    if(STRAY)
        list(APPEND mode "${STRAY}")
    endif()
endif()
execute_process(COMMAND "${COMPARE}" "${frame}" "${REFERENCE}" "${diff}" "${TOLERANCE}" ${mode} RESULT_VARIABLE same)
if(NOT same EQUAL 0)
    message(FATAL_ERROR "golden: the ${NAME} frame differs from ${REFERENCE}; if the change is intended, "
                        "run scripts/golden-update.sh and commit the new reference")
endif()
