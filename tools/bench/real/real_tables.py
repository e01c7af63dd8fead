#!/usr/bin/env python3
"""Writes the real-path figures of gantrel-bench-real runs into the README's
performance section and into docs/performance.md.

    real_tables.py README.md docs/performance.md HEADER RUN.json...

HEADER is the line that says when and where the runs were made. Each
RUN.json holds one run's output, its JSON object last. The README gets the
x64 runs side by side, one column group per Wine, and a line on x86;
docs/performance.md gets every run in full.
"""
import json
import sys

HOT = ("dib_effect_update", "dib_effect_start", "dib_effect_stop")
FORCE_ONLY = "dib_effect_update constant, raw force only"
TARGET_PCT = 2.0


def read(path):
    with open(path) as f:
        return f.read()


def load(path):
    return json.loads(read(path).strip().splitlines()[-1])


def us(value):
    if value >= 10000:
        return f"{value / 1000:,.0f} ms"
    if value >= 1000:
        return f"{value / 1000:.1f} ms"
    if value < 10:
        return f"{value:.1f} µs"
    return f"{value:.0f} µs"


def signed_us(value):
    return ("+" if value >= 0 else "-") + us(abs(value))


def spread(s):
    return f'{us(s["median"])} / {us(s["p99"])} / {us(s["max"])}'


def pct(row):
    """What the bridge adds: its own work (the median of the rounds' paired
    differences) over the raw call, which a busy machine moves far less
    than the ratio of the two medians."""
    return row["own_us"] / row["raw"]["call_us"] * 100 if row["raw"]["call_us"] else 0


def wine(run):
    return f'Wine {run["wine"]}'


def reports(side):
    low, high = side["reports_min"], side["reports_max"]
    return f"{low}" if low == high else f'{low}–{high} ({side["reports_mean"]:.2f})'


def replace_between(path, name, body):
    begin, end = f"<!-- {name}: begin -->\n", f"<!-- {name}: end -->"
    text = read(path)
    if begin not in text or end not in text:
        sys.exit(f"real_tables: {path} has no {name} markers")
    head, rest = text.split(begin, 1)
    with open(path, "w") as f:
        f.write(head + begin + body + "\n" + end + rest.split(end, 1)[1])


def hot_rows(run):
    return [r for r in run["calls"] if r["operation"].startswith(HOT) and r["operation"] != FORCE_ONLY]


def verdict(run):
    worst = max(hot_rows(run), key=pct)
    met = all(pct(r) <= TARGET_PCT for r in hot_rows(run))
    return met, worst


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
                          f'raw: {spread(r["raw"]["latency_us"])}', f'raw: {reports(r["raw"])}']
                continue
            at_device = spread(r["bridge"]["latency_us"]) if r["bridge"]["latency_us"]["count"] else "no reports"
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
            cells.append(f'{reports(t)} reports per update, {lost}; at the device {spread(t["latency_us"])}; '
                         f'{t["late_share"] * 100:.1f}% began more than a period late; '
                         f'{us(t["thread_cpu_us"])} CPU per update; {grew}')
        sustained.append(f'| {s["rate_hz"]} Hz ({s["updates"]:,} updates) | ' + " | ".join(cells) + " |")

    polls = ["| `dib_poll` at | " + " | ".join(f"{wine(r)}: median / p99 / max (raw median)" for r in x64) + " |",
             "|---" * (1 + len(x64)) + "|"]
    for i, p in enumerate(x64[0]["polls"]):
        cells = [f'{spread(r["polls"][i]["bridge_us"])} ({us(r["polls"][i]["raw_us"]["median"])})' for r in x64]
        polls.append(f'| {p["rate_hz"]} Hz | ' + " | ".join(cells) + " |")

    targets = []
    for run in runs:
        met, worst = verdict(run)
        targets.append(f'{wine(run)} {run["arch"]}: {"met" if met else "missed"}, worst '
                       f'`{worst["operation"]}` on the {worst["device"]}, {signed_us(worst["own_us"])} '
                       f'({pct(worst):+.1f}%)')
    x86 = [r for r in runs if r["arch"] == "x86"]
    x86_line = ""
    if x86:
        updates = [r for run in x86 for r in hot_rows(run) if r["device"] == "wheel"
                   and r["operation"] == "dib_effect_update constant"]
        x86_line = ("\nx86 under 32-bit Wine, the same wheel: `dib_effect_update` constant "
                    + "; ".join(f'{wine(run)} {us(u["bridge"]["call_us"])} against {us(u["raw"]["call_us"])}, '
                                f'at the device {spread(u["bridge"]["latency_us"])}'
                                for run, u in zip(x86, updates))
                    + " ([docs/performance.md](docs/performance.md) has every row).\n")
    return ("\n".join(lines) + "\n\nThe bridge adds at most 2% to raw DirectInput on `dib_effect_update`, "
            "`dib_effect_start` and `dib_effect_stop` (wheel and stick; the median of the paired rounds' "
            "differences over the raw call): " + "; ".join(targets) + ".\n"
            + x86_line + "\n" + "\n".join(sustained) + "\n\n" + "\n".join(polls))


def full_tables(run):
    out = [f'### {wine(run)}, {run["arch"]}', "",
           "| Device | Call | bridge | raw | ratio | the bridge adds | bridge at the device: median / p99 / max | "
           "raw at the device | reports per call: what the bridge's call sent |", "|---" * 9 + "|"]
    for r in run["calls"]:
        b, w = r["bridge"], r["raw"]
        kinds = r["kinds"] or "none"
        if r["raw_kinds"] != r["kinds"]:
            kinds += f'; raw: {r["raw_kinds"] or "none"}'
        out.append(f'| {r["device"]} | `{r["operation"]}` | {us(b["call_us"])} | {us(w["call_us"])} | '
                   f'{r["ratio"]:.3f} | {signed_us(r["own_us"])} ({pct(r):+.1f}%) | '
                   f'{spread(b["latency_us"]) if b["latency_us"]["count"] else "–"} | '
                   f'{spread(w["latency_us"]) if w["latency_us"]["count"] else "–"} | {reports(b)}: {kinds} |')
    out += ["", "| Poll rate | trials per side | `dib_poll`: median / p99 / max | raw: median / p99 / max | unseen |",
            "|---" * 5 + "|"]
    for p in run["polls"]:
        out.append(f'| {p["rate_hz"]} Hz | {p["trials"]} | {spread(p["bridge_us"])} | {spread(p["raw_us"])} | '
                   f'{p["unseen"]} |')
    out += ["", "| Rate | updates in | reports per update | lost / extra | at the device: median / p99 / max | "
            "median, first and last tenth | late: median / p99 / max | more than a period late | "
            "CPU per update: thread / process | handles | private memory |", "|---" * 11 + "|"]
    for s in run["sustained"]:
        out.append(f'| {s["rate_hz"]} Hz | {s["updates"]:,} in {s["seconds"]:.2f} s | {reports(s)} | '
                   f'{s["lost"]} / {s["extra"]} | {spread(s["latency_us"])} | '
                   f'{us(s["latency_first_us"])}, {us(s["latency_last_us"])} | {spread(s["lateness_us"])} | '
                   f'{s["late_share"] * 100:.1f}% | {us(s["thread_cpu_us"])} / {us(s["process_cpu_us"])} | '
                   f'{s["handles_start"]} → {s["handles_end"]} | '
                   f'{s["private_kib_start"]:,.0f} → {s["private_kib_end"]:,.0f} KiB |')
    return "\n".join(out)


def main():
    readme, performance, header, *paths = sys.argv[1:]
    runs = [load(p) for p in paths]
    for run in runs:
        if run["not_measured"] or run["log_overflow"] or not all(r["ok"] for r in run["calls"]):
            sys.exit("real_tables: a run was not complete; nothing was written")
    order = {"x64": 0, "x86": 1}
    runs.sort(key=lambda r: (order.get(r["arch"], 2), float(r["wine"] or 0)))
    replace_between(readme, "bench-real-table", header + "\n\n" + readme_tables(runs))
    replace_between(performance, "bench-real-figures",
                    header + "\n\n" + "\n\n".join(full_tables(r) for r in runs))


if __name__ == "__main__":
    main()
