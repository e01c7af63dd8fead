#!/usr/bin/env python3
"""Runs the shell commands of the documentation exactly as written.

usage: run_doc_commands.py --scratch DIR --kit KIT [--hold-desktop EXE] DOCUMENT...

A fenced block whose info string is `sh test` is run by bash (-euo pipefail)
and must succeed, without a report of the simulator's strict mode (on for
every command) in its output. A `text output` block right after it lists
lines its output (stdout and stderr) must contain, in this order; `...`
inside a line matches anything. Each document starts in an empty folder below the scratch folder
holding the kit in the folder the archive unpacks to, as a reader who
unpacked it would; its blocks run one after another there, each starting in
the folder where the previous one ended. The kit is a copy of KIT, an
unpacked release or a kit laid out as one, under its own name.

Wine runs in a prefix that does not exist when the run starts, as on a
fresh machine: the documents' own commands must set it up (the README's,
which comes first), and nothing else does. A prefix they make beside it
(the replay's) is new too: the scratch folder starts empty. Once the prefix
exists, EXE (the suite's desktop holder) keeps its desktop open between
blocks: Wine closes an unused desktop a second after its last program
leaves, and a program arriving during that hand-over finds no desktop
window. A block that itself waits for the session's end (wineserver -w)
runs after the holder's session has ended. The prefix's wineserver is stopped at the end, and the
prefixes of a passing run are removed.
"""
import argparse
import os
import pathlib
import re
import shutil
import subprocess
import sys
import time

from doc_blocks import fences


def blocks(text):
    """(line, script, expected lines or None) of each block marked for testing."""
    all_blocks = fences(text)
    found = []
    for i, (info, body, line, fence) in enumerate(all_blocks):
        if info != ["sh", "test"]:
            continue
        expected = None
        following = all_blocks[i + 1] if i + 1 < len(all_blocks) else None
        if (following and following[0] == ["text", "output"]
                and not text[fence.end():following[3].start()].strip()):
            expected = [out.rstrip() for out in following[1].splitlines() if out.strip()]
        found.append((line, body, expected))
    return found


def contains_in_order(output, expected):
    """The first expected line not found in order, or None."""
    lines = [line.rstrip() for line in output.replace("\r", "").splitlines()]
    at = 0
    for want in expected:
        pattern = re.compile(".*".join(re.escape(part) for part in want.split("...")) + r"\Z")
        while at < len(lines) and not pattern.match(lines[at]):
            at += 1
        if at == len(lines):
            return want
        at += 1
    return None


class DesktopHolder:
    """Starts the holder in the prefix once the documents have made it."""

    def __init__(self, exe, prefix, log):
        self.exe, self.prefix, self.log, self.started = exe, prefix, log, False

    def keep(self):
        if self.started or not self.exe or not (self.prefix / "system.reg").exists():
            return
        for _ in range(3):
            with open(self.log, "w") as out:
                holder = subprocess.Popen(["wine", str(self.exe)], stdin=subprocess.DEVNULL, stdout=out,
                                          stderr=subprocess.STDOUT)
            deadline = time.monotonic() + 60
            while holder.poll() is None and time.monotonic() < deadline and "ready" not in self.log.read_text():
                time.sleep(0.1)
            if "ready" in self.log.read_text():
                self.started = True
                return
            holder.kill()
            time.sleep(2)
        raise RuntimeError(f"the desktop holder made no window: {self.log.read_text()}")

    def release(self):
        """Ends the session it holds, for a block that waits for its end."""
        if self.started:
            subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], stderr=subprocess.DEVNULL)
            self.started = False


def run_document(scratch_root, kit, doc, holder):
    scratch = scratch_root / doc.stem
    shutil.rmtree(scratch, ignore_errors=True)
    scratch.mkdir(parents=True)
    tested = blocks(doc.read_text(encoding="utf-8"))
    print(f"{doc.name}: {len(tested)} blocks")
    if not tested:
        return 0, 0
    shutil.copytree(kit, scratch / kit.name, symlinks=True)
    where = scratch / ".cwd"
    where.write_text(str(scratch))
    failures = 0
    for line, script, expected in tested:
        # A block's own wineserver -w waits for the session's end, which the
        # holder would put off for ever: it steps aside for that block.
        holder.release() if "wineserver" in script else holder.keep()
        wrapped = f'cd "$(cat {where})"\n{script}\npwd > {where}\n'
        # Into a file, not a pipe: Wine's services started by a block (its
        # wineboot) live as long as the held desktop and keep what they got.
        log = scratch / f"line-{line}.log"
        with open(log, "w") as out:
            result = subprocess.run(["bash", "-euo", "pipefail", "-c", wrapped], stdout=out,
                                    stderr=subprocess.STDOUT, timeout=600)
        result.stdout = log.read_text(errors="replace")
        missing = contains_in_order(result.stdout, expected) if expected else None
        broken = re.search(r"^gantrel-sim: strict: .*$", result.stdout, re.M)
        first = script.strip().splitlines()[0]
        if result.returncode == 0 and missing is None and broken is None:
            print(f"  ok    line {line}: {first}")
            continue
        failures += 1
        why = (f"exit status {result.returncode}" if result.returncode
               else f"no line matching: {missing}" if missing else f"a rule broken: {broken.group(0)}")
        print(f"  FAIL  line {line}: {first}\n        {why}; output:")
        print("".join(f"        | {out}\n" for out in result.stdout.replace("\r", "").splitlines()), end="")
    return len(tested), failures


def main():
    parser = argparse.ArgumentParser(description="Runs the documentation's marked command blocks.")
    parser.add_argument("--scratch", required=True, type=pathlib.Path)
    parser.add_argument("--kit", required=True, type=pathlib.Path, help="an unpacked kit to copy")
    parser.add_argument("--hold-desktop", type=pathlib.Path, help="the program that keeps the desktop open")
    parser.add_argument("documents", type=pathlib.Path, nargs="+")
    args = parser.parse_args()
    kit = args.kit.resolve()
    scratch = args.scratch.resolve()
    prefix = scratch / "wineprefix"
    shutil.rmtree(scratch, ignore_errors=True)
    os.environ.update(WINEPREFIX=str(prefix), WINEDEBUG="-all", GANTREL_SIM_STRICT="1")
    os.environ.pop("WINEDLLOVERRIDES", None)
    holder = DesktopHolder(args.hold_desktop and args.hold_desktop.resolve(), prefix, scratch / "hold-desktop.log")
    total, failed = 0, 0
    try:
        for doc in args.documents:
            count, failures = run_document(scratch, kit, doc, holder)
            total, failed = total + count, failed + failures
    finally:
        subprocess.run(["wineserver", "-k"], stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], stderr=subprocess.DEVNULL)
    if not failed:
        for made in scratch.glob("wineprefix*"):
            shutil.rmtree(made) if made.is_dir() else made.unlink()
    print(f"{total - failed} of {total} documented command blocks passed, in {kit.name}, "
          f"in a Wine prefix made by their own commands")
    return 1 if failed or total == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
