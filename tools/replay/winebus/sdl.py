"""What Wine's SDL backend (winebus.sys bus_sdl.c) builds for a joystick SDL
opens on an evdev device: SDL's view of the device (its Linux joystick and
haptic code: ConfigJoystick, GuessIfAxesAreDigitalHat, EV_IsHaptic), then
build_joystick_report_descriptor and descriptor_add_haptic over hid.py.

Wine's defaults are assumed: "Map Controllers" on (a device SDL maps as a
game controller gets another descriptor, which is refused here), "Split
Controllers" off.
"""
from . import hid
from linux_input import codes
from linux_input.description import Refusal

# SDL_JoystickGetType's answers, and the physical collection Wine makes of each.
TYPES = {
    "joystick": (hid.PAGE_GENERIC, 0x04),      # SDL_JOYSTICK_TYPE_UNKNOWN and the other pads
    "gamepad": (hid.PAGE_GENERIC, 0x05),       # SDL_JOYSTICK_TYPE_GAMECONTROLLER
    "wheel": (hid.PAGE_SIMULATION, 0x02),      # SDL_JOYSTICK_TYPE_WHEEL: Automobile Simulation Device
    "flightstick": (hid.PAGE_SIMULATION, 0x01),  # SDL_JOYSTICK_TYPE_FLIGHT_STICK and _THROTTLE
}
# SDL_JoystickGetType calls a device a wheel by its ids alone: the lists of
# the SDL that Debian ships beside each Wine (12: SDL 2.26.5, 13: SDL 2.32.4).
SDL_WHEELS = {
    8: ("2.26.5", """044f:b65d 044f:b65e 044f:b664 044f:b669 044f:b66d 044f:b66e 044f:b66f 044f:b677 044f:b696
        046d:c24f 046d:c260 046d:c261 046d:c262 046d:c26e 046d:c294 046d:c295 046d:c298 046d:c299 046d:c29a
        046d:c29b 046d:ca03"""),
    10: ("2.32.4", """0079:1864 044f:b65d 044f:b65e 044f:b664 044f:b669 044f:b66d 044f:b66e 044f:b66f 044f:b677
        044f:b67f 044f:b691 044f:b692 044f:b696 046d:c24f 046d:c260 046d:c261 046d:c262 046d:c266 046d:c267
        046d:c268 046d:c269 046d:c26d 046d:c26e 046d:c272 046d:c294 046d:c295 046d:c298 046d:c299 046d:c29a
        046d:c29b 046d:ca03 0483:0522 0483:a355 0eb7:0001 0eb7:0004 0eb7:0005 0eb7:0006 0eb7:0007 0eb7:0011
        0eb7:0020 0eb7:0197 0eb7:038e 0eb7:0e03 11ff:0511 1209:ffb0 16d0:0d5a 16d0:0d5f 16d0:0d60 16d0:0d61
        2433:f300 2433:f301 2433:f303 2433:f306 3416:0301 3416:0302 346e:0000 346e:0002 346e:0004 346e:0005
        346e:0006"""),
}


def sdl_type_of(description, wine):
    """(type, why): wheel when the SDL beside this Wine lists the ids as one,
    else what the description says that SDL calls it; refused otherwise."""
    version, ids = SDL_WHEELS[wine]
    vidpid = f"{description.vid:04x}:{description.pid:04x}"
    if vidpid in ids.split():
        return "wheel", f"{vidpid} is on the wheel list of SDL {version}"
    said = description.facts.get(f"sdl {version}", "").split()
    if said and said[0] in TYPES:
        return said[0], "as the description says: " + " ".join(said[1:])
    raise Refusal(f"SDL's joystick type is not known: {vidpid} is not on the wheel list of SDL {version}, so SDL "
                  "may call it a joystick, a game pad or a flight stick; say which with --sdl-type")


AXIS_USAGES = [0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37]   # X Y Z Rx Ry Rz Slider Dial
AXIS_NAMES = ["X", "Y", "Z", "Rx", "Ry", "Rz", "Slider", "Dial"]
# A ball's two axes: Wine passes &relative_axis_usages[2 * i].Usage as an
# array of USAGE, so its second usage is the first entry's usage page (1).
BALL_USAGES = [0x30, hid.PAGE_GENERIC]

# EV_IsHaptic: the FF bits SDL turns into effect types (FF_SQUARE it leaves out).
HAPTIC_TYPES = {
    codes.FF_CONSTANT: "constant", codes.FF_SINE: "sine", codes.FF_TRIANGLE: "triangle",
    codes.FF_SAW_UP: "sawtoothup", codes.FF_SAW_DOWN: "sawtoothdown", codes.FF_RAMP: "ramp",
    codes.FF_SPRING: "spring", codes.FF_FRICTION: "friction", codes.FF_DAMPER: "damper",
    codes.FF_INERTIA: "inertia",
}
# descriptor_add_haptic's order of the types.
WINE_ORDER = ["sine", "triangle", "sawtoothup", "sawtoothdown", "spring", "damper", "inertia", "friction",
              "constant", "ramp"]


class SdlView:
    """The joystick SDL makes of an evdev device: its axes (evdev codes, in SDL's
    order), hats, buttons, balls and the effect types its haptic device supports."""

    def __init__(self, description):
        d = description
        self.hats = [x for x in range(codes.ABS_HAT0X, codes.ABS_HAT3Y + 1, 2) if digital_hat(d, x)]
        hat_axes = {c for x in self.hats for c in (x, x + 1)}
        self.axes = [c for c in sorted(d.abs) if c < codes.ABS_MAX and c not in hat_axes]
        self.buttons = len(d.keys)
        self.balls = 1 if {codes.REL_X, codes.REL_Y} & set(d.rel) else 0
        self.types = [HAPTIC_TYPES[c] for c in d.ff if c in HAPTIC_TYPES]
        # EFFECT_SUPPORT_PHYSICAL: the types and SDL_HAPTIC_CUSTOM.
        self.physical = bool(self.types) or codes.FF_CUSTOM in d.ff


def digital_hat(d, x):
    """GuessIfAxesAreDigitalHat: a pair with ranges -1..1, or without fuzz, flat
    and resolution, is a hat; any other pair is two axes."""
    pair = [d.abs[c] for c in (x, x + 1) if c in d.abs]
    if not pair:
        return False
    if any(a.fuzz is None for a in pair):
        raise Refusal(f"SDL tells a hat from two axes by their ranges, fuzz, flat and resolution: "
                      f"{codes.abs_name(x)} needs them (give --absinfo, or use evtest's header)")
    return all(a.minimum == -1 and a.maximum == 1 for a in pair) or all(
        not (a.fuzz or a.flat or a.resolution) for a in pair)


def descriptor(description, wine, sdl_type):
    """(descriptor bytes, the types Wine lists, the axes as (evdev code, usage page, usage, name))."""
    if codes.BTN_GAMEPAD in description.keys:
        raise Refusal("SDL maps a device with BTN_GAMEPAD (0x130) as a game controller, for which Wine builds a "
                      "game pad of its own (build_controller_report_descriptor); this converter builds joysticks")
    view = SdlView(description)
    page, usage = TYPES[sdl_type]
    axes = view.axes[:len(AXIS_USAGES)]
    d = hid.Descriptor(wine)
    d.begin_report_descriptor(hid.PAGE_GENERIC, 0x04)
    d.begin_input_report(page, usage)
    for i, _ in enumerate(axes):
        d.add_axes(hid.PAGE_GENERIC, [AXIS_USAGES[i]], False, -32768, 32767)
    for _ in range(view.balls):
        d.add_axes(hid.PAGE_GENERIC, BALL_USAGES, True, -2 ** 31, 2 ** 31 - 1)
    if view.hats:
        d.add_hatswitch(len(view.hats))
    if view.buttons:
        d.add_buttons(hid.PAGE_BUTTON, 1, view.buttons)
    d.end_input_report()
    listed = descriptor_add_haptic(d, view, wine == 10 and sdl_type == "wheel")
    d.end_report_descriptor()
    return bytes(d.data), listed, [(c, hid.PAGE_GENERIC, AXIS_USAGES[i], AXIS_NAMES[i]) for i, c in enumerate(axes)]


def descriptor_add_haptic(d, view, force):
    """The rumble reports on every joystick: Wine asks SDL_JoystickRumble(0, 0, 0)
    whether the joystick rumbles, and SDL answers 0 for a call that changes
    nothing, whatever the device. The PID reports when SDL's haptic device
    supports an effect type: those types, or under Wine 10 for a wheel all ten."""
    d.add_haptics()
    if not view.physical:
        return []
    listed = [t for t in WINE_ORDER if force or t in view.types]
    d.add_physical(listed)
    return listed
