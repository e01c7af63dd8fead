#!/usr/bin/env bash
# The shipped binaries' surface: machine, module name, exports and imports of
# gantrel.dll, the symbols of both import libraries, and what a plain
# `dlltool -d` makes of the kit's export list.
#   dll_surface.sh <x64|x86> <gantrel.dll> <libgantrel.dll.a> <gantrel.lib> <gantrel.def> <the kit's gantrel.def>
set -euo pipefail
arch="$1" dll="$2" mingw_lib="$3" msvc_lib="$4" def="$5" kit_def="$(realpath "$6")"
case "$arch" in
  x64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 dlltool=x86_64-w64-mingw32-dlltool ;;
  x86) objdump=i686-w64-mingw32-objdump format=pei-i386 dlltool=i686-w64-mingw32-dlltool ;;
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
# The names the import library asks the DLL for: hint/name entries, each
# a two-byte hint, the name and a NUL.
import_names() {
  "$objdump" -s -j '.idata$6' "$1" |
    awk '/^Contents/ {print ""} /^ [0-9a-f][0-9a-f][0-9a-f][0-9a-f] / {
      hex = substr($0, 7, 35); gsub(/ /, "", hex); printf "%s", hex } END {print ""}' |
    while read -r hex; do
      name="" hex="${hex:4}"
      while [ -n "$hex" ] && [ "${hex:0:2}" != 00 ]; do name+="\\x${hex:0:2}" hex="${hex:2}"; done
      [ -z "$name" ] || printf '%b\n' "$name"
    done | sort
}
made="$(mktemp -d)"
trap 'rm -rf "$made"' EXIT
(cd "$made" && "$dlltool" -d "$kit_def" -l from_kit_def.a)
for lib in "$mingw_lib" "$made/from_kit_def.a"; do
  check [ "$(import_names "$lib")" = "$expected" ] ||
    fail "$(basename "$lib") imports other names than the DLL exports: $(import_names "$lib" | tr '\n' ' ')"
done

for lib in "$mingw_lib" "$msvc_lib" "$made/from_kit_def.a"; do
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
