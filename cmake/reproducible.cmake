# Reproducible binaries: the same sources and SOURCE_DATE_EPOCH give the same
# bytes, whoever builds them and in whichever folder.
# - No link time in the PE headers (COFF header and export directory).
# - Source and build folders mapped to fixed names wherever the compiler
#   writes a path (__FILE__, debug information).
# - The build date comes from cmake/build-date.cmake (src/CMakeLists.txt).
add_link_options(-Wl,--no-insert-timestamp)
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=gantrel>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=gantrel-build>")
