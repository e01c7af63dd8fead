# Test registration: every test program is one ctest entry run under Wine in
# the build tree's prefix, which one setup entry creates and one cleanup entry
# shuts down, so the whole run shares a single wineserver.

set(GANTREL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)

function(gantrel_wine_fixture)
  add_test(NAME wine_prefix_up
    COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${GANTREL_WINEPREFIX}
            bash ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh init)
  add_test(NAME wine_prefix_down
    COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${GANTREL_WINEPREFIX}
            bash ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh stop)
  # Creating a prefix from nothing takes a minute on a busy machine.
  set_tests_properties(wine_prefix_up PROPERTIES FIXTURES_SETUP wine TIMEOUT 240)
  set_tests_properties(wine_prefix_down PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
endfunction()

# gantrel_wine_test(NAME target [SIMULATED] [TIMEOUT s] [LABELS ...] [ARGS ...] [ENV ...])
# SIMULATED puts the project's dinput8.dll in place of Wine's own. TIMEOUT is
# a few times what the test takes on a busy machine, so that a deadlock fails
# within a minute or two, not five.
function(gantrel_wine_test name target)
  cmake_parse_arguments(T "SIMULATED" "TIMEOUT" "ARGS;ENV;LABELS" ${ARGN})
  add_test(NAME ${name} COMMAND ${target} ${T_ARGS})
  if(T_SIMULATED)
    set(overrides "WINEDLLOVERRIDES=dinput8=n")
  else()
    set(overrides "WINEDLLOVERRIDES=dinput8=b")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "WINEPREFIX=${GANTREL_WINEPREFIX};WINEDEBUG=-all;${overrides};${T_ENV}")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
