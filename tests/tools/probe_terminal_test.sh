#!/usr/bin/env bash
# gantrel-probe in a real terminal: tmux runs the README's Linux commands
# (scripts/probe.sh, so Wine and the simulated DirectInput), keys and Ctrl-C
# go in with send-keys, the screen comes back with capture-pane, and the
# simulator's call log (GANTREL_SIM_TRACE) shows what the devices received.
# Every wait has a deadline instead of a fixed sleep. With "replay" (the x64
# tree), a device file is replayed too. Usage: SOURCE BUILD [replay]
set -euo pipefail
root=$1
build=$2
replay=${3:-}
work="$build/probe-terminal"
rm -rf "$work"
mkdir -p "$work"

socket="gantrel-probe-test-$$"
source "$(dirname "$0")/terminal_session.sh"
# The wineserver is the test fixture's; this test owns only its tmux server.
trap 'term kill-server 2>/dev/null || true' EXIT
start_terminal

# run NAME COMMAND: the command as a user types it, from the project root.
run() {
  local name=$1 command=$2
  echo "== $name: $command"
  term new-window -d -n "$name" \
    "cd '$root' && GANTREL_BUILD_DIR='$build' GANTREL_SIM_TRACE='$work/$name.log' $command; echo \$? > '$work/$name.status'"
}
keys() {
  local name=$1
  shift
  term send-keys -t "probe:$name" "$@"
}

# The simulator's call log, one call a line (it writes Windows line ends).
log() { tr -d '\r' <"$work/$1.log" 2>/dev/null || true; }

# wait_log NAME PATTERN COUNT: until the call log has COUNT lines matching.
wait_log() {
  local name=$1 pattern=$2 count=$3 deadline=$((SECONDS + 120))
  until [ "$(log "$name" | grep -cE -- "$pattern" || true)" -ge "$count" ]; do
    if ((SECONDS > deadline)); then
      fail "$name: the call log never had $count lines matching $pattern"
      return 1
    fi
    sleep 0.2
  done
}

# expect_status NAME STATUS: waits for the command to end with STATUS.
expect_status() {
  local name=$1 want=$2 deadline=$((SECONDS + 120))
  until [ -s "$work/$name.status" ]; do
    if ((SECONDS > deadline)); then
      fail "$name: still running; the screen shows:"
      screen "$name" >&2
      return 1
    fi
    sleep 0.2
  done
  local got
  got=$(cat "$work/$name.status")
  [ "$got" = "$want" ] || { fail "$name: exit status $got, expected $want"; screen "$name" >&2; }
}

# expect_released NAME: every device and effect object the probe created was
# released to zero, the last device after its auto-centre was set back on.
expect_released() {
  local name=$1 id created calls
  calls=$(log "$name")
  created=$(grep -E '::Create(Device|Effect) .* created=[0-9]+' <<<"$calls" | sed -E 's/.* created=([0-9]+).*/\1/')
  [ -n "$created" ] || fail "$name: the call log shows nothing created"
  for id in $created; do
    grep -qE "::Release object=$id( |$).* -> 0$" <<<"$calls" || fail "$name: object $id was never released"
  done
  tail -n 4 <<<"$calls" | grep -qE 'SetProperty .* property=9 .* data=01000000' ||
    fail "$name: the auto-centre spring was not given back at the end"
}

readme_command() {
  grep -qxF -- "$1" <(sed -nE 's/^(bash scripts\/probe\.sh[^#]*[^ #]) *(#.*)?$/\1/p' "$root/README.md") ||
    fail "the README does not show \`$1\`"
}

# The wheel, by keys: start, raise, stop, quit.
readme_command "bash scripts/probe.sh test 0"
run wheel "bash scripts/probe.sh test 0"
wait_screen wheel "Hold the wheel or stick, then press Space"
wait_screen wheel "Last: dib_effect_create -> OK: constant, stopped"
keys wheel Space
wait_screen wheel "constant  PLAYING"
keys wheel Up
wait_screen wheel "Magnitude    1056 of 4096"
wait_screen wheel "Last: dib_effect_update -> OK: magnitude 1056"
keys wheel Space
wait_screen wheel "constant  stopped"
keys wheel q
expect_status wheel 0
wait_screen wheel "Released device 0: its auto-centre spring is back."
[ "$(log wheel | grep -c 'IDirectInputEffect::SetParameters')" = 1 ] ||
  fail "wheel: one key changed the effect, but SetParameters was not called exactly once"
log wheel | grep -q 'IDirectInputEffect::SetParameters .* specific(4)=120A0000' ||
  fail "wheel: the update did not send the magnitude 1056 (DirectInput's 2578, 0x0A12)"
expect_released wheel

# The stick, by keys and Ctrl-C: start, turn, raise, interrupt.
run stick "bash scripts/probe.sh test 1"
wait_screen stick "Last: dib_effect_create -> OK: constant, stopped"
keys stick Space
wait_screen stick "constant  PLAYING"
keys stick Right
wait_screen stick "Direction    105 degrees"
keys stick PageUp
wait_screen stick "Magnitude    1824 of 4096"
wait_log stick 'SetParameters .*directions=\[10500,0\]' 2
keys stick C-c
expect_status stick 130
wait_screen stick "gantrel-probe: interrupted by Ctrl-C; stopped and destroyed the constant effect, released device 1"
expect_released stick

# play, cut short by Ctrl-C: the trace so far is written.
run play "bash scripts/probe.sh play 0 sine --seconds 300 --out '$work/traces'"
wait_screen play "Playing sine"
wait_log play 'GetDeviceState' 30
keys play C-c
expect_status play 130
wait_screen play "gantrel-probe: interrupted by Ctrl-C; stopped and destroyed the sine effect, released device 0, wrote the force trace up to"
rows=$(wc -l <"$work/traces/sine.csv" 2>/dev/null || echo 0)
((rows > 100 && rows < 300000)) || fail "play: the trace has $rows lines, expected the part played before Ctrl-C"
expect_released play

# poll, which runs until Ctrl-C.
run poll "bash scripts/probe.sh poll 0"
wait_screen poll "buttons none  hat -"
keys poll C-c
expect_status poll 130
wait_screen poll "gantrel-probe: interrupted by Ctrl-C; released device 0"
expect_released poll

# Closing the terminal while an effect plays: scripts/probe.sh passes the
# hang-up on as Ctrl-C, and the probe still cleans up.
run close "bash scripts/probe.sh test 0"
wait_screen close "Last: dib_effect_create -> OK: constant, stopped"
keys close Space
wait_screen close "constant  PLAYING"
term kill-window -t probe:close
wait_log close 'SetProperty .* property=9 .* data=01000000' 1 && expect_released close

# The README's other commands, as written.
readme_command "bash scripts/probe.sh list"
run list "bash scripts/probe.sh list"
expect_status list 0
wait_screen list "1  {5A1E0002-0000-11EE-8001-444553540000}  Gantrel Simulated Force Stick"
readme_command "bash scripts/probe.sh check 1"
run check "bash scripts/probe.sh check 1"
expect_status check 0
wait_screen check "10 of 10 effect types work."

# Wine's own DirectInput: here no controller is attached, and list says
# where controllers come from.
readme_command "bash scripts/probe.sh --real list"
run real "bash scripts/probe.sh --real list"
expect_status real 3
wait_screen real "no force-feedback controller is attached"
wait_screen real "docs/simulator.md of the kit shows how"
# ... and demo, which needs the simulator, says so (exit status 4).
run demo "bash scripts/probe.sh --real demo"
expect_status demo 4
wait_screen demo "gantrel-probe: the demo needs the simulated DirectInput"

# A device file replayed under Wine's own DirectInput (the kit's replay.sh,
# which --device runs): a hang-up of the script reaches the probe as Ctrl-C,
# and nothing of the replay's Wine, the driver host included, is left.
if [ "$replay" = replay ]; then
  run replay "bash -c 'echo \$\$ >\"\$0\"; exec bash scripts/probe.sh --device vhid/devices/wheel.vhid test 0' '$work/replay.pid'"
  # The first run makes the replay's prefix.
  wait_screen replay "Last: dib_effect_create -> OK: constant, stopped" 400
  keys replay Space
  wait_screen replay "constant  PLAYING"
  kill -HUP "$(cat "$work/replay.pid")"
  expect_status replay 130
  wait_screen replay "gantrel-probe: interrupted by Ctrl-C; stopped and destroyed the constant effect, released device 0"
  left=$(grep -lzx "WINEPREFIX=$build/wineprefix-replay" /proc/[0-9]*/environ 2>/dev/null || true)
  [ -z "$left" ] || fail "replay: still running in its prefix: $(sed 's|/proc/\([0-9]*\)/environ|\1|' <<<"$left" | paste -sd ' ')"
  # A folder it did not make is never taken for its prefix, and so never removed.
  mkdir -p "$work/not-replay"
  echo keep >"$work/not-replay/user.reg"
  status=0
  GANTREL_REPLAY_PREFIX="$work/not-replay" bash "$build/replay-kit/replay/replay.sh" \
    --device "$root/vhid/devices/wheel.vhid" list 2>"$work/not-replay.err" || status=$?
  [ "$status" = 2 ] && grep -q "is no prefix of the replay's" "$work/not-replay.err" ||
    fail "replay: status $status for a folder it did not make: $(cat "$work/not-replay.err")"
  [ "$(cat "$work/not-replay/user.reg" 2>/dev/null)" = keep ] || fail "replay: removed a folder it did not make"
fi

if ((failures)); then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "all terminal checks passed"
