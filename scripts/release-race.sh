#!/usr/bin/env bash
# The release race's long form: the HID suite's stress (hid_release_race)
# for a given number of open, play, poll and release cycles (1000 unless the
# first argument says otherwise) of one wheel and of two wheels in turn, a
# tenth as many of a wheel unplugged while its object is kept, and a
# hundredth as many releases met by a failed read (one under Wine 8), under
# Wine 8 and Wine 10, for the x64 and the x86 program, in the x64 tree's HID
# prefixes. GANTREL_RACE_UNPLUGS and GANTREL_RACE_LIST_FAULTS set the last
# two counts. Each run ends with its summary: cycles, the wheel's report
# rate, writes into memory Wine had freed (none may show), reads Wine failed
# and how many of them dib_poll took back, how long dib_open and dib_release
# took, and the handles, threads and private memory after cycles 100 and 1000.
# The suite runs the same program's short form, about 20 s per tree and Wine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${GANTREL_BUILD_DIR:-$root/build}"
cycles="${1:-1000}"
case "$cycles" in '' | *[!0-9]*) echo "usage: release-race.sh [cycles]" >&2; exit 2 ;; esac

bash "$root/scripts/build.sh" --target hid_release_race hold_desktop >&2
export GANTREL_RACE_CYCLES="$cycles" WINEDEBUG=-all WINEDLLOVERRIDES=dinput8=b
export GANTREL_RACE_UNPLUGS="${GANTREL_RACE_UNPLUGS:-$((cycles / 10))}"
export GANTREL_RACE_LIST_FAULTS="${GANTREL_RACE_LIST_FAULTS:-$((cycles / 100 > 0 ? cycles / 100 : 1))}"
prefix="$build/wineprefix-hid"
# The suite's prefixes: copies of the tree's templates, with its desktop held.
export GANTREL_WINE_TEMPLATES="$build/wine-templates"
up=(--hold-desktop "$build/bin/hold_desktop.exe" --devices "$build/bin")
prefix_script="$root/tools/wine-prefix/wine-prefix.sh"
status=0
for program in "$build/bin/hid_release_race.exe" "$build/x86/bin/hid_release_race.exe"; do
  [ -f "$program" ] || continue
  echo "== $program under Wine 8" >&2
  WINEPREFIX="$prefix" bash "$prefix_script" run "${up[@]}" -- "$program" || status=1
  echo "== $program under Wine 10" >&2
  GANTREL_BUILD_DIR="$build" WINEPREFIX="$prefix-wine10" bash "$root/scripts/wine10.sh" run \
    bash "$prefix_script" run "${up[@]}" -- "$program" || status=1
done
exit "$status"
