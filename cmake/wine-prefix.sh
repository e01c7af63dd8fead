#!/usr/bin/env bash
# init: creates the private Wine prefix (null display driver, no Mono/Gecko
#       installers) and keeps one wineserver alive for the test run.
# stop: ends that wineserver.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
export WINEDEBUG=-all

case "${1:-}" in
  init)
    mkdir -p "$WINEPREFIX"
    exec 9>"$WINEPREFIX/.init.lock"
    flock 9
    if [ ! -f "$WINEPREFIX/.gantrel-ready" ]; then
      WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
      # Headless: without the null driver CreateWindowExA fails.
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
      # No crash debugger: a crashing test ends at once with Wine's one-line report.
      wine reg add 'HKCU\Software\Wine\DllOverrides' /v winedbg.exe /d '' /f >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.gantrel-ready"
    fi
    # The server outlives this script: it must not inherit, and so keep, the lock.
    exec 9>&-
    wineserver -p </dev/null >/dev/null 2>&1
    # The first program of a session starts Wine's background services, which
    # keep its standard output open. Start them here, on /dev/null, so no test
    # leaves its output pipe held open behind it.
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    ;;
  *)
    echo "usage: wine-prefix.sh init|stop" >&2
    exit 2
    ;;
esac
