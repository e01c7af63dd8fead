#!/usr/bin/env bash
# init:      creates the private Wine prefix (null display driver, no Mono/Gecko
#            installers, no crash debugger) and keeps one wineserver alive for
#            the test run.
# configure: applies the test settings to the prefix (used by init, and by
#            other prefixes' scripts after they create theirs).
# stop:      ends that wineserver and waits until it has gone.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
export WINEDEBUG=-all

# Changes whenever configure changes, so existing prefixes pick the settings up.
settings_version=3

configure() {
  # Headless: without the null driver CreateWindowExA fails.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  # A crashing program ends at once with its exception instead of waiting in
  # the crash debugger until the test's timeout; 64- and 32-bit programs alike.
  # No debugger to start, started without asking: with Auto 0 Wine asks in a
  # message box, which nobody answers, in every program that loaded user32.
  local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' view
  for view in 64 32; do
    wine reg add "$key" /v Auto /t REG_SZ /d 1 /f /reg:$view >/dev/null 2>&1
    wine reg add "$key" /v Debugger /t REG_SZ /d "" /f /reg:$view >/dev/null 2>&1
  done
}

case "${1:-}" in
  init)
    mkdir -p "$WINEPREFIX"
    exec 9>"$WINEPREFIX/.init.lock"
    flock 9
    # A server that a previous run is still shutting down refuses new programs,
    # and one left by an interrupted run belongs to no one: end it and wait.
    wineserver -k 2>/dev/null 9>&- || true
    wineserver -w 2>/dev/null 9>&- || true
    if [ "$(cat "$WINEPREFIX/.gantrel-ready" 2>/dev/null)" != "$settings_version" ]; then
      [ -f "$WINEPREFIX/system.reg" ] || WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 9>&-
      configure 9>&-
      wineserver -w 9>&-
      echo "$settings_version" >"$WINEPREFIX/.gantrel-ready"
    fi
    # The server outlives this script: it must not inherit, and so keep, the lock.
    exec 9>&-
    wineserver -p </dev/null >/dev/null 2>&1
    # The first program of a session starts Wine's background services, which
    # keep its standard output open. Start them here, on /dev/null, so no test
    # leaves its output pipe held open behind it.
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    ;;
  configure)
    configure
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    ;;
  *)
    echo "usage: wine-prefix.sh init|configure|stop" >&2
    exit 2
    ;;
esac
