#!/usr/bin/env bash
# The shipped binaries' surface: machine, module name, exports and imports of
# gantrel.dll, and the symbols of both import libraries.
#   dll_surface.sh <x64|x86> <gantrel.dll> <libgantrel.dll.a> <gantrel.lib> <gantrel.def>
set -euo pipefail
arch="$1" dll="$2" mingw_lib="$3" msvc_lib="$4" def="$5"
case "$arch" in
  x64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 ;;
  x86) objdump=i686-w64-mingw32-objdump format=pei-i386 ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac
failures=0 checks=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { checks=$((checks + 1)); "$@"; }

headers="$($objdump -p "$dll")"
check grep -q "file format $format" <<<"$($objdump -f "$dll")" || fail "not a $format image"
check grep -qE '^Name[[:space:]].* gantrel\.dll$' <<<"$headers" || fail "export directory does not name gantrel.dll"

expected="$(awk '/^ +dib_/ {print $1}' "$def" | sort)"
[ "$(wc -l <<<"$expected")" -eq 17 ] || fail "gantrel.def does not list 17 exports"
exports="$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" | awk '/^[[:space:]]+\[ *[0-9]+\] / {print $NF}' | sort)"
check [ "$exports" = "$expected" ] || fail "exports differ from gantrel.def: $(diff <(echo "$expected") <(echo "$exports") | tr '\n' ' ')"

imports="$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort -u | tr '\n' ' ')"
for dll_name in $imports; do
  case "$dll_name" in
    kernel32.dll|msvcrt.dll|user32.dll|ole32.dll|dinput8.dll) ;;
    *) fail "imports a non-system DLL: $dll_name" ;;
  esac
done

# What a host's calls link to: x64 names are plain; x86 names are the
# __stdcall ones, _dib_open@4, each with its __imp_ twin.
nm_tool="$(command -v llvm-nm || command -v llvm-nm-14)"
symbols_of() {  # import library -> its code and __imp_ symbols, one per line
  "$nm_tool" "$1" 2>/dev/null | awk '$2 == "T" || $2 == "I" {print $3}' | grep 'dib_' | sort -u
}
if [ "$arch" = x64 ]; then
  want="$(sed -e 's/^/__imp_/' <<<"$expected"; echo "$expected")"
else
  want="$(sed -e 's/^/__imp__/' <<<"$expected"; sed -e 's/^/_/' <<<"$expected")"
fi
want="$(sort <<<"$want")"
for lib in "$mingw_lib" "$msvc_lib"; do
  got="$(symbols_of "$lib")"
  [ "$arch" = x86 ] && got="$(sed -E 's/@[0-9]+$//' <<<"$got" | sort)"
  check [ "$got" = "$want" ] || fail "$(basename "$lib"): symbols differ: $(diff <(echo "$want") <(echo "$got") | tr '\n' ' ')"
  if [ "$arch" = x86 ]; then
    plain="$(symbols_of "$lib" | grep -vcE '@[0-9]+$' || true)"
    check [ "$plain" -eq 0 ] || fail "$(basename "$lib"): $plain symbols lack the @<bytes> of __stdcall"
  fi
done

echo "$arch: exports: $(wc -l <<<"$exports"), imports: $imports"
echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
