"""A device from sysfs: a copy of /sys/class/input/eventN/device (name,
id/vendor, id/product, capabilities/abs, key, rel, ff). sysfs holds no axis
ranges: those come from an absinfo file, lines "ABS_X 0 65535 [fuzz flat
resolution]", and stay unknown otherwise."""
import os

from . import codes
from .description import AbsInfo, Description, Refusal


def bits(text, word_bits, what):
    """The set bits of a capability file: hexadecimal words, the highest first."""
    found = []
    words = text.split()
    for i, word in enumerate(reversed(words)):
        try:
            value = int(word, 16)
        except ValueError:
            raise Refusal(f"{what}: \"{word}\" is no hexadecimal word") from None
        if value >> word_bits:
            raise Refusal(f"{what}: \"{word}\" is longer than a {word_bits}-bit word (--long-bits)")
        found += [i * word_bits + b for b in range(word_bits) if value >> b & 1]
    return found


def read_file(folder, name, required=True):
    path = os.path.join(folder, name)
    if not os.path.exists(path):
        if required:
            raise Refusal(f"{folder} has no {name}: copy the whole device folder")
        return None
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read().strip()


def read(folder, word_bits, absinfo=None):
    d = Description()
    d.name = read_file(folder, "name")
    for attribute in ("vid", "pid"):
        text = read_file(folder, "id/vendor" if attribute == "vid" else "id/product")
        try:
            setattr(d, attribute, int(text, 16))
        except ValueError:
            raise Refusal(f"{folder}: \"{text}\" is no id in hexadecimal") from None
    caps = lambda n, required=True: read_file(folder, "capabilities/" + n, required)
    d.abs = {c: AbsInfo() for c in bits(caps("abs"), word_bits, "capabilities/abs")}
    d.keys = bits(caps("key"), word_bits, "capabilities/key")
    d.rel = bits(caps("rel", False) or "0", word_bits, "capabilities/rel")
    d.ff = bits(caps("ff"), word_bits, "capabilities/ff")
    if absinfo:
        read_absinfo(absinfo, d)
    d.check(folder)
    return d


def read_absinfo(path, d):
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            words = line.split("#")[0].split()
            if not words:
                continue
            code = codes.abs_code(words[0])
            if code is None or not 3 <= len(words) <= 6:
                raise Refusal(f"{path}, line {number}: want \"ABS_X min max [fuzz flat resolution]\"")
            if code not in d.abs:
                raise Refusal(f"{path}, line {number}: the device has no {codes.abs_name(code)}")
            try:
                numbers = [int(w) for w in words[1:]] + [0] * (6 - len(words))
            except ValueError:
                raise Refusal(f"{path}, line {number}: want whole numbers") from None
            d.abs[code] = AbsInfo(*numbers)
