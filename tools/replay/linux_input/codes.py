"""The evdev codes a description uses (linux/input-event-codes.h)."""

ABS_X, ABS_Y, ABS_Z, ABS_RX, ABS_RY, ABS_RZ = 0x00, 0x01, 0x02, 0x03, 0x04, 0x05
ABS_THROTTLE, ABS_RUDDER, ABS_WHEEL, ABS_GAS, ABS_BRAKE = 0x06, 0x07, 0x08, 0x09, 0x0A
ABS_HAT0X, ABS_HAT3X, ABS_HAT3Y = 0x10, 0x16, 0x17
ABS_MAX = 0x3F
REL_X, REL_Y = 0x00, 0x01
BTN_MISC, BTN_GAMEPAD, KEY_MAX = 0x100, 0x130, 0x2FF
FF_RUMBLE, FF_PERIODIC, FF_CONSTANT, FF_SPRING, FF_FRICTION, FF_DAMPER, FF_INERTIA, FF_RAMP = range(0x50, 0x58)
FF_SQUARE, FF_TRIANGLE, FF_SINE, FF_SAW_UP, FF_SAW_DOWN, FF_CUSTOM = range(0x58, 0x5E)
FF_GAIN, FF_AUTOCENTER, FF_MAX = 0x60, 0x61, 0x7F

ABS_NAMES = ["ABS_X", "ABS_Y", "ABS_Z", "ABS_RX", "ABS_RY", "ABS_RZ", "ABS_THROTTLE", "ABS_RUDDER", "ABS_WHEEL",
             "ABS_GAS", "ABS_BRAKE"] + [None] * 5 + [f"ABS_HAT{i // 2}{'XY'[i % 2]}" for i in range(8)]
FF_NAMES = {FF_RUMBLE: "FF_RUMBLE", FF_PERIODIC: "FF_PERIODIC", FF_CONSTANT: "FF_CONSTANT", FF_SPRING: "FF_SPRING",
            FF_FRICTION: "FF_FRICTION", FF_DAMPER: "FF_DAMPER", FF_INERTIA: "FF_INERTIA", FF_RAMP: "FF_RAMP",
            FF_SQUARE: "FF_SQUARE", FF_TRIANGLE: "FF_TRIANGLE", FF_SINE: "FF_SINE", FF_SAW_UP: "FF_SAW_UP",
            FF_SAW_DOWN: "FF_SAW_DOWN", FF_CUSTOM: "FF_CUSTOM", FF_GAIN: "FF_GAIN", FF_AUTOCENTER: "FF_AUTOCENTER"}


def abs_name(code):
    name = ABS_NAMES[code] if code < len(ABS_NAMES) else None
    return f"{name} ({code})" if name else f"ABS code {code}"


def abs_code(text):
    """An axis named as evtest names it (ABS_X) or by its number; None for neither."""
    if text in ABS_NAMES:
        return ABS_NAMES.index(text)
    try:
        code = int(text, 0)
    except ValueError:
        return None
    return code if 0 <= code < ABS_MAX else None
