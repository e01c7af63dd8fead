#!/usr/bin/env bash
# Installs, on a Debian 12 machine, every package the build and the tests need.
# Safe to run again: it only calls apt-get when something is missing, says
# what it installs and why, and shows the download and installation progress.
set -euo pipefail

# Each package and what the project needs it for. wine64 alone lacks the
# `wine` command, which the wine package brings.
declare -A purpose=(
  [cmake]="build system"
  [ninja-build]="build tool"
  [mingw-w64]="compilers for Windows, x86 and x64"
  [g++-mingw-w64-x86-64-posix]="C++ compiler for x64 Windows, posix threads"
  [g++-mingw-w64-i686-posix]="C++ compiler for x86 Windows, posix threads"
  [wine]="runs the Windows programs and tests (wine command)"
  [wine64]="runs the Windows programs and tests (64-bit)"
  [wine32:i386]="runs the x86 build's programs and tests (32-bit)"
  [googletest]="test framework, built from source for Windows"
  [nlohmann-json3-dev]="JSON parser of the simulator and the probe"
  [llvm]="llvm-dlltool, makes the Visual Studio import library"
  [clang]="builds the test host that links like Visual Studio"
  [lld]="lld-link, links that test host against gantrel.lib"
  [tmux]="a real terminal for the probe's interactive test"
  [python3]="checks the documentation against the product"
  [debootstrap]="makes the Debian 13 root whose Wine 10 runs the tests a second time"
)
packages=(cmake ninja-build mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          wine wine64 wine32:i386 googletest nlohmann-json3-dev llvm clang lld tmux python3 debootstrap)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
((${#missing[@]})) || exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
# Wait for another apt or dpkg run instead of failing at once.
apt=("${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600)

echo "setup: installing what the build and tests need:"
for p in "${missing[@]}"; do printf '  %-20s %s\n' "$p" "${purpose[$p]:-}"; done
# 32-bit Wine comes from Debian's i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding Debian's i386 architecture, for 32-bit Wine"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
echo "setup: updating the package lists"
"${apt[@]}" update -qq
# apt-get --assume-no states the download and disk sizes, then stops.
"${apt[@]}" install --assume-no "${missing[@]}" 2>/dev/null |
  sed -n 's/^\(Need to get .*\)/setup: \1/p; s/^\(After this operation, .*\)/setup: \1/p' || true

# apt-get's machine-readable status (APT::Status-Fd) becomes one line per
# five per cent of each phase; its full output goes to a log kept on failure.
log="$(mktemp)"
progress() {
  awk -F: '{
    phase = $1 == "dlstatus" ? "download" : $1 == "pmstatus" ? "install" : ""
    if (phase == "") next
    percent = int($3); message = $0; sub(/^[^:]*:[^:]*:[^:]*:/, "", message)
    if (phase != last_phase || percent >= last + 5 || percent == 100) {
      printf "setup: %-8s %3d%%  %s\n", phase, percent, message; fflush()
      last_phase = phase; last = percent
    }
  }'
}
if "${apt[@]}" install -y -q -o APT::Status-Fd=3 "${missing[@]}" 3>&1 >"$log" 2>&1 | progress; then
  rm -f "$log"
  echo "setup: done"
else
  echo "setup: apt-get failed; its last lines (all of them in $log):" >&2
  tail -n 20 "$log" >&2
  exit 1
fi
