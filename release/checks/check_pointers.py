#!/usr/bin/env python3
"""Everything in the kit that points somewhere points inside the kit.

usage: check_pointers.py KIT

KIT is an unpacked release (or a kit laid out as one), in its folder
gantrel-<version>. Its documents, headers, examples, and the texts inside
its programs and DLLs (help, messages) are searched for what a reader would
follow: Markdown links and their #anchors, paths (docs/simulator.md,
scripts/probe.sh, simulator\\x64\\dinput8.dll), names of documents,
scripts and the kit's own files (gantrel*.h, gantrel*.dll, ...),
gantrel-<name> programs and folders, and mentions of a section or of another page's part. Each must name
something the kit holds: a path whose first part is in the kit (or in the
source tree only) must exist, a section must be named by a link to its
heading. Paths of files the documented commands make themselves begin with
a folder the kit does not have, and are left alone.
"""
import glob
import pathlib
import re
import sys

# Top-level folders of the source tree that the kit does not have.
SOURCE_ONLY = {"scripts", "src", "sim", "tests", "build", "cmake", "release", ".ci", "dist"}

# gantrel-<name> words that are no file of the kit, and why.
NOT_FILES = {
    "gantrel-probe-traces": "the folder play writes its traces into",
    "gantrel-probe-demo": "the folder demo writes its pictures into",
    "gantrel-sim": "the simulator's name in front of its messages",
}

TEXT_SUFFIXES = {".md", ".h", ".c", ".cpp", ".txt", ".cmake"}
PART = r"(?:[\w.*-]+|<\w+>)"
PATH = re.compile(rf"(?<![\w.:/\\%$<>*-])((?:\.\.?[/\\])*{PART}(?:[/\\]{PART})+[/\\]?)")
NAME = re.compile(r"(?<![\w./\\-])([\w.-]+\.(?:md|sh|py|h|def|lib|dll\.a|dll|exe|zip))(?![\w/\\-])")
PROGRAM = re.compile(r"(?<![\w./\\-])(gantrel-[a-z][\w-]*)")
LINK = re.compile(r"\[[^\]]*\]\(([^)\s]+)\)")
ANCHORED_LINK = re.compile(r"\]\([^)\s]*#[^)\s]+\)")
PART_OF_PAGE = re.compile(r"\bsections?\b|\b(?:README|[\w-]+\.md)'s\b")
FENCE = re.compile(r"^```.*?^```[ \t]*$", re.M | re.S)


def slug(heading):
    """The anchor a Markdown renderer gives a heading."""
    return re.sub(r"[^\w\- ]", "", heading.strip().lower()).replace(" ", "-")


def anchors(page):
    return {slug(h) for h in re.findall(r"^#{1,6} (.+)$", FENCE.sub("", page), re.M)}


class Kit:
    def __init__(self, root):
        self.root = root
        self.files = [p for p in root.rglob("*") if p.is_file()]
        self.basenames = {p.name for p in self.files}
        self.stems = {p.stem for p in self.files} | {p.name for p in root.rglob("*") if p.is_dir()}

    def holds(self, base, parts):
        """Whether parts name something below base; <arch>, * and ... match anything there."""
        pattern = "/".join("*" if p in ("<arch>", "...") or p.startswith("<") else p for p in parts)
        return bool(glob.glob(glob.escape(str(base)) + "/" + pattern))


def judge_path(kit, token, base):
    parts = [p for p in token.replace("\\", "/").split("/") if p and p != "."]
    if kit.root.name in parts:
        parts, base = parts[parts.index(kit.root.name) + 1:], kit.root
    elif parts and parts[0] == "..":
        while parts and parts[0] == "..":
            parts, base = parts[1:], base.parent
        if not str(base).startswith(str(kit.root)):
            return None
    if not parts:
        return None
    for root in dict.fromkeys((base, kit.root)):
        if kit.holds(root, parts[:1]):
            return None if kit.holds(root, parts) else f"{token}: not in the kit"
    if parts[0] in SOURCE_ONLY:
        return f"{token}: points into the source tree, which the kit does not hold"
    if parts[0].startswith("gantrel-") and parts[0] not in NOT_FILES:
        return f"{token}: the kit has no {parts[0]}"
    return None


def judge_name(kit, name):
    if name.endswith((".sh", ".py")) and name not in kit.basenames:
        return f"{name}: the kit holds no such script"
    if not name.endswith(".md") and not name.startswith(("gantrel", "libgantrel")):
        return None  # Windows' and the compilers' own files, and what the documented commands make
    if name in kit.basenames or name == f"{kit.root.name}-windows.zip":
        return None
    return f"{name}: no such file in the kit"


def problems_in(kit, label, text, base, markdown):
    found = []
    for token in PATH.findall(text):
        if "://" not in token and (why := judge_path(kit, token, base)):
            found.append(why)
    for name in NAME.findall(text):
        if why := judge_name(kit, name):
            found.append(why)
    for program in PROGRAM.findall(text):
        if program not in kit.stems and program not in NOT_FILES and not program.startswith(kit.root.name):
            found.append(f"{program}: the kit has no such program or folder")
    if markdown:
        for target in LINK.findall(text):
            if re.match(r"[a-z]+:", target):
                continue
            path, _, anchor = target.partition("#")
            page = (base / path).resolve() if path else None
            if page and not page.exists():
                found.append(f"link {target}: not in the kit")
            elif anchor and slug(anchor) not in anchors(page.read_text(encoding="utf-8") if page else text):
                found.append(f"link {target}: no such heading")
        prose = FENCE.sub("", text)
        for sentence in re.split(r"(?<=[.!?:])\s+|\n\s*\n", prose):
            if PART_OF_PAGE.search(re.sub(r"`[^`]*`", "", sentence)) and not ANCHORED_LINK.search(sentence):
                found.append(f"\"{' '.join(sentence.split())[:80]}\": names a part of a page without a link to it")
    return [f"{label}: {why}" for why in found]


def strings(data):
    """The ASCII texts inside a binary, as `strings` finds them."""
    return [s.decode("ascii") for s in re.findall(rb"[\x20-\x7e\t\n]{6,}", data)]


def problems(kit):
    """Every pointer of the kit that leads outside it."""
    found = []
    for path in sorted(kit.files):
        label = str(path.relative_to(kit.root))
        if path.suffix in TEXT_SUFFIXES or path.name in ("LICENSE", "CMakeLists.txt"):
            found += problems_in(kit, label, path.read_text(encoding="utf-8", errors="replace"),
                                 path.parent, path.suffix == ".md")
        elif path.suffix in (".exe", ".dll"):
            found += problems_in(kit, label, "\n".join(strings(path.read_bytes())), kit.root, False)
    return found


# One pointer of each kind that leads out of the kit; each must be caught.
PLANTED = [
    ("docs/planted.md", "See [the probe script](../scripts/probe.sh).", "docs", True),
    ("docs/planted.md", "On Linux run `bash scripts/probe.sh list`.", "docs", True),
    ("docs/planted.md", "Details are in sim/README.md of the source tree.", "docs", True),
    ("docs/planted.md", "See the probe's section of the README.", "docs", True),
    ("docs/planted.md", "Its [set-up](troubleshooting.md#no-such-heading) is short.", "docs", True),
    ("docs/planted.md", "gantrel-bench times every call.", "docs", True),
    ("docs/planted.md", "Unpack it into gantrel-kit first.", "docs", True),
    ("replay/planted.md", "Run probe.sh beside replay.sh.", "replay", True),
    ("tools/x64/gantrel-probe.exe", "on Linux run `bash scripts/probe.sh list`", "", False),
]


def main():
    kit = Kit(pathlib.Path(sys.argv[1]).resolve())
    found = problems(kit)
    for line in found:
        print(line)
    for label, text, base, markdown in PLANTED:
        if not problems_in(kit, label, text, kit.root / base, markdown):
            found.append(f"check_pointers.py missed a planted pointer: {text}")
            print(found[-1])
    print(f"{len(found)} problems" if found else
          f"every pointer in {len(kit.files)} files of {kit.root.name} leads inside it; "
          f"{len(PLANTED)} planted pointers caught")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
