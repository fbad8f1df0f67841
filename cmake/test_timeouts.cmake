# Every test needs a TIMEOUT of a few times its usual run, so that a hang
# fails within minutes and names the test instead of using up the whole
# CI run.
#
# A directory that adds tests calls dice_check_test_timeouts() once, before
# or after its add_test calls; the check itself runs when the directory has
# been read. At the end the top level makes sure that no directory with
# tests went unchecked.

# Under an emulator every test runs several times slower; a build run that
# way multiplies the limits instead of each test guessing.
set(DICE_TIMEOUT_SCALE 1 CACHE STRING "Factor applied to every test's TIMEOUT (for tests run under an emulator)")

function(dice_check_test_timeouts_now)
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(test IN LISTS tests)
    get_test_property(${test} TIMEOUT limit)
    if(NOT limit)
      message(FATAL_ERROR "Test ${test} has no TIMEOUT: give it a few times its usual run.")
    endif()
    if(DICE_TIMEOUT_SCALE GREATER 1)
      math(EXPR limit "${limit} * ${DICE_TIMEOUT_SCALE}")
      set_tests_properties(${test} PROPERTIES TIMEOUT ${limit})
    endif()
    # Without timings from an earlier run, ctest -j starts the tests with
    # the longest limits first (the long runs) and fills in around them,
    # instead of ending on one long run alone.
    get_test_property(${test} COST cost)
    if(NOT cost)
      set_tests_properties(${test} PROPERTIES COST ${limit})
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY DICE_TIMEOUTS_CHECKED ${CMAKE_CURRENT_SOURCE_DIR})
endfunction()

macro(dice_check_test_timeouts)
  cmake_language(DEFER CALL dice_check_test_timeouts_now)
endmacro()

function(dice_require_checked_timeouts dir)
  get_property(tests DIRECTORY ${dir} PROPERTY TESTS)
  get_property(checked GLOBAL PROPERTY DICE_TIMEOUTS_CHECKED)
  if(tests AND NOT dir IN_LIST checked)
    message(FATAL_ERROR "${dir} adds tests without calling dice_check_test_timeouts().")
  endif()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    dice_require_checked_timeouts(${subdir})
  endforeach()
endfunction()
