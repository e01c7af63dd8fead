#!/usr/bin/env bash
# The first command: sets up, builds gantrel, its simulated DirectInput and
# gantrel-probe, then runs the probe's guided demo under Wine on the
# simulator's virtual wheel and joystick. The force-trace pictures land in
# <build>/probe-demo. Nothing is left running afterwards.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${GANTREL_BUILD_DIR:-$root/build}"

# What the demo needs, and the rest of the kit, so that `cmake --install`
# works afterwards; scripts/test.sh builds the tests.
bash "$root/scripts/build.sh" --target gantrel_probe gantrel_msvc_implib

# The build tree's private prefix, with the simulator preferred over Wine's
# own dinput8.dll; its wineserver is stopped however the demo ends.
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES=dinput8=n
export GANTREL_WINE_TEMPLATES="$build/wine-templates"
trap 'wineserver -k 2>/dev/null || true' EXIT
bash "$root/tools/wine-prefix/wine-prefix.sh" up

pictures="$build/probe-demo"
rm -rf "$pictures"
mkdir -p "$pictures"
cd "$build/bin"
wine gantrel-probe.exe demo --out "$(winepath -w "$pictures")" | tr -d '\r'
echo
echo "main: the force-trace pictures are in $pictures (open the .svg files in a web browser)"
