# vd_add_test(NAME src...  [LIBS lib...] [ARGS arg...])
# One ctest entry per test executable: under Wine the process start is the
# expensive part, so all cases of a unit run in one process.
function(vd_add_test name)
  cmake_parse_arguments(T "" "" "LIBS;ARGS;LABELS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} ${T_ARGS} WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# vd_shows_windows(TEST...): tests that show windows on the one virtual
# display run one at a time. Two at once take the activation and the focus
# from each other, and a window that loses the focus hears about it.
function(vd_shows_windows)
  set_tests_properties(${ARGN} PROPERTIES RESOURCE_LOCK vd_display)
endfunction()
