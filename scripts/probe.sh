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
#                                              in a prefix of its own: the kit's
#                                              replay/replay.sh, installed from
#                                              this tree
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

if [ ${#devices[@]} -gt 0 ]; then
  # The kit's replay script, run from this tree's installed kit, so the
  # source tree replays exactly as the kit does.
  kit="$build/replay-kit"
  if [ ! -f "$bin/gantrel-probe.exe" ] || [ ! -f "$bin/install_vwheels.exe" ] || [ ! -f "$build/lib/gantrel.lib" ] ||
     [ ! -f "$bin/dinput8.dll" ]; then
    echo "probe: building what the kit holds first" >&2
    GANTREL_ARCHS=x64 bash "$root/scripts/build.sh" --target gantrel_probe gantrel_sim gantrel_msvc_implib install_vwheels >&2
  fi
  cmake --install "$build" --prefix "$kit" >/dev/null
  args=()
  for file in "${devices[@]}"; do args+=(--device "$file"); done
  GANTREL_REPLAY_PREFIX="$build/wineprefix-replay" GANTREL_WINE_TEMPLATES="$build/wine-templates" \
    exec bash "$kit/replay/replay.sh" "${args[@]}" "$@"
fi

if [ ! -f "$bin/gantrel-probe.exe" ] || [ ! -f "$bin/dinput8.dll" ]; then
  echo "probe: building gantrel_probe first" >&2
  GANTREL_ARCHS=x64 bash "$root/scripts/build.sh" --target gantrel_probe >&2
fi

export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="dinput8=$dinput"
export WINEPREFIX="$build/wineprefix"
prefix_tool="$root/tools/wine-prefix/wine-prefix.sh"
GANTREL_WINE_TEMPLATES="$build/wine-templates" bash "$prefix_tool" make
# Ctrl-C and a hang-up reach the probe as Ctrl-C, and it is waited for.
exec bash "$prefix_tool" console "$bin/gantrel-probe.exe" "$@"
