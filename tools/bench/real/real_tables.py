#!/usr/bin/env python3
"""Writes the real-path figures of gantrel-bench-real runs into
docs/performance.md, and from those figures as written everything the
README, docs/performance.md and docs/integrating.md say about them.

    real_tables.py README.md docs/performance.md docs/integrating.md HEADER RUN.json...
    real_tables.py --derive README.md docs/performance.md docs/integrating.md

HEADER is the line that says when and where the runs were made. Each
RUN.json holds one run's output, its JSON object last. docs/performance.md
gets every run in full; the README the x64 runs side by side, one column
group per Wine, and lines on x86 and the verdict; the findings of
docs/performance.md and the measurements of docs/integrating.md are
written from the tables. --derive writes only the latter, from the tables
the documents hold.
"""
import json
import re
import sys

from real_figures import cells, disturbed, parse, signed_us, spread_text, us
from real_prose import FORCE_ONLY, budget, disturbed_note, findings, pct, readme_notes

FIGURES = "bench-real-figures"


def wine(run):
    return f'Wine {run["wine"]}' + (" (a disturbed run)" if disturbed(run) else "")


def reports(side):
    low, high = side["reports_min"], side["reports_max"]
    return f"{low}" if low == high else f'{low}–{high} ({side["reports_mean"]:.2f})'


def between(text, name):
    begin, end = f"<!-- {name}: begin -->\n", f"<!-- {name}: end -->"
    if begin not in text or end not in text:
        sys.exit(f"real_tables: no {name} markers")
    head, rest = text.split(begin, 1)
    body, tail = rest.split(end, 1)
    return head + begin, body, end + tail


def replace_between(text, name, body):
    head, _, tail = between(text, name)
    return head + body + "\n" + tail


def readme_tables(runs):
    x64 = [r for r in runs if r["arch"] == "x64"]
    lines = ["| Call on the virtual wheel | " + " | ".join(
        f"{wine(r)}: bridge / raw | the bridge adds | at the device: median / p99 / max | reports" for r in x64)
        + " |", "|---" * (1 + 4 * len(x64)) + "|"]
    for row in x64[0]["calls"]:
        if row["device"] not in ("wheel", "all"):
            continue
        name = row["operation"]
        label = ("for comparison: raw `SetParameters` naming only the force (`DIEP_TYPESPECIFICPARAMS`)"
                 if name == FORCE_ONLY else f'`{name.split(" ")[0]}`' + name[len(name.split(" ")[0]):])
        cells = []
        for run in x64:
            r = next(c for c in run["calls"] if c["device"] == row["device"] and c["operation"] == name)
            if name == FORCE_ONLY:  # what the raw side alone did differently
                cells += [f'{us(r["bridge"]["call_us"])} / {us(r["raw"]["call_us"])}', f"{pct(r):+.0f}%",
                          f'raw: {spread_text(r["raw"]["latency_us"])}', f'raw: {r["raw_kinds"]}']
                continue
            at_device = spread_text(r["bridge"]["latency_us"]) if r["bridge"]["latency_us"]["count"] else "no reports"
            cells += [f'{us(r["bridge"]["call_us"])} / {us(r["raw"]["call_us"])}',
                      f'{signed_us(r["own_us"])} ({pct(r):+.1f}%)', at_device, reports(r["bridge"])]
        lines.append(f"| {label} | " + " | ".join(cells) + " |")

    sustained = ["| Constant force updated at | " + " | ".join(wine(r) for r in x64) + " |",
                 "|---" * (1 + len(x64)) + "|"]
    for i, s in enumerate(x64[0]["sustained"]):
        cells = []
        for run in x64:
            t = run["sustained"][i]
            lost = "none lost" if not t["lost"] and not t["extra"] else f'{t["lost"]} lost, {t["extra"]} extra'
            grew = ("nothing grew" if t["handles_end"] <= t["handles_start"]
                    and t["private_kib_end"] <= t["private_kib_start"] else
                    f'handles {t["handles_start"]}→{t["handles_end"]}, '
                    f'memory {t["private_kib_start"]:.0f}→{t["private_kib_end"]:.0f} KiB')
            cells.append(f'{reports(t)} reports per update, {lost}; at the device {spread_text(t["latency_us"])}; '
                         f'{t["late_share"] * 100:.1f}% began more than a period late; '
                         f'{us(t["thread_cpu_us"])} CPU per update; {grew}')
        sustained.append(f'| {s["rate_hz"]} Hz ({s["updates"]:,} updates) | ' + " | ".join(cells) + " |")

    polls = ["| `dib_poll` at | " + " | ".join(f"{wine(r)}: median / p99 / max (raw median)" for r in x64) + " |",
             "|---" * (1 + len(x64)) + "|"]
    for i, p in enumerate(x64[0]["polls"]):
        cells = [f'{spread_text(r["polls"][i]["bridge_us"])} ({us(r["polls"][i]["raw_us"]["median"])})' for r in x64]
        polls.append(f'| {p["rate_hz"]} Hz | ' + " | ".join(cells) + " |")

    return ("\n".join(lines) + "\n\n" + readme_notes(runs) + "\n\n" + "\n".join(sustained) + "\n\n"
            + "\n".join(polls))


def full_tables(run):
    out = [f'### Wine {run["wine"]}, {run["arch"]}', ""]
    if "clock_lead_us" in run:
        out += [f'Every report of the run was stamped between the entry and the return of its call: at least '
                f'{us(run["clock_lead_us"])} after an entry and {us(run["clock_trail_us"])} before a return.', ""]
    out += ["| Device | Call | bridge | raw | ratio | the bridge adds | bridge at the device: median / p99 / max | "
            "raw at the device | reports per call: what the bridge's call sent |", "|---" * 9 + "|"]
    for r in run["calls"]:
        b, w = r["bridge"], r["raw"]
        kinds = r["kinds"] or "none"
        if r["raw_kinds"] != r["kinds"]:
            kinds += f'; raw: {r["raw_kinds"] or "none"}'
        out.append(f'| {r["device"]} | `{r["operation"]}` | {us(b["call_us"])} | {us(w["call_us"])} | '
                   f'{r["ratio"]:.3f} | {signed_us(r["own_us"])} ({pct(r):+.1f}%) | '
                   f'{spread_text(b["latency_us"]) if b["latency_us"]["count"] else "–"} | '
                   f'{spread_text(w["latency_us"]) if w["latency_us"]["count"] else "–"} | {reports(b)}: {kinds} |')
    out += ["", "| Poll rate | trials per side | `dib_poll`: median / p99 / max | raw: median / p99 / max | unseen |",
            "|---" * 5 + "|"]
    for p in run["polls"]:
        out.append(f'| {p["rate_hz"]} Hz | {p["trials"]} | {spread_text(p["bridge_us"])} | '
                   f'{spread_text(p["raw_us"])} | {p["unseen"]} |')
    out += ["", "| Rate | updates in | reports per update | lost / extra | at the device: median / p99 / max | "
            "median, first and last tenth | late: median / p99 / max | more than a period late | "
            "CPU per update: thread / process | handles | private memory |", "|---" * 11 + "|"]
    for s in run["sustained"]:
        out.append(f'| {s["rate_hz"]} Hz | {s["updates"]:,} in {s["seconds"]:.2f} s | {reports(s)} | '
                   f'{s["lost"]} / {s["extra"]} | {spread_text(s["latency_us"])} | '
                   f'{us(s["latency_first_us"])}, {us(s["latency_last_us"])} | {spread_text(s["lateness_us"])} | '
                   f'{s["late_share"] * 100:.1f}% | {us(s["thread_cpu_us"])} / {us(s["process_cpu_us"])} | '
                   f'{s["handles_start"]} → {s["handles_end"]} | '
                   f'{s["private_kib_start"]:,.0f} → {s["private_kib_end"]:,.0f} KiB |')
    return "\n".join(out)


def own_work_ns(readme):
    """The worst own-work figure per architecture in the README's table of
    the simulator bench, which the same bench-table run writes, and the
    Wine it ran under; {} when the README has none."""
    if "<!-- bench-table: begin -->" not in readme:
        return {}
    _, body, _ = between(readme, "bench-table")
    rows = [cells(line) for line in body.splitlines() if line.startswith("|")]
    own = next((r for r in rows if r[0].startswith("the bridge's own work")), None)
    wine = re.search(r"wine-(\S+)", body)
    if not rows or not own or not wine:
        return {}
    return {"wine": wine.group(1), "ns": {arch: int(re.match(r"worst (\d+) ns", cell).group(1))
                                          for arch, cell in zip(rows[0][1:], own[1:])}}


def with_notes(block, runs):
    """The figures block with a note under the heading of every disturbed run."""
    lines = [line for line in block.split("\n") if not line.startswith("**A disturbed run**")]
    text = re.sub(r"(?m)^(### Wine \S+, x\d\d)\n\n\n", r"\1\n\n", "\n".join(lines))
    for run in runs:
        if disturbed(run):
            heading = f'### Wine {run["wine"]}, {run["arch"]}\n\n'
            text = text.replace(heading, heading + disturbed_note(run) + "\n\n", 1)
    return text


def derive(readme, performance, integrating):
    """The three documents with everything written from the published
    figures made afresh from them; a document already up to date comes
    back unchanged."""
    _, block, _ = between(performance, FIGURES)
    runs = parse(block)
    header = block.split("\n\n", 1)[0]
    performance = replace_between(performance, FIGURES, with_notes(block, runs).rstrip("\n"))
    performance = replace_between(performance, "bench-real-findings", findings(runs, own_work_ns(readme)))
    readme = replace_between(readme, "bench-real-table", header + "\n\n" + readme_tables(runs))
    integrating = replace_between(integrating, "bench-real-budget", budget(runs, header))
    return readme, performance, integrating


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def write(path, text):
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def load(path):
    return json.loads(read(path).strip().splitlines()[-1])


def complete(run):
    """What the published words take for granted: every call measured, every
    report inside its call, the same reports from both sides, every input seen."""
    return (not run["not_measured"] and not run["log_overflow"]
            and all(r["ok"] and not r["mismatched"] and not r["outside"] for r in run["calls"])
            and all(s["ok"] and not s["outside"] for s in run["sustained"])
            and all(not p["unseen"] for p in run["polls"]))


def main():
    paths = dict(zip(("readme", "performance", "integrating"), sys.argv[2:5]))
    if sys.argv[1:2] == ["--derive"]:
        texts = [read(p) for p in paths.values()]
    else:
        paths = dict(zip(("readme", "performance", "integrating"), sys.argv[1:4]))
        header, *runs_paths = sys.argv[4:]
        runs = [load(p) for p in runs_paths]
        if not all(complete(run) for run in runs):
            sys.exit("real_tables: a run was not complete; nothing was written")
        order = {"x64": 0, "x86": 1}
        runs.sort(key=lambda r: (order.get(r["arch"], 2), float(r["wine"] or 0)))
        texts = [read(p) for p in paths.values()]
        texts[1] = replace_between(texts[1], FIGURES, header + "\n\n" + "\n\n".join(full_tables(r) for r in runs))
    for path, text in zip(paths.values(), derive(*texts)):
        write(path, text)


if __name__ == "__main__":
    main()
