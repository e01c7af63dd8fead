#!/usr/bin/env bash
# The build date stamp (cmake/build-date.cmake): the "Sep  3 2026" form,
# SOURCE_DATE_EPOCH read in UTC whatever the local zone, today's date without
# it, and the header rewritten only when its text changes.
set -euo pipefail
script="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
header="$work/build_date.h"
failures=0

stamp() { cmake -DOUTPUT="$header" -P "$script"; }
date_in_header() { sed -n 's/^#define GANTREL_BUILD_DATE "\(.*\)"$/\1/p' "$header"; }
check() {  # description, expected text
  local got
  got="$(date_in_header)"
  if [ "$got" = "$2" ]; then echo "ok    $1: \"$got\""; else echo "FAIL  $1: \"$got\", expected \"$2\""; failures=$((failures + 1)); fi
}

# Days below 10 are padded with a blank; the zone must not move the date.
SOURCE_DATE_EPOCH=1788393600 TZ=America/New_York stamp
check "3 September 2026 00:00 UTC, in New York" "Sep  3 2026"
SOURCE_DATE_EPOCH=1798761599 TZ=Asia/Tokyo stamp
check "31 December 2026 23:59:59 UTC, in Tokyo" "Dec 31 2026"

env -u SOURCE_DATE_EPOCH cmake -DOUTPUT="$header" -P "$script"
check "no SOURCE_DATE_EPOCH: today" "$(LC_ALL=C date +'%b %e %Y')"

# Same text: the header keeps its time stamp, so nothing depending on it rebuilds.
touch -d @1000000000 "$header"
env -u SOURCE_DATE_EPOCH cmake -DOUTPUT="$header" -P "$script"
if [ "$(stat -c %Y "$header")" = 1000000000 ]; then echo "ok    same date: header untouched"
else echo "FAIL  same date: header rewritten"; failures=$((failures + 1)); fi

if SOURCE_DATE_EPOCH=yesterday stamp 2>/dev/null; then
  echo "FAIL  SOURCE_DATE_EPOCH=yesterday accepted"; failures=$((failures + 1))
else echo "ok    SOURCE_DATE_EPOCH=yesterday refused"; fi

[ "$failures" -eq 0 ]
