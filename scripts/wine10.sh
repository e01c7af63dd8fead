#!/usr/bin/env bash
# Runs programs under Wine 10, from a cached Debian 13 (trixie) root that holds
# Debian's wine 10 packages, beside the host's Wine 8.
#
#   wine10.sh root          makes the root once (debootstrap from Debian's
#                           archive, then wine) and prints its path
#   wine10.sh run CMD...    runs CMD inside the root, in the current folder,
#                           with the project (read-only) and its build tree
#                           at their own paths and WINE*, GTEST_* and
#                           GANTREL_* passed in; the prefix's wineserver is
#                           stopped before it returns
#
# Needs root, unshare and debootstrap, and the first time network access to
# Debian's archive and about 2 GB of disk. Environment:
#   GANTREL_WINE10_ROOT    the root (default /var/cache/gantrel/wine10-trixie)
#   GANTREL_DEBIAN_MIRROR  the archive (default: the one apt uses here)
#   GANTREL_BUILD_DIR      the build tree, when it is not <project>/build;
#                          several, separated by ':', are all mounted
#
# Each run gets private mount and process namespaces: its mounts are seen by no
# one else and vanish, with every process it started (wineserver included),
# however the run ends, even by SIGKILL. A lock keeps the root from being
# remade while a run uses it.
set -euo pipefail
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
project="$(cd "$(dirname "$0")/.." && pwd)"
build="${GANTREL_BUILD_DIR:-$project/build}"
root="${GANTREL_WINE10_ROOT:-/var/cache/gantrel/wine10-trixie}"
# What the root holds; a root made from another recipe is made again.
# wine32 runs the x86 tree's programs, as on the host.
recipe="trixie minbase wine wine64 wine32:i386 2"
packages=(wine wine64 wine32:i386)

die() { echo "wine10: $*" >&2; exit 1; }

mirror() {
  if [ -n "${GANTREL_DEBIAN_MIRROR:-}" ]; then echo "$GANTREL_DEBIAN_MIRROR"; return; fi
  local uri
  uri="$(sed -n 's/^URIs: *\(\S*\/debian\)\/\?$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1)"
  [ -n "$uri" ] || uri="$(sed -n 's/^deb \(\[[^]]*\] \)\?\(\S*\/debian\)\/\? .*/\2/p' /etc/apt/sources.list 2>/dev/null | head -n1)"
  echo "${uri:-http://deb.debian.org/debian}"
}

ready() { [ "$(cat "$root/.gantrel-root" 2>/dev/null)" = "$recipe" ]; }

# Inside a private mount namespace: what a chroot of $1 needs, then the project
# ($2, read-only) and the build trees ($3 on, writable) at their own paths.
mount_into() {
  local target="$1" tree
  mount -t proc proc "$target/proc"
  mount -t sysfs sysfs "$target/sys"
  # /dev without what is mounted under it: a devpts of this run's own, and
  # private shared memory and /tmp, so nothing is left in the host's /dev or
  # in the cached root.
  mount --bind /dev "$target/dev"
  mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$target/dev/pts"
  mount --bind "$target/dev/pts/ptmx" "$target/dev/ptmx"
  mount -t tmpfs tmpfs "$target/dev/shm"
  mount -t tmpfs tmpfs "$target/tmp"
  [ $# -gt 1 ] || return 0
  mkdir -p "$target$2"
  mount --bind -o ro "$2" "$target$2"
  shift 2
  local other inside
  for tree in "$@"; do
    # A tree inside another is reached through that one's mount: files are
    # hard-linked across them (prefixes and their templates), never across
    # two mounts.
    inside=
    for other in "$@"; do
      case "$tree/" in "$other/"?*) inside=1 ;; esac
    done
    [ -z "$inside" ] || continue
    mkdir -p "$tree" "$target$tree"
    mount --bind "$tree" "$target$tree"
  done
}

# One step of making the root, in namespaces of its own: ending it ends all it
# started and unmounts what it mounted (debootstrap mounts proc and sys).
step() {
  local what="$1"
  shift
  unshare --mount --pid --fork --kill-child --propagation private -- "$@" >>"$tmp.log" 2>&1 &
  child=$!
  wait "$child" || { child=; tail -n 20 "$tmp.log" >&2; die "$what failed (log above)"; }
  child=
}

# Makes the root in a temporary folder beside it and renames it into place
# once complete, so an interrupted attempt never leaves a half-made root.
# Called with the lock held exclusively.
make_root() {
  local started=$SECONDS
  rm -rf --one-file-system "$root".new.* "$root".old.*
  tmp="$(mktemp -d "$root.new.XXXXXX")"
  chmod 755 "$tmp"
  child=
  trap '[ -z "$child" ] || kill "$child" 2>/dev/null; wait; rm -rf --one-file-system "$tmp" "$tmp.log"' EXIT
  trap 'exit 1' INT TERM HUP
  echo "wine10: making the Debian 13 root with Wine 10 in $root (from $(mirror); once)" >&2
  step debootstrap debootstrap --variant=minbase trixie "$tmp" "$(mirror)"
  echo "wine10: Debian 13 base system in $((SECONDS - started)) s; installing ${packages[*]}" >&2
  step "installing ${packages[*]}" bash "$self" _install "$tmp"
  echo "$recipe" >"$tmp/.gantrel-root"
  [ ! -e "$root" ] || mv "$root" "$root.old.$$"
  mv "$tmp" "$root"
  trap - EXIT INT TERM HUP
  rm -rf --one-file-system "$root.old.$$" "$tmp.log"
  echo "wine10: root ready in $((SECONDS - started)) s: $(cat "$root/.gantrel-wine")" >&2
}

# Leaves fd 8 holding a shared lock on a complete root.
take_root() {
  [ "$(id -u)" -eq 0 ] || die "needs root (debootstrap, chroot and mounts)"
  command -v debootstrap >/dev/null || die "debootstrap is missing (scripts/setup.sh installs it)"
  mkdir -p "$(dirname "$root")"
  exec 8>"$root.lock"
  flock -s 8
  if ! ready; then
    flock -x 8
    ready || make_root
    flock -s 8
  fi
}

case "${1:-}" in
  root)
    take_root
    echo "$root"
    ;;
  run)
    shift
    [ $# -gt 0 ] || die "run needs a command"
    take_root
    exec unshare --mount --pid --fork --kill-child --propagation private -- \
      bash "$self" _enter "$PWD" "$@"
    ;;
  _install)
    # The new root's first use: Debian's wine 10, nothing recommended beside it.
    target="$2"
    mount_into "$target"
    chroot "$target" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
      sh -c "dpkg --add-architecture i386 && apt-get update -q &&
             apt-get install -y -q --no-install-recommends ${packages[*]} && apt-get clean"
    chroot "$target" env -i PATH=/usr/bin:/bin WINEDEBUG=-all wine --version >"$target/.gantrel-wine"
    ;;
  _enter)
    # PID 1 of the run's namespaces: everything else in them ends with it.
    cwd="$2"
    shift 2
    IFS=: read -r -a trees <<<"$build"
    mount_into "$root" "$project" "${trees[@]}"
    vars=(HOME=/root PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin LANG=C.UTF-8)
    for name in $(compgen -e); do
      case "$name" in WINE* | GTEST_* | GANTREL_* | TERM) vars+=("$name=${!name}") ;; esac
    done
    # Stop the prefix's wineserver itself, so Wine saves its registry, before
    # the namespace ends whatever is left.
    status=0
    chroot "$root" env -i "${vars[@]}" bash -c \
      'cd "$1" && shift && "$@"; status=$?; wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; exit $status' \
      wine10 "$cwd" "$@" || status=$?
    exit $status
    ;;
  *)
    echo "usage: wine10.sh root | run COMMAND [ARG...]" >&2
    exit 2
    ;;
esac
