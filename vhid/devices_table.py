#!/usr/bin/env python3
"""The compatibility table of the device zoo, docs/devices.md, from one run.

usage: devices_table.py write --devices DIR --variants DIR --linux DIR --results DIR --out FILE
       devices_table.py check --devices DIR --variants DIR --linux DIR --results DIR --table FILE

DIR of devices holds the device files (*.vhid, zoo/*.vhid); DIR of variants
the variants' change files (*.change: one change to a base device each, as
tests/hid/zoo/variant.py reads them); DIR of linux the wheels' Linux
descriptions (*.evtest: path_tables.py); DIR of results
the records hid_zoo_tests left (wine8.json, wine10.json, and paths-wine8.json,
paths-wine10.json of the path tables' run). `write` renders the
table; `check` fails when the table lacks a device file's row, when a cause
names a variant that does not change the outcome of its base, or, for every
Wine whose results are there, when the page differs from what those results
render.
"""
import argparse
import json
import pathlib
import sys

# The converter of the kit's replay/ builds the descriptors of the path tables.
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tools" / "replay"))
import path_tables  # noqa: E402

TYPES = ["constant", "square", "sine", "triangle", "sawtoothup", "sawtoothdown",
         "spring", "damper", "inertia", "friction"]
WINES = [("8", "wine8.json"), ("10", "wine10.json")]


def device_files(folder):
    files = sorted(folder.glob("*.vhid")) + sorted((folder / "zoo").glob("*.vhid"))
    return {f.stem: f for f in files}


def variant_files(folder):
    return {f.stem: f for f in sorted(folder.glob("*.change"))} if folder else {}


def header_facts(path):
    """Kind, product name and the source, licence, cause, proof and base comments of a device file.

    A cause runs on over the comment lines indented under it; proof names the
    variants, separated by commas, that show the cause; base names the device a
    variant changes."""
    facts = {"source": "", "licence": "", "kind": "other", "name": "", "cause": "", "proof": [], "base": ""}
    last = None
    for line in path.read_text(encoding="utf-8").splitlines():
        if line.strip() == "descriptor":
            break
        if line.startswith("#"):
            text = line[1:].strip()
            if text.startswith("source:"):
                facts["source"], last = text[7:].strip(), "source"
            elif text.startswith("licence:"):
                facts["licence"], last = text[8:].strip(), None
            elif text.startswith("cause:"):
                facts["cause"], last = text[6:].strip(), "cause"
            elif text.startswith("proof:"):
                facts["proof"], last = [v.strip() for v in text[6:].split(",") if v.strip()], None
            elif text.startswith("base:"):
                facts["base"], last = text[5:].strip(), None
            elif last == "source" and text.startswith("("):
                facts["source"] += " " + text
            elif last == "cause" and line.startswith("#   "):
                facts["cause"] += " " + text
            else:
                last = None
        elif line.startswith("kind "):
            facts["kind"] = line[5:].strip()
        elif line.startswith("name "):
            facts["name"] = line[5:].strip()
    if not facts["source"]:
        facts["source"], facts["licence"] = "this project", "MIT"
    return facts


def load_results(folder):
    """{wine: {device: record}}, the zoo's run and the path tables' run (paths-wineN.json) together."""
    results = {}
    for wine, name in WINES:
        for path in (folder / name, folder / f"paths-{name}"):
            if path.exists():
                results.setdefault(wine, {}).update(json.loads(path.read_text(encoding="utf-8"))["devices"])
    return results


def count(n, one, many):
    return f"{n} {one if n == 1 else many}"


def listing(r):
    if not r.get("wine_sees"):
        return "not seen by Wine"
    if r.get("listed"):
        return "listed"
    return "not listed: no force feedback"


def opening(r):
    if "open" not in r:
        return "-"
    if r["open"] != 0:
        return f"{r['open']}"
    return f"ok, auto-centre {r['autocenter']}"


def polling(r):
    inp = r.get("input")
    if not inp:
        return "-"
    parts = [f"{inp[key][0]}/{inp[key][1]} {key}" for key in ("axes", "buttons", "hats") if inp[key][1]]
    return ", ".join(parts) + ("" if inp["polled"] else "; a poll failed")


def effects(r):
    results = r.get("effect_results")
    if not results:
        return "-"
    offered = [t for t in TYPES if "created" in results.get(t, {}) or results.get(t, {}).get("create") == 0]
    working = [t for t in offered if all(results[t].get(k) == 0 for k in ("create", "update", "start"))
               and results[t].get("played") and results[t].get("stopped") and results[t].get("freed")]
    refused = {}
    for t in TYPES:
        e = results.get(t, {})
        if e.get("create", 0) != 0:
            refused.setdefault(f"{e['create']} ({e['message']})", []).append(t)
    parts = []
    if offered:
        parts.append(f"{len(working)} of {len(offered)} played and stopped, freed at destroy")
    for outcome, types in refused.items():
        parts.append(("all " if len(types) == len(TYPES) else ", ".join(types) + ": ") + f"refused {outcome}")
    return "; ".join(parts)


def outcome(r):
    """Listing, actuators, effects and values that arrived changed: what a variant must change in its base."""
    if not r:
        return "-"
    axes = ", ".join(r.get("actuators", [])) or "none"
    notes = arrivals(r)
    reached = f"; {len(notes)} values reached the device other than sent" if notes else ""
    return f"{listing(r)}, force-feedback axes {axes}; {effects(r)}{reached}"


def arrivals(r):
    """What differed between the host's values and what reached the device."""
    notes = []
    for t, e in r.get("effect_results", {}).items():
        for step in ("created", "updated"):
            if step in e and e[step] != "ok":
                notes.append(f"{t} {step}: {e[step]}")
    return notes


def findings(runs):
    """(Wine, sentence) pairs on what one device's runs show; Wine None for what both show."""
    out = []
    first = next(iter(runs.values()))
    if all(not r.get("wine_sees") for r in runs.values()):
        out.append((None, "Wine does not present it as a game controller."))
    declared = first.get("declared", {})
    for wine, r in runs.items():
        inp = r.get("input", {})
        if inp and declared.get("axes", 0) > inp["axes"][1]:
            out.append((wine, f"{inp['axes'][1]} of its {declared['axes']} axes fit DirectInput's joystick record "
                              "(`DIJOYSTATE2`), so the library can report no more."))
    for wine, r in runs.items():
        if r.get("wine_sees") and not r.get("force_feedback") and declared.get("pid_reports"):
            out.append((wine, "the descriptor declares PID force-feedback reports, but Wine reports no force "
                              "feedback for it, so the library does not list it and every effect is refused."))
    for wine, r in runs.items():
        out += [(wine, f"{note}.") for note in arrivals(r)]
    if len(runs) == 2:
        a, b = runs.values()
        if a.get("autocenter") != b.get("autocenter"):
            out.append((None, f"`dib_autocenter_state` gives {a.get('autocenter')} under Wine 8 and "
                              f"{b.get('autocenter')} under Wine 10: Wine 10 makes device objects with auto-centre "
                              "on."))
        for key, what in (("listed", "listing"), ("force_feedback", "force feedback"), ("input", "input"),
                          ("effect_results", "effect results")):
            if a.get(key) != b.get(key):
                out.append((None, f"Wine 8 and Wine 10 differ in {what}."))
    return out


def grouped_findings(devices, results):
    """One line per finding, naming every device and Wine that shows it."""
    groups = {}
    for name in devices:
        runs = {w: results[w][name] for w in results if name in results[w]}
        if not runs:
            continue
        for wine, sentence in findings(runs):
            devs, wines = groups.setdefault(sentence, ([], []))
            if name not in devs:
                devs.append(name)
            if wine not in wines:
                wines.append(wine)
    lines = []
    for sentence, (devs, wines) in groups.items():
        if None in wines or len(wines) == len(results):
            text = sentence[0].upper() + sentence[1:]
        else:
            text = " and ".join(f"Wine {w}" for w in sorted(wines, key=int)) + ": " + sentence
        lines.append(f"- {text} ({', '.join(f'`{d}`' for d in devs)})")
    return lines


def render(devices, variants, results, wheels=None):
    lines = [
        "# Devices under Wine's own DirectInput",
        "",
        "Every device file of the kit's `replay/devices/` (the project's own devices)",
        "and `replay/devices/zoo/` (public descriptors of real and open-source",
        "devices) becomes a virtual HID device under Wine's own DirectInput, and the",
        "project's test suite drives it through the library's exports, under Wine 8",
        "and Wine 10. This page is written from one such run, and the test suite",
        "checks that it still matches every later one.",
        "[troubleshooting.md](troubleshooting.md#replaying-a-controller-from-its-descriptor)",
        "shows how to replay any of them, or your own controller, with the probe.",
        "",
        "*Declared* counts what the descriptor's input reports hold; *reported*",
        "counts the controls DirectInput maps into the library's input report, each",
        "moved at the device and checked in `dib_poll`'s report (axes to both ends,",
        "buttons on and off, hats turned and centred). Effects are created, updated,",
        "started, stopped and destroyed on the device's force-feedback axes, and what",
        "reached the device is compared with the host's values in the descriptor's",
        "own ranges and units. A result `-5 (...)` or `-1 (...)` is the library's",
        "result code and message. Effect types in parentheses are ones Wine offers",
        "but the library has no code for.",
        "",
        "## The devices",
        "",
        "| Device | Kind | Declared | Force-feedback axes | Effect types offered | Source | Licence |",
        "|---|---|---|---|---|---|---|",
    ]
    for name, path in devices.items():
        facts = header_facts(path)
        runs = {w: results[w][name] for w in results if name in results[w]}
        first = next(iter(runs.values()), {})
        declared = first.get("declared")
        declared_text = (f"{count(declared['axes'], 'axis', 'axes')}, "
                         f"{count(declared['buttons'], 'button', 'buttons')}, {count(declared['hats'], 'hat', 'hats')}"
                         if declared else "-")
        actuators = ", ".join(first.get("actuators", [])) or "none"
        offered = ", ".join(first.get("effects", []) + [f"({t})" for t in first.get("other_effects", [])]) or "none"
        lines.append(f"| `{name}`: {facts['name']} | {facts['kind']} | {declared_text} | {actuators} | "
                     f"{offered} | {facts['source']} | {facts['licence']} |")
    lines += [
        "",
        "## What the library returned",
        "",
        "| Device | Wine | `dib_enumerate` | `dib_open` | `dib_poll` (reported) | effects | `dib_release` |",
        "|---|---|---|---|---|---|---|",
    ]
    for name in devices:
        for wine in results:
            r = results[wine].get(name)
            if r is None:
                continue
            release = "ok, nothing left loaded" if r.get("release") == 0 else "-"
            lines.append(f"| `{name}` | {wine} | {listing(r)} | {opening(r)} | {polling(r)} | {effects(r)} | "
                         f"{release} |")
    lines += path_tables.render(wheels or {}, results, listing, effects)
    lines += ["", "## Findings", ""] + grouped_findings({**devices, **variants}, results)
    lines += causes(devices, variants)
    lines += variant_rows(variants, results)
    return "\n".join(lines) + "\n"


def causes(devices, variants):
    rows = [(name, header_facts(path)) for name, path in devices.items()]
    rows = [(name, facts) for name, facts in rows if facts["cause"]]
    if not rows:
        return []
    lines = [
        "",
        "## Why a device gets no force",
        "",
        "Each device here gets no force, or fewer effect types than its descriptor",
        "declares, under Wine's own DirectInput. The cause names the Wine function",
        "and condition (the [replay section of troubleshooting.md](troubleshooting.md#what-wines-directinput-needs-from-a-descriptor)",
        "has the whole list); each is proven by a variant, a device file that changes",
        "one thing in a descriptor and flips the outcome, run beside the zoo (below).",
        "",
        "| Device | Cause | Proven by |",
        "|---|---|---|",
    ]
    for name, facts in rows:
        proofs = ", ".join(f"`{v}` (changes `{header_facts(variants[v])['base']}`)" if v in variants else f"`{v}`"
                           for v in facts["proof"]) or "-"
        lines.append(f"| `{name}` | {facts['cause']} | {proofs} |")
    return lines


def variant_rows(variants, results):
    if not variants:
        return []
    lines = [
        "",
        "## Variants",
        "",
        "Not zoo devices and not in the kit: each variant, kept with the test",
        "suite, changes one thing in its base and runs through the same test",
        "beside it.",
        "",
        "| Variant | What it changes | Wine | Variant: listing; effects | Base: listing; effects |",
        "|---|---|---|---|---|",
    ]
    for name, path in variants.items():
        facts = header_facts(path)
        what = describe(path)
        for wine in results:
            r = results[wine].get(name)
            if r is None:
                continue
            base = results[wine].get(facts["base"])
            lines.append(f"| `{name}` | {what} | {wine} | {outcome(r)} | `{facts['base']}`: {outcome(base)} |")
    return lines


def describe(path):
    """A variant's header comment up to its first full stop."""
    text = []
    for line in path.read_text(encoding="utf-8").splitlines():
        if not line.startswith("#"):
            break
        body = line[1:].strip()
        if body.startswith(("base:", "source:", "licence:")):
            continue
        text.append(body)
    joined = " ".join(text)
    return joined.split(". ")[0].split(":")[0].rstrip(".")


def proof_problems(devices, variants, results):
    """Causes whose variants are missing or do not change their base's outcome."""
    problems = []
    for name, path in variants.items():
        if header_facts(path)["base"] not in devices and header_facts(path)["base"] not in variants:
            problems.append(f"variant {name} names no device as its base")
    for name, path in devices.items():
        facts = header_facts(path)
        if facts["cause"] and not facts["proof"]:
            problems.append(f"{name}: a cause without a proof")
        for v in facts["proof"]:
            if v not in variants:
                problems.append(f"{name}: proof {v} is no variant")
                continue
            base = header_facts(variants[v])["base"]
            for wine, runs in results.items():
                a, b = runs.get(base), runs.get(v)
                if a is None or b is None:
                    continue
                if outcome(a) == outcome(b):
                    problems.append(f"{name}: under Wine {wine}, {v} does not change what {base} gives")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", choices=["write", "check"])
    parser.add_argument("--devices", required=True, type=pathlib.Path)
    parser.add_argument("--variants", type=pathlib.Path)
    parser.add_argument("--linux", type=pathlib.Path)
    parser.add_argument("--results", required=True, type=pathlib.Path)
    parser.add_argument("--out", type=pathlib.Path)
    parser.add_argument("--table", type=pathlib.Path)
    args = parser.parse_args()
    devices = device_files(args.devices)
    variants = variant_files(args.variants)
    results = load_results(args.results)
    wheels = path_tables.wheels(args.linux)
    everything = list(devices) + list(variants) + path_tables.device_names(wheels)
    if args.mode == "write":
        missing = [n for n in everything for w in results if n not in results[w]]
        problems = proof_problems(devices, variants, results) + path_tables.problems(
            wheels, list(devices) + list(variants), results)
        if not results or missing or problems:
            print(f"devices_table: no complete results in {args.results} (missing: {missing}); {problems}",
                  file=sys.stderr)
            return 1
        args.out.write_text(render(devices, variants, results, wheels), encoding="utf-8")
        return 0
    table = args.table.read_text(encoding="utf-8")
    problems = [f"no row for {n}" for n in devices if f"| `{n}`: " not in table]
    complete = {w: r for w, r in results.items() if all(n in r for n in everything)}
    problems += [f"the Wine {w} results lack devices: run the zoo before this check"
                 for w in results if w not in complete]
    problems += proof_problems(devices, variants, complete)
    problems += path_tables.problems(wheels, list(devices) + list(variants), complete)
    if len(complete) == len(WINES):
        # Both Wines ran: the whole page is what this run renders.
        if render(devices, variants, complete, wheels) != table:
            problems.append("the page differs from what this run renders")
    for wine in complete:
        rendered = render(devices, variants, {wine: complete[wine]}, wheels)
        wanted = [l for l in rendered.splitlines() if l.startswith("| `") and f"| {wine} |" in l]
        problems += [f"Wine {wine} row differs from this run: {l}" for l in wanted if l not in table]
    for p in problems:
        print(f"devices_table: {p}", file=sys.stderr)
    if problems:
        print("devices_table: run bash scripts/devices-table.sh to write docs/devices.md from a fresh run",
              file=sys.stderr)
    print(f"devices_table: {len(devices)} devices, results of Wine {', '.join(results) or 'none'} checked")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
