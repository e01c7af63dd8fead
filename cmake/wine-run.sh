#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix, made
# first if it is missing (tools/wine-prefix/wine-prefix.sh). The prefix is
# the one beside CMakeCache.txt unless WINEPREFIX is already set.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ]; then
  dir="$(pwd)"
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir="$(dirname "$dir")"; done
  export WINEPREFIX="$dir/wineprefix"
fi
export WINEDEBUG="${WINEDEBUG:--all}"
[ -f "$WINEPREFIX/.gantrel-prefix" ] || bash "$(dirname "$0")/../tools/wine-prefix/wine-prefix.sh" make
exec wine "$@"
