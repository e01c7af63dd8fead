#!/usr/bin/env bash
# gantrel-probe test on the virtual HID wheel under Wine's own DirectInput, in
# a real terminal (tmux): while the tester plays, the wheel's device node is
# removed and installed again. The tester says the wheel is gone and keeps its
# screen, finds it again under its new GUID, stops the effect until Space, and
# Q still quits cleanly. The wineserver is the HID fixture's.
# Usage: BIN, the x64 tree's bin folder (probe, drivers and their tools).
set -euo pipefail
bin=$1
: "${WINEPREFIX:?WINEPREFIX must name the HID prefix}"
work="$(mktemp -d)"
socket="gantrel-probe-unplug-$$"
source "$(dirname "$0")/../tools/terminal_session.sh"
trap 'term kill-server 2>/dev/null || true; rm -rf "$work"' EXIT
start_terminal
# The tools print to a log; Wine's helpers must not hold this script's pipes.
tool() { (cd "$bin" && wine "$@") >>"$work/tools.log" 2>&1 </dev/null || { cat "$work/tools.log" >&2; fail "$*"; exit 1; }; }

guid=$(cd "$bin" && wine gantrel-probe.exe list </dev/null 2>/dev/null | sed -n 's/^[0-9]* *\({[^}]*}\) *Gantrel Virtual Wheel .*/\1/p')
[ -n "$guid" ] || { fail "gantrel-probe list does not show the virtual wheel"; exit 1; }
term new-window -d -n wheel "cd '$bin' && wine gantrel-probe.exe test '$guid'; echo \$? > '$work/status'"
wait_screen wheel "Last: dib_effect_create -> OK: constant, stopped"
term send-keys -t probe:wheel Space
wait_screen wheel "constant  PLAYING"

tool vwheel_node.exe remove wheel
wait_screen wheel "$guid is gone (DIB_E_INPUT: device input lost; reacquire failed (HRESULT 0x80040209)); waiting for it to come back"
wait_screen wheel "constant  DEVICE GONE"
wait_screen wheel "Hold the wheel or stick, then press Space."

tool install_vwheels.exe vwheel.inf wheel
wait_screen wheel "Last: $guid is back as {"
wait_screen wheel "the constant effect is stopped: press Space to start it"
back=$(screen wheel | sed -n 's/.* is back as \({[^}]*}\).*/\1/p' | tail -n 1)
[ "$back" != "$guid" ] || fail "Wine listed the wheel again under its old GUID $guid"
term send-keys -t probe:wheel Space
wait_screen wheel "constant  PLAYING"
term send-keys -t probe:wheel q
deadline=$((SECONDS + 60))
until [ -s "$work/status" ] || ((SECONDS > deadline)); do sleep 0.2; done
[ "$(cat "$work/status" 2>/dev/null)" = 0 ] || fail "exit status $(cat "$work/status" 2>/dev/null), expected 0"
wait_screen wheel "Released $guid: its auto-centre spring is back."

if ((failures)); then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "the tester followed the wheel out and back (now $back)"
