"""A device as Linux's input layer presents it: what an evtest header or the
sysfs capability files tell, and nothing more. An unknown range stays None,
and what needs it refuses with the reason."""
from dataclasses import dataclass, field

from . import codes


class Refusal(Exception):
    """A description that cannot give Wine's descriptor; the text says what is missing."""


@dataclass
class AbsInfo:
    minimum: int = None
    maximum: int = None
    fuzz: int = None
    flat: int = None
    resolution: int = None


@dataclass
class Description:
    name: str = None
    vid: int = None
    pid: int = None
    abs: dict = field(default_factory=dict)      # code -> AbsInfo
    keys: list = field(default_factory=list)
    rel: list = field(default_factory=list)
    ff: list = field(default_factory=list)
    facts: dict = field(default_factory=dict)    # a description file's "# key: value" comments

    def check(self, source):
        missing = [what for what, value in (("the vendor id", self.vid), ("the product id", self.pid),
                                            ("the device's name", self.name)) if value is None]
        if missing:
            raise Refusal(f"{source} does not give {' or '.join(missing)}")
        if not self.abs and not self.keys:
            raise Refusal(f"{source} lists no axes and no buttons: no game controller")
        for code, info in self.abs.items():
            if (info.minimum is None) != (info.maximum is None):
                raise Refusal(f"{source}: {codes.abs_name(code)} has a minimum or a maximum, not both")
            if info.minimum is not None and info.minimum > info.maximum:
                raise Refusal(f"{source}: {codes.abs_name(code)} has its minimum above its maximum")


# The kernel plays a periodic waveform when the driver registers FF_PERIODIC and
# the waveform (ff-core.c, input_ff_upload).
PLAYS = [("constant", (codes.FF_CONSTANT,)), ("ramp", (codes.FF_RAMP,)),
         ("square", (codes.FF_PERIODIC, codes.FF_SQUARE)), ("sine", (codes.FF_PERIODIC, codes.FF_SINE)),
         ("triangle", (codes.FF_PERIODIC, codes.FF_TRIANGLE)), ("sawtoothup", (codes.FF_PERIODIC, codes.FF_SAW_UP)),
         ("sawtoothdown", (codes.FF_PERIODIC, codes.FF_SAW_DOWN)), ("spring", (codes.FF_SPRING,)),
         ("damper", (codes.FF_DAMPER,)), ("inertia", (codes.FF_INERTIA,)), ("friction", (codes.FF_FRICTION,))]


def driver_plays(ff):
    """The effect types the kernel driver accepts, by its FF bits."""
    return [name for name, bits in PLAYS if all(b in ff for b in bits)]
