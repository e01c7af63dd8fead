# Wine 10 beside the host's Wine 8: test programs that run a second time
# inside the cached Debian 13 root of scripts/wine10.sh, each in a prefix of
# its own made by the same prefix script as under Wine 8. One setup entry
# makes the root (once per machine); each run mounts what it needs and stops
# its wineserver itself, so no cleanup entry is needed.

option(GANTREL_WINE10 "Also run the Wine DirectInput tests under Wine 10 (needs root; the first run fetches Debian 13's Wine)" ON)
set(GANTREL_WINE10_SCRIPT ${PROJECT_SOURCE_DIR}/scripts/wine10.sh)

function(gantrel_wine10_fixture)
  if(NOT GANTREL_WINE10)
    return()
  endif()
  add_test(NAME wine10_root COMMAND bash ${GANTREL_WINE10_SCRIPT} root)
  set_tests_properties(wine10_root PROPERTIES FIXTURES_SETUP wine10 TIMEOUT 1800)
endfunction()

# gantrel_wine10_test(NAME target PREFIX dir INIT script [args...] [ARGS program args...])
# Runs `script init args...` and then the target (with ARGS) under Wine 10,
# with Wine's own dinput8, in the prefix `dir`.
function(gantrel_wine10_test name target)
  if(NOT GANTREL_WINE10)
    return()
  endif()
  cmake_parse_arguments(T "" "PREFIX" "INIT;ARGS" ${ARGN})
  list(POP_FRONT T_INIT script)
  list(JOIN T_INIT " " args)
  list(JOIN T_ARGS " " program_args)
  # The other architecture's tree too: an x86 tree takes its drivers from there.
  set(trees ${CMAKE_BINARY_DIR})
  if(GANTREL_OTHER_ARCH_BUILD)
    string(APPEND trees ":${GANTREL_OTHER_ARCH_BUILD}")
  endif()
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env GANTREL_BUILD_DIR=${trees} WINEPREFIX=${T_PREFIX}
            WINEDEBUG=-all WINEDLLOVERRIDES=dinput8=b
            bash ${GANTREL_WINE10_SCRIPT} run
            bash -c "bash '${script}' init ${args} && exec wine '$<TARGET_FILE:${target}>' ${program_args}")
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine10 TIMEOUT 600)
endfunction()
