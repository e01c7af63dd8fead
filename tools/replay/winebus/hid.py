"""The report descriptor Wine's winebus.sys builds for a device it reads through
SDL or evdev: a port of the builders of its hid.c, item for item, so that the
bytes are Wine's own.

Wine 8.0 and Wine 10.0 differ in two places: a hat switch (8 bits and unit
0x0E in Wine 8, 4 bits with padding and no unit in Wine 10) and the largest
angle of a direction or phase (36000 in Wine 8, 35900 in Wine 10).
"""

# Item encoding (psh_hid_macros.h): tag << 4 | type << 2 | size code.
MAIN, GLOBAL, LOCAL = 0, 1, 2
INPUT, OUTPUT, FEATURE, COLLECTION, END_COLLECTION = 0x8, 0x9, 0xB, 0xA, 0xC
USAGE_PAGE, LOGICAL_MIN, LOGICAL_MAX, PHYSICAL_MIN, PHYSICAL_MAX = 0x0, 0x1, 0x2, 0x3, 0x4
UNIT_EXPONENT, UNIT, REPORT_SIZE, REPORT_ID, REPORT_COUNT = 0x5, 0x6, 0x7, 0x8, 0x9
USAGE, USAGE_MIN, USAGE_MAX = 0x0, 0x1, 0x2

DATA, CNST, ARY, VAR, ABS, REL, NULL = 0, 0x01, 0, 0x02, 0, 0x04, 0x40
PHYSICAL, APPLICATION, LOGICAL, NAMED_ARRAY = 0x00, 0x01, 0x02, 0x04

PAGE_GENERIC, PAGE_SIMULATION, PAGE_BUTTON, PAGE_ORDINAL = 0x01, 0x02, 0x09, 0x0A
PAGE_HAPTICS, PAGE_PID = 0x0E, 0x0F
GENERIC_Z, GENERIC_RZ, GENERIC_HATSWITCH = 0x32, 0x35, 0x39

# The PID effect-type usages, by the names the library gives the types.
EFFECT_USAGES = {
    "constant": 0x26, "ramp": 0x27, "square": 0x30, "sine": 0x31, "triangle": 0x32,
    "sawtoothup": 0x33, "sawtoothdown": 0x34, "spring": 0x40, "damper": 0x41,
    "inertia": 0x42, "friction": 0x43,
}
PERIODIC = {"square", "sine", "triangle", "sawtoothup", "sawtoothdown"}
CONDITION = {"spring", "damper", "inertia", "friction"}


def item(tag, kind, size, value):
    """One short item with `size` data bytes (0, 1, 2 or 4), as Wine writes it."""
    code = {0: 0, 1: 1, 2: 2, 4: 3}[size]
    return bytes([tag << 4 | kind << 2 | code]) + (value & 0xFFFFFFFF).to_bytes(4, "little")[:size]


# g, l and m: a global, local and main item, as Wine's macros write them.
def g(tag, size, value):
    return item(tag, GLOBAL, size, value)


def l(tag, size, value):
    return item(tag, LOCAL, size, value)


def m(tag, size, value=0):
    return item(tag, MAIN, size, value)


END = m(END_COLLECTION, 0)


class BuildError(Exception):
    """A description Wine's builders refuse (they print an ERR and the device is not made)."""


class Descriptor:
    """The builders of hid.c over one descriptor, with the input report's layout they keep."""

    def __init__(self, wine):
        if wine not in (8, 10):
            raise ValueError("Wine 8 or 10")
        self.wine = wine
        self.data = bytearray()
        self.next_id = {"input": 0, "output": 0, "feature": 0}
        self.bit_size = 0
        self.abs_usages = []          # (page, usage) of each absolute axis, for Axes Enable
        self.rel_count = self.hat_count = self.button_count = 0

    def add(self, *parts):
        for part in parts:
            self.data += part

    def report_id(self, kind):
        self.next_id[kind] += 1
        return self.next_id[kind]

    def collection(self, page, usage, kind):
        self.add(g(USAGE_PAGE, 2, page), l(USAGE, 2, usage), m(COLLECTION, 1, kind))

    # hid_device_begin_report_descriptor, hid_device_end_report_descriptor
    def begin_report_descriptor(self, page, usage):
        self.collection(page, usage, APPLICATION)

    def end_report_descriptor(self):
        self.add(END)

    # hid_device_begin_input_report, hid_device_end_input_report
    def begin_input_report(self, page, usage):
        report = self.report_id("input")
        self.bit_size += 8
        self.collection(page, usage, PHYSICAL)
        self.add(g(REPORT_ID, 1, report))

    def end_input_report(self):
        self.add(END)

    # hid_device_add_axes: one physical collection of 32-bit fields.
    def add_axes(self, page, usages, rel, low, high):
        if not rel and self.rel_count:
            raise BuildError("absolute axes should be added before relative axes")
        if self.button_count or self.hat_count:
            raise BuildError("axes should be added before buttons or hatswitches")
        if not rel:
            if len(self.abs_usages) + len(usages) > 32:
                raise BuildError("absolute axis usage overflow, too many elements")
            self.abs_usages += [(page, u) for u in usages]
        else:
            self.rel_count += len(usages)
        self.bit_size += 32 * len(usages)
        self.add(g(USAGE_PAGE, 1, page), m(COLLECTION, 1, PHYSICAL))
        self.add(*(l(USAGE, 2, u) for u in usages))
        self.add(g(LOGICAL_MIN, 4, low), g(LOGICAL_MAX, 4, high), g(REPORT_SIZE, 1, 32),
                 g(REPORT_COUNT, 1, len(usages)), m(INPUT, 1, DATA | VAR | (REL if rel else ABS)), END)

    # hid_device_add_hatswitch
    def add_hatswitch(self, count):
        if self.button_count:
            raise BuildError("hatswitches should be added before buttons")
        self.hat_count += count
        bits = 8 if self.wine == 8 else 4
        self.bit_size += bits * count + (4 if self.wine == 10 and count % 2 else 0)
        self.add(g(USAGE_PAGE, 1, PAGE_GENERIC), l(USAGE, 1, GENERIC_HATSWITCH), g(LOGICAL_MIN, 1, 1),
                 g(LOGICAL_MAX, 1, 8), g(REPORT_SIZE, 1, bits), g(REPORT_COUNT, 4, count),
                 g(UNIT, 1, 0x0E if self.wine == 8 else 0), m(INPUT, 1, DATA | VAR | ABS | NULL))
        if self.wine == 10 and count % 2:
            self.add(g(REPORT_COUNT, 1, 4), g(REPORT_SIZE, 1, 1), m(INPUT, 1, CNST | ARY | ABS))

    # hid_device_add_buttons (its count is a BYTE in hid_device_add_button_count)
    def add_buttons(self, page, first, last):
        count = last - first + 1
        self.button_count += count & 0xFF
        self.bit_size += count & 0xFF
        self.add(g(USAGE_PAGE, 2, page), l(USAGE_MIN, 2, first), l(USAGE_MAX, 2, last), g(LOGICAL_MIN, 1, 0),
                 g(LOGICAL_MAX, 1, 1), g(REPORT_COUNT, 2, count), g(REPORT_SIZE, 1, 1), m(INPUT, 1, DATA | VAR | ABS))
        if count % 8:
            self.add(g(REPORT_COUNT, 1, 8 - count % 8), g(REPORT_SIZE, 1, 1), m(INPUT, 1, CNST | VAR | ABS))

    # hid_device_add_haptics: the rumble reports, twice at the top and once
    # in a Z and an Rz collection (the triggers), all with the same ids.
    def add_haptics(self):
        feature, output = self.report_id("feature"), self.report_id("output")
        ordinal_3 = PAGE_ORDINAL << 16 | 3
        named_list = lambda usage: (l(USAGE, 1, usage), m(COLLECTION, 1, NAMED_ARRAY), l(USAGE, 4, ordinal_3),
                                    g(REPORT_SIZE, 1, 16), g(REPORT_COUNT, 1, 1),
                                    m(FEATURE, 1, DATA | VAR | ABS | NULL), END)
        haptics = b"".join([
            g(USAGE_PAGE, 2, PAGE_HAPTICS), l(USAGE, 1, 0x01), m(COLLECTION, 1, LOGICAL), g(REPORT_ID, 1, feature),
            *named_list(0x10), *named_list(0x11),
            l(USAGE, 1, 0x28), g(UNIT, 2, 0x1001), g(UNIT_EXPONENT, 1, -3), g(LOGICAL_MIN, 4, 0),
            g(LOGICAL_MAX, 4, 0x7FFFFFFF), g(REPORT_SIZE, 1, 32), g(REPORT_COUNT, 1, 1), m(FEATURE, 1, DATA | VAR | ABS),
            g(UNIT, 1, 0), g(UNIT_EXPONENT, 1, 0),
            g(REPORT_ID, 1, output), l(USAGE, 1, 0x23), g(LOGICAL_MIN, 4, 0), g(LOGICAL_MAX, 4, 0xFFFF),
            g(REPORT_SIZE, 1, 16), g(REPORT_COUNT, 1, 1), m(OUTPUT, 1, DATA | VAR | ABS), END])
        trigger = lambda usage: l(USAGE, 2, usage) + g(USAGE_PAGE, 1, PAGE_GENERIC) + m(COLLECTION, 1, PHYSICAL) + \
            haptics + END
        self.add(haptics, haptics, trigger(GENERIC_Z), trigger(GENERIC_RZ))

    # hid_device_add_physical: the PID reports for the effect types, in the
    # order given, and the types' parameter reports.
    def add_physical(self, types):
        angle = 36000 if self.wine == 8 else 35900
        block_index = (l(USAGE, 1, 0x22), g(LOGICAL_MIN, 1, 0), g(LOGICAL_MAX, 1, 0x7F), g(REPORT_SIZE, 1, 8),
                       g(REPORT_COUNT, 1, 1))
        out_block = block_index + (m(OUTPUT, 1, DATA | VAR | ABS),)
        physical_none = (g(PHYSICAL_MIN, 1, 0), g(PHYSICAL_MAX, 1, 0))
        signed_16 = (g(LOGICAL_MIN, 2, 0x8000), g(LOGICAL_MAX, 2, 0x7FFF), g(PHYSICAL_MIN, 2, -10000),
                     g(PHYSICAL_MAX, 2, 10000))
        times_ms = (g(UNIT, 2, 0x1003), g(UNIT_EXPONENT, 1, -3), g(LOGICAL_MIN, 1, 0), g(LOGICAL_MAX, 2, 0x7FFF))

        def report(usage, kind, *body):
            self.add(l(USAGE, 1, usage), m(COLLECTION, 1, LOGICAL), g(REPORT_ID, 1, self.report_id(kind)), *body, END)

        def array(usage, choices, *tail):
            return (l(USAGE, 1, usage), m(COLLECTION, 1, LOGICAL), *(l(USAGE, 2, u) for u in choices),
                    g(LOGICAL_MIN, 1, 1), g(LOGICAL_MAX, 1, len(choices)), g(REPORT_SIZE, 1, 8), *tail,
                    m(OUTPUT, 1, DATA | ARY | ABS), END)

        self.add(g(USAGE_PAGE, 1, PAGE_PID))
        report(0x95, "output", *array(0x96, [0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C], g(REPORT_COUNT, 1, 1)))
        self.add(g(USAGE_PAGE, 1, PAGE_PID))
        report(0x7D, "output", l(USAGE, 1, 0x7E), g(LOGICAL_MIN, 1, 0), g(LOGICAL_MAX, 1, 100), g(PHYSICAL_MIN, 1, 0),
               g(PHYSICAL_MAX, 2, 10000), g(REPORT_SIZE, 1, 8), g(REPORT_COUNT, 1, 1), m(OUTPUT, 1, DATA | VAR | ABS),
               *physical_none)
        report(0x77, "output", *out_block, *array(0x78, [0x79, 0x7A, 0x7B], g(REPORT_COUNT, 1, 1)),
               l(USAGE, 1, 0x7C), g(LOGICAL_MIN, 1, 0), g(LOGICAL_MAX, 2, 0xFF), g(REPORT_SIZE, 1, 8),
               g(REPORT_COUNT, 1, 1), m(OUTPUT, 1, DATA | VAR | ABS))
        axis = lambda i: self.abs_usages[i] if i < len(self.abs_usages) else (0, 0)
        report(0x21, "output", *out_block, *array(0x25, [EFFECT_USAGES[t] for t in types]),
               l(USAGE, 1, 0x50), l(USAGE, 1, 0x54), l(USAGE, 1, 0x51), l(USAGE, 1, 0xA7), *times_ms,
               g(REPORT_SIZE, 1, 16), g(REPORT_COUNT, 1, 4), m(OUTPUT, 1, DATA | VAR | ABS), g(UNIT_EXPONENT, 1, 0),
               g(UNIT, 1, 0),
               l(USAGE, 1, 0x52), g(LOGICAL_MIN, 1, 0), g(LOGICAL_MAX, 1, 100), g(REPORT_SIZE, 1, 8),
               g(REPORT_COUNT, 1, 1), m(OUTPUT, 1, DATA | VAR | ABS | NULL),
               l(USAGE, 1, 0x53), g(LOGICAL_MIN, 1, 0), g(LOGICAL_MAX, 2, self.button_count), g(REPORT_SIZE, 1, 8),
               g(REPORT_COUNT, 1, 1), m(OUTPUT, 1, DATA | VAR | ABS | NULL),
               l(USAGE, 1, 0x55), m(COLLECTION, 1, LOGICAL),
               *(l(USAGE, 4, page << 16 | usage) for page, usage in (axis(0), axis(1))),
               g(LOGICAL_MIN, 1, 0), g(LOGICAL_MAX, 1, 1), g(REPORT_SIZE, 1, 1), g(REPORT_COUNT, 1, 2),
               m(OUTPUT, 1, DATA | VAR | ABS), END,
               l(USAGE, 1, 0x56), g(REPORT_COUNT, 1, 1), m(OUTPUT, 1, DATA | VAR | ABS), g(REPORT_COUNT, 1, 5),
               m(OUTPUT, 1, CNST | VAR | ABS),
               l(USAGE, 1, 0x57), m(COLLECTION, 1, LOGICAL), l(USAGE, 4, PAGE_ORDINAL << 16 | 1),
               l(USAGE, 4, PAGE_ORDINAL << 16 | 2), g(UNIT, 1, 0x14), g(UNIT_EXPONENT, 1, -2), g(LOGICAL_MIN, 1, 0),
               g(LOGICAL_MAX, 4, angle), g(REPORT_SIZE, 1, 16), g(REPORT_COUNT, 1, 2), m(OUTPUT, 1, DATA | VAR | ABS),
               END, g(UNIT_EXPONENT, 1, 0), g(UNIT, 1, 0))

        periodic = bool(PERIODIC & set(types))
        envelope = periodic or bool({"constant", "ramp"} & set(types))
        if periodic:
            report(0x6E, "output", *out_block,
                   l(USAGE, 1, 0x70), g(LOGICAL_MIN, 1, 0), g(LOGICAL_MAX, 2, 0x7FFF), g(PHYSICAL_MIN, 1, 0),
                   g(PHYSICAL_MAX, 2, 10000), g(REPORT_SIZE, 1, 16), g(REPORT_COUNT, 1, 1),
                   m(OUTPUT, 1, DATA | VAR | ABS), *physical_none,
                   l(USAGE, 1, 0x6F), *signed_16, g(REPORT_SIZE, 1, 16), g(REPORT_COUNT, 1, 1),
                   m(OUTPUT, 1, DATA | VAR | ABS), *physical_none,
                   l(USAGE, 1, 0x71), g(UNIT, 1, 0x14), g(UNIT_EXPONENT, 1, -2), g(LOGICAL_MIN, 1, 0),
                   g(LOGICAL_MAX, 4, angle), g(REPORT_SIZE, 1, 16), g(REPORT_COUNT, 1, 1),
                   m(OUTPUT, 1, DATA | VAR | ABS),
                   l(USAGE, 1, 0x72), *times_ms, g(REPORT_SIZE, 1, 16), g(REPORT_COUNT, 1, 1),
                   m(OUTPUT, 1, DATA | VAR | ABS), g(UNIT_EXPONENT, 1, 0), g(UNIT, 1, 0))
        if envelope:
            report(0x5A, "output", *out_block,
                   l(USAGE, 1, 0x5B), l(USAGE, 1, 0x5D), g(LOGICAL_MIN, 1, 0), g(LOGICAL_MAX, 2, 0x7FFF),
                   g(PHYSICAL_MIN, 1, 0), g(PHYSICAL_MAX, 2, 10000), g(REPORT_SIZE, 1, 16), g(REPORT_COUNT, 1, 2),
                   m(OUTPUT, 1, DATA | VAR | ABS), *physical_none,
                   l(USAGE, 1, 0x5C), l(USAGE, 1, 0x5E), *times_ms, g(REPORT_SIZE, 1, 16), g(REPORT_COUNT, 1, 2),
                   m(OUTPUT, 1, DATA | VAR | ABS), g(PHYSICAL_MAX, 1, 0), g(UNIT_EXPONENT, 1, 0), g(UNIT, 1, 0))
        if CONDITION & set(types):
            report(0x5F, "output", *out_block,
                   l(USAGE, 1, 0x23), g(LOGICAL_MIN, 1, 0), g(LOGICAL_MAX, 1, 1), g(REPORT_SIZE, 1, 8),
                   g(REPORT_COUNT, 1, 1), m(OUTPUT, 1, DATA | VAR | ABS),
                   l(USAGE, 1, 0x60), l(USAGE, 1, 0x61), l(USAGE, 1, 0x62), *signed_16, g(REPORT_SIZE, 1, 16),
                   g(REPORT_COUNT, 1, 3), m(OUTPUT, 1, DATA | VAR | ABS), *physical_none,
                   l(USAGE, 1, 0x63), l(USAGE, 1, 0x64), l(USAGE, 1, 0x65), g(LOGICAL_MIN, 1, 0),
                   g(LOGICAL_MAX, 4, 0xFFFF), g(PHYSICAL_MIN, 1, 0), g(PHYSICAL_MAX, 2, 10000), g(REPORT_SIZE, 1, 16),
                   g(REPORT_COUNT, 1, 3), m(OUTPUT, 1, DATA | VAR | ABS), *physical_none)
        if "constant" in types:
            report(0x73, "output", *out_block, l(USAGE, 1, 0x70), *signed_16, g(REPORT_SIZE, 1, 16),
                   g(REPORT_COUNT, 1, 1), m(OUTPUT, 1, DATA | VAR | ABS), *physical_none)
        if "ramp" in types:
            report(0x74, "output", *out_block, l(USAGE, 1, 0x75), l(USAGE, 1, 0x76), *signed_16,
                   g(REPORT_SIZE, 1, 16), g(REPORT_COUNT, 1, 2), m(OUTPUT, 1, DATA | VAR | ABS), *physical_none)
        report(0x92, "input", l(USAGE, 1, 0x9F), l(USAGE, 1, 0xA0), l(USAGE, 1, 0x94), g(LOGICAL_MIN, 1, 0),
               g(LOGICAL_MAX, 1, 1), g(REPORT_SIZE, 1, 1), g(REPORT_COUNT, 1, 8), m(INPUT, 1, DATA | VAR | ABS),
               *block_index, m(INPUT, 1, DATA | VAR | ABS))
