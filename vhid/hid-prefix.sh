#!/usr/bin/env bash
# The Wine prefix of the virtual-device tests, kept apart from the shared
# one because installing drivers changes it.
#   init <bin dir> [device...]:
#                   makes the prefix if it is missing or was built with other
#                   drivers or devices, installs the virtual devices (names
#                   of bin/devices/*.vhid, or device files relative to the bin
#                   dir; wheel, stick and multi by default) and keeps one
#                   wineserver alive for the run.
#   stop:           ends that wineserver (and the driver host with it).
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
export WINEDEBUG=-all

case "${1:-}" in
  init)
    bin="${2:?bin directory}"
    shift 2
    devices=("$@")
    [ ${#devices[@]} -gt 0 ] || devices=(wheel stick multi)
    files=()
    for device in "${devices[@]}"; do
      case "$device" in */* | *.*) files+=("$bin/$device") ;; *) files+=("$bin/devices/$device.vhid") ;; esac
    done
    prefix_script="$(cd "$(dirname "$0")/../cmake" && pwd)/wine-prefix.sh"
    # The settings' version is part of the stamp, so a change to them, to the
    # driver or to a device remakes the prefix.
    stamp="settings-$(grep -m1 '^settings_version=' "$prefix_script" | cut -d= -f2) ${devices[*]} $(cat "$bin"/vwheel.sys "$bin"/vwheel.inf "$bin"/install_vwheels.exe "${files[@]}" | sha256sum | cut -c1-64)"
    mkdir -p "$WINEPREFIX"
    # Wine's long-lived processes must not inherit the lock (fd 9), or the
    # next init waits for them.
    exec 9>"$WINEPREFIX.lock"
    flock 9
    # A server a previous run is still shutting down would refuse the installer.
    wineserver -k 2>/dev/null 9>&- || true
    wineserver -w 2>/dev/null 9>&- || true
    if [ "$(cat "$WINEPREFIX/.vwheel-stamp" 2>/dev/null)" != "$stamp" ]; then
      rm -rf "$WINEPREFIX"
      mkdir -p "$WINEPREFIX"
      WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 9>&-
      # Headless, and no crash debugger: the shared prefix's settings.
      bash "$prefix_script" configure 9>&-
      wineserver -w 9>&-
      touch "$WINEPREFIX/.gantrel-ready"
    fi
    # Fails harmlessly when a server is already running for the prefix.
    wineserver -p </dev/null >/dev/null 2>&1 9>&- || true
    # The installer registers what is missing and waits until Wine's driver
    # host has started every device. Wine's helper processes must not inherit
    # ctest's pipes, or ctest waits for them: the output goes through a file.
    log="$WINEPREFIX/install.log"
    if ! (cd "$bin" && wine install_vwheels.exe vwheel.inf "${devices[@]}") >"$log" 2>&1 </dev/null 9>&-; then
      cat "$log" >&2
      exit 1
    fi
    echo "$stamp" >"$WINEPREFIX/.vwheel-stamp"
    ;;
  stop)
    # Wait until the server has gone, so an init right after starts afresh.
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    ;;
  *)
    echo "usage: hid-prefix.sh init <bin dir> [device...] | stop" >&2
    exit 2
    ;;
esac
