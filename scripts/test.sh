#!/usr/bin/env bash
# Builds gantrel and runs the whole test suite under Wine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${GANTREL_BUILD_DIR:-$root/build}"

bash "$root/scripts/build.sh"
status=0
(cd "$build" && ctest --output-on-failure "$@") || status=$?
# Nothing may outlive the run: the tests share one wineserver for their prefix.
WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null || true
exit $status
