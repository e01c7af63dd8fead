#!/usr/bin/env bash
# Configures and builds gantrel for x64 into ${GANTREL_BUILD_DIR:-build} and
# for x86 into <that>/x86, from the same sources. Arguments go to each
# tree's `cmake --build` (e.g. --target gantrel_probe).
# GANTREL_ARCHS="x64" builds the x64 tree alone; the x86 tree needs the x64
# tree (its HID tests use the x64 drivers), so x86 is always built after x64.
# GANTREL_CMAKE_ARGS adds configure options to both (e.g. -DGANTREL_TESTS=OFF).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${GANTREL_BUILD_DIR:-$root/build}"
archs="${GANTREL_ARCHS:-x64 x86}"

bash "$root/scripts/setup.sh"

configure() {  # tree toolchain other-tree
  cmake -S "$root" -B "$1" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$2" \
    -DCMAKE_BUILD_TYPE="${GANTREL_BUILD_TYPE:-Release}" \
    -DGANTREL_OTHER_ARCH_BUILD="$3" ${GANTREL_CMAKE_ARGS:-} >/dev/null
}

x86=""
case " $archs " in *" x86 "*) x86="$build/x86" ;; esac
configure "$build" toolchain-mingw64.cmake "$x86"
cmake --build "$build" "$@"
if [ -n "$x86" ]; then
  configure "$x86" toolchain-mingw32.cmake "$build"
  cmake --build "$x86" "$@"
fi
