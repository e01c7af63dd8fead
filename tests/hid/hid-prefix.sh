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
    stamp="$(cat "$bin"/vwheel_*.sys "$bin"/vwheel.inf "$bin"/install_vwheels.exe | sha256sum | cut -c1-64)"
    mkdir -p "$WINEPREFIX"
    # Wine's long-lived processes must not inherit the lock (fd 9), or the
    # next init waits for them.
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ "$(cat "$WINEPREFIX/.vwheel-stamp" 2>/dev/null)" != "$stamp" ]; then
      wineserver -k 2>/dev/null 9>&- || true
      rm -rf "$WINEPREFIX"
      mkdir -p "$WINEPREFIX"
      WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 9>&-
      # Headless: without the null driver CreateWindowExA fails.
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 9>&-
      # No crash debugger: a crashing test ends at once with Wine's one-line report.
      wine reg add 'HKCU\Software\Wine\DllOverrides' /v winedbg.exe /d '' /f >/dev/null 2>&1 9>&-
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
