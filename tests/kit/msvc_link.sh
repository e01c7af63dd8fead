#!/usr/bin/env bash
# Builds tests/kit/msvc_host.c as an MSVC toolchain would (clang in MSVC mode,
# lld-link, the kit's gantrel.lib, no C runtime) and runs it under Wine
# beside gantrel.dll and the simulated DirectInput.
#   msvc_link.sh <x64|x86> <source dir> <gantrel.dll> <gantrel.lib> <simulated dinput8.dll> <work dir>
set -euo pipefail
arch="$1" source="$2" dll="$3" lib="$4" simulator="$5" work="$6"
case "$arch" in
  x64) target=x86_64-pc-windows-msvc machine=x64 dlltool=(-m i386:x86-64) exit_process=ExitProcess ;;
  x86) target=i686-pc-windows-msvc machine=x86 dlltool=(-m i386 -k) exit_process=ExitProcess@4 ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac
rm -rf "$work"
mkdir -p "$work"
cd "$work"

# Only ExitProcess is needed from the system: an import library of its own.
printf 'LIBRARY kernel32.dll\nEXPORTS\n    %s\n' "$exit_process" >kernel32.def
llvm-dlltool "${dlltool[@]}" -d kernel32.def -l kernel32.lib

clang --target="$target" -O2 -fomit-frame-pointer -ffreestanding -fno-builtin -Werror -Wall \
  -I"$source/include" -c "$source/tests/kit/msvc_host.c" -o msvc_host.obj
lld-link /nologo /nodefaultlib /subsystem:console /entry:host_main /machine:"$machine" \
  /out:msvc_host.exe msvc_host.obj "$lib" kernel32.lib
cp "$dll" "$simulator" .

status=0
WINEDLLOVERRIDES=dinput8=n WINEDEBUG=-all wine ./msvc_host.exe || status=$?
if [ "$status" -ne 0 ]; then
  echo "FAIL: msvc_host.exe ($arch) stopped at step $status"
  exit 1
fi
echo "msvc_host.exe ($arch): every export answered as expected"
