#!/usr/bin/env python3
"""Makes a device file for replay.sh from a wheel's Linux-side description:
the HID report descriptor Wine builds for it through SDL or through its udev
input backend, byte for byte as Wine 8.0 or Wine 10.0 builds it.

usage: evdev-to-device.sh --wine 8|10 --backend sdl|udev-input [options] SOURCE > DEVICE.vhid

SOURCE is an evtest header (what `evtest /dev/input/eventN` prints before
"Testing ...") or a copy of the folder /sys/class/input/eventN/device.
  --sdl-type TYPE   what SDL_JoystickGetType says: wheel, joystick, gamepad or
                    flightstick; by default wheel when the ids are on the wheel
                    list of the SDL Debian ships with that Wine, else what the
                    description says that SDL calls it ("# sdl 2.26.5: joystick"),
                    else refused
  --absinfo FILE    the axes' ranges for a sysfs folder: "ABS_X 0 65535 [fuzz flat resolution]"
  --long-bits N     the word size of the sysfs capability files (32 or 64; this machine's by default)
  --ids VID:PID     other ids for the file (in hexadecimal); --name NAME another product name
"""
import argparse
import os
import re
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from linux_input import codes, evtest, sysfs  # noqa: E402
from linux_input.description import Refusal, driver_plays  # noqa: E402
from winebus import sdl, udev_input  # noqa: E402
from winebus.hid import BuildError  # noqa: E402


class Parser(argparse.ArgumentParser):
    def error(self, message):
        raise Refusal(message)


def arguments(argv):
    p = Parser(prog="evdev-to-device.sh", add_help=False)
    p.add_argument("--wine", type=int, choices=[8, 10], required=True)
    p.add_argument("--backend", choices=["sdl", "udev-input"], required=True)
    p.add_argument("--sdl-type", choices=sorted(sdl.TYPES))
    p.add_argument("--absinfo")
    p.add_argument("--long-bits", type=int, choices=[32, 64], default=struct.calcsize("l") * 8)
    p.add_argument("--ids")
    p.add_argument("--name")
    p.add_argument("source")
    return p.parse_args(argv)


def describe(args):
    if os.path.isdir(args.source):
        return sysfs.read(args.source, args.long_bits, args.absinfo)
    if args.absinfo:
        raise Refusal("--absinfo goes with a sysfs folder: an evtest header has the ranges")
    if not os.path.isfile(args.source):
        raise Refusal(f"cannot read {args.source}")
    return evtest.read(args.source)


def device_file(args):
    d = describe(args)
    if args.ids:
        m = re.fullmatch(r"(?:0[xX])?([0-9a-fA-F]{1,4}):(?:0[xX])?([0-9a-fA-F]{1,4})", args.ids)
        if not m:
            raise Refusal("--ids takes the vendor and product id in hexadecimal, as lsusb shows them: 046d:c24f")
    name = args.name or d.name
    if "#" in name or any(ord(c) < 32 for c in name) or not 0 < len(name) <= 126:
        raise Refusal("the name takes 1 to 126 characters, without \"#\" or control characters (--name)")
    notes = []
    if args.backend == "sdl":
        if args.sdl_type:
            sdl_type, why = args.sdl_type, "as given"
        else:
            sdl_type, why = sdl.sdl_type_of(d, args.wine)
        notes.append(f"SDL joystick type {sdl_type}: {why}")
        data, listed, axes = sdl.descriptor(d, args.wine, sdl_type)
        backend = "SDL (bus_sdl.c)"
    else:
        data, listed, axes = udev_input.descriptor(d, args.wine)
        backend = "udev input (bus_udev.c)"
    plays = driver_plays(d.ff)
    silent = [t for t in listed if t not in plays]
    vid, pid = (int(m[1], 16), int(m[2], 16)) if args.ids else (d.vid, d.pid)
    lines = [f"# made by evdev-to-device.sh from {os.path.basename(os.path.normpath(args.source))}: the descriptor "
             f"Wine {args.wine}.0 builds through {backend}"]
    lines += [f"# {n}" for n in notes]
    lines += [f"# axes: {', '.join(f'{codes.abs_name(c)} -> {n}' for c, _, _, n in axes) or 'none'}",
              f"# wine lists: {', '.join(listed) or 'no force feedback'}",
              f"# driver plays: {', '.join(plays) or 'none'}"]
    if silent:
        lines.append(f"# listed, the driver cannot play: {', '.join(silent)}")
    lines += [f"# {key}: {value}" for key, value in d.facts.items() if key != "kind"]
    lines += [f"vid 0x{vid:04x}", f"pid 0x{pid:04x}", f"name {name}"]
    lines += [f"kind {d.facts['kind']}"] if "kind" in d.facts else []
    lines += ["descriptor"]
    lines += [" ".join(f"{b:02x}" for b in data[i:i + 16]) for i in range(0, len(data), 16)]
    return "\n".join(lines) + "\n"


def main(argv):
    try:
        text = device_file(arguments(argv))
    except (Refusal, BuildError) as why:
        print(f"evdev-to-device: {why}", file=sys.stderr)
        return 2
    sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
