# Wine 10 beside the host's Wine 8: test programs that run a second time
# inside the cached Debian 13 root of scripts/wine10.sh, each in a run of its
# own that makes its prefix (a copy of Wine 10's template), holds its desktop,
# installs its devices, runs the program and ends the prefix's wineserver.
# One setup entry makes the root (once per machine); the runs leave nothing
# behind, so no cleanup entry is needed.

option(GANTREL_WINE10 "Also run the Wine DirectInput tests under Wine 10 (needs root; the first run fetches Debian 13's Wine)" ON)
set(GANTREL_WINE10_SCRIPT ${PROJECT_SOURCE_DIR}/scripts/wine10.sh)

# gantrel_wine10_test(name target prefix dinput devices args env): see WINE10
# of gantrel_wine_test.
function(gantrel_wine10_test name target dir dinput devices args env)
  if(NOT GANTREL_WINE10)
    return()
  endif()
  get_property(root_made GLOBAL PROPERTY gantrel_wine10_root SET)
  if(NOT root_made)
    set_property(GLOBAL PROPERTY gantrel_wine10_root ON)
    add_test(NAME wine10_root COMMAND bash ${GANTREL_WINE10_SCRIPT} root)
    set_tests_properties(wine10_root PROPERTIES FIXTURES_SETUP wine10 TIMEOUT 1800)
  endif()
  # The other architecture's tree too: an x86 tree takes its drivers and its
  # templates from there.
  set(trees ${CMAKE_BINARY_DIR})
  if(GANTREL_OTHER_ARCH_BUILD)
    string(APPEND trees ":${GANTREL_OTHER_ARCH_BUILD}")
  endif()
  set(up_args --hold-desktop $<TARGET_FILE:hold_desktop>)
  if(devices)
    list(APPEND up_args --devices ${GANTREL_VHID_BIN} ${devices})
  endif()
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env GANTREL_BUILD_DIR=${trees} WINEPREFIX=${dir}
            GANTREL_WINE_TEMPLATES=${GANTREL_WINE_TEMPLATES} WINEDEBUG=-all WINEDLLOVERRIDES=dinput8=${dinput}
            bash ${GANTREL_WINE10_SCRIPT} run
            bash ${GANTREL_WINE_PREFIX_SCRIPT} run ${up_args} -- $<TARGET_FILE:${target}> ${args})
  # The programs of one prefix take turns.
  get_filename_component(prefix_name ${dir} NAME)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine10 TIMEOUT 600 RESOURCE_LOCK ${prefix_name})
  if(env)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
  endif()
endfunction()
