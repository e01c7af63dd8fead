#!/usr/bin/env python3
"""Writes a variant's device file from its change file.

usage: variant.py CHANGE OUT DEVICES_DIR

A change file holds a variant's header as its device file starts (the
comments, with `# base: NAME`, then the lines up to `descriptor`), followed
by hunks against its base's descriptor, each opened by a line `@@`: lines
starting with a space stay, `-` leave, `+` come in, and a hunk's kept and
leaving lines must follow each other in the base, after the previous hunk.
The base is a device file of DEVICES_DIR (NAME.vhid or zoo/NAME.vhid) or
another change file beside this one."""

import pathlib
import sys


def split_change(text):
    lines = text.splitlines()
    cut = lines.index("descriptor") + 1
    header, hunks = lines[:cut], []
    for line in lines[cut:]:
        if line == "@@":
            hunks.append([])
        elif hunks and line[:1] in (" ", "-", "+"):
            hunks[-1].append(line)
        else:
            raise ValueError(f"not part of a hunk: {line!r}")
    return header, hunks


def base_name(header):
    for line in header:
        if line.startswith("# base:"):
            return line[len("# base:"):].strip()
    raise ValueError("no '# base:' comment")


def descriptor_of(name, folder, devices):
    for path in (devices / f"{name}.vhid", devices / "zoo" / f"{name}.vhid"):
        if path.exists():
            lines = path.read_text(encoding="utf-8").splitlines()
            return lines[lines.index("descriptor") + 1:]
    change = folder / f"{name}.change"
    if change.exists():
        return device_lines(change, devices)[1]
    raise ValueError(f"base {name} is neither a device file nor a change file")


def apply(body, hunks):
    out, at = [], 0
    for hunk in hunks:
        old = [line[1:] for line in hunk if line[0] in " -"]
        new = [line[1:] for line in hunk if line[0] in " +"]
        found = next((i for i in range(at, len(body) - len(old) + 1) if body[i:i + len(old)] == old), None)
        if found is None:
            raise ValueError(f"hunk not found in its base after line {at}: {old[:2]}")
        out += body[at:found] + new
        at = found + len(old)
    return out + body[at:]


def device_lines(change, devices):
    header, hunks = split_change(change.read_text(encoding="utf-8"))
    return header, apply(descriptor_of(base_name(header), change.parent, devices), hunks)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__.split("\n\n")[1])
    change, out, devices = (pathlib.Path(a) for a in sys.argv[1:])
    try:
        header, body = device_lines(change, devices)
    except ValueError as e:
        sys.exit(f"{change}: {e}")
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text("\n".join(header + body) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
