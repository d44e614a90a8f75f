# Which discovered cases the sanitizer passes run, as CTest labels given when CTest reads the test
# names (included after the GoogleTest discovery files, whose <target>_TESTS lists it walks):
#   asan  every case of the binaries the asan preset builds, but the release-only ones below
#   tsan  the cases where threads meet: concurrency and soak
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

get_cmake_property(kt4r_vars VARIABLES)
foreach(kt4r_var IN LISTS kt4r_vars)
  if(NOT kt4r_var MATCHES "^kt4r-.*-tests_TESTS$")
    continue()
  endif()
  foreach(kt4r_case IN LISTS ${kt4r_var})
    set(kt4r_labels "")
    if(kt4r_var MATCHES "^kt4r-x11-tests_")
      list(APPEND kt4r_labels x11) # keeps the label its discovery gives
    endif()
    set(kt4r_sanitize TRUE)
    foreach(kt4r_pattern IN LISTS kt4r_release_only)
      if(kt4r_case MATCHES "${kt4r_pattern}")
        set(kt4r_sanitize FALSE)
      endif()
    endforeach()
    if(kt4r_sanitize)
      list(APPEND kt4r_labels asan)
    endif()
    foreach(kt4r_pattern IN LISTS kt4r_threads)
      if(kt4r_case MATCHES "${kt4r_pattern}")
        list(APPEND kt4r_labels tsan)
      endif()
    endforeach()
    set_tests_properties("${kt4r_case}" PROPERTIES LABELS "${kt4r_labels}")
  endforeach()
endforeach()
