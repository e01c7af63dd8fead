# The host developer's kit, installed by `cmake --install` and zipped by the
# `package` target from the same layout. Each build tree installs its own
# architecture's side; the x64 and x86 trees install into one kit:
#   include/gantrel.h
#   bin/<arch>/gantrel.dll
#   lib/<arch>/libgantrel.dll.a (MinGW)  gantrel.lib (MSVC)  gantrel.def (for dlltool)
#   lib/cmake/gantrel/  (find_package(gantrel 0.9) picks <arch> itself)
#   tools/<arch>/gantrel-probe.exe
#   simulator/<arch>/dinput8.dll  (for tests only, never beside a host)
#   replay/  (x64 tree only: replay.sh, dump-to-device.sh, evdev-to-device.sh and its
#            winebus/ and linux_input/, wine-prefix.sh,
#            x64/ the virtual HID driver for Wine, devices/ the device files)
#   examples/  docs/  README.md  LICENSE  CHANGELOG.md
# <arch> is x64 or x86.
include(CMakePackageConfigHelpers)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(GANTREL_ARCH x86)
  # -k: the x86 list names __stdcall symbols (dib_open@4) that bind to the
  # undecorated exports.
  set(dlltool_target -m i386 -k)
else()
  set(GANTREL_ARCH x64)
  set(dlltool_target -m i386:x86-64)
endif()

find_program(GANTREL_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 llvm-dlltool-15 REQUIRED)
set(msvc_implib ${CMAKE_BINARY_DIR}/lib/gantrel.lib)
add_custom_command(OUTPUT ${msvc_implib}
  COMMAND ${GANTREL_DLLTOOL} ${dlltool_target} -d ${GANTREL_EXPORT_DEF} -l ${msvc_implib}
  DEPENDS ${GANTREL_EXPORT_DEF}
  COMMENT "Making the MSVC import library gantrel.lib")
add_custom_target(gantrel_msvc_implib ALL DEPENDS ${msvc_implib})

# The export list as the kit ships it: what a plain `dlltool -d` needs.
set(kit_def ${CMAKE_BINARY_DIR}/lib/gantrel.def)
add_custom_command(OUTPUT ${kit_def}
  COMMAND ${CMAKE_COMMAND} -DIN=${GANTREL_EXPORT_DEF} -DOUT=${kit_def} -DARCH=${GANTREL_ARCH}
          -P ${PROJECT_SOURCE_DIR}/cmake/kit-def.cmake
  DEPENDS ${GANTREL_EXPORT_DEF} ${PROJECT_SOURCE_DIR}/cmake/kit-def.cmake
  COMMENT "Writing the kit's export list gantrel.def")
add_custom_target(gantrel_kit_def ALL DEPENDS ${kit_def})

install(TARGETS gantrel RUNTIME DESTINATION bin/${GANTREL_ARCH} ARCHIVE DESTINATION lib/${GANTREL_ARCH})
install(FILES include/gantrel.h DESTINATION include)
install(FILES ${kit_def} ${msvc_implib} DESTINATION lib/${GANTREL_ARCH})

# The probe and the simulated DirectInput ride along in folders of their own.
if(TARGET gantrel_probe)
  install(TARGETS gantrel_probe RUNTIME DESTINATION tools/${GANTREL_ARCH})
endif()
if(TARGET gantrel_sim)
  install(TARGETS gantrel_sim RUNTIME DESTINATION simulator/${GANTREL_ARCH} ARCHIVE DESTINATION simulator/${GANTREL_ARCH})
  install(FILES sim/include/gantrel_sim.h sim/include/gantrel_sim_force.h DESTINATION simulator/include)
  install(FILES sim/kit-readme.md DESTINATION simulator RENAME README.md)
endif()

# Replaying a controller from its descriptor under Wine, on Linux: the scripts
# (the replay, a device file from a dumped descriptor, and the replay's Wine
# prefix), the virtual HID driver with its package and installer, the device files.
if(TARGET install_vwheels)
  install(FILES tools/replay/replay.sh tools/replay/dump-to-device.sh tools/replay/evdev-to-device.sh
          tools/replay/evdev_to_device.py tools/wine-prefix/wine-prefix.sh DESTINATION replay)
  install(DIRECTORY tools/replay/winebus tools/replay/linux_input DESTINATION replay FILES_MATCHING PATTERN "*.py")
  install(FILES tools/replay/kit-readme.md DESTINATION replay RENAME README.md)
  install(FILES $<TARGET_FILE:vwheel> $<TARGET_FILE:install_vwheels> vhid/install/vwheel.inf
          DESTINATION replay/x64)
  install(DIRECTORY vhid/devices/ DESTINATION replay/devices FILES_MATCHING PATTERN "*.vhid" PATTERN "*.evtest")
endif()

# What a host developer reads: the kit's own README, the documentation, the
# examples, the licence and the change log.
install(FILES release/README.md LICENSE CHANGELOG.md DESTINATION .)
install(DIRECTORY docs/ DESTINATION docs FILES_MATCHING PATTERN "*.md" PATTERN "*.svg")
# Where users report problems: a fork's release names its own address.
set(GANTREL_REPORT_URL "" CACHE STRING
    "Where the kit's README and troubleshooting page send problem reports (empty: they say the kit names none)")
install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\" \"-DKIT=\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\"
                              \"-DADDRESS=${GANTREL_REPORT_URL}\" -P \"${PROJECT_SOURCE_DIR}/cmake/report-address.cmake\"
                              COMMAND_ERROR_IS_FATAL ANY)")
install(FILES examples/CMakeLists.txt DESTINATION examples)
install(DIRECTORY examples/c examples/cpp DESTINATION examples)

configure_file(cmake/gantrelConfig.cmake.in ${CMAKE_BINARY_DIR}/gantrelConfig.cmake @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/gantrelConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion ARCH_INDEPENDENT)
install(FILES ${CMAKE_BINARY_DIR}/gantrelConfig.cmake ${CMAKE_BINARY_DIR}/gantrelConfigVersion.cmake
  DESTINATION lib/cmake/gantrel)

set(CPACK_PACKAGE_NAME gantrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME windows)
set(CPACK_GENERATOR ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The package carries both architectures: this tree's install, and the other
# architecture's build tree when GANTREL_OTHER_ARCH_BUILD names one.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};gantrel;ALL;/")
if(GANTREL_OTHER_ARCH_BUILD)
  list(APPEND CPACK_INSTALL_CMAKE_PROJECTS "${GANTREL_OTHER_ARCH_BUILD};gantrel;ALL;/")
endif()
include(CPack)
