# The host developer's kit, installed by `cmake --install` and zipped by the
# `package` target from the same layout:
#   bin/gantrel.dll  include/gantrel.h
#   lib/libgantrel.dll.a (MinGW)  lib/gantrel.lib (MSVC)  lib/gantrel.def
#   lib/cmake/gantrel/  (find_package(gantrel 0.9))
include(CMakePackageConfigHelpers)

find_program(GANTREL_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 llvm-dlltool-15 REQUIRED)
set(msvc_implib ${CMAKE_BINARY_DIR}/lib/gantrel.lib)
add_custom_command(OUTPUT ${msvc_implib}
  COMMAND ${GANTREL_DLLTOOL} -m i386:x86-64 -d ${PROJECT_SOURCE_DIR}/src/frame/gantrel.def -l ${msvc_implib}
  DEPENDS ${PROJECT_SOURCE_DIR}/src/frame/gantrel.def
  COMMENT "Making the MSVC import library gantrel.lib")
add_custom_target(gantrel_msvc_implib ALL DEPENDS ${msvc_implib})

install(TARGETS gantrel RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(FILES include/gantrel.h DESTINATION include)
install(FILES src/frame/gantrel.def ${msvc_implib} DESTINATION lib)

configure_file(cmake/gantrelConfig.cmake.in ${CMAKE_BINARY_DIR}/gantrelConfig.cmake @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/gantrelConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion ARCH_INDEPENDENT)
install(FILES ${CMAKE_BINARY_DIR}/gantrelConfig.cmake ${CMAKE_BINARY_DIR}/gantrelConfigVersion.cmake
  DESTINATION lib/cmake/gantrel)

set(CPACK_PACKAGE_NAME gantrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_GENERATOR ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
