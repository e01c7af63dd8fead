"""What Wine's udev input backend (winebus.sys bus_udev.c, its "lnxev"
devices) builds for an evdev device: build_report_descriptor over hid.py.

udev marks a wheel ID_INPUT_JOYSTICK, which what_am_I turns into a Game Pad
collection: the top-level usage and the physical collection of the input
report. The rumble reports need the kernel to take a rumble effect
(EVIOCSFF), as a driver with FF_RUMBLE does.
"""
from . import hid
from linux_input import codes
from linux_input.description import Refusal

G, S = hid.PAGE_GENERIC, hid.PAGE_SIMULATION
# absolute_usages, by evdev code; the codes without a usage make no axis.
ABSOLUTE = {
    codes.ABS_X: (G, 0x30, "X"), codes.ABS_Y: (G, 0x31, "Y"), codes.ABS_Z: (G, 0x32, "Z"),
    codes.ABS_RX: (G, 0x33, "Rx"), codes.ABS_RY: (G, 0x34, "Ry"), codes.ABS_RZ: (G, 0x35, "Rz"),
    codes.ABS_THROTTLE: (S, 0xBB, "Throttle"), codes.ABS_RUDDER: (S, 0xBA, "Rudder"),
    codes.ABS_WHEEL: (G, 0x38, "Wheel"), codes.ABS_GAS: (S, 0xC4, "Accelerator"),
    codes.ABS_BRAKE: (S, 0xC5, "Brake"), 0x18: (0x0D, 0x30, "Tip Pressure"), 0x1A: (0x0D, 0x3D, "X Tilt"),
    0x1B: (0x0D, 0x3E, "Y Tilt"), 0x20: (0x0C, 0xE0, "Volume"),
}
ABSOLUTE_TABLE_SIZE = 0x21          # ARRAY_SIZE(absolute_usages): codes from 0x21 on are never read
RELATIVE = [0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38]   # REL_X .. REL_WHEEL; REL_MISC none
# The FF bits, in the order build_report_descriptor lists their types.
FF_ORDER = [(codes.FF_SINE, "sine"), (codes.FF_SQUARE, "square"), (codes.FF_TRIANGLE, "triangle"),
            (codes.FF_SAW_UP, "sawtoothup"), (codes.FF_SAW_DOWN, "sawtoothdown"), (codes.FF_SPRING, "spring"),
            (codes.FF_DAMPER, "damper"), (codes.FF_INERTIA, "inertia"), (codes.FF_FRICTION, "friction"),
            (codes.FF_CONSTANT, "constant"), (codes.FF_RAMP, "ramp")]


def descriptor(description, wine):
    """(descriptor bytes, the types Wine lists, the axes as (evdev code, usage page, usage, name))."""
    dsc = description
    d = hid.Descriptor(wine)
    d.begin_report_descriptor(G, 0x05)
    d.begin_input_report(G, 0x05)
    axes = []
    for code in sorted(c for c in dsc.abs if c in ABSOLUTE):
        info = dsc.abs[code]
        if info.minimum is None:
            raise Refusal(f"Wine's input backend copies each axis's range into the descriptor: "
                          f"{codes.abs_name(code)} has none (give --absinfo, or use evtest's header)")
        page, usage, name = ABSOLUTE[code]
        d.add_axes(page, [usage], False, info.minimum, info.maximum)
        axes.append((code, page, usage, name))
    for code in sorted(c for c in dsc.rel if c < len(RELATIVE)):
        d.add_axes(G, [RELATIVE[code]], True, -2 ** 31, 2 ** 31 - 1)
    # A hat counts when its X axis is there.
    hats = [x for x in range(codes.ABS_HAT0X, codes.ABS_HAT3X + 1, 2) if x in dsc.abs]
    if hats:
        d.add_hatswitch(len(hats))
    # count_buttons: every key from BTN_MISC on.
    buttons = len([k for k in dsc.keys if k >= codes.BTN_MISC])
    if buttons:
        d.add_buttons(hid.PAGE_BUTTON, 1, buttons)
    d.end_input_report()
    if codes.FF_RUMBLE in dsc.ff:
        d.add_haptics()
    listed = []
    if dsc.ff:
        listed = [name for code, name in FF_ORDER if code in dsc.ff]
        d.add_physical(listed)
    d.end_report_descriptor()
    return bytes(d.data), listed, axes
