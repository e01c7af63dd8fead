#!/usr/bin/env bash
# Configures and builds gantrel into ${GANTREL_BUILD_DIR:-build}; arguments
# go to `cmake --build` (e.g. --target gantrel_probe).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${GANTREL_BUILD_DIR:-$root/build}"

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
  -DCMAKE_BUILD_TYPE="${GANTREL_BUILD_TYPE:-Release}" >/dev/null
cmake --build "$build" "$@"
