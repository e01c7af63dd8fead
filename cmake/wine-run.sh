#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix.
# The prefix is the one beside CMakeCache.txt unless WINEPREFIX is already set.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ]; then
  dir="$(pwd)"
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir="$(dirname "$dir")"; done
  export WINEPREFIX="$dir/wineprefix"
fi
export WINEDEBUG="${WINEDEBUG:--all}"
[ -f "$WINEPREFIX/.gantrel-ready" ] || bash "$(dirname "$0")/wine-prefix.sh" init
exec wine "$@"
