#!/usr/bin/env python3
"""The kit names one version everywhere, and one address for reports.

usage: check_versions.py KIT [--zip ARCHIVE] [--report-to ADDRESS]

The change log's top heading names the version (nothing unreleased above
it), and all of these agree with it: the kit's folder, gantrel-<version>;
with --zip, the archive's name and the one folder it unpacks to; the
README's title; the header's version macros; the CMake package; each
gantrel.dll's version resource (file and product version <version>.0, and
its FileVersion and ProductVersion texts); and what each architecture's
DLL says in dib_build_info, as gantrel-probe --version prints it under Wine
(WINEPREFIX names the prefix). With --report-to, the README and the
troubleshooting page send problem reports to ADDRESS, the one the release
was configured with (GANTREL_REPORT_URL), or, when it is empty, say that
the kit names none.
"""
import argparse
import json
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

REPORT_TO = re.compile(r"<!-- report-to -->(.*?)<!-- /report-to -->", re.S)
NO_ADDRESS = "the people you got gantrel from: this kit was built without an address for reports"


def resource_versions(dll):
    """(fixed file version, fixed product version, FileVersion, ProductVersion) of a PE's resource."""
    data = dll.read_bytes()
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return None
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", data, at + 8)
    dotted = lambda ms, ls: f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"

    def text(key):
        name = (key + "\0").encode("utf-16le")
        start = data.find(name, at)
        if start < 0:
            return None
        value = (start + len(name) + 3) & ~3
        end = value
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[value:end].decode("utf-16le")

    return dotted(file_ms, file_ls), dotted(product_ms, product_ls), text("FileVersion"), text("ProductVersion")


def build_info(kit, arch):
    """dib_build_info of bin/<arch>/gantrel.dll, through the probe beside it."""
    with tempfile.TemporaryDirectory() as folder:
        for part in (f"tools/{arch}/gantrel-probe.exe", f"bin/{arch}/gantrel.dll"):
            shutil.copy(kit / part, folder)
        run = subprocess.run(["wine", "gantrel-probe.exe", "--version"], cwd=folder, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, text=True, timeout=120)
    found = re.search(r"\{.*\}", run.stdout)
    return json.loads(found.group(0)) if found else {"error": run.stdout.strip()}


def report_to(page):
    """Where the page sends problem reports, its lines joined."""
    found = REPORT_TO.findall(page.read_text(encoding="utf-8"))
    return " ".join(found[0].split()) if len(found) == 1 else f"{len(found)} places"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kit", type=pathlib.Path)
    parser.add_argument("--zip", type=pathlib.Path)
    parser.add_argument("--report-to")
    args = parser.parse_args()
    kit = args.kit.resolve()
    heading = re.search(r"^## \[([^\]]+)\]", (kit / "CHANGELOG.md").read_text(encoding="utf-8"), re.M)
    version = heading.group(1) if heading else "(none)"
    header = (kit / "include/gantrel.h").read_text(encoding="utf-8")
    macros = {m: re.search(rf"#define GANTREL_VERSION_{m} (\S+)", header).group(1)
              for m in ("STRING", "MAJOR", "MINOR", "PATCH")}
    package = (kit / "lib/cmake/gantrel/gantrelConfigVersion.cmake").read_text(encoding="utf-8")
    seen = {
        "kit folder": kit.name,
        "README title": (kit / "README.md").read_text(encoding="utf-8").splitlines()[0],
        "gantrel.h": f'{macros["STRING"]} = {macros["MAJOR"]}.{macros["MINOR"]}.{macros["PATCH"]}',
        "CMake package": re.search(r'set\(PACKAGE_VERSION "([^"]+)"\)', package).group(1),
    }
    expected = {
        "kit folder": f"gantrel-{version}",
        "README title": f"# gantrel {version}",
        "gantrel.h": f'"{version}" = {version}',
        "CMake package": version,
    }
    if args.zip:
        with zipfile.ZipFile(args.zip) as archive:
            seen["archive"] = f"{args.zip.name} unpacks to {sorted({n.split('/')[0] for n in archive.namelist()})}"
        expected["archive"] = f"gantrel-{version}-windows.zip unpacks to ['gantrel-{version}']"
    if args.report_to is not None:
        address = args.report_to or NO_ADDRESS
        for page in ("README.md", "docs/troubleshooting.md"):
            seen[f"{page} reports to"] = report_to(kit / page)
            expected[f"{page} reports to"] = f"<{address}>" if re.match(r"[a-z]+://", address) else address
    for arch in ("x64", "x86"):
        seen[f"bin/{arch}/gantrel.dll resource"] = resource_versions(kit / f"bin/{arch}/gantrel.dll")
        expected[f"bin/{arch}/gantrel.dll resource"] = (f"{version}.0", f"{version}.0", version, version)
        seen[f"{arch} dib_build_info"] = build_info(kit, arch).get("version")
        expected[f"{arch} dib_build_info"] = version
    problems = [f"{what}: {seen[what]!r}, expected {want!r}" for what, want in expected.items() if seen[what] != want]
    if version.lower() == "unreleased":
        problems.insert(0, "CHANGELOG.md: the top heading is [Unreleased], not the version this kit is")
    for line in problems:
        print(line)
    print(f"{len(problems)} problems" if problems else f"{len(seen)} places name version {version}"
          + ("" if args.report_to is None else " and one address for reports"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
