# Each layer may include only its own headers and those of the layers it is allowed to use: the sound
# engine's layers never a framework, instrument or editor header, the instrument never the engine's
# blocks or the editor, and within the framework a plug-in format or a window system never another one.
# A layer is a top folder ("engine") or a framework folder ("framework/vst2"); an include names its
# layer the same way. A wrong include stops the configure step.
function(kt4r_include_layer line out)
  string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" path "${line}")
  if(path MATCHES "^framework/[^/]+/")
    string(REGEX REPLACE "^(framework/[^/]+)/.*" "\\1" layer "${path}")
  else()
    string(REGEX REPLACE "^([^/]+)/.*" "\\1" layer "${path}")
  endif()
  set(${out} ${layer} PARENT_SCOPE)
endfunction()

function(kt4r_check_layer layer allowed)
  file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${layer}/*.h ${PROJECT_SOURCE_DIR}/${layer}/*.cpp)
  foreach(f ${files})
    file(STRINGS ${f} includes REGEX "^#include \"[^\"]+/")
    foreach(line ${includes})
      kt4r_include_layer("${line}" dir)
      if(NOT dir IN_LIST allowed)
        message(FATAL_ERROR "${f}: the ${layer} layer may not include ${dir}/ (${line})")
      endif()
    endforeach()
  endforeach()
endfunction()
