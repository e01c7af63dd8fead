#!/usr/bin/env bash
# Runs gantrel-probe on Linux under Wine, in the build tree's private prefix:
#   bash scripts/probe.sh COMMAND ...          with the simulated DirectInput
#                                              (virtual wheel, stick, gamepad)
#   bash scripts/probe.sh --real COMMAND ...   with Wine's own DirectInput,
#                                              which sees the controllers Wine can open
# Builds the probe first if it is missing. Ctrl-C and closing the terminal
# both reach the probe as Ctrl-C, so it stops its effects and releases the
# device before it exits (status 130).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${GANTREL_BUILD_DIR:-$root/build}"
bin="$build/bin"

dinput=n
if [ "${1:-}" = "--real" ]; then
  dinput=b
  shift
fi

if [ ! -f "$bin/gantrel-probe.exe" ] || [ ! -f "$bin/dinput8.dll" ]; then
  echo "probe: building gantrel-probe first" >&2
  GANTREL_ARCHS=x64 bash "$root/scripts/build.sh" --target gantrel_probe >&2
fi

export WINEPREFIX="$build/wineprefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="dinput8=$dinput"
if [ ! -f "$WINEPREFIX/.gantrel-ready" ]; then
  bash "$root/cmake/wine-prefix.sh" init
  # init keeps a wineserver for a test run; one probe run needs none to stay.
  wineserver -k 2>/dev/null || true
fi

# Wine ends a program on a hang-up without telling it, so the probe ignores
# SIGHUP and this script passes a hang-up on as the Ctrl-C of a terminal: a
# SIGINT to the whole process group, which Wine turns into the console's
# Ctrl-C event. The script itself waits for the probe to clean up.
on_hangup() { kill -INT 0 2>/dev/null || true; }
trap on_hangup HUP
trap ':' INT
# Paths given relative to here are resolved by Wine from the same folder.
(trap '' HUP; exec wine "$bin/gantrel-probe.exe" "$@") <&0 &
probe=$!
status=0
while :; do
  wait "$probe" && status=0 || status=$?
  kill -0 "$probe" 2>/dev/null || break
done
exit "$status"
