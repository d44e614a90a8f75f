# The bundle as the LV2 tools see it: lv2info lists URI from an LV2 path holding only the bundle (and
# the LV2 vocabularies installed in /usr/lib/lv2) with nothing on its error output, and lv2_validate accepts every .ttl.
# Usage: cmake -DBUNDLE=<folder> -DURI=<plug-in URI> -P CheckBundle.cmake
string(RANDOM LENGTH 8 suffix)
set(path "$ENV{TMPDIR}")
if(NOT path)
  set(path /tmp)
endif()
set(path "${path}/kt4r-lv2-path-${suffix}")
file(MAKE_DIRECTORY ${path})
file(CREATE_LINK ${BUNDLE} ${path}/KT-4R.lv2 SYMBOLIC)

execute_process(COMMAND ${CMAKE_COMMAND} -E env LV2_PATH=${path}:/usr/lib/lv2 lv2info ${URI}
  RESULT_VARIABLE info_result OUTPUT_VARIABLE info_out ERROR_VARIABLE info_err)
file(REMOVE_RECURSE ${path})
if(NOT info_result EQUAL 0 OR NOT info_out MATCHES "Name: +KT-4R" OR NOT info_err STREQUAL "")
  message(FATAL_ERROR "lv2info ${URI} (${info_result}):\n${info_out}\n${info_err}")
endif()
string(TOLOWER "${info_out}" info_lower)
if(info_lower MATCHES "warn")
  message(FATAL_ERROR "lv2info warns:\n${info_out}")
endif()

file(GLOB ttl ${BUNDLE}/*.ttl)
execute_process(COMMAND lv2_validate ${ttl} RESULT_VARIABLE valid_result OUTPUT_VARIABLE valid_out
  ERROR_VARIABLE valid_err)
if(NOT valid_result EQUAL 0 OR valid_err MATCHES "error|warning")
  message(FATAL_ERROR "lv2_validate (${valid_result}):\n${valid_out}\n${valid_err}")
endif()
