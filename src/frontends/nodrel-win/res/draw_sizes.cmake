# Draws an SVG file as square PNG files, one per size: OUT/PREFIX-SIZE.png (and 256).
foreach(size ${SIZES} 256)
  execute_process(COMMAND ${RSVG} -w ${size} -h ${size} -o ${OUT}/${PREFIX}-${size}.png ${SVG}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "rsvg-convert could not draw ${SVG} at ${size}")
  endif()
endforeach()
