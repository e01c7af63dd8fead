#!/usr/bin/env bash
# Makes a device file for replay.sh from a HID report descriptor as it was
# dumped: a raw copy of the descriptor (the kernel's report_descriptor file)
# or the text usbhid-dump, hid-decode, xxd, hexdump -C or od -Ax -tx1 print.
#   bash replay/dump-to-device.sh --ids VID:PID --name NAME DUMP > my-wheel.vhid
# VID:PID are the ids in hexadecimal, as lsusb shows them. A text dump is
# copied as it stands, under the device file's head: the installer reads
# those formats, and names a line it cannot read when the file is replayed.
set -euo pipefail
export LC_ALL=C

usage() {
  echo "usage: bash replay/dump-to-device.sh --ids VID:PID --name NAME DUMP > DEVICE.vhid" >&2
  exit 2
}
ids=
name=
dump=
while [ $# -gt 0 ]; do
  case "$1" in
    --ids | --name)
      [ $# -ge 2 ] || usage
      if [ "$1" = --ids ]; then ids=$2; else name=$2; fi
      shift 2
      ;;
    -*) usage ;;
    *)
      [ -z "$dump" ] || usage
      dump=$1
      shift
      ;;
  esac
done
[ -n "$ids" ] && [ -n "$name" ] && [ -n "$dump" ] || usage
if ! [[ $ids =~ ^(0[xX])?([0-9a-fA-F]{1,4}):(0[xX])?([0-9a-fA-F]{1,4})$ ]]; then
  echo "dump-to-device: --ids takes the vendor and product id in hexadecimal, as lsusb shows them: 1209:5701" >&2
  exit 2
fi
vid=${BASH_REMATCH[2]}
pid=${BASH_REMATCH[4]}
# In a device file "#" starts a comment, and the name is one line.
if [[ $name == *'#'* || $name == *[[:cntrl:]]* || ${#name} -gt 126 ]]; then
  echo "dump-to-device: --name takes 1 to 126 characters, without \"#\" or control characters" >&2
  exit 2
fi
[ -f "$dump" ] && [ -r "$dump" ] || { echo "dump-to-device: cannot read $dump" >&2; exit 2; }

source_name=${dump##*/}
echo "# made by dump-to-device.sh from ${source_name//[[:cntrl:]]/?}"
printf 'vid 0x%s\npid 0x%s\nname %s\ndescriptor\n' "$vid" "$pid" "$name"
# A text dump holds no control characters besides white space, while a
# descriptor's own bytes always do (0x05 starts a usage page, 0x15 a
# logical minimum): those are the raw copy's.
if [ "$(tr -d '\t\n\v\f\r -\377' <"$dump" | wc -c)" -gt 0 ]; then
  od -An -v -tx1 "$dump"
else
  cat "$dump"
fi
