#!/usr/bin/env bash
# Installs, on a Debian 12 machine, every package the build and the tests need.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

# wine64 alone lacks the `wine` command, which the wine package brings.
packages=(cmake ninja-build mingw-w64 wine wine64 googletest nlohmann-json3-dev llvm)

# debootstrap makes the Wine 10 root of scripts/wine10.sh.
packages+=(debootstrap)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
