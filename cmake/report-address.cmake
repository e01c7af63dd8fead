# Names where to report problems in the kit's README and troubleshooting
# page: what stands between <!-- report-to --> and <!-- /report-to --> is
# replaced by ADDRESS (a web address becomes a link); with ADDRESS empty the
# documents keep their own words, which say that the kit names no address.
#   cmake -DKIT=<kit folder> -DADDRESS=<address or empty> -P report-address.cmake
if(ADDRESS STREQUAL "")
  return()
endif()
set(begin "<!-- report-to -->")
set(end "<!-- /report-to -->")
if(ADDRESS MATCHES "^[a-z]+://")
  set(named "<${ADDRESS}>")
else()
  set(named "${ADDRESS}")
endif()
foreach(document README.md docs/troubleshooting.md)
  file(READ "${KIT}/${document}" text)
  string(FIND "${text}" "${begin}" from)
  string(FIND "${text}" "${end}" to)
  if(from EQUAL -1 OR to LESS from)
    message(FATAL_ERROR "${KIT}/${document}: no ${begin} ... ${end} to name the address in")
  endif()
  string(LENGTH "${begin}" skip)
  math(EXPR from "${from} + ${skip}")
  string(SUBSTRING "${text}" 0 ${from} head)
  string(SUBSTRING "${text}" ${to} -1 tail)
  file(WRITE "${KIT}/${document}" "${head}${named}${tail}")
endforeach()
