# x86 only: __stdcall symbols carry "@<argument bytes>". Rewrites the export
# list IN with the decorated names found in the library LIB (by NM), into OUT;
# linked with --kill-at, the DLL still exports the undecorated names, while
# the import libraries made from OUT resolve the header's __stdcall calls.
execute_process(COMMAND ${NM} -g --defined-only ${LIB} OUTPUT_VARIABLE symbols
                COMMAND_ERROR_IS_FATAL ANY)
file(STRINGS ${IN} lines)
set(text "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]+([A-Za-z_0-9]+)[ \t]*$")
    set(name ${CMAKE_MATCH_1})
    string(REGEX MATCHALL "[ \t]T _${name}@[0-9]+" found "${symbols}")
    list(LENGTH found count)
    if(NOT count EQUAL 1)
      message(FATAL_ERROR "${name}: expected one __stdcall definition in ${LIB}, found ${count}")
    endif()
    string(REGEX REPLACE "^[ \t]T _" "" decorated "${found}")
    string(APPEND text "    ${decorated}\n")
  else()
    string(APPEND text "${line}\n")
  endif()
endforeach()
# Unchanged text leaves the file alone, so the DLL is not relinked for nothing.
file(CONFIGURE OUTPUT ${OUT} CONTENT "${text}" @ONLY)
