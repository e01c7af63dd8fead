#!/usr/bin/env python3
"""The scripts that publish the real-path bench's runs: the verdict the
README states, what they refuse to write, the curves they draw, how a
disturbed run is told, and that every figure the committed documents give
about those runs is one of their tables'."""
import difflib
import json
import os
import re
import sys
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(__file__), "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tools", "bench", "real"))
import latency_pictures  # noqa: E402
import real_figures  # noqa: E402
import real_prose  # noqa: E402
import real_tables  # noqa: E402

DOCUMENTS = ("README.md", "docs/performance.md", "docs/integrating.md")
DERIVED = ("bench-real-table", "bench-real-figures", "bench-real-findings", "bench-real-budget")
# Hand-written words around the figures: the method, never a measurement.
FIGURE = re.compile(r"(?<![\d,.])(?<!crosses )\d[\d,.]*\s?(?:µs|ms|ns|%)"
                    r"|\b(?:a (?:quarter|third|fifth|sixth)|three quarters|over half|per cent)\b")


def side(call_us, reports=2):
    return {"call_us": call_us, "latency_us": {"median": 50, "p99": 90, "max": 99, "count": 3},
            "reports_min": reports, "reports_max": reports, "reports_mean": reports,
            "latency_distribution": []}


def call(operation, own_us, device="wheel", raw_us=100.0):
    return {"device": device, "operation": operation, "rounds": 3, "ratio": 1.0, "own_us": own_us, "ok": True,
            "outside": 0, "mismatched": 0, "unexpected": 0, "kinds": "set effect", "raw_kinds": "set effect",
            "bridge": side(raw_us + own_us), "raw": side(raw_us)}


def sustained(rate_hz=1000, handles=(40, 40), memory=(9000, 9000), wake_p99=300):
    spread = {"median": 300, "p99": 900, "max": 5000, "count": 10}
    return {"rate_hz": rate_hz, "updates": 10, "seconds": 0.01, "ok": True, "reports_min": 2, "reports_max": 2,
            "reports_mean": 2, "lost": 0, "extra": 0, "outside": 0, "latency_us": spread,
            "lateness_us": dict(spread, p99=wake_p99), "late_share": 0.1, "thread_cpu_us": 100,
            "process_cpu_us": 120, "handles_start": handles[0], "handles_end": handles[1],
            "private_kib_start": memory[0], "private_kib_end": memory[1], "latency_first_us": 300,
            "latency_last_us": 300, "tenths_median_us": [], "latency_distribution": []}


def poll(rate_hz):
    spread = {"median": 500 + 1e6 / rate_hz / 2, "p99": 900, "max": 5000, "count": 10}
    return {"rate_hz": rate_hz, "trials": 11, "bridge_us": spread, "raw_us": spread, "unseen": 0,
            "bridge_distribution": [], "raw_distribution": []}


def run(own_us=1.0, wine="8.0", arch="x64", wake_p99=300, **grown):
    calls = [call(op, own, device) for device in ("wheel", "stick")
             for op, own in (("dib_effect_update constant", own_us), (real_tables.FORCE_ONLY, 80.0),
                             ("dib_effect_start", 0.5), ("dib_effect_stop", 0.5), ("dib_effect_create", 30.0),
                             ("dib_effect_destroy", 1.0), ("dib_open", 2.0))]
    return {"wine": wine, "arch": arch, "not_measured": 0, "log_overflow": False,
            "calls": calls + [call("dib_enumerate", 3.0, "all")],
            "polls": [poll(hz) for hz in (60, 250, 1000)],
            "sustained": [sustained(60, wake_p99=wake_p99), sustained(1000, **grown)]}


def read(name):
    with open(os.path.join(ROOT, name), encoding="utf-8") as f:
        return f.read()


def without(text, *names):
    for name in names:
        begin, end = f"<!-- {name}: begin -->", f"<!-- {name}: end -->"
        if begin in text:
            text = text[:text.index(begin)] + text[text.index(end) + len(end):]
    return text


def section(text, heading):
    """The section under `heading`, up to the next heading of its level or above."""
    start = text.index(heading + "\n") + len(heading)
    level = len(heading.split(" ")[0])
    following = re.search(rf"^#{{1,{level}}} ", text[start:], re.M)
    return text[start:start + following.start()] if following else text[start:]


class Verdict(unittest.TestCase):
    def test_the_hot_calls_decide_and_the_comparison_row_does_not(self):
        for own_us, met in ((1.9, True), (2.1, False)):
            self.assertEqual(real_prose.verdict(run(own_us))[0], met, own_us)
        self.assertEqual(real_prose.verdict(run(1.0))[1]["operation"], "dib_effect_update constant",
                         "the worst hot row, not the force-only comparison (+80%) nor a create (+30%)")

    def test_growth_is_shown_unless_nothing_grew(self):
        def row_at_1000_hz(text):
            return next(line for line in text.splitlines() if line.startswith("| 1000 Hz ("))

        self.assertIn("nothing grew", row_at_1000_hz(real_tables.readme_tables([run()])))
        for grown in ({"handles": (40, 41)}, {"memory": (9000, 9004)}):
            row = row_at_1000_hz(real_tables.readme_tables([run(**grown)]))
            self.assertNotIn("nothing grew", row, grown)
            self.assertIn("handles 40→", row)

    def test_a_busy_machine_is_told_by_the_quiet_control_alone(self):
        self.assertIsNone(real_figures.disturbed(run(wake_p99=real_figures.QUIET_WAKE_US)))
        self.assertEqual(real_figures.disturbed(run(wake_p99=4400)), 4400)
        busy = run(wake_p99=4400)
        busy["sustained"][1]["lateness_us"]["p99"] = 1.0  # the fast rate falls behind by itself
        self.assertEqual(real_figures.disturbed(busy), 4400)


class Writing(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.paths = [os.path.join(self.folder.name, name) for name in ("README.md", "performance.md", "int.md")]
        for path, names in zip(self.paths, (["bench-real-table"], ["bench-real-figures", "bench-real-findings"],
                                            ["bench-real-budget"])):
            with open(path, "w") as f:
                f.write("before\n" + "".join(f"<!-- {n}: begin -->\nold\n<!-- {n}: end -->\n" for n in names)
                        + "after\n")

    def tearDown(self):
        self.folder.cleanup()

    def write(self, *runs):
        paths = []
        for i, r in enumerate(runs):
            paths.append(os.path.join(self.folder.name, f"run{i}.txt"))
            with open(paths[-1], "w") as f:
                f.write("a table first\n" + json.dumps(r) + "\n")
        sys.argv = ["real_tables.py", *self.paths, "Latest runs: today\non a machine, under wine", *paths]
        real_tables.main()

    def test_writes_between_the_markers_only(self):
        self.write(run(), run(wine="10.0"), run(arch="x86"))
        for path in self.paths:
            text = real_tables.read(path)
            self.assertTrue(text.startswith("before\n") and text.endswith("after\n"), path)
            self.assertNotIn("old", text, path)
        self.assertIn("Latest runs: today", real_tables.read(self.paths[1]))

    def test_an_incomplete_run_changes_nothing(self):
        faults = {"not measured": lambda r: r.update(not_measured=1),
                  "log overflow": lambda r: r.update(log_overflow=True),
                  "a report outside every update": lambda r: r["sustained"][1].update(outside=3),
                  "other reports than raw DirectInput's": lambda r: r["calls"][0].update(mismatched=1),
                  "an input never seen": lambda r: r["polls"][0].update(unseen=1)}
        for fault, make in faults.items():
            broken = run()
            make(broken)
            with self.assertRaises(SystemExit, msg=fault):
                self.write(run(), broken)
            self.assertIn("old", real_tables.read(self.paths[0]), fault)

    def test_what_is_written_reads_back_as_the_runs(self):
        runs = [run(), run(wine="10.0", wake_p99=4400)]
        self.write(*runs)
        block = real_tables.between(real_tables.read(self.paths[1]), real_tables.FIGURES)[1]
        parsed = real_figures.parse(block)
        self.assertEqual([(r["wine"], real_figures.disturbed(r)) for r in parsed], [("8.0", None), ("10.0", 4400)])
        self.assertEqual(parsed[0]["calls"][0]["bridge"]["call_us"], 101.0)
        self.assertEqual(parsed[1]["sustained"][0]["lateness_us"]["p99"], 4400)
        self.assertIn(real_prose.disturbed_note(parsed[1]), block)
        self.assertIn("(a disturbed run)", real_tables.read(self.paths[0]))
        self.write(run(wake_p99=4400))
        self.assertIn("No run was quiet", real_tables.read(self.paths[1]))


class CommittedDocuments(unittest.TestCase):
    """The figures as published are the source of every word about them."""

    def derived(self, documents):
        return dict(zip(DOCUMENTS, real_tables.derive(*(documents[name] for name in DOCUMENTS))))

    def disagreements(self, documents):
        derived = self.derived(documents)
        return "".join("".join(difflib.unified_diff(documents[n].splitlines(True), derived[n].splitlines(True),
                                                    f"{n} (committed)", f"{n} (from its tables)"))
                       for n in DOCUMENTS if derived[n] != documents[n])

    def test_every_figure_written_about_the_runs_is_one_of_their_tables(self):
        documents = {name: read(name) for name in DOCUMENTS}
        self.assertEqual(self.disagreements(documents), "",
                         "rewrite them with: python3 tools/bench/real/real_tables.py --derive " + " ".join(DOCUMENTS))

    def test_a_figure_changed_on_either_side_disagrees(self):
        documents = {name: read(name) for name in DOCUMENTS}
        table = documents["docs/performance.md"]
        first_row = re.search(r"^\| wheel \| `dib_effect_update constant` \| (\S+ \S+) \|", table, re.M)
        planted = dict(documents, **{"docs/performance.md": table[:first_row.start(1)] + "999 µs"
                                     + table[first_row.end(1):]})
        self.assertIn("999 µs", self.disagreements(planted), "a table changed under its prose")
        budget = documents["docs/integrating.md"]
        share = re.compile(r"\d+\.\d%").search(budget, budget.index("<!-- bench-real-budget: begin -->"))
        other = "0.0%" if share.group() != "0.0%" else "0.1%"
        planted = dict(documents, **{"docs/integrating.md": budget[:share.start()] + other + budget[share.end():]})
        diff = self.disagreements(planted).splitlines()
        self.assertTrue(any(line.startswith("-") and other in line for line in diff), "prose changed against its table")

    def test_the_words_around_the_figures_give_none_of_their_own(self):
        hand_written = {
            "docs/performance.md": without(read("docs/performance.md"), *DERIVED),
            "README.md": without(section(read("README.md"), "### What a force costs on the real path"), *DERIVED),
            "docs/integrating.md": without(section(read("docs/integrating.md"), "## What an update costs"),
                                           *DERIVED),
        }
        found = [f"{name}: ...{text[max(0, m.start() - 30):m.end()]}" for name, text in hand_written.items()
                 for m in FIGURE.finditer(text)]
        self.assertEqual(found, [], "figures belong to the derived blocks, where the tables write them")


class Curves(unittest.TestCase):
    def test_shares_fall_from_all_calls_to_the_slowest_one(self):
        distribution = [float(v) for v in range(100, 201)] + [200.5]  # 0..100% with 99.9% after 99%
        points = latency_pictures.exceedance(distribution, 2000)
        shares = [s for _, s in points]
        self.assertEqual(shares[0], 1.0)
        self.assertEqual(shares[-1], 1 / 2000)
        self.assertEqual(shares, sorted(shares, reverse=True))
        self.assertEqual(latency_pictures.exceedance([], 0), [])


if __name__ == "__main__":
    unittest.main()
