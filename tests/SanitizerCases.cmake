# Which discovered cases the sanitizer passes run, as CTest labels given when CTest reads the test
# names (included after the GoogleTest discovery files, whose <target>_TESTS lists it walks):
#   asan  every case of the binaries the asan build preset builds, but the release-only ones below
#   tsan  the cases where threads meet, concurrency and soak, in the binaries the tsan build preset builds
# The binaries are the build presets' targets in CMakePresets.json, not whatever the build tree holds,
# so a pass runs the same cases in any tree as in a fresh one. A tree built whole (ninja with no target)
# has discovered the other binaries' cases too, and those are not made for a sanitizer: the LV2 UI case
# and kt4r unload the plug-in, and the font libraries with it, before the leak check reads their
# memory; Jalv, not built with the sanitizer, cannot load a plug-in that is.
# The release pass runs every case whatever its labels. A test added with add_test rather than
# discovered takes its labels where it is added (set_tests_properties(... LABELS "asan;tsan")), and its
# program goes into the asan and tsan build presets' targets.

# Left out of the ASan+UBSan pass: long renders whose value is the number they measure (pitch,
# spectrum, a response swept over its range), not a memory or undefined-behaviour check. The code they
# run runs under the sanitizers all the same, in shorter cases and in the fuzz targets. A test that
# renders the whole factory bank or sweeps like a benchmark belongs here too.
set(kt4r_release_only
  "^Aliasing\\."                                 # seconds of a saw, for the level of its aliases
  "^SynthSound\\.AHeldNote69WithTheDefaultPatch"  # a note's pitch (Sound.HeldNote69* plays it through the host entries)
  "^HPF\\.HigherPositionsCutAtTheirCorners"       # the filter's response at every position
  "^DownSampler\\.RollsOff"                       # the downsampler's response swept over the band
  "^LFO\\.FreeRateIsExponential"                  # the LFO's rate measured over the knob's range
  "^FactoryBankSound\\."                         # every factory program rendered, for its level and release
)
set(kt4r_threads "Concurrency" "Soak")

# The targets of the build preset named preset, into out (empty when the presets file is not there).
function(kt4r_preset_targets presets_file preset out)
  set(targets "")
  if(EXISTS "${presets_file}")
    file(READ "${presets_file}" presets)
    string(JSON count LENGTH "${presets}" buildPresets)
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
      string(JSON name GET "${presets}" buildPresets ${i} name)
      if(name STREQUAL preset)
        string(JSON target_count ERROR_VARIABLE no_targets LENGTH "${presets}" buildPresets ${i} targets)
        if(NOT no_targets AND target_count GREATER 0)
          math(EXPR last_target "${target_count} - 1")
          foreach(j RANGE ${last_target})
            string(JSON target GET "${presets}" buildPresets ${i} targets ${j})
            list(APPEND targets "${target}")
          endforeach()
        endif()
      endif()
    endforeach()
  endif()
  set(${out} "${targets}" PARENT_SCOPE)
endfunction()
kt4r_preset_targets("${CMAKE_CURRENT_LIST_DIR}/../CMakePresets.json" asan kt4r_asan_binaries)
kt4r_preset_targets("${CMAKE_CURRENT_LIST_DIR}/../CMakePresets.json" tsan kt4r_tsan_binaries)

get_cmake_property(kt4r_vars VARIABLES)
foreach(kt4r_var IN LISTS kt4r_vars)
  if(NOT kt4r_var MATCHES "^(kt4r-.*-tests)_TESTS$")
    continue()
  endif()
  # (CTest reads this file without the policy that gives if() its IN_LIST.)
  list(FIND kt4r_asan_binaries "${CMAKE_MATCH_1}" kt4r_in_asan)
  list(FIND kt4r_tsan_binaries "${CMAKE_MATCH_1}" kt4r_in_tsan)
  foreach(kt4r_case IN LISTS ${kt4r_var})
    set(kt4r_labels "")
    if(kt4r_var MATCHES "^kt4r-x11-tests_")
      list(APPEND kt4r_labels x11) # keeps the label its discovery gives
    endif()
    set(kt4r_sanitize FALSE)
    if(NOT kt4r_in_asan EQUAL -1)
      set(kt4r_sanitize TRUE)
    endif()
    foreach(kt4r_pattern IN LISTS kt4r_release_only)
      if(kt4r_case MATCHES "${kt4r_pattern}")
        set(kt4r_sanitize FALSE)
      endif()
    endforeach()
    if(kt4r_sanitize)
      list(APPEND kt4r_labels asan)
    endif()
    foreach(kt4r_pattern IN LISTS kt4r_threads)
      if(NOT kt4r_in_tsan EQUAL -1 AND kt4r_case MATCHES "${kt4r_pattern}")
        list(APPEND kt4r_labels tsan)
      endif()
    endforeach()
    set_tests_properties("${kt4r_case}" PROPERTIES LABELS "${kt4r_labels}")
  endforeach()
endforeach()
