"""What the README, docs/performance.md and docs/integrating.md say about
the real-path figures, written from the tables as published (the runs as
real_figures reads them back), so that every figure in these words is one
of the tables' and names the architecture and Wine it was measured on.
"""
import re
import textwrap

from real_figures import CONTROL_HZ, QUIET_WAKE_US, disturbed, signed_us, us

HOT = ("dib_effect_update", "dib_effect_start", "dib_effect_stop")
SLOW = ("dib_effect_create", "dib_effect_destroy", "dib_open", "dib_release", "dib_enumerate")
UPDATE = "dib_effect_update constant"
FORCE_ONLY = "dib_effect_update constant, raw force only"
TARGET_PCT = 2.0


GLUED = re.compile(r"(\d) (?=µs|ms|ns|Hz|KiB|s\b|reports?\b)|(Wine|x64,|x86,) (?=\d)")


def wrap(text):
    """Paragraphs and bullets folded as the hand-written text around them,
    never between a number and its unit."""
    def fold(line):
        glued = GLUED.sub(lambda m: (m.group(1) or m.group(2)) + "\0", line)
        return textwrap.fill(glued, 76, subsequent_indent="  " if line.startswith("- ") else "",
                             break_long_words=False, break_on_hyphens=False).replace("\0", " ")
    return "\n".join(fold(line) for line in text.split("\n"))


def pct(row):
    """What the bridge adds: its own work (the median of the rounds' paired
    differences) over the raw call, which a busy machine moves far less
    than the ratio of the two medians."""
    if "pct" in row:
        return row["pct"]
    return row["own_us"] / row["raw"]["call_us"] * 100 if row["raw"]["call_us"] else 0


def join(items):
    items = list(items)
    return items[0] if len(items) == 1 else ", ".join(items[:-1]) + " and " + items[-1]


def label(run):
    return f'{run["arch"]}, Wine {run["wine"]}'


def runs_label(runs):
    """"x64 under Wine 8.0 and 10.0 and x86 under Wine 8.0"."""
    arches = []
    for arch in ("x64", "x86"):
        wines = [r["wine"] for r in runs if r["arch"] == arch]
        if wines:
            arches.append(f"{arch} under Wine {join(wines)}")
    return join(arches)


def each(runs, value):
    """Every run's figure, named: "370 µs (x64, Wine 8.0) and 469 µs (x86, Wine 8.0)"."""
    return join(f"{value(r)} ({label(r)})" for r in runs)


def span(values, fmt):
    low, high = fmt(min(values)), fmt(max(values))
    return low if low == high else f"{low} to {high}"


def share(value):
    return f"{value * 100:.1f}%"


def row(run, operation, device="wheel"):
    return next(c for c in run["calls"] if c["device"] == device and c["operation"] == operation)


def rate(run, hz):
    return next(s for s in run["sustained"] if s["rate_hz"] == hz)


def poll(run, hz):
    return next(p for p in run["polls"] if p["rate_hz"] == hz)


def call_us(run, operation=UPDATE, side="bridge"):
    return row(run, operation)[side]["call_us"]


def at_device(run, key="median", operation=UPDATE):
    return row(run, operation)["bridge"]["latency_us"][key]


def top_rate(runs):
    return max(s["rate_hz"] for r in runs for s in r["sustained"])


def hot_rows(run):
    return [r for r in run["calls"] if r["operation"].startswith(HOT) and r["operation"] != FORCE_ONLY]


def verdict(run):
    worst = max(hot_rows(run), key=pct)
    return all(pct(r) <= TARGET_PCT for r in hot_rows(run)), worst


def quiet(runs):
    """The runs to compare: the quiet ones, or every run when none was."""
    return [r for r in runs if not disturbed(r)] or runs


def quiet_words(runs):
    return "the quiet runs" if len(quiet(runs)) < len(runs) or not busy(runs) else "every run, each disturbed"


def others_busy(runs):
    """The disturbed runs, when quiet ones are compared apart from them."""
    return busy(runs) if len(quiet(runs)) < len(runs) else []


def busy(runs):
    return [r for r in runs if disturbed(r)]


def disturbed_note(run):
    """The line under a disturbed run's heading in docs/performance.md."""
    return (f"**A disturbed run**: other programs kept the machine busy while it ran. At {CONTROL_HZ} updates a "
            "second, where the updating thread sleeps between updates, 1% of the updates began more than "
            f"{us(disturbed(run))} after their slot; in a quiet run they begin within {us(QUIET_WAKE_US)}. Its "
            "figures are kept as measured and compared with no other run's.")


def disturbed_sentence(runs):
    loud = busy(runs)
    if not loud:
        return ""
    runs_were = "run" if len(loud) == 1 else "runs"
    was = "was" if len(loud) == 1 else "were"
    return (f"The {runs_were} of {runs_label(loud)} {was} disturbed by other programs on the machine: at "
            f"{CONTROL_HZ} updates a second 1% of the updates began more than "
            f"{join(us(disturbed(r)) for r in loud)} after their slot, where a quiet run stays within "
            f"{us(QUIET_WAKE_US)}.")


def own_work(own_ns):
    """own_ns: the simulator bench's worst own work per architecture, with
    the Wine it ran under."""
    if not own_ns:
        return ""
    return (" Its own work, measured on the simulated DirectInput under Wine " + own_ns["wine"] + ", is at most "
            + join(f"{ns} ns per call on {arch}" for arch, ns in own_ns["ns"].items()) + ".")


def late_up_to(runs, hz):
    """The largest share of late updates at `hz` and the rates below it."""
    return max(s["late_share"] for r in runs for s in r["sustained"] if s["rate_hz"] <= hz)


def busy_rates(runs):
    """How many updates began late at each rate in the disturbed runs."""
    return "; ".join(f"in the disturbed run ({label(r)}) "
                     + join(f'{share(s["late_share"])} at {s["rate_hz"]} Hz' for s in r["sustained"]
                            if s["rate_hz"] > CONTROL_HZ) for r in busy(runs))


def force_only_share(run):
    return f"{call_us(run, FORCE_ONLY, 'raw') / call_us(run, UPDATE, 'raw'):.0%}"


def nothing_lost(runs):
    return all(not s["lost"] and not s["extra"] for r in runs for s in r["sustained"])


def nothing_grew(runs):
    return all(s["handles_end"] <= s["handles_start"] and s["private_kib_end"] <= s["private_kib_start"]
               for r in runs for s in r["sustained"])


def the_target(runs):
    verdicts = [(r, *verdict(r)) for r in runs]
    if all(met for _, met, _ in verdicts):
        return "met in every run"
    return ("met in " + (join(label(r) for r, met, _ in verdicts if met) or "no run") + " and missed in "
            + join(f'{label(r)} (`{w["operation"]}` on the {w["device"]}, {pct(w):+.1f}%)'
                   for r, met, w in verdicts if not met))


def wines_compared(runs):
    """Wine 8 against Wine 10 for each architecture whose two runs were quiet."""
    out = []
    for arch in ("x64", "x86"):
        pair = sorted((r for r in runs if r["arch"] == arch), key=lambda r: float(r["wine"]))
        if len(pair) != 2:
            continue
        old, new = pair
        if disturbed(old) or disturbed(new):
            out.append(f"On {arch} one of the two runs was disturbed, so the two Wines are not compared there.")
            continue
        both = lambda value: f"{value(old)} and {value(new)}"  # noqa: E731
        hz = top_rate(pair)
        out.append(
            f"On {arch}, under Wine {old['wine']} and {new['wine']}: an update of the wheel's constant force took "
            f"{both(lambda r: us(call_us(r)))}, a start {both(lambda r: us(call_us(r, 'dib_effect_start')))}, a "
            f"stop {both(lambda r: us(call_us(r, 'dib_effect_stop')))}; a poll at {hz} Hz saw a new input after "
            f"{both(lambda r: us(poll(r, hz)['bridge_us']['median']))}; at {hz} updates a second "
            f"{both(lambda r: share(rate(r, hz)['late_share']))} of the updates began late.")
    return " ".join(out)


def reports_by_wine(runs, operation):
    by_wine = {}
    for r in runs:
        by_wine.setdefault(r["wine"], set()).add(row(r, operation)["bridge"]["reports_max"])
    return join(f"{span(counts, str)} under Wine {wine}" for wine, counts in by_wine.items())


def report_counts(runs):
    create, opening = reports_by_wine(runs, "dib_effect_create"), reports_by_wine(runs, "dib_open")
    return (f"The reports an effect's creation sent: {create} (no empty envelope under Wine 10); an opening's: "
            f"{opening} (Wine 10 adds a stop-all command).")


def findings(runs, own_ns):
    """The bullets of docs/performance.md's "What the figures show"."""
    calm = quiet(runs)
    hot = [r for run in runs for r in hot_rows(run)]
    slow = [r for run in runs for r in run["calls"] if r["operation"].split(" ")[0] in SLOW]
    cpu = [s["thread_cpu_us"] for r in calm for s in r["sustained"]]
    counts = span([row(r, UPDATE, d)["bridge"]["reports_max"] for r in runs for d in ("wheel", "stick")], str)
    hz = top_rate(runs)
    tenths = max(s["latency_last_us"] / s["latency_first_us"] - 1 for r in calm for s in r["sustained"])
    out = []
    if busy(runs):
        its = "Its" if len(busy(runs)) == 1 else "Their"
        out.append(f"- **{'A run was' if len(busy(runs)) == 1 else 'Runs were'} disturbed.** "
                   + disturbed_sentence(runs) + (f" {its} figures are in the tables below, marked, and are left "
                                                 "out of every comparison on this page that does not name them."
                                                 if others_busy(runs) else " No run was quiet: every comparison "
                                                 "on this page is between disturbed runs; run the bench again."))
    out.append(
        "- **The bridge adds nothing measurable.** For the calls a host makes in its loop (update, start, stop) "
        "the median of the paired rounds' differences between the bridge and raw DirectInput ran from "
        f"{min(map(pct, hot)):+.1f}% to {max(map(pct, hot)):+.1f}% of the raw call "
        f"({signed_us(min(r['own_us'] for r in hot))} to {signed_us(max(r['own_us'] for r in hot))}) in the runs "
        f"of {runs_label(runs)}, the noise of the method itself, and the target, the bridge adding at most "
        f"{TARGET_PCT:.0f}% to `dib_effect_update`, `dib_effect_start` and `dib_effect_stop`, is "
        f"{the_target(runs)}. The slow calls (create, destroy, open, release, enumerate), measured in fewer "
        f"rounds, scatter further: from {min(map(pct, slow)):+.1f}% to {max(map(pct, slow)):+.1f}%."
        + own_work(own_ns) + " In every round of every row the device received exactly the same reports from "
        "the bridge's call as from the raw calls with the same records.")
    out.append(
        "- **The cost is the trip to the driver.** Updating a playing constant force on the wheel took "
        f"{each(calm, lambda r: us(call_us(r)))} at the median, and its last report reached the device "
        f"{each(calm, lambda r: f'{at_device(r) / call_us(r):.0%}')} of the way through the call. In the "
        f"sustained runs the updating thread spent {span(cpu, us)} of CPU time per update inside Wine "
        f"({runs_label(calm)}); the rest of a call is waiting for Wine's server and driver host. When other "
        "programs want the processor, single calls take milliseconds: that is the 99th percentiles and the "
        "maxima.")
    out.append(
        "- **Two reports per update, one of them because of the duration.** Every update of a constant force "
        f"reached the device as {counts} reports ({row(runs[0], UPDATE)['kinds']}) in every run. Wine 8 and "
        "Wine 10 both send the effect's parameters because the update names `DIEP_DURATION`, even when the "
        "duration is unchanged: `SetParameters` naming only `DIEP_TYPESPECIFICPARAMS` sent "
        f"only the {join(sorted({row(r, FORCE_ONLY)['raw_kinds'] for r in runs}))} report and took "
        f"{each(calm, force_only_share)} of the time of the same full update made directly (the rows \"raw "
        "force only\"). The bridge's update always names the duration, gain and direction with the force, so "
        "this report is part of its cost on Wine.")
    sustained = calm[0]["sustained"]
    out.append(
        "- **" + ("Nothing is lost, merged or left behind.** " if nothing_lost(runs) and nothing_grew(runs)
                  else "What the sustained runs left behind.** ")
        + (f"Every update of every sustained run ({sustained[0]['updates']:,} to {sustained[-1]['updates']:,} "
           f"updates at {sustained[0]['rate_hz']} to {sustained[-1]['rate_hz']} Hz) reached the device as its own "
           f"{counts} reports, in order; " if nothing_lost(runs) else "Some updates were lost or sent twice (see "
           "the tables); ")
        + ("no handle and no memory was added over any run; " if nothing_grew(runs) else
           "handles or memory grew in some runs (see the tables); ")
        + f"and the median at the device of a run's last tenth was at most {max(tenths, 0):.0%} above its first "
        f"tenth's ({runs_label(calm)}).")
    out.append(
        f"- **How fast updates can follow each other.** At {hz} Hz an update must return within "
        f"{us(1e6 / hz)} for the next to start on time: {each(calm, lambda r: share(rate(r, hz)['late_share']))} "
        f"of the updates began more than a period late. At {hz // 2} Hz and below at most "
        f"{share(late_up_to(calm, hz // 2))} did in {quiet_words(runs)}"
        + (f"; {busy_rates(runs)}." if others_busy(runs) else "."))
    out.append(
        f"- **Input reaches the host at its next poll.** A changed input report reached a poll at {hz} Hz "
        f"{each(calm, lambda r: us(poll(r, hz)['bridge_us']['median']))} after the driver had it, at the "
        f"median; raw DirectInput took {join(us(poll(r, hz)['raw_us']['median']) for r in calm)}. Slower polling "
        "waits for the next poll, half a period on average: "
        + join(f"{span([poll(r, p['rate_hz'])['bridge_us']['median'] for r in calm], us)} at {p['rate_hz']} Hz"
               for p in reversed(calm[0]["polls"]) if p["rate_hz"] != hz) + ".")
    out.append(
        "- **Wine 8 and Wine 10.** " + wines_compared(runs) + " " + report_counts(runs))
    return wrap("\n".join(out))


def readme_notes(runs):
    """The lines under the README's real-path table."""
    verdicts = []
    for run in runs:
        met, worst = verdict(run)
        verdicts.append(f'Wine {run["wine"]} {run["arch"]}: {"met" if met else "missed"}, worst '
                        f'`{worst["operation"]}` on the {worst["device"]}, {signed_us(worst["own_us"])} '
                        f'({pct(worst):+.1f}%)')
    out = [f"The bridge adds at most {TARGET_PCT:.0f}% to raw DirectInput on `dib_effect_update`, "
           "`dib_effect_start` and `dib_effect_stop` (wheel and stick; the median of the paired rounds' "
           "differences over the raw call): " + "; ".join(verdicts) + "."]
    x86 = [r for r in runs if r["arch"] == "x86"]
    if x86:
        out.append("x86 under 32-bit Wine, the same wheel: `dib_effect_update` constant "
                   + "; ".join(f'Wine {r["wine"]}' + (", a disturbed run," if disturbed(r) else "")
                               + f' {us(call_us(r))} against {us(call_us(r, side="raw"))}, at the device '
                               f'{us(at_device(r))} / {us(at_device(r, "p99"))} / {us(at_device(r, "max"))}'
                               for r in x86)
                   + " ([docs/performance.md](docs/performance.md) has every row).")
    if busy(runs):
        out.append(disturbed_sentence(runs) + " Its figures are marked in "
                   "[docs/performance.md](docs/performance.md) and compared with no other run's.")
    return wrap("\n\n".join(out))


def machine(header):
    found = re.search(r"\non (.*?), under ", header)
    return found.group(1) if found else "the machine the header names"


def budget(runs, header):
    """The measurements in docs/integrating.md's "What an update costs"."""
    calm = quiet(runs)
    hz = top_rate(runs)
    at_top = [rate(r, hz) for r in calm]
    create = [row(r, "dib_effect_create") for r in calm]
    out = [
        "- **An update is a round trip, not a store.** Updating a playing constant force on the wheel took "
        f"{each(calm, lambda r: us(call_us(r)))} at the median. Its last report reached the device, after the "
        f"call began, {join(us(at_device(r)) for r in calm)} at the median, "
        f"{join(us(at_device(r, 'p99')) for r in calm)} at the 99th percentile and at most "
        f"{join(us(at_device(r, 'max')) for r in calm)}, in the same order: the slowest when another program "
        "took the processor. Much of the call is CPU time of the calling thread: "
        f"{span([s['thread_cpu_us'] for r in calm for s in r['sustained']], us)} per update in the sustained "
        "runs.",
        "- **Two reports per update.** Each update of a constant force reaches the device as the effect's "
        "parameters and the force. DirectInput sends the first because the update names the effect's "
        "duration: the bridge's update always carries the whole description (duration, gain, direction and the "
        "force), and both Wine 8 and Wine 10 then send the effect's parameters again, even unchanged. A "
        f"program naming only the force sends the force alone and takes {each(calm, force_only_share)} of the "
        "time.",
        ("- **Nothing is lost or merged.** At every rate measured, up to "
         f"{hz} updates a second, every update reached the device with its own force report, in order. "
         "DirectInput does not drop stale updates: every call is sent." if nothing_lost(runs) else
         "- **Updates were lost or merged** in some runs: [performance.md](performance.md) says which."),
        f"- **How fast updates can follow each other.** At {hz} updates a second the updating thread spent "
        f"{span([s['thread_cpu_us'] for s in at_top], us)} of CPU time per update, every {us(1e6 / hz)}, and "
        f"{each(calm, lambda r: share(rate(r, hz)['late_share']))} of the updates began more than a period after "
        "their slot, because an earlier update had not returned. At "
        f"{hz // 2} updates a second and below at most {share(late_up_to(calm, hz // 2))} were late in "
        f"{quiet_words(runs)}"
        + (f"; {busy_rates(runs)}, while other programs kept the machine busy." if others_busy(runs) else "."),
        f"- **Input waits for the next poll.** A changed input reached `dib_poll` at {hz} Hz "
        f"{each(calm, lambda r: us(poll(r, hz)['bridge_us']['median']))} after the device sent it, at the "
        "median. Slower polling waits for the next poll, half its period on average, in all "
        + join(f"{span([poll(r, p['rate_hz'])['bridge_us']['median'] for r in calm], us)} at {p['rate_hz']} Hz"
               for p in reversed(calm[0]["polls"]) if p["rate_hz"] != hz) + ".",
        "- **Creating, opening and listing are slow.** Creating an effect on the wheel sends "
        f"{span([c['bridge']['reports_max'] for c in create], str)} reports and waits for the device's answer "
        f"({span([c['bridge']['call_us'] for c in create], us)}); destroying one sends "
        f"{span([row(r, 'dib_effect_destroy')['bridge']['reports_max'] for r in calm], str)}, a start or a stop "
        f"{span([row(r, op)['bridge']['reports_max'] for r in calm for op in HOT[1:]], str)}. Opening the wheel "
        f"took {span([call_us(r, 'dib_open') for r in calm], us)}, listing the devices "
        f"{span([row(r, 'dib_enumerate', 'all')['bridge']['call_us'] for r in calm], us)}.",
    ]
    lead = f"Measured on {machine(header)}, in the runs of {runs_label(calm)}"
    if others_busy(runs):
        lead += f"; the run of {runs_label(busy(runs))} was disturbed by the machine and is named where it is used"
    elif busy(runs):
        lead += ", every one disturbed by other programs on the machine"
    return wrap(lead + ":\n\n" + "\n".join(out))
