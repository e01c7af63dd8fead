#!/usr/bin/env bash
# replay/dump-to-device.sh without Wine: a raw descriptor becomes hex pairs
# under the device file's head, a text dump is copied as it stands (the
# installer's parser reads its formats: tests/hid/zoo/device_file_test.cpp),
# and what would make a broken device file is refused. Usage: SOURCE WORK
set -euo pipefail
script="$1/tools/replay/dump-to-device.sh"
work="$2/dump-to-device"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# A joystick with one axis, as the kernel's report_descriptor holds it: its
# NUL bytes and 0xff must survive.
printf '\x05\x01\x09\x04\xa1\x01\x09\x30\x15\x00\x26\xff\x00\x75\x08\x95\x01\x81\x02\xc0' >raw.bin
head='# made by dump-to-device.sh from raw.bin
vid 0x1209
pid 0x57aa
name My Stick (2)
descriptor'
bash "$script" --ids 1209:57aa --name "My Stick (2)" raw.bin >raw.vhid || fail "raw: status $?"
want="$head
 05 01 09 04 a1 01 09 30 15 00 26 ff 00 75 08 95
 01 81 02 c0"
[ "$(cat raw.vhid)" = "$want" ] || fail "raw: got
$(cat raw.vhid)"

# Text, with a name in UTF-8 and Windows line ends, is copied byte for byte.
printf '00000000  05 01 09 04 a1 01 09 30  15 00 26 ff 00 75 08 95  |.......0..&..u..|\r\n00000010  01 81 02 c0                                       |....|\r\n00000014\r\n' >hexdump.txt
bash "$script" --ids 0x1209:0x57AA --name "Wheel é" hexdump.txt >text.vhid || fail "text: status $?"
{ printf '%s\n' "# made by dump-to-device.sh from hexdump.txt" "vid 0x1209" "pid 0x57AA" "name Wheel é" descriptor
  cat hexdump.txt; } >want.vhid
cmp -s text.vhid want.vhid || fail "text: got
$(cat text.vhid)"

# Each refusal: status 2, a message, nothing on standard output.
for args in "--ids 1209 --name x raw.bin" "--ids 1209:12345 --name x raw.bin" "--ids 1209:57aa raw.bin" \
  "--ids 1209:57aa --name x# raw.bin" "--ids 1209:57aa --name x missing.bin" "--ids 1209:57aa --name x raw.bin raw.bin" \
  "--name $(printf 'x%.0s' {1..127}) --ids 1:2 raw.bin"; do
  status=0
  bash "$script" $args >out.txt 2>err.txt || status=$?
  [ "$status" = 2 ] && [ -s err.txt ] && [ ! -s out.txt ] || fail "$args: status $status, said: $(cat err.txt)"
done

if ((failures)); then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "all dump-to-device checks passed"
