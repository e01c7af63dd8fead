#!/usr/bin/env bash
# The shipped binaries' surface: module name, exports and imports of
# gantrel.dll, and the MSVC import library's symbols.
set -euo pipefail
dll="$1" lib="$2" def="$3"
objdump=x86_64-w64-mingw32-objdump
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

headers="$($objdump -p "$dll")"
grep -q 'file format pei-x86-64' <<<"$($objdump -f "$dll")" || fail "not a PE32+ x86-64 image"
grep -qE '^Name[[:space:]].* gantrel\.dll$' <<<"$headers" || fail "export directory does not name gantrel.dll"

expected="$(awk '/^ +dib_/ {print $1}' "$def" | sort)"
exports="$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" | awk '/^[[:space:]]+\[ *[0-9]+\] / {print $NF}' | sort)"
[ "$exports" = "$expected" ] || fail "exports differ from gantrel.def: $(diff <(echo "$expected") <(echo "$exports") | tr '\n' ' ')"
[ "$(wc -l <<<"$expected")" -eq 17 ] || fail "gantrel.def does not list 17 exports"

imports="$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort -u | tr '\n' ' ')"
for dll_name in $imports; do
  case "$dll_name" in
    kernel32.dll|msvcrt.dll|user32.dll|ole32.dll|dinput8.dll) ;;
    *) fail "imports a non-system DLL: $dll_name" ;;
  esac
done

nm_tool="$(command -v llvm-nm || command -v llvm-nm-14)"
lib_symbols="$("$nm_tool" "$lib" 2>/dev/null | awk '$2 == "T" && $3 ~ /^dib_/ {print $3}' | sort)"
[ "$lib_symbols" = "$expected" ] || fail "gantrel.lib symbols differ from gantrel.def"

echo "exports: $(wc -l <<<"$exports"), imports: $imports"
echo "$((failures == 0 ? 3 : 3 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
