# Test registration: every test is one ctest entry run under Wine in a
# private prefix of the build tree, made by tools/wine-prefix/wine-prefix.sh.
# Each prefix has one setup entry, which makes it (a copy of the template of
# its Wine) and starts its wineserver and the program that holds its desktop
# for the run, and one cleanup entry, which ends them: its tests share one
# wineserver and one desktop.

set(GANTREL_WINE_PREFIX_SCRIPT ${PROJECT_SOURCE_DIR}/tools/wine-prefix/wine-prefix.sh)
set(GANTREL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# One template per Wine for both trees: an x86 tree's prefixes are 64-bit too
# and are copied from its x64 tree's templates.
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND GANTREL_OTHER_ARCH_BUILD)
  set(GANTREL_WINE_TEMPLATES ${GANTREL_OTHER_ARCH_BUILD}/wine-templates)
else()
  set(GANTREL_WINE_TEMPLATES ${CMAKE_BINARY_DIR}/wine-templates)
endif()
# The virtual HID devices' driver and tools run in Wine's driver host, which
# is 64-bit in a 64-bit prefix whatever the program's architecture: an x86
# tree takes them from its x64 tree, as a 32-bit host on 64-bit Windows meets
# 64-bit drivers. Empty when there are none.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(GANTREL_VHID_BIN ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
elseif(GANTREL_OTHER_ARCH_BUILD)
  set(GANTREL_VHID_BIN ${GANTREL_OTHER_ARCH_BUILD}/bin)
else()
  set(GANTREL_VHID_BIN "")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/wine10-tests.cmake)

# The setup and cleanup entries of prefix `dir` (fixture `fixture`), once.
function(gantrel_wine_prefix_fixture fixture dir devices)
  get_property(known GLOBAL PROPERTY gantrel_prefix_devices_${fixture} SET)
  if(known)
    get_property(known_devices GLOBAL PROPERTY gantrel_prefix_devices_${fixture})
    if(NOT "${known_devices}" STREQUAL "${devices}")
      message(FATAL_ERROR "prefix ${fixture}: its tests name different devices (${known_devices} and ${devices})")
    endif()
    return()
  endif()
  set_property(GLOBAL PROPERTY gantrel_prefix_devices_${fixture} "${devices}")
  set(up_args --hold-desktop $<TARGET_FILE:hold_desktop>)
  if(devices)
    list(APPEND up_args --devices ${GANTREL_VHID_BIN} ${devices})
  endif()
  set(env ${CMAKE_COMMAND} -E env WINEPREFIX=${dir} GANTREL_WINE_TEMPLATES=${GANTREL_WINE_TEMPLATES})
  add_test(NAME ${fixture}_prefix_up COMMAND ${env} bash ${GANTREL_WINE_PREFIX_SCRIPT} up ${up_args})
  add_test(NAME ${fixture}_prefix_down COMMAND ${env} bash ${GANTREL_WINE_PREFIX_SCRIPT} down)
  # The first prefix of a machine also makes the template: a minute or more
  # on a busy machine.
  set_tests_properties(${fixture}_prefix_up PROPERTIES FIXTURES_SETUP ${fixture} TIMEOUT 300)
  set_tests_properties(${fixture}_prefix_down PROPERTIES FIXTURES_CLEANUP ${fixture} TIMEOUT 60)
  if(devices)
    set_tests_properties(${fixture}_prefix_up ${fixture}_prefix_down PROPERTIES RESOURCE_LOCK ${fixture})
  endif()
endfunction()

# gantrel_wine_test(NAME TARGET | NAME COMMAND command...
#                   [SIMULATED] [PREFIX name] [DEVICES device...] [WINE10]
#                   [WINE8_DEVICES device...] [WINE10_DEVICES device...]
#                   [TIMEOUT s] [LABELS ...] [ARGS ...] [ENV ...])
# Runs the tree's program TARGET with ARGS, or COMMAND with WINEPREFIX set,
# under Wine in the prefix `wineprefix`, or `wineprefix-<PREFIX>`. DEVICES
# installs those virtual HID devices there (names of vhid/devices/*.vhid, or
# device files such as devices/zoo/x.vhid), with WINE8_DEVICES only in the
# Wine 8 prefix and WINE10_DEVICES only in the Wine 10 one; the tests of a
# prefix with devices take turns. SIMULATED puts the project's dinput8.dll
# in place of Wine's own, which a TARGET gets otherwise. WINE10 runs TARGET a second time, as
# NAME_wine10, under Wine 10 in `wineprefix[-<PREFIX>]-wine10`. TIMEOUT is a
# few times what the test takes on a busy machine, so that a deadlock fails
# within a minute or two, not five.
function(gantrel_wine_test name)
  cmake_parse_arguments(PARSE_ARGV 1 T "SIMULATED;WINE10" "PREFIX;TIMEOUT"
                        "COMMAND;DEVICES;WINE8_DEVICES;WINE10_DEVICES;ARGS;ENV;LABELS")
  if(T_PREFIX)
    set(dir ${CMAKE_BINARY_DIR}/wineprefix-${T_PREFIX})
    set(fixture ${T_PREFIX})
  else()
    set(dir ${GANTREL_WINEPREFIX})
    set(fixture wine)
  endif()
  set(devices8 ${T_DEVICES} ${T_WINE8_DEVICES})
  set(devices10 ${T_DEVICES} ${T_WINE10_DEVICES})
  if(devices8 AND NOT GANTREL_VHID_BIN)
    message(STATUS "${name} left out: an x86 tree needs GANTREL_OTHER_ARCH_BUILD, the x64 tree's drivers")
    return()
  endif()
  gantrel_wine_prefix_fixture(${fixture} ${dir} "${devices8}")

  if(T_SIMULATED)
    set(dinput n)
  elseif(devices8 OR NOT T_COMMAND)
    set(dinput b)
  endif()
  if(T_COMMAND)
    add_test(NAME ${name} COMMAND ${T_COMMAND})
  else()
    set(target ${T_UNPARSED_ARGUMENTS})
    add_test(NAME ${name} COMMAND ${target} ${T_ARGS})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  set(env WINEPREFIX=${dir} WINEDEBUG=-all GANTREL_WINE_TEMPLATES=${GANTREL_WINE_TEMPLATES})
  if(DEFINED dinput)
    list(APPEND env WINEDLLOVERRIDES=dinput8=${dinput})
  endif()
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED ${fixture}
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "${env};${T_ENV}")
  if(devices8)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${fixture})
  endif()
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
  if(T_WINE10 AND NOT T_COMMAND)
    gantrel_wine10_test(${name}_wine10 ${target} ${dir}-wine10 ${dinput} "${devices10}" "${T_ARGS}" "${T_ENV}")
    if(T_LABELS AND TEST ${name}_wine10)
      set_tests_properties(${name}_wine10 PROPERTIES LABELS "${T_LABELS}")
    endif()
  endif()
endfunction()
