#!/usr/bin/env bash
# Builds gantrel for x64 and x86 and runs the whole test suite of each tree
# under Wine (x86 under 32-bit Wine), then checks the release: two clean
# clones give the same archive, which works as its documentation says.
# Arguments go to each tree's ctest. GANTREL_ARCHS=x64 tests the x64 tree
# alone and leaves the release check out.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${GANTREL_BUILD_DIR:-$root/build}"

bash "$root/scripts/build.sh"
trees=("$build")
case " ${GANTREL_ARCHS:-x64 x86} " in *" x86 "*) trees+=("$build/x86") ;; esac

status=0
for tree in "${trees[@]}"; do
  echo "== tests of $tree"
  (cd "$tree" && ctest --output-on-failure "$@") || status=$?
  # Nothing may outlive the run: each prefix keeps one wineserver for its tests.
  for prefix in "$tree"/wineprefix*/; do
    [ -d "$prefix" ] && WINEPREFIX="${prefix%/}" wineserver -k 2>/dev/null || true
  done
done

if [ "${#trees[@]}" -eq 2 ]; then
  echo "== release"
  bash "$root/scripts/reproducible.sh" || status=$?
fi
exit $status
