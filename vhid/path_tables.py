"""The zoo's wheels on each of Wine's paths to them, for docs/devices.md: what
a host meets when Wine reads a wheel through hidraw (the wheel's own
descriptor), through SDL, or through its udev input backend (a descriptor
Wine builds, made here by tools/replay's converter from the wheel's Linux
description in devices/zoo/linux and run by the zoo under its Wine).

A run is held to two rules: Wine's DirectInput offers exactly the effect
types the converter says Wine lists, and the probe's check infers the path
each device file stands for.
"""
import pathlib

from linux_input import codes, evtest
from linux_input.description import driver_plays
from winebus import sdl, udev_input

PATHS = [("sdl", "SDL"), ("udev-input", "udev input")]
FIELDS = {0x30: "X", 0x31: "Y", 0x32: "Z", 0x33: "Rx", 0x34: "Ry", 0x35: "Rz", 0x36: "Slider", 0x37: "Dial"}


def wheels(folder):
    """{name: description} of the Linux descriptions."""
    return {f.stem: evtest.read(f) for f in sorted(pathlib.Path(folder).glob("*.evtest"))} if folder else {}


def device_names(descriptions):
    return [f"{w}-{p}" for w in descriptions for p, _ in PATHS]


def built(description, wine, path):
    """(the types Wine lists, its axes as (code, page, usage, name)), as the converter builds them."""
    wine = int(wine)
    if path == "sdl":
        _, listed, axes = sdl.descriptor(description, wine, sdl.sdl_type_of(description, wine)[0])
    else:
        _, listed, axes = udev_input.descriptor(description, wine)
    return listed, axes


def offered(r):
    return r.get("effects", []) + r.get("other_effects", [])


def lands(r, page, usage):
    """The field of DirectInput's joystick record this usage reached, or "-"."""
    return next((field for p, u, field in r.get("axes", []) if (p, u) == (page, usage)), "-")


def pedal_roles(description):
    roles = {}
    for part in description.facts.get("pedals", "").split(","):
        words = part.split()
        if len(words) == 2 and codes.abs_code(words[0]) is not None:
            roles[codes.abs_code(words[0])] = words[1]
    return roles


def axes_text(description, axes, r):
    roles = pedal_roles(description)
    name = lambda c: codes.ABS_NAMES[c] if c < len(codes.ABS_NAMES) and codes.ABS_NAMES[c] else f"code {c}"
    return ", ".join(f"{name(c)}{f' ({roles[c]})' if c in roles else ''} → {lands(r, page, usage)}"
                     for c, page, usage, _ in axes) or "none"


def render(descriptions, results, listing, effects):
    """The section's lines; `listing` and `effects` render a record as the page's other tables do."""
    if not descriptions:
        return []
    lines = ["", "## The wheels on each of Wine's paths", "",
             "Wine reaches a wheel on Linux by one of three paths, and each gives the host",
             "another device ([troubleshooting.md](troubleshooting.md#which-path-wine-gave-your-wheel)",
             "says which path a machine takes and how to switch). Through **hidraw**, Wine's",
             "DirectInput reads the wheel's own HID descriptor: the zoo's descriptors, as",
             "above. Through **SDL** and through its **udev input** backend, Wine's",
             "winebus.sys builds a descriptor of its own from what Linux reports: the",
             "axes, buttons and hats, and the force-feedback effects the kernel driver",
             "registers (its FF bits). Each wheel below is described as its Linux driver",
             "presents it (`replay/devices/zoo/linux/`, with the driver source of each",
             "fact); `replay/evdev-to-device.sh` made the descriptor Wine 8 and Wine 10",
             "build from it, and the zoo ran each under its Wine. *Its driver plays* is",
             "what the kernel accepts by those FF bits. A type Wine 10 offers through SDL",
             "that the driver cannot play is accepted at every step and never felt:",
             "winebus's SDL code (`sdl_device_physical_effect_update`) ignores SDL's",
             "refusal to create it ([integrating.md](integrating.md#effects-a-wheel-offers-but-cannot-play-on-linux));",
             "the virtual device plays it, as *effects at the device* shows.",
             "Axes read *evdev code → the field of DirectInput's joystick record* it lands",
             "in; `check` infers the path as the probe's `check` prints it.", "",
             "### Through hidraw (the wheel's own descriptor)", "",
             "| Wheel | Wine | Zoo descriptor | `dib_enumerate` | Effect types offered | Axes | `check` infers |",
             "|---|---|---|---|---|---|---|"]
    for wheel, d in descriptions.items():
        twin = d.facts.get("hidraw", "").split()[0]
        for wine in results:
            r = results[wine].get(twin, {})
            axes = ", ".join(f"{FIELDS.get(u, hex(u)) if p == 1 else f'{p:#x}:{u:#x}'} → {field}"
                             for p, u, field in r.get("axes", [])) or "none"
            lines.append(f"| {wheel} | {wine} | `{twin}` | {listing(r)} | {', '.join(offered(r)) or 'none'} | "
                         f"{axes} | {r.get('wine_path', '-')} |")
    for path, label in PATHS:
        lines += ["", f"### Through {label}", "",
                  "| Wheel | Wine | `dib_enumerate` | Effect types offered | Its driver plays | Offered, never felt | "
                  "Force-feedback axes | Axes | Effects at the device | `check` infers |",
                  "|---|---|---|---|---|---|---|---|---|---|"]
        for wheel, d in descriptions.items():
            plays = driver_plays(d.ff)
            for wine in results:
                r = results[wine].get(f"{wheel}-{path}", {})
                _, axes = built(d, wine, path)
                silent = [t for t in offered(r) if t not in plays]
                lines.append(f"| {wheel} | {wine} | {listing(r)} | {', '.join(offered(r)) or 'none'} | "
                             f"{', '.join(plays) or 'none'} | {', '.join(silent) or '-'} | "
                             f"{', '.join(r.get('actuators', [])) or 'none'} | {axes_text(d, axes, r)} | {effects(r)} | "
                             f"{r.get('wine_path', '-')} |")
    lines += ["", "What the tables show:", "",
              "- Under Wine 10, SDL makes Wine offer every type but square for each device",
              "  `SDL_JoystickGetType` calls a wheel (`descriptor_add_haptic` with `force`);",
              "  under Wine 8 only what `SDL_HapticQuery` reports. SDL has no square wave.",
              "- Through SDL and udev input the force-feedback axes are X and Y: Wine's Set",
              "  Effect report names a device's first two axes as actuators",
              "  (`hid_device_add_physical`), and Y is a pedal. Map effects onto X alone.",
              "- SDL numbers the axes in evdev's order and Wine names them X, Y, Z, Rx, Ry,",
              "  Rz, Slider, Dial in turn, so a pedal on ABS_RZ lands on Rx through SDL and",
              "  on Rz through udev input."]
    lost = sorted({(wheel, codes.ABS_NAMES[c], label) for wheel, d in descriptions.items() for path, label in PATHS
                   for wine in results for c, page, usage, _ in built(d, wine, path)[1]
                   if lands(results[wine].get(f"{wheel}-{path}", {}), page, usage) == "-"})
    lines += [f"- Through {label}, {wheel}'s {code} reaches no field of DirectInput's record: Wine's"
              " DirectInput gives its usage a field another axis holds." for wheel, code, label in lost]
    return lines


def problems(descriptions, hidraw_devices, results):
    """Where a run breaks the two rules."""
    found = []
    for wine, runs in results.items():
        for wheel, d in descriptions.items():
            for path, label in PATHS:
                name = f"{wheel}-{path}"
                r = runs.get(name)
                if r is None:
                    continue
                listed, _ = built(d, wine, path)
                if sorted(offered(r)) != sorted(listed):
                    found.append(f"Wine {wine}: {name} offers {offered(r)}, the converter says Wine lists {listed}")
                if r.get("wine_path") != label:
                    found.append(f"Wine {wine}: check infers {r.get('wine_path')!r} for {name}, built for {label}")
        for name in hidraw_devices:
            if name in runs and runs[name].get("wine_path") != "hidraw":
                found.append(f"Wine {wine}: check infers {runs[name].get('wine_path')!r} for {name}, a device's own "
                             "descriptor")
    return found
