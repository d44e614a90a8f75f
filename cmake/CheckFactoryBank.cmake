# The factory bank's files in presets/ are what kt4r-bank writes from the source there now, and a
# malformed source line stops it with its file and line.
# cmake -DTOOL=<kt4r-bank> -DPRESETS=<presets folder> -DWORK=<scratch folder> -P CheckFactoryBank.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/written ${WORK}/bad)

execute_process(COMMAND ${TOOL} ${PRESETS} ${WORK}/written RESULT_VARIABLE result ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "kt4r-bank failed on the source: ${error}")
endif()
file(GLOB written RELATIVE ${WORK}/written ${WORK}/written/*)
list(LENGTH written count)
if(NOT count EQUAL 6)
  message(FATAL_ERROR "kt4r-bank wrote ${count} files, not 6: ${written}")
endif()
foreach(name IN LISTS written)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/written/${name} ${PRESETS}/${name}
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "presets/${name} is not what its source gives now: run build/kt4r-bank presets presets")
  endif()
endforeach()

# The source with one group file replaced by `text` must be refused with an error matching `pattern`.
file(GLOB sources ${PRESETS}/*.txt)
function(expect_refused group text pattern what)
  file(COPY ${sources} DESTINATION ${WORK}/bad)
  file(WRITE ${WORK}/bad/${group} "${text}")
  execute_process(COMMAND ${TOOL} ${WORK}/bad ${WORK}/bad RESULT_VARIABLE result ERROR_VARIABLE error)
  if(result EQUAL 0 OR NOT error MATCHES "${pattern}")
    message(FATAL_ERROR "${what} was not reported (status ${result}): ${error}")
  endif()
endfunction()

# A setting outside any program, in the third line of a group file.
expect_refused(1-basses.txt "# Basses\n\nVCF FREQUENCY = 120\n" "1-basses.txt:3: " "a malformed line with its place")
expect_refused(1-basses.txt "# Basses\n\nprogram: Loud\ndescription: too loud\nVCF FREQUENCY = 120\n"
               "1-basses.txt:5: 'VCF FREQUENCY' cannot show '120'" "a value the control cannot show")
# Two names the hardware's 10-character display could not tell apart.
file(READ ${PRESETS}/2-leads.txt leads)
string(REGEX REPLACE "\nprogram: [^\n]*" "\nprogram: Round Bass 2" leads "${leads}")
expect_refused(2-leads.txt "${leads}" "2-leads.txt:[0-9]+: 'Round Bass' begins another program's name"
               "names alike in their first 10 characters")
# A name the hardware would cut inside a word.
file(READ ${PRESETS}/1-basses.txt basses)
string(REGEX REPLACE "\nprogram: [^\n]*" "\nprogram: Roundabouts" basses "${basses}")
expect_refused(1-basses.txt "${basses}" "1-basses.txt:[0-9]+: the name 'Roundabouts' is cut inside a word"
               "a name cut inside a word")

file(GLOB left ${WORK}/bad/*.KT4Rbank)
if(left)
  message(FATAL_ERROR "kt4r-bank wrote files from a malformed source")
endif()
file(REMOVE_RECURSE ${WORK})
