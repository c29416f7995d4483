# Renders a program's headless frame and compares it with the committed reference picture.
# Variables: NAME (gallery, scene), PROGRAM, COMPARE (golden_compare), REFERENCE (png), OUT (folder), TOLERANCE.
file(MAKE_DIRECTORY "${OUT}")
set(frame "${OUT}/${NAME}-frame.png")
set(diff "${OUT}/${NAME}-diff.png")
file(REMOVE "${frame}" "${diff}")
execute_process(COMMAND "${PROGRAM}" --png "${frame}" RESULT_VARIABLE rendered)
if(NOT rendered EQUAL 0)
    message(FATAL_ERROR "golden: the ${NAME} did not render (${rendered})")
endif()
execute_process(COMMAND "${COMPARE}" "${frame}" "${REFERENCE}" "${diff}" "${TOLERANCE}" RESULT_VARIABLE same)
if(NOT same EQUAL 0)
    message(FATAL_ERROR "golden: the ${NAME} frame differs from ${REFERENCE}; if the change is intended, "
                        "run scripts/golden-update.sh and commit the new reference")
endif()
