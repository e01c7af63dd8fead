#!/usr/bin/env bash
# Installs, on a Debian 12 machine, every package the build and the tests need.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

# wine64 alone lacks the `wine` command, which the wine package brings;
# wine32:i386 runs the x86 build. clang and lld build the MSVC-style test host;
# tmux drives the probe's terminal test.
packages=(cmake ninja-build mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          wine wine64 wine32:i386 googletest nlohmann-json3-dev llvm clang lld tmux)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  # 32-bit Wine comes from Debian's i386 architecture.
  dpkg --print-foreign-architectures | grep -qx i386 || "${sudo_cmd[@]}" dpkg --add-architecture i386
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
