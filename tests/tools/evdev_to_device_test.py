#!/usr/bin/env python3
"""replay/evdev-to-device.sh without Wine: the descriptors it makes are the
bytes Wine's own code builds (wine_descriptors.txt), a wheel's sysfs files
give what its evtest header gives, and every kind of bad input is refused
with a message and nothing on standard output. Usage: SOURCE WORK"""
import contextlib
import io
import pathlib
import subprocess
import sys
from types import SimpleNamespace

source, work = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]) / "evdev-to-device"
script = source / "tools/replay/evdev-to-device.sh"
g29 = source / "vhid/devices/zoo/linux/g29.evtest"
failures = []
sys.path.insert(0, str(source / "tools/replay"))
import evdev_to_device  # noqa: E402


def run(*args):
    """The converter's status and output, in this process (the script is one exec away)."""
    out, err = io.StringIO(), io.StringIO()
    with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
        status = evdev_to_device.main([str(a) for a in args])
    return SimpleNamespace(returncode=status, stdout=out.getvalue(), stderr=err.getvalue())


def descriptor(text):
    return "".join(text.split("\ndescriptor\n", 1)[1].split()) if "\ndescriptor\n" in text else None


def write(path, text):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text)
    return path


# Each row: a description of the zoo, the backend, the Wine, Wine's bytes.
rows = [line.split() for line in (source / "tests/tools/wine_descriptors.txt").read_text().splitlines()
        if line and not line.startswith("#")]
for i, (name, backend, wine, want) in enumerate(rows):
    args = ("--wine", wine, "--backend", backend, g29.parent / f"{name}.evtest")
    got = subprocess.run(["bash", str(script), *map(str, args)], capture_output=True, text=True) if i == 0 else run(*args)
    if got.returncode or descriptor(got.stdout) != want:
        failures.append(f"{name} {backend} Wine {wine}: status {got.returncode}, {got.stderr.strip()}")

# The G29 as sysfs shows it on 64-bit and on 32-bit kernels (capability words,
# the highest first), with its ranges in an absinfo file.
absinfo = write(work / "g29.absinfo", "ABS_X 0 65535\nABS_Y 0 255\n2 0 255  # ABS_Z by number\nABS_RZ 0 255\n"
                                      "ABS_HAT0X -1 1 0 0 0\nABS_HAT0Y -1 1\n")
words = {64: ("1ff 0 0 0 0 0 0 ffff00000000 0 0 0 0", "300040000 0"),
         32: ("1ff" + " 0" * 12 + " ffff" + " 0" * 9, "3 40000 0 0")}
for bits, (key, ff) in words.items():
    folder = work / f"sysfs{bits}"
    for name, text in (("name", "Logitech G29 Driving Force Racing Wheel\n"), ("id/vendor", "046d\n"),
                       ("id/product", "c24f\n"), ("capabilities/abs", "30027\n"), ("capabilities/rel", "0\n"),
                       ("capabilities/key", key + "\n"), ("capabilities/ff", ff + "\n")):
        write(folder / name, text)
    for wine in (8, 10):
        for backend in ("sdl", "udev-input"):
            want = descriptor(run("--wine", wine, "--backend", backend, g29).stdout)
            got = run("--wine", wine, "--backend", backend, "--absinfo", absinfo, "--long-bits", bits, folder)
            if got.returncode or descriptor(got.stdout) != want:
                failures.append(f"sysfs {bits}-bit {backend} Wine {wine}: status {got.returncode}, {got.stderr.strip()}")

# Bad input, each with a word of the message that names what is wrong.
header = g29.read_text()
cut = write(work / "cut.evtest", header.split("      Min        0\n      Max    65535")[0])
stray = write(work / "stray.evtest", header.replace("  Event type 3 (EV_ABS)\n", "      Min 0\n  Event type 3 (EV_ABS)\n"))
no_id = write(work / "no-id.evtest", header.replace("Input device ID", "Device"))
no_name = write(work / "no-name.evtest", header.replace("Input device name", "Device name"))
inverted = write(work / "inverted.evtest", header.replace("Max    65535", "Max    -5"))
empty = write(work / "empty.evtest", header.split("  Event type 1")[0] + "  Event type 21 (EV_FF)\n")
unlisted = write(work / "unlisted.evtest", header.replace("product 0xc24f", "product 0x1234"))
gamepad = write(work / "gamepad.evtest", header.replace("(BTN_TRIGGER)", "(BTN_TRIGGER)\n    Event code 304 (BTN_SOUTH)"))
no_ff, bad_word = work / "no-ff", work / "bad-word"
for name in ("name", "id/vendor", "id/product", "capabilities/abs", "capabilities/key"):
    write(no_ff / name, (work / "sysfs64" / name).read_text())
    write(bad_word / name, (work / "sysfs64" / name).read_text())
write(bad_word / "capabilities/ff", "0\n")
write(bad_word / "capabilities/abs", "3002g\n")
long_word = work / "sysfs64"
wrong_axis = write(work / "wrong-axis.absinfo", "ABS_BRAKE 0 255\n")
short_line = write(work / "short.absinfo", "ABS_X 0\n")
sdl8, input8 = ("--wine", 8, "--backend", "sdl"), ("--wine", 8, "--backend", "udev-input")
refusals = [
    ("no evtest header", "no evtest header", (*sdl8, no_id)),
    ("a header cut short", "cut short", (*sdl8, cut)),
    ("a range outside an axis", "belongs to no axis", (*sdl8, stray)),
    ("no name", "device's name", (*sdl8, no_name)),
    ("a minimum above the maximum", "above its maximum", (*sdl8, inverted)),
    ("no axes and no buttons", "no axes and no buttons", (*sdl8, empty)),
    ("ids on no wheel list", "--sdl-type", (*sdl8, unlisted)),
    ("a game controller for SDL", "BTN_GAMEPAD", (*sdl8, gamepad)),
    ("no such file", "cannot read", (*sdl8, work / "missing.evtest")),
    ("a sysfs folder without ff", "no capabilities/ff", (*sdl8, no_ff)),
    ("a capability word that is no hexadecimal", "no hexadecimal", (*sdl8, bad_word)),
    ("a 64-bit word read as 32-bit", "longer than a 32-bit word", (*sdl8, "--long-bits", 32, long_word)),
    ("sysfs without ranges, udev input", "has none", (*input8, long_word)),
    ("sysfs without a hat's figures, SDL", "needs them", (*sdl8, "--long-bits", 64, long_word)),
    ("a range of an axis the device lacks", "has no ABS_BRAKE", (*input8, "--absinfo", wrong_axis, long_word)),
    ("a short absinfo line", "want \"ABS_X min max", (*input8, "--absinfo", short_line, long_word)),
    ("ranges beside an evtest header", "--absinfo goes with", (*sdl8, "--absinfo", absinfo, g29)),
    ("ids that are no ids", "--ids", (*sdl8, "--ids", "46d", g29)),
    ("a name with #", "the name", (*sdl8, "--name", "G29 #1", g29)),
    ("no backend", "--backend", ("--wine", 10, g29)),
    ("hidraw, which Wine takes from the device", "--backend", ("--wine", 10, "--backend", "hidraw", g29)),
]
for what, phrase, args in refusals:
    got = run(*args)
    if got.returncode != 2 or got.stdout or phrase not in got.stderr:
        failures.append(f"{what}: status {got.returncode}, said: {got.stderr.strip()}")

for f in failures:
    print(f"FAIL: {f}", file=sys.stderr)
print(f"evdev-to-device: {len(rows)} descriptors, {2 * 4} sysfs readings, {len(refusals)} refusals: {len(failures)} failure(s)")
sys.exit(1 if failures else 0)
