#!/usr/bin/env python3
"""Draws the real-path bench's latency distributions as SVG pictures.

    latency_pictures.py OUT_DIR RUN.json...

Each RUN.json is the last line of a gantrel-bench-real run (its JSON
object); the x64 runs are drawn, one set per Wine. Every picture shows, on
logarithmic axes, the share of calls slower than each latency, so the
median sits at 50%, the 99th percentile at 1% and the slowest call at the
bottom of its curve.
"""
import json
import math
import os
import sys

from real_figures import disturbed

WIDTH, HEIGHT = 960, 510
LEFT, RIGHT, TOP, BOTTOM = 90, 720, 100, 440
COLOURS = ["#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e", "#8c564b"]


def escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def text_at(x, y, text, attributes=""):
    return f'<text x="{x:.1f}" y="{y:.1f}" {attributes}>{escape(text)}</text>\n'


def exceedance(distribution, count):
    """(latency in us, share slower) from the bench's percentiles: every whole
    per cent from 0 to 100 with 99.9 after 99; the slowest call stands for
    one call in `count`."""
    if not distribution or count <= 0:
        return []
    shares = [1 - p / 100 for p in range(100)] + [0.001]
    points = [(v, s) for v, s in zip(distribution[:101], shares) if s >= 1 / count]
    points.append((distribution[-1], 1 / count))
    return [(max(v, 1.0), s) for v, s in points]


def label_us(value):
    return f"{value / 1000:g} ms" if value >= 1000 else f"{value:g} µs"


def chart(title, detail, series, x_label, y_label):
    """series: (label, colour, dashes, points) with points (us, share)."""
    values = [v for *_, points in series for v, _ in points] or [1, 10]
    x0 = 10 ** math.floor(math.log10(min(values)))
    x1 = 10 ** math.ceil(math.log10(max(values)))
    if x1 <= x0:
        x1 = x0 * 10
    floor_share = min([s for *_, points in series for _, s in points] + [0.01])
    y1 = 10 ** math.floor(math.log10(floor_share))

    def x_of(v):
        return LEFT + (math.log10(v) - math.log10(x0)) / (math.log10(x1) - math.log10(x0)) * (RIGHT - LEFT)

    def y_of(s):
        return TOP + (0 - math.log10(s)) / (0 - math.log10(y1)) * (BOTTOM - TOP)

    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{HEIGHT}" '
           f'viewBox="0 0 {WIDTH} {HEIGHT}" font-family="sans-serif" font-size="13">\n',
           '<rect width="100%" height="100%" fill="white"/>\n',
           text_at(LEFT, 26, title, 'font-size="16" font-weight="bold"')]
    for i, line in enumerate(detail[:3]):
        out.append(text_at(LEFT, 46 + 17 * i, line, 'fill="#555"' if i else ""))
    decade = x0
    while decade <= x1 * 1.0001:
        for m in (1, 2, 5):
            v = decade * m
            if v > x1 * 1.0001:
                break
            x = x_of(v)
            out.append(f'<line x1="{x:.1f}" y1="{TOP}" x2="{x:.1f}" y2="{BOTTOM}" '
                       f'stroke="{"#ccc" if m == 1 else "#eee"}"/>\n')
            if m == 1 or (x1 / x0 <= 1000):
                out.append(text_at(x, BOTTOM + 20, label_us(v), 'text-anchor="middle"'))
        decade *= 10
    share = 1.0
    while share >= y1 * 0.999:
        for m in (1, 5) if share < 1 else (1,):
            s = share * m if m == 5 else share
            if s > 1:
                continue
            y = y_of(s)
            out.append(f'<line x1="{LEFT}" y1="{y:.1f}" x2="{RIGHT}" y2="{y:.1f}" '
                       f'stroke="{"#ccc" if m == 1 else "#eee"}"/>\n')
            out.append(text_at(LEFT - 8, y + 4, f"{s * 100:g}%", 'text-anchor="end"'))
        share /= 10
    out.append(f'<rect x="{LEFT}" y="{TOP}" width="{RIGHT - LEFT}" height="{BOTTOM - TOP}" '
               'fill="none" stroke="#333"/>\n')
    out.append(text_at((LEFT + RIGHT) / 2, BOTTOM + 46, x_label, 'text-anchor="middle"'))
    out.append(f'<text transform="translate(24,{(TOP + BOTTOM) / 2:.1f}) rotate(-90)" '
               f'text-anchor="middle">{escape(y_label)}</text>\n')
    legend_y = TOP + 10
    for label, colour, dashes, points in series:
        style = f'stroke="{colour}" stroke-width="2"' + (f' stroke-dasharray="{dashes}"' if dashes else "")
        if points:
            path = " ".join(f"{x_of(v):.1f},{y_of(s):.1f}" for v, s in points)
            out.append(f'<polyline fill="none" {style} points="{path}"/>\n')
        out.append(f'<line x1="{RIGHT + 12}" y1="{legend_y}" x2="{RIGHT + 50}" y2="{legend_y}" {style}/>\n')
        out.append(text_at(RIGHT + 56, legend_y + 4, label))
        legend_y += 22
    out.append("</svg>\n")
    return "".join(out)


def wine_name(run):
    name = f'Wine {run["wine"]}' if run.get("wine") else "Windows"
    return name + (" (a disturbed run)" if disturbed(run) else "")


def call_row(run, device, operation):
    return next((r for r in run["calls"] if r["device"] == device and r["operation"] == operation), None)


def main():
    out_dir, *paths = sys.argv[1:]
    runs = []
    for path in paths:
        with open(path) as f:
            runs.append(json.loads(f.read().strip().splitlines()[-1]))
    runs = [r for r in runs if r.get("arch") == "x64"] or runs
    written = []

    def write(name, svg):
        path = os.path.join(out_dir, name)
        with open(path, "w") as f:
            f.write(svg)
        written.append(path)

    series = []
    for i, run in enumerate(runs):
        row = call_row(run, "wheel", "dib_effect_update constant")
        if not row:
            continue
        for side, dashes in (("bridge", ""), ("raw", "7 5")):
            figures = row[side]
            series.append((f"{wine_name(run)}: {side}", COLOURS[i % len(COLOURS)], dashes,
                           exceedance(figures["latency_distribution"], figures["latency_us"]["count"])))
    write("performance-update.svg", chart(
        "Updating a constant force: from the call to its last report at the device",
        ["The virtual wheel under Wine's own DirectInput, x64; bridge and raw DirectInput in alternating rounds.",
         "Solid: the bridge's dib_effect_update; dashed: SetParameters with the same record and flags."],
        series, "latency: the call's entry to the driver's stamp of the call's last report (log scale)",
        "calls slower than this (log scale)"))

    for run in runs:
        major = run["wine"].split(".")[0] if run.get("wine") else "windows"
        rates = run["sustained"]
        series = [(f'{s["rate_hz"]} Hz', COLOURS[i % len(COLOURS)], "",
                   exceedance(s["latency_distribution"], s["latency_us"]["count"])) for i, s in enumerate(rates)]
        late = ", ".join(f'{s["rate_hz"]} Hz {s["late_share"] * 100:.1f}%' for s in rates)
        write(f"performance-sustained-wine{major}.svg", chart(
            f"Sustained updates under {wine_name(run)}: latency to the device",
            [f'A playing constant force on the virtual wheel, x64, updated {rates[0]["updates"] / rates[0]["rate_hz"]:g} s '
             "worth of times at each rate; a late update delays the next." if rates else "",
             f"Updates that began more than one period late: {late}."],
            series, "latency: the update's entry to the driver's stamp of its last report (log scale)",
            "updates slower than this (log scale)"))

        series = []
        for i, p in enumerate(run["polls"]):
            series.append((f'{p["rate_hz"]} Hz: bridge', COLOURS[i % len(COLOURS)], "",
                           exceedance(p["bridge_distribution"], p["bridge_us"]["count"])))
            series.append((f'{p["rate_hz"]} Hz: raw', COLOURS[i % len(COLOURS)], "7 5",
                           exceedance(p["raw_distribution"], p["raw_us"]["count"])))
        write(f"performance-poll-wine{major}.svg", chart(
            f"Input to the host under {wine_name(run)}: a changed input report until a poll shows it",
            ["The virtual wheel, x64: the driver gets a new X at a random moment; the host polls at each rate.",
             "Solid: dib_poll; dashed: its raw calls (message pump, Poll, GetDeviceState) on the same device."],
            series, "latency: the input report handed to the driver until the first poll that shows it returns "
                    "(log scale)", "inputs seen later than this (log scale)"))
    print("\n".join(written))


if __name__ == "__main__":
    main()
