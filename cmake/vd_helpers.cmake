# vd_add_test(NAME src...  [PORTABLE] [LIBS lib...] [ARGS arg...]
#             [DEFINES def...] [INCLUDES dir...] [OPTIMIZED])
# One ctest entry per test executable: under Wine the process start is the
# expensive part, so all cases of a unit run in one process.
# PORTABLE: the code under test does the same on every platform (no Win32
# call, no backend of its own there). Such tests build and run in the native
# build only, under the sanitizers; the Windows build runs that code in the
# real DLL through the scenarios instead of compiling the tests a second time
# (docs/build.md, "What each build runs").
# OPTIMIZED: the test's own code does the heavy work (a random-sequence
# driver, a property test's reference model) and keeps the preset's
# optimisation; the other tests' sources compile at -O0.
function(vd_add_test name)
  cmake_parse_arguments(T "PORTABLE;OPTIMIZED" "" "LIBS;ARGS;LABELS;DEFINES;INCLUDES" ${ARGN})
  if(T_PORTABLE AND VD_WIN32)
    return()
  endif()
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  # The test sources themselves without optimisation: most of a build's
  # compile time is theirs (GoogleTest's assertions expand to much code), and
  # -O0 compiles them in some 60 % of the time while the code they test keeps
  # the preset's optimisation and sanitizers.
  if(NOT T_OPTIMIZED)
    target_compile_options(${name} PRIVATE -O0)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(VD_WIN32)
    target_link_libraries(${name} PRIVATE vd_window_guard_gtest)
  endif()
  target_compile_definitions(${name} PRIVATE ${T_DEFINES})
  target_include_directories(${name} PRIVATE ${T_INCLUDES})
  add_test(NAME ${name} COMMAND ${name} ${T_ARGS} WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# vd_add_fault_sweep(NAME SCRIPT [MODULE DLL] [LOAD DXF] [USERDATA DIR])
# Registers the test sweep.NAME: vdhost runs SCRIPT once without faults and
# then once per host call the module makes after init, failing that call, and
# the test passes when no run loses data (docs/host-scripts.md, "Faults").
# Paths are taken as they are; vdhost runs in the folder of the programs.
function(vd_add_fault_sweep name script)
  if(NOT VD_WIN32)
    return()
  endif()
  cmake_parse_arguments(S "" "MODULE;LOAD;USERDATA" "" ${ARGN})
  set(args)
  if(S_MODULE)
    list(APPEND args --module ${S_MODULE})
  endif()
  if(S_LOAD)
    list(APPEND args --load ${S_LOAD})
  endif()
  if(S_USERDATA)
    list(APPEND args --userdata ${S_USERDATA})
  endif()
  add_test(NAME sweep.${name} COMMAND vdhost ${args} --fault-sweep ${script})
  set_tests_properties(sweep.${name} PROPERTIES WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
                                                LABELS "scenario;sweep")
endfunction()

# vd_shows_windows(TEST...): tests that show windows, each alone on a virtual
# display: two on one display take the activation and the focus from each
# other, and a window that loses the focus hears about it. Each takes one
# ctest resource "display" (`./vd test` starts two displays, each with a Wine
# prefix of its own, and names them in a resource file); the emulator
# (cmake/wine_display.sh) runs the test on the display it was given, or,
# when ctest runs without that file, waits for a lock on the one display.
# An unmarked test that activates a window fails (tools/vdhost/window_guard.h).
function(vd_shows_windows)
  set_tests_properties(${ARGN} PROPERTIES RESOURCE_GROUPS display:1 ENVIRONMENT VD_SHOWS_WINDOWS=1)
endfunction()
