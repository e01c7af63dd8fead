#!/usr/bin/env bash
# The Wine prefix of the virtual-device tests, kept apart from the shared
# one because installing drivers changes it.
#   init <bin dir>: makes the prefix if it is missing or was built with other
#                   drivers, installs the virtual devices and keeps one
#                   wineserver alive for the run.
#   stop:           ends that wineserver (and the driver host with it).
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
export WINEDEBUG=-all

case "${1:-}" in
  init)
    bin="${2:?bin directory}"
    prefix_script="$(cd "$(dirname "$0")/../../cmake" && pwd)/wine-prefix.sh"
    # The settings' version is part of the stamp, so a change to them remakes the prefix.
    stamp="settings-$(grep -m1 '^settings_version=' "$prefix_script" | cut -d= -f2) $(cat "$bin"/vwheel_*.sys "$bin"/vwheel.inf "$bin"/install_vwheels.exe | sha256sum | cut -c1-64)"
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
    # host has started every device. Wine's helper processes must not inherit ctest's pipes, or ctest
    # waits for them: the output goes through a file.
    log="$WINEPREFIX/install.log"
    if ! (cd "$bin" && wine install_vwheels.exe vwheel.inf wheel stick multi) >"$log" 2>&1 </dev/null 9>&-; then
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
    echo "usage: hid-prefix.sh init <bin dir> | stop" >&2
    exit 2
    ;;
esac
