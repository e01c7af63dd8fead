"""The published figures of the real-path bench read back from
docs/performance.md, in the shape of the runs' own JSON, so that everything
written about them can be derived from the tables as they stand, and a run
disturbed by the machine can be told from its quiet control.
"""
import re

# At 60 Hz the updating thread sleeps some 16 ms between updates, so when
# it starts more than this late, it was waiting for a processor that other
# programs held; quiet runs stay far below.
QUIET_WAKE_US = 2000.0
CONTROL_HZ = 60

HEADING = re.compile(r"^### Wine (\S+), (x64|x86)$", re.M)
UNIT = {"ns": 0.001, "µs": 1.0, "ms": 1000.0, "s": 1e6}


def disturbed(run):
    """The 99th percentile of how late the quiet control's updates began,
    when it shows the machine was busy; None for a quiet run."""
    control = next((s for s in run["sustained"] if s["rate_hz"] == CONTROL_HZ), None)
    if control and control["lateness_us"]["p99"] > QUIET_WAKE_US:
        return control["lateness_us"]["p99"]
    return None


def us(value):
    """A duration in µs as the tables write it, to two or three digits."""
    if value >= 10000:
        return f"{value / 1000:,.0f} ms"
    if value >= 1000:
        return f"{value / 1000:.1f} ms"
    if value < 10:
        return f"{value:.1f} µs"
    return f"{value:.0f} µs"


def signed_us(value):
    return ("+" if value >= 0 else "-") + us(abs(value))


def spread_text(s):
    return f'{us(s["median"])} / {us(s["p99"])} / {us(s["max"])}'


def read_us(text):
    """A duration as the tables write it ("370 µs", "-1.7 ms", "1,856 ms") in µs."""
    number, unit = text.strip().split(" ")
    return float(number.replace(",", "")) * UNIT[unit]


def spread(text):
    median, p99, high = (read_us(part) for part in text.split(" / "))
    return {"median": median, "p99": p99, "max": high, "count": 1}


def no_spread():
    return {"median": 0.0, "p99": 0.0, "max": 0.0, "count": 0}


def reports(text):
    """"2" or "2–3 (2.50)" as the bench's minimum, maximum and mean."""
    found = re.fullmatch(r"(\d+)(?:–(\d+) \(([\d.]+)\))?", text.strip())
    low = int(found.group(1))
    high = int(found.group(2) or low)
    return {"reports_min": low, "reports_max": high, "reports_mean": float(found.group(3) or low)}


def cells(line):
    return [cell.strip() for cell in line.strip().strip("|").split("|")]


def table_rows(lines, first_header):
    """The rows of the table whose header starts with `first_header`."""
    for at, line in enumerate(lines):
        if line.startswith(f"| {first_header} |"):
            rows = []
            for row in lines[at + 2:]:
                if not row.startswith("|"):
                    break
                rows.append(cells(row))
            return rows
    raise ValueError(f"no table headed {first_header!r}")


def call(row):
    device, operation, bridge, raw, ratio, adds, at_bridge, at_raw, sent = row
    own = re.fullmatch(r"(\S+ \S+) \(([+-][\d.]+)%\)", adds)
    count, _, kinds = sent.partition(": ")
    kinds, _, raw_kinds = kinds.partition("; raw: ")
    bridge_side = {"call_us": read_us(bridge), "latency_us": no_spread() if at_bridge == "–" else spread(at_bridge)}
    bridge_side.update(reports(count))
    return {"device": device, "operation": operation.strip("`"), "ratio": float(ratio),
            "own_us": read_us(own.group(1)), "pct": float(own.group(2)),
            "kinds": "" if kinds == "none" else kinds, "raw_kinds": raw_kinds or ("" if kinds == "none" else kinds),
            "bridge": bridge_side,
            "raw": {"call_us": read_us(raw), "latency_us": no_spread() if at_raw == "–" else spread(at_raw)}}


def poll(row):
    rate, trials, bridge, raw, unseen = row
    return {"rate_hz": int(rate.split()[0]), "trials": int(trials), "bridge_us": spread(bridge),
            "raw_us": spread(raw), "unseen": int(unseen)}


def sustained(row):
    rate, updates, per_update, lost_extra, at_device, tenths, late, share, cpu, handles, memory = row
    count, seconds = re.fullmatch(r"([\d,]+) in ([\d.]+) s", updates).groups()
    first, last = tenths.split(", ")
    thread, process = cpu.split(" / ")
    handles_start, handles_end = handles.split(" → ")
    memory_start, memory_end = memory.removesuffix(" KiB").split(" → ")
    lost, extra = lost_extra.split(" / ")
    run = {"rate_hz": int(rate.split()[0]), "updates": int(count.replace(",", "")), "seconds": float(seconds),
           "lost": int(lost), "extra": int(extra), "latency_us": spread(at_device),
           "latency_first_us": read_us(first), "latency_last_us": read_us(last), "lateness_us": spread(late),
           "late_share": float(share.rstrip("%")) / 100,
           "thread_cpu_us": read_us(thread), "process_cpu_us": read_us(process),
           "handles_start": int(handles_start), "handles_end": int(handles_end),
           "private_kib_start": float(memory_start.replace(",", "")),
           "private_kib_end": float(memory_end.replace(",", ""))}
    run.update(reports(per_update))
    return run


def parse(block):
    """The runs of the figures block, in the order it lists them."""
    runs = []
    parts = HEADING.split(block)
    for wine, arch, body in zip(parts[1::3], parts[2::3], parts[3::3]):
        lines = body.splitlines()
        runs.append({"wine": wine, "arch": arch,
                     "calls": [call(r) for r in table_rows(lines, "Device")],
                     "polls": [poll(r) for r in table_rows(lines, "Poll rate")],
                     "sustained": [sustained(r) for r in table_rows(lines, "Rate")]})
    return runs
