#!/usr/bin/env bash
# Runs gantrel-bench once per architecture, in full, on the simulated
# DirectInput under Wine (x86 under 32-bit Wine), then gantrel-bench-real
# once per architecture under Wine 8 and under Wine 10 (scripts/wine10.sh),
# on the virtual HID devices through Wine's own DirectInput, and writes from
# those runs the README's two performance tables, the figures and pictures
# of docs/performance.md, and what the README, docs/performance.md and
# docs/integrating.md say about those figures, naming the machine and the
# Wine versions and marking a run that the machine disturbed.
# Arguments go to gantrel-bench (for example --rounds 31), GANTREL_REAL_ARGS
# to gantrel-bench-real (for example "--soak 600"); each run's own output
# is kept in <tree>/bench-run.txt and <tree>/bench-real-wine8.txt, -wine10.txt.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${GANTREL_BUILD_DIR:-$root/build}"

bash "$root/scripts/build.sh" --target gantrel_bench gantrel_bench_real
trees=("$build")
case " ${GANTREL_ARCHS:-x64 x86} " in *" x86 "*) trees+=("$build/x86") ;; esac

export WINEDEBUG=-all WINEDLLOVERRIDES=dinput8=n GANTREL_WINE_TEMPLATES="$build/wine-templates"
prefix_tool="$root/tools/wine-prefix/wine-prefix.sh"
runs=()
for tree in "${trees[@]}"; do
  export WINEPREFIX="$tree/wineprefix"
  bash "$prefix_tool" up
  echo "bench-table: running gantrel-bench in $tree (under a minute)"
  status=0
  (cd "$tree/bin" && wine gantrel-bench.exe "$@") | tr -d '\r' >"$tree/bench-run.txt" || status=$?
  bash "$prefix_tool" down
  [ "$status" -eq 0 ] || { echo "bench-table: gantrel-bench failed in $tree" >&2; exit 1; }
  runs+=("$tree/bench-run.txt")
done

# The real path: the same trees on the virtual HID devices (the x64 tree's
# drivers), each in its tree's HID prefix, whose wineserver is stopped after.
export WINEDLLOVERRIDES=dinput8=b
real_runs=()
for tree in "${trees[@]}"; do
  echo "bench-table: running gantrel-bench-real in $tree under Wine 8 and Wine 10 (a few minutes each)"
  status=0
  export WINEPREFIX="$tree/wineprefix-hid"
  bash "$prefix_tool" up --devices "$build/bin"
  # shellcheck disable=SC2086 # GANTREL_REAL_ARGS is a list of options
  (cd "$tree/bin" && wine gantrel-bench-real.exe ${GANTREL_REAL_ARGS:-}) | tr -d '\r' >"$tree/bench-real-wine8.txt" || status=$?
  bash "$prefix_tool" down
  [ "$status" -eq 0 ] || { echo "bench-table: gantrel-bench-real failed in $tree under Wine 8" >&2; exit 1; }
  WINEPREFIX="$tree/wineprefix-hid-wine10" GANTREL_BUILD_DIR="$build" bash "$root/scripts/wine10.sh" run \
    bash -c "bash '$prefix_tool' up --devices '$build/bin' >&2 && cd '$tree/bin' && exec wine gantrel-bench-real.exe ${GANTREL_REAL_ARGS:-}" |
    tr -d '\r' >"$tree/bench-real-wine10.txt" || status=$?
  [ "$status" -eq 0 ] || { echo "bench-table: gantrel-bench-real failed in $tree under Wine 10" >&2; exit 1; }
  real_runs+=("$tree/bench-real-wine8.txt" "$tree/bench-real-wine10.txt")
done

machine="$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), $(nproc) cores"
commit="$(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- src sim tools || echo ' with local changes')"
python3 - "$root/README.md" "$machine" "$(wine --version)" "$commit" "${runs[@]}" <<'EOF'
import datetime, json, sys

readme, machine, wine, commit, *runs = sys.argv[1:]
reports = [json.loads(open(run).read().strip().splitlines()[-1]) for run in runs]
arches = ["x64", "x86"][:len(reports)]
for report in reports:
    if report["not_measured"] or not all(row["ok"] for row in report["rows"]):
        sys.exit("bench-table: a run was not complete; the README is left as it was")

def verdict(met):
    return "met" if met else "missed"

def span(values, unit, digits=0):
    low, high = min(values), max(values)
    text = f"{low:,.{digits}f}" if round(low, digits) == round(high, digits) else f"{low:,.{digits}f}–{high:,.{digits}f}"
    return f"{text} {unit}"

def cells(report):
    """The measured text of each target row, for one architecture."""
    rows = {row["operation"]: row for row in report["rows"] if not row["scale"]}
    targets = report["targets"]
    updates = [row for name, row in rows.items() if name.startswith("dib_effect_update")]
    update_pct = [(row["ratio"] - 1) * 100 for row in updates]
    poll, stubbed = rows["dib_poll"], rows["dib_poll, message pump stubbed"]
    start, stop = rows["dib_effect_start"], rows["dib_effect_stop"]
    enumerate_row = next(row for row in report["rows"]
                         if row["operation"] == "dib_enumerate" and row["scale_value"] == targets["enumerate_listed"])
    return [
        f'{targets["hot_allocations"]:,} in {targets["hot_calls"]:,} calls: {verdict(targets["allocations_met"])}',
        f'worst {targets["own_ns"]:.0f} ns: `dib_poll` {stubbed["own_ns"]:.0f} ns (message pump stubbed), '
        f'`dib_effect_update` {span([r["own_ns"] for r in updates], "ns")}, `dib_effect_start` {start["own_ns"]:.0f} ns, '
        f'`dib_effect_stop` {stop["own_ns"]:.0f} ns: {verdict(targets["own_met"])}',
        f'{targets["poll_added_pct"]:+.1f}%: its own work, {stubbed["own_ns"]:.0f} ns, on {poll["raw_ns"] / 1000:.1f} µs '
        f'(measured whole: {poll["bridge_ns"] / 1000:.1f} µs against {poll["raw_ns"] / 1000:.1f} µs, mostly '
        f'`PeekMessageA` under Wine): {verdict(targets["poll_met"])}',
        f'{min(update_pct):+.0f}% to {max(update_pct):+.0f}%: {span([r["bridge_ns"] for r in updates], "ns")} against '
        f'{span([r["raw_ns"] for r in updates], "ns")}: {verdict(targets["update_met"])}',
        f'{targets["enumerate_allocations"]:.1f} per call, {enumerate_row["bridge_ns"] / 1000:.1f} µs against '
        f'{enumerate_row["raw_ns"] / 1000:.1f} µs of raw DirectInput: {verdict(targets["enumerate_met"])}',
    ]

names = [
    "no heap allocation in `dib_poll`, `dib_effect_update`, `dib_effect_start`, `dib_effect_stop`",
    "the bridge's own work under 1 µs per call",
    "`dib_poll` adds at most 10% over pump + `Poll` + `GetDeviceState`",
    "`dib_effect_update` adds at most 10% over `SetParameters`",
    f'`dib_enumerate` of {reports[0]["targets"]["enumerate_listed"]} devices: at most one heap allocation per device',
]
columns = [cells(report) for report in reports]
lines = [f"| Target | {' | '.join(arches)} |", "|---" * (len(arches) + 1) + "|"]
for i, name in enumerate(names):
    lines.append(f"| {name} | {' | '.join(column[i] for column in columns)} |")
table = f"""Latest runs: {datetime.date.today().isoformat()}, gantrel {reports[0]["gantrel"]} (commit {commit}),
on {machine}, {wine} ({" and ".join(f"{a} under {'32' if a == 'x86' else '64'}-bit Wine" for a in arches)});
every figure is the median of {reports[0]["rounds"]} alternating rounds of one batch of calls each.

""" + "\n".join(lines)

text = open(readme).read()
begin, end = "<!-- bench-table: begin -->\n", "<!-- bench-table: end -->"
if begin not in text or end not in text:
    sys.exit("bench-table: README.md has no bench-table markers")
head, rest = text.split(begin, 1)
open(readme, "w").write(head + begin + table + "\n" + end + rest.split(end, 1)[1])
print(table)
EOF
real="$root/tools/bench/real"
header="Latest runs: $(date +%F), gantrel $(sed -n 's/^project(gantrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt") (commit $commit),
on $machine, under $(wine --version) and $(cat "${GANTREL_WINE10_ROOT:-/var/cache/gantrel/wine10-trixie}/.gantrel-wine")
with Wine's own DirectInput and the project's virtual HID devices (x86 under 32-bit Wine)."
python3 "$real/real_tables.py" "$root/README.md" "$root/docs/performance.md" "$root/docs/integrating.md" "$header" \
  "${real_runs[@]}"
python3 "$real/latency_pictures.py" "$root/docs" "${real_runs[@]}"
echo "bench-table: README.md, docs/performance.md and docs/integrating.md updated from ${runs[*]} ${real_runs[*]}"
