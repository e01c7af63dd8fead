#!/usr/bin/env bash
# Installs the kit, builds the example hosts against it through find_package
# exactly as a host project would, and runs them under Wine beside the
# simulated DirectInput.
#   host_kit.sh <build tree> <source dir> <simulated dinput8.dll> <x64|x86> [other architecture's tree]
# With the other tree built too, the kit holds both architectures, as the
# release does, and find_package must pick this one.
set -euo pipefail
build="$1" source="$2" simulator="$3" arch="$4" other="${5:-}"
toolchain="$source/cmake/toolchain-mingw64.cmake"
if [ "$arch" = x86 ]; then toolchain="$source/cmake/toolchain-mingw32.cmake"; fi
work="$build/kit-test"
rm -rf "$work"
mkdir -p "$work"

cmake --install "$build" --prefix "$work/kit" >/dev/null
if [ -n "$other" ] && [ -f "$other/bin/gantrel.dll" ]; then
  cmake --install "$other" --prefix "$work/kit" >/dev/null
fi
cmake -S "$source/examples" -B "$work/examples" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=BOTH \
  -DCMAKE_PREFIX_PATH="$work/kit" >/dev/null
cmake --build "$work/examples" >/dev/null

# What a host ships: its executable, gantrel.dll from the kit; here also the
# simulated dinput8.dll so that there is a device to talk to.
run="$work/run"
mkdir -p "$run"
cp "$work/examples/host_c.exe" "$work/examples/host_cpp.exe" "$work/kit/bin/$arch/gantrel.dll" "$simulator" "$run/"

# In strict mode the simulator reports, on standard error, any call that
# breaks a rule the library sets for its host: the examples must make none.
export WINEDLLOVERRIDES=dinput8=n WINEDEBUG=-all GANTREL_SIM_STRICT=1
failures=0
# pipefail (set above) makes a failing program fail the substitution.
check() {  # program, expected line patterns...
  local program="$1" output
  shift
  output="$(cd "$run" && wine "./$program" 2>&1 | tr -d '\r')" || { echo "FAIL: $program exited non-zero"; echo "$output"; failures=$((failures + 1)); return; }
  echo "$output"
  if grep -q '^gantrel-sim: strict:' <<<"$output"; then echo "FAIL: $program broke a rule of the library"; failures=$((failures + 1)); fi
  for pattern in "$@"; do
    grep -qE "$pattern" <<<"$output" || { echo "FAIL: $program printed no line matching: $pattern"; failures=$((failures + 1)); }
  done
}
check host_c.exe '^library: \{"version":"0\.9\.6","abi":1,' '^devices: \[\{"guid":"\{' \
  '^opened \{[0-9A-F-]{36}\} as device 1, force-feedback axes 0x[1-9A-F]' '^playing constant force \(effect 1\)' \
  '^released device 1$'
check host_cpp.exe '^opened device 1$' '^swept a constant force through 360 degrees$' '^released$'
echo "$((2 - (failures > 0 ? 1 : 0))) passed, $((failures > 0 ? 1 : 0)) failed"
[ "$failures" -eq 0 ]
