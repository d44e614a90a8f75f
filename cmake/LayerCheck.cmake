# Each layer may include only its own headers and those of the layers it is allowed to use: the sound
# engine's layers never a framework, instrument or editor header, the instrument never the engine's
# blocks or the editor. A wrong include stops the configure step.
function(kt4r_check_layer layer allowed)
  file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${layer}/*.h ${PROJECT_SOURCE_DIR}/${layer}/*.cpp)
  foreach(f ${files})
    file(STRINGS ${f} includes REGEX "^#include \"[^\"]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([^\"/]+)/.*" "\\1" dir "${line}")
      if(NOT dir IN_LIST allowed)
        message(FATAL_ERROR "${f}: the ${layer} layer may not include ${dir}/ (${line})")
      endif()
    endforeach()
  endforeach()
endfunction()
