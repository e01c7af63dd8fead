#!/usr/bin/env python3
"""Fenced blocks of a Markdown page, for the documentation's tests.

usage: doc_blocks.py DOCUMENT OUTPUT INFO...   writes the one block whose
info string is INFO (e.g. `c unplug-example`) to OUTPUT, so that a build can
compile a program exactly as the page shows it.
"""
import pathlib
import re
import sys

FENCE = re.compile(r"^```([^\n`]*)\n(.*?)^```[ \t]*$", re.M | re.S)


def fences(text):
    """(info words, body, line of the fence, match) of every block, in order."""
    return [(m.group(1).split(), m.group(2), text.count("\n", 0, m.start()) + 1, m)
            for m in FENCE.finditer(text)]


def block(text, *info):
    """The body of the one block whose info string is `info`."""
    found = [body for words, body, _, _ in fences(text) if words == list(info)]
    if len(found) != 1:
        raise SystemExit(f"expected one block ```{' '.join(info)}, found {len(found)}")
    return found[0]


if __name__ == "__main__":
    document, output = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    output.write_text(block(document.read_text(encoding="utf-8"), *sys.argv[3:]), encoding="utf-8")
