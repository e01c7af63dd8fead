# The kit's export list, lib/<arch>/gantrel.def, for making an import
# library with another toolchain. x86 exports are __stdcall under their
# plain names: each line names the symbol a host's call needs (dib_open@4)
# and, after ==, the export it binds to, so that a plain `dlltool -d` makes
# an import library that works.
#   cmake -DIN=<the link's export list> -DOUT=<kit .def> -DARCH=<x64|x86> -P kit-def.cmake
file(STRINGS ${IN} lines)
if(ARCH STREQUAL "x86")
  set(text "; gantrel.dll for 32-bit hosts. The symbol each __stdcall call links to,
; then after == the plain name gantrel.dll exports. MinGW:
;   i686-w64-mingw32-dlltool -d gantrel.def -l libgantrel.dll.a
; Visual Studio links gantrel.lib beside this file instead.
")
else()
  set(text "; gantrel.dll for 64-bit hosts: its exports. MinGW:
;   x86_64-w64-mingw32-dlltool -d gantrel.def -l libgantrel.dll.a
; Visual Studio links gantrel.lib beside this file instead.
")
endif()
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]+(dib_[a-z_]+)(@[0-9]+)?[ \t]*$")
    if(CMAKE_MATCH_2)
      string(APPEND text "    ${CMAKE_MATCH_1}${CMAKE_MATCH_2} == ${CMAKE_MATCH_1}\n")
    else()
      string(APPEND text "    ${CMAKE_MATCH_1}\n")
    endif()
  else()
    string(APPEND text "${line}\n")
  endif()
endforeach()
file(CONFIGURE OUTPUT ${OUT} CONTENT "${text}" @ONLY)
