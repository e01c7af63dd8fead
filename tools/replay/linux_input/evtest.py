"""An evtest header: what `evtest /dev/input/eventN` prints before "Testing".
Lines starting with # are a description file's own comments ("# key: value")."""
import re

from .description import AbsInfo, Description, Refusal

EV_KEY, EV_REL, EV_ABS, EV_FF = 1, 2, 3, 21


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().splitlines()
    d = Description()
    seen_id = seen_events = False
    kind = code = key = None
    for number, line in enumerate(lines, 1):
        text = line.strip()
        if text.startswith("#"):
            if fact := re.match(r"#\s?([a-z][a-z0-9 .]*):\s*(.*)", line):
                key = fact[1]
                d.facts[key] = fact[2]
            elif key and line.startswith("#   "):
                d.facts[key] += " " + text[1:].strip()
            else:
                key = None
            continue
        if text.startswith("Testing"):
            break
        if m := re.match(r"Input device ID: bus 0x[0-9a-f]+ vendor 0x([0-9a-f]+) product 0x([0-9a-f]+)", text):
            d.vid, d.pid, seen_id = int(m[1], 16), int(m[2], 16), True
        elif m := re.match(r'Input device name: "(.*)"$', text):
            d.name = m[1]
        elif text == "Supported events:":
            seen_events = True
        elif m := re.match(r"Event type (\d+) ", text):
            kind, code = int(m[1]), None
        elif m := re.match(r"Event code (\d+) ", text):
            code = int(m[1])
            {EV_KEY: d.keys, EV_REL: d.rel, EV_FF: d.ff}.get(kind, []).append(code)
            if kind == EV_ABS:
                d.abs[code] = AbsInfo(fuzz=0, flat=0, resolution=0)
        elif m := re.match(r"(Value|Min|Max|Fuzz|Flat|Resolution)\s+(-?\d+)$", text):
            if kind != EV_ABS or code is None:
                raise Refusal(f"{path}, line {number}: \"{text}\" belongs to no axis")
            attribute = {"Min": "minimum", "Max": "maximum"}.get(m[1], m[1].lower())
            if attribute != "value":
                setattr(d.abs[code], attribute, int(m[2]))
    if not seen_id or not seen_events:
        raise Refusal(f"{path} is no evtest header: it needs the \"Input device ID:\" and \"Supported events:\" "
                      "lines evtest prints first")
    for c, info in d.abs.items():
        if info.minimum is None or info.maximum is None:
            raise Refusal(f"{path}: axis code {c} has no Min and Max lines: the header is cut short")
    d.check(path)
    return d
