#!/usr/bin/env bash
# Replays controllers from their HID report descriptors on Linux, under Wine:
# makes a virtual HID device of each device file and runs the kit's 64-bit
# gantrel-probe on them through Wine's own DirectInput.
#   bash replay/replay.sh --device FILE [--device FILE...] COMMAND [ARGS...]
# Device 0 is the first file. The devices live in a Wine prefix of their own:
# GANTREL_REPLAY_PREFIX, or else Wine's prefix (WINEPREFIX, or ~/.wine) with
# -replay appended. It is made headless on first use (wine-prefix.sh, beside
# this script) and made again when the device files or the driver change. Ctrl-C and closing the terminal reach
# the probe as Ctrl-C, so it stops its effects and releases the device
# before it exits (status 130). The prefix's wineserver, and the driver host
# with it, ends with the command.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
kit="$(dirname "$here")"

devices=()
while [ "${1:-}" = --device ]; do
  [ $# -ge 2 ] || { echo "replay: --device needs a device file" >&2; exit 2; }
  [ -f "$2" ] || { echo "replay: no device file $2" >&2; exit 2; }
  devices+=("$(cd "$(dirname "$2")" && pwd)/$(basename "$2")")
  shift 2
done
if [ ${#devices[@]} -eq 0 ]; then
  echo "usage: bash replay/replay.sh --device FILE [--device FILE...] COMMAND [ARGS...]" >&2
  exit 2
fi
command -v wine >/dev/null || { echo "replay: Wine is not installed" >&2; exit 2; }

wine_prefix="${WINEPREFIX:-$HOME/.wine}"
export WINEPREFIX="${GANTREL_REPLAY_PREFIX:-${wine_prefix%/}-replay}"
export WINEDEBUG="${WINEDEBUG:--all}"
prefix_tool="$here/wine-prefix.sh"
stage="$WINEPREFIX/drive_c/gantrel-replay"

# A device keeps the description it was installed with until the prefix is
# made again, so any change to the files, the driver or the scripts makes a
# new prefix.
stamp="$({ cat "$here/replay.sh" "$prefix_tool" "$here"/x64/*; for file in "${devices[@]}"; do cat "$file"; done; } |
  sha256sum | cut -c1-64) ${#devices[@]}"

# The prefix is removed and made again below: never one this script did not make.
if ! bash "$prefix_tool" owned; then
  echo "replay: $WINEPREFIX is no prefix of the replay's; name a new folder in GANTREL_REPLAY_PREFIX" >&2
  exit 2
fi

# Nothing outlives the command, not even a failed install: the driver host
# ends with the prefix's server.
stop_wine() { wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; }
trap stop_wine EXIT
# A server left by an interrupted run would refuse the installer.
stop_wine
# 64-bit, for Wine's driver host to load the driver, with the kit's headless
# settings: no .NET or web engine installers to answer, the null display
# driver for the library's hidden window, and no crash debugger to wait for.
if ! bash "$prefix_tool" ready "$stamp"; then
  echo "replay: making the Wine prefix $WINEPREFIX" >&2
  bash "$prefix_tool" make "$stamp"
fi

rm -rf "$stage"
mkdir -p "$stage"
cp "$here"/x64/* "$kit/tools/x64/gantrel-probe.exe" "$kit/bin/x64/gantrel.dll" "$stage/"
names=()
for i in "${!devices[@]}"; do
  # Wine lists the devices in the order of their names.
  cp "${devices[$i]}" "$stage/device$i.vhid"
  names+=("device$i.vhid")
done
echo "replay: installing ${#devices[@]} virtual device(s) into $WINEPREFIX" >&2
# One server for the installer and the probe, so the devices it waited for
# are still there when the probe starts.
wineserver -p </dev/null >/dev/null 2>&1 || true
if ! bash "$prefix_tool" install "$stage" "${names[@]}" 2>"$stage/install.log"; then
  # The installer names the staged copies; name the files given instead.
  rename=()
  for i in "${!devices[@]}"; do
    file="${devices[$i]//&/\\&}"
    rename+=(-e "s|\bdevice$i\(\.vhid\)\?\b|${file//|/\\|}|g")
  done
  sed "${rename[@]}" "$stage/install.log" >&2
  exit 1
fi

# Ctrl-C and a hang-up reach the probe as Ctrl-C; once it has cleaned up, the
# prefix's server ends, and the driver host with it.
trap - EXIT
WINEDLLOVERRIDES=dinput8=b exec bash "$prefix_tool" console --down "$stage/gantrel-probe.exe" "$@"
