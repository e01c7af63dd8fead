#!/usr/bin/env python3
"""Runs the shell commands of the documentation exactly as written.

usage: run_doc_commands.py --scratch DIR (--kit KIT | --install TREE [--install TREE])
                           [--source DIR] DOCUMENT...

A fenced block whose info string is `sh test` is run by bash (-euo pipefail)
and must succeed. A `text output` block right after it lists lines its output
(stdout and stderr) must contain, in this order; `...` inside a line matches
anything. Each document starts in an empty folder below the scratch folder
holding the kit as `gantrel-kit/`, as a reader who unpacked it would; its
blocks run one after another there, each starting in the folder where the
previous one ended. The kit is a copy of KIT (an unpacked release), or what
`cmake --install` of each build TREE lays out (x64 and x86 into one kit).

A block marked `sh test source` is a command for a source tree: it runs in
the --source folder, with GANTREL_BUILD_DIR naming the first TREE, and is
skipped, and not counted, without --source or with --kit.
"""
import argparse
import os
import pathlib
import re
import shutil
import subprocess
import sys

FENCE = re.compile(r"^```([^\n`]*)\n(.*?)^```[ \t]*$", re.M | re.S)

def blocks(text):
    """(line, script, expected lines or None, in source tree) of each block marked for testing."""
    fences = list(FENCE.finditer(text))
    found = []
    for i, fence in enumerate(fences):
        info = fence.group(1).split()
        if info not in (["sh", "test"], ["sh", "test", "source"]):
            continue
        expected = None
        following = fences[i + 1] if i + 1 < len(fences) else None
        if (following and following.group(1).split() == ["text", "output"]
                and not text[fence.end():following.start()].strip()):
            expected = [line.rstrip() for line in following.group(2).splitlines() if line.strip()]
        found.append((text.count("\n", 0, fence.start()) + 1, fence.group(2), expected, len(info) == 3))
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


def stage_kit(kit_source, trees, kit):
    if kit_source:
        shutil.copytree(kit_source, kit, symlinks=True)
        return
    for tree in trees:
        subprocess.run(["cmake", "--install", str(tree), "--prefix", str(kit)], check=True,
                       stdout=subprocess.DEVNULL)


def run_document(scratch_root, kit_source, trees, source, doc):
    scratch = scratch_root / doc.stem
    shutil.rmtree(scratch, ignore_errors=True)
    scratch.mkdir(parents=True)
    tested = blocks(doc.read_text(encoding="utf-8"))
    print(f"{doc.name}: {len(tested)} blocks")
    if not tested:
        return 0, 0
    stage_kit(kit_source, trees, scratch / "gantrel-kit")
    where = scratch / ".cwd"
    where.write_text(str(scratch))
    failures = skipped = 0
    for line, script, expected, in_source in tested:
        first = script.strip().splitlines()[0]
        env = None
        if in_source:
            if not source or not trees:
                print(f"  skip  line {line}: {first} (needs a source tree)")
                skipped += 1
                continue
            wrapped = f'cd "{source}"\n{script}\n'
            env = dict(os.environ, GANTREL_BUILD_DIR=str(trees[0].resolve()))
        else:
            wrapped = f'cd "$(cat {where})"\n{script}\npwd > {where}\n'
        result = subprocess.run(["bash", "-euo", "pipefail", "-c", wrapped], stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, text=True, errors="replace", timeout=600, env=env)
        missing = contains_in_order(result.stdout, expected) if expected else None
        if result.returncode == 0 and missing is None:
            print(f"  ok    line {line}: {first}")
            continue
        failures += 1
        why = f"exit status {result.returncode}" if result.returncode else f"no line matching: {missing}"
        print(f"  FAIL  line {line}: {first}\n        {why}; output:")
        print("".join(f"        | {out}\n" for out in result.stdout.replace("\r", "").splitlines()), end="")
    return len(tested) - skipped, failures


def main():
    parser = argparse.ArgumentParser(description="Runs the documentation's marked command blocks.")
    parser.add_argument("--scratch", required=True, type=pathlib.Path)
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--kit", type=pathlib.Path, help="an unpacked kit to copy")
    source.add_argument("--install", type=pathlib.Path, action="append", help="a build tree to install")
    parser.add_argument("--source", type=pathlib.Path, help="the source tree, for `sh test source` blocks")
    parser.add_argument("documents", type=pathlib.Path, nargs="+")
    args = parser.parse_args()
    os.environ.setdefault("WINEDEBUG", "-all")
    total, failed = 0, 0
    for doc in args.documents:
        count, failures = run_document(args.scratch.resolve(), args.kit, args.install or [], args.source, doc)
        total, failed = total + count, failed + failures
    print(f"{total - failed} of {total} documented command blocks passed")
    return 1 if failed or total == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
