#!/usr/bin/env bash
# Runs gantrel-probe on Linux under Wine, in the build tree's private prefix:
#   bash scripts/probe.sh COMMAND ...          with the simulated DirectInput
#                                              (virtual wheel, stick, gamepad)
#   bash scripts/probe.sh --real COMMAND ...   with Wine's own DirectInput,
#                                              which sees the controllers Wine can open
#   bash scripts/probe.sh --device FILE [--device FILE...] COMMAND ...
#                                              with Wine's own DirectInput and a
#                                              virtual device made from each device
#                                              file (device 0 is the first file),
#                                              in a prefix of its own
# Builds the probe first if it is missing. Ctrl-C and closing the terminal
# both reach the probe as Ctrl-C, so it stops its effects and releases the
# device before it exits (status 130).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${GANTREL_BUILD_DIR:-$root/build}"
bin="$build/bin"

dinput=n
devices=()
while [ $# -gt 0 ]; do
  case "$1" in
    --real) dinput=b; shift ;;
    --device)
      [ $# -ge 2 ] || { echo "probe: --device needs a device file" >&2; exit 2; }
      [ -f "$2" ] || { echo "probe: no device file $2" >&2; exit 2; }
      devices+=("$(cd "$(dirname "$2")" && pwd)/$(basename "$2")")
      dinput=b
      shift 2
      ;;
    *) break ;;
  esac
done

targets=(gantrel_probe)
[ ${#devices[@]} -eq 0 ] || targets+=(install_vwheels)
if [ ! -f "$bin/gantrel-probe.exe" ] || [ ! -f "$bin/dinput8.dll" ] ||
   { [ ${#devices[@]} -gt 0 ] && [ ! -f "$bin/install_vwheels.exe" ]; }; then
  echo "probe: building ${targets[*]} first" >&2
  GANTREL_ARCHS=x64 bash "$root/scripts/build.sh" --target "${targets[@]}" >&2
fi

export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="dinput8=$dinput"
if [ ${#devices[@]} -gt 0 ]; then
  # The replayed devices get a prefix of their own, made again when the set of
  # files changes; they are named device0, device1, ... so Wine lists them in
  # the order given.
  export WINEPREFIX="$build/wineprefix-device"
  staged="$build/device-replay"
  rm -rf "$staged"
  mkdir -p "$staged"
  names=()
  for i in "${!devices[@]}"; do
    cp "${devices[$i]}" "$staged/device$i.vhid"
    names+=("../device-replay/device$i.vhid")
  done
  echo "probe: installing ${#devices[@]} virtual device(s) into $WINEPREFIX" >&2
  # Nothing outlives the command, not even a failed install: the driver host
  # ends with the prefix's server.
  trap 'bash "$root/tests/hid/hid-prefix.sh" stop' EXIT
  if ! bash "$root/tests/hid/hid-prefix.sh" init "$bin" "${names[@]}" >&2 2>"$staged/install.log"; then
    # The installer names the staged copies; name the files given instead.
    rename=()
    for i in "${!devices[@]}"; do rename+=(-e "s|../device-replay/device$i.vhid|${devices[$i]}|g"); done
    sed "${rename[@]}" "$staged/install.log" >&2
    exit 1
  fi
else
  export WINEPREFIX="$build/wineprefix"
  if [ ! -f "$WINEPREFIX/.gantrel-ready" ]; then
    bash "$root/cmake/wine-prefix.sh" init
    # init keeps a wineserver for a test run; one probe run needs none to stay.
    wineserver -k 2>/dev/null || true
  fi
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
