#!/usr/bin/env bash
# Makes and runs the Wine prefixes of gantrel's tests, tools and replay: the
# one place that knows how such a prefix is set up (64-bit, null display
# driver, no crash debugger, no .NET or web engine installers) and how the
# virtual HID devices get into it. All commands act on $WINEPREFIX.
#
#   wine-prefix.sh up [--hold-desktop EXE] [--devices BIN [DEVICE...]]
#       makes the prefix if needed (as make), starts its wineserver for a run
#       of programs, keeps its desktop open with EXE until down, and installs
#       virtual HID devices: names of BIN/devices/*.vhid or files relative to
#       BIN (wheel, stick and multi when none is named)
#   wine-prefix.sh down
#       ends the prefix's wineserver and every program in it, then checks
#       that nothing wrote through to the template it was copied from
#   wine-prefix.sh run [UP OPTION...] -- PROGRAM [ARG...]
#       up, PROGRAM under Wine, down: ends with the program's status
#   wine-prefix.sh console [--down] PROGRAM [ARG...]
#       runs PROGRAM under Wine as the terminal's foreground program: Ctrl-C
#       and a hang-up both reach it as Ctrl-C, and this waits for it to clean
#       up; --down then ends the prefix's wineserver; ends with its status
#   wine-prefix.sh make [STAMP]
#       makes the prefix if it is missing or was made by another Wine, with
#       other settings or with another STAMP (what else it depends on)
#   wine-prefix.sh ready [STAMP]
#       succeeds when make has nothing to do
#   wine-prefix.sh install DIR FILE...
#       installs the devices of the device files in DIR, which also holds
#       the driver and its installer; the prefix's wineserver must be running
#   wine-prefix.sh owned
#       succeeds when the prefix is missing, empty or made by this script:
#       a folder it did not make is never removed
#
# GANTREL_WINE_TEMPLATES names a folder where each Wine version's prefix is
# made once and kept; a prefix is then a copy of it that shares Wine's
# programs and libraries with it through hard links (copy_template says which
# files stay private, and why). Without it, each prefix is made from nothing.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
WINEPREFIX="${WINEPREFIX%/}"

# Changes whenever configure changes, so existing prefixes are made again.
settings_version=4
arch=win64
marker=.gantrel-prefix
# Wine writes these only when it installs or updates a prefix, which a copy
# never does (see copy_template): its programs, libraries and code pages.
shared='.*\.(dll|exe|sys|drv|nls|ocx|cpl|acm|tlb|vxd|ds|ax|com|mod|msstyles)'

die() { echo "wine-prefix: $*" >&2; exit 1; }

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

# A new prefix in folder $1, with its wineserver ended when it is done.
boot() {
  WINEPREFIX="$1" WINEARCH=$arch WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i </dev/null >/dev/null 2>&1
  WINEPREFIX="$1" configure </dev/null
  WINEPREFIX="$1" wineserver -w
}

wine_version() { wine --version 2>/dev/null || die "Wine is not installed"; }

stop_server() {
  [ -d "$WINEPREFIX" ] || return 0
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

owned() {
  [ -z "$(ls -A "$WINEPREFIX" 2>/dev/null)" ] && return 0
  # Also the marks of the scripts this one replaced.
  local mark
  for mark in "$marker" .gantrel-ready .vwheel-stamp .gantrel-replay; do
    [ -f "$WINEPREFIX/$mark" ] && return 0
  done
  return 1
}

# "size mtime path" of each file a copy shares with template $1.
shared_files() {
  (cd "$1" && find . -type f -regextype posix-extended -iregex "$shared" -printf '%s %T@ %P\n' | LC_ALL=C sort -k3)
}

# Sets template to a complete template for this Wine, made first if need be,
# and leaves fd 8 holding a shared lock on the folder of templates. A
# template is made again, never changed, when Wine or the settings change,
# and never while a copy is being made from it.
take_template() {
  local version templates="${GANTREL_WINE_TEMPLATES%/}" key
  version="$(wine_version)"
  key="$settings_version $arch $version"
  template="$templates/${version%% *}-$arch"
  mkdir -p "$templates"
  exec 8>"$templates/.lock"
  flock -s 8
  if [ "$(cat "$template/.gantrel-template" 2>/dev/null)" != "$key" ]; then
    flock -x 8
    [ "$(cat "$template/.gantrel-template" 2>/dev/null)" = "$key" ] || make_template "$template" "$key" >&2
    flock -s 8
  fi
}

make_template() {
  local template="$1" key="$2" new="$1.new.$$" started=$SECONDS
  echo "wine-prefix: making the template $template ($key)"
  rm -rf "$template".new.* "$template".old.*
  trap 'WINEPREFIX="'"$new"'" wineserver -k 2>/dev/null; rm -rf "'"$new"'"' EXIT
  mkdir -p "$new"
  boot "$new" 8>&-
  shared_files "$new" >"$new/.gantrel-shared"
  echo "$key" >"$new/.gantrel-template"
  [ ! -e "$template" ] || mv "$template" "$template.old.$$"
  mv "$new" "$template"
  trap - EXIT
  # Copies made from the old one keep their files: the links outlive it.
  rm -rf "$template.old.$$"
  echo "wine-prefix: template made in $((SECONDS - started)) s"
}

# The prefix as a copy of the template: Wine's files are hard links to the
# template's, everything else is the prefix's own. wineserver saves the
# registry in place into a file with more than one link, and wineboot updates
# files in place, so the registry is copied and updates are switched off
# (a new Wine makes a new template instead). The server folder that Debian's
# Wine names in "wineserver" is the prefix's own, so it is not copied.
copy_template() {
  local template private=()
  take_template
  # A template on another file system is copied whole.
  if ln "$template/.gantrel-shared" "$WINEPREFIX/.gantrel-shared" 2>/dev/null; then
    rm "$WINEPREFIX/.gantrel-shared"
    cp -al "$template/." "$WINEPREFIX/"
  else
    echo "wine-prefix: $template is on another file system than $WINEPREFIX: copied whole" >&2
    cp -a "$template/." "$WINEPREFIX/"
  fi
  rm -f "$WINEPREFIX/wineserver" "$WINEPREFIX/.gantrel-template" "$WINEPREFIX/.gantrel-shared"
  mapfile -d '' private < <(cd "$template" && find . -type f -regextype posix-extended ! -iregex "$shared" \
    ! -name wineserver ! -name '.gantrel-*' -print0)
  [ ${#private[@]} -eq 0 ] ||
    (cd "$template" && cp -p --parents --remove-destination -t "$WINEPREFIX" "${private[@]}")
  rm -f "$WINEPREFIX/.update-timestamp"
  echo disable >"$WINEPREFIX/.update-timestamp"
  echo "$template" >"$WINEPREFIX/.gantrel-template-of"
  exec 8>&-
}

# What the marker of a prefix made with STAMP $1 holds.
wanted() { echo "$settings_version $arch $(wine_version)${1:+ $1}"; }

ready() { [ "$(cat "$WINEPREFIX/$marker" 2>/dev/null)" = "$(wanted "${1:-}")" ]; }

make_prefix() {
  ready "${1:-}" && return 0
  owned || die "$WINEPREFIX holds files this script did not make; name a new folder"
  stop_server
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # Marked first: a make cut short leaves a folder that is made again.
  echo making >"$WINEPREFIX/$marker"
  if [ -n "${GANTREL_WINE_TEMPLATES:-}" ]; then copy_template; else boot "$WINEPREFIX"; fi
  wanted "${1:-}" >"$WINEPREFIX/$marker"
}

# Fails when a file shared with the template changed: Wine wrote through a
# link into the template and every copy of it. The template is then made
# again by the next make, and so is this prefix.
check_template() {
  local template changed
  template="$(cat "$WINEPREFIX/.gantrel-template-of" 2>/dev/null)" || return 0
  [ -f "$template/.gantrel-shared" ] || return 0
  exec 8>"$(dirname "$template")/.lock"
  flock -s 8
  changed="$(shared_files "$template" | diff "$template/.gantrel-shared" - | sed -n 's/^[<>] [^ ]* [^ ]* /  /p' | sort -u)" || true
  [ -z "$changed" ] && return 0
  flock -x 8
  rm -f "$template/.gantrel-template" "$WINEPREFIX/$marker"
  echo "wine-prefix: files shared with the template $template were written through their links:
$changed
(both are made again next time)" >&2
  return 1
}

install_devices() {
  local dir="$1" log="$WINEPREFIX/install.log"
  shift
  # The installer registers what is missing and waits until Wine's driver
  # host has started every device. Wine's helper processes must not inherit
  # the caller's pipes, or a caller that reads them waits for them.
  if ! (cd "$dir" && wine install_vwheels.exe vwheel.inf "$@") >"$log" 2>&1 </dev/null; then
    cat "$log" >&2
    return 1
  fi
}

# Wine closes a desktop a second after its last program leaves, and a program
# that arrives during that hand-over can be left on a desktop without a
# desktop window, where every CreateWindowEx fails. A program that holds a
# window from here to down keeps the desktop; it prints "ready" once its
# window exists and fails if it cannot make one, as after a hand-over.
hold_desktop() {
  local exe="$1" log="$WINEPREFIX/hold-desktop.log" attempt pid deadline
  for attempt in 1 2 3; do
    wine "$exe" </dev/null >"$log" 2>&1 &
    pid=$!
    deadline=$((SECONDS + 60))
    while kill -0 "$pid" 2>/dev/null && ! grep -q '^ready' "$log" && ((SECONDS < deadline)); do sleep 0.1; done
    grep -q '^ready' "$log" && return 0
    kill "$pid" 2>/dev/null || true
    sleep 2
  done
  cat "$log" >&2
  die "no window could be made in $WINEPREFIX"
}

# Wine ends a program on a hang-up without telling it, so the program ignores
# SIGHUP and a hang-up is passed on as the Ctrl-C of a terminal: a SIGINT to
# the whole process group, which Wine turns into the console's Ctrl-C event.
console() {
  local down="" program status=0
  [ "${1:-}" != --down ] || { down=1; shift; }
  on_hangup() { kill -INT 0 2>/dev/null || true; }
  trap on_hangup HUP
  trap ':' INT
  # Paths given relative to here are resolved by Wine from the same folder.
  (trap '' HUP; exec wine "$@") <&0 &
  program=$!
  while :; do
    wait "$program" && status=0 || status=$?
    kill -0 "$program" 2>/dev/null || break
  done
  [ -z "$down" ] || stop_server
  return "$status"
}

up() {
  local holder="" bin="" devices=()
  while [ $# -gt 0 ]; do
    case "$1" in
      --hold-desktop) holder="${2:?--hold-desktop needs a program}"; shift 2 ;;
      --devices)
        bin="${2:?--devices needs the folder of the driver}"
        shift 2
        while [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; do devices+=("$1"); shift; done
        [ ${#devices[@]} -gt 0 ] || devices=(wheel stick multi)
        ;;
      *) die "up: unknown option $1" ;;
    esac
  done
  local stamp="" files=() device
  if [ -n "$bin" ]; then
    for device in "${devices[@]}"; do
      case "$device" in */* | *.*) files+=("$bin/$device") ;; *) files+=("$bin/devices/$device.vhid") ;; esac
    done
    # A device keeps the description it was installed with: a change to the
    # driver or to a device makes the prefix again.
    stamp="${devices[*]} $(cat "$bin"/vwheel.sys "$bin"/vwheel.inf "$bin"/install_vwheels.exe "${files[@]}" |
      sha256sum | cut -c1-64)"
  fi
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Wine's long-lived processes must not inherit the lock (fd 9), or the
  # next up waits for them.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  # A server a previous run is still shutting down refuses new programs, and
  # one left by an interrupted run belongs to no one.
  stop_server 9>&-
  make_prefix "$stamp" 9>&-
  wineserver -p </dev/null >/dev/null 2>&1 9>&- || true
  if [ -n "$holder" ]; then
    hold_desktop "$holder" 9>&-
  else
    # The first program of a session starts Wine's background services, which
    # keep its standard output open: start them here, on /dev/null.
    wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
  [ -z "$bin" ] || install_devices "$bin" "${devices[@]}" 9>&-
}

case "${1:-}" in
  up) shift; up "$@" ;;
  down)
    stop_server
    check_template
    ;;
  run)
    shift
    options=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
    [ $# -ge 2 ] || die "run needs -- and a program"
    shift
    up "${options[@]}"
    status=0
    wine "$@" || status=$?
    stop_server
    check_template || status=1
    exit $status
    ;;
  console)
    shift
    [ $# -gt 0 ] || die "console needs a program"
    console "$@"
    ;;
  make) make_prefix "${2:-}" ;;
  ready) ready "${2:-}" ;;
  install)
    [ $# -ge 3 ] || die "install needs a folder and device files"
    shift
    install_devices "$@"
    ;;
  owned) owned ;;
  *)
    echo "usage: wine-prefix.sh up [--hold-desktop EXE] [--devices BIN [DEVICE...]] | down |" \
      "run [UP OPTION...] -- PROGRAM [ARG...] | console [--down] PROGRAM [ARG...] |" \
      "make [STAMP] | ready [STAMP] | install DIR FILE... | owned" >&2
    exit 2
    ;;
esac
