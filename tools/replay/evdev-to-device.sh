#!/usr/bin/env bash
# Makes a device file for replay.sh from a wheel's evtest header or sysfs
# folder: the descriptor Wine builds for it through SDL or its udev input
# backend (evdev_to_device.py says how).
#   bash replay/evdev-to-device.sh --wine 10 --backend sdl my-wheel.evtest > my-wheel.vhid
command -v python3 >/dev/null || { echo "evdev-to-device: needs python3" >&2; exit 2; }
exec python3 "$(dirname "$0")/evdev_to_device.py" "$@"
