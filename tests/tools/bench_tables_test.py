#!/usr/bin/env python3
"""The scripts that publish the real-path bench's runs: the verdict the
README states, what they refuse to write, and the curves they draw."""
import copy
import json
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "bench", "real"))
import latency_pictures  # noqa: E402
import real_tables  # noqa: E402


def side(call_us, reports=2):
    return {"call_us": call_us, "latency_us": {"median": 50, "p99": 90, "max": 99, "count": 3},
            "reports_min": reports, "reports_max": reports, "reports_mean": reports,
            "latency_distribution": []}


def call(operation, own_us, device="wheel", raw_us=100.0):
    return {"device": device, "operation": operation, "rounds": 3, "ratio": 1.0, "own_us": own_us, "ok": True,
            "outside": 0, "mismatched": 0, "unexpected": 0, "kinds": "set effect", "raw_kinds": "set effect",
            "bridge": side(raw_us + own_us), "raw": side(raw_us)}


def sustained(handles=(40, 40), memory=(9000, 9000)):
    spread = {"median": 300, "p99": 900, "max": 5000, "count": 10}
    return {"rate_hz": 1000, "updates": 10, "seconds": 0.01, "ok": True, "reports_min": 2, "reports_max": 2,
            "reports_mean": 2, "lost": 0, "extra": 0, "outside": 0, "latency_us": spread, "lateness_us": spread,
            "late_share": 0.1, "thread_cpu_us": 100, "process_cpu_us": 120, "handles_start": handles[0],
            "handles_end": handles[1], "private_kib_start": memory[0], "private_kib_end": memory[1],
            "latency_first_us": 300, "latency_last_us": 300, "tenths_median_us": [], "latency_distribution": []}


def run(own_us=1.0, **grown):
    return {"wine": "8.0", "arch": "x64", "not_measured": 0, "log_overflow": False,
            "calls": [call("dib_effect_update constant", own_us), call(real_tables.FORCE_ONLY, 80.0),
                      call("dib_effect_start", 0.5), call("dib_effect_create", 30.0)],
            "polls": [], "sustained": [sustained(**grown)]}


class Verdict(unittest.TestCase):
    def test_the_hot_calls_decide_and_the_comparison_row_does_not(self):
        for own_us, met in ((1.9, True), (2.1, False)):
            self.assertEqual(real_tables.verdict(run(own_us))[0], met, own_us)
        self.assertEqual(real_tables.verdict(run(1.0))[1]["operation"], "dib_effect_update constant",
                         "the worst hot row, not the force-only comparison (+80%) nor a create (+30%)")

    def test_growth_is_shown_unless_nothing_grew(self):
        self.assertIn("nothing grew", real_tables.readme_tables([run()]))
        for grown in ({"handles": (40, 41)}, {"memory": (9000, 9004)}):
            text = real_tables.readme_tables([run(**grown)])
            self.assertNotIn("nothing grew", text, grown)
            self.assertIn("handles 40→", text)


class Writing(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.readme = os.path.join(self.folder.name, "README.md")
        self.performance = os.path.join(self.folder.name, "performance.md")
        for path, name in ((self.readme, "bench-real-table"), (self.performance, "bench-real-figures")):
            with open(path, "w") as f:
                f.write(f"before\n<!-- {name}: begin -->\nold\n<!-- {name}: end -->\nafter\n")

    def tearDown(self):
        self.folder.cleanup()

    def write(self, *runs):
        paths = []
        for i, r in enumerate(runs):
            paths.append(os.path.join(self.folder.name, f"run{i}.txt"))
            with open(paths[-1], "w") as f:
                f.write("a table first\n" + json.dumps(r) + "\n")
        sys.argv = ["real_tables.py", self.readme, self.performance, "Latest runs: today", *paths]
        real_tables.main()

    def test_writes_between_the_markers_only(self):
        self.write(run())
        text = real_tables.read(self.readme)
        self.assertTrue(text.startswith("before\n") and text.endswith("after\n"))
        self.assertNotIn("old", text)
        self.assertIn("Latest runs: today", real_tables.read(self.performance))

    def test_an_incomplete_run_changes_nothing(self):
        for fault in ({"not_measured": 1}, {"log_overflow": True}):
            broken = dict(copy.deepcopy(run()), **fault)
            with self.assertRaises(SystemExit, msg=fault):
                self.write(run(), broken)
            self.assertIn("old", real_tables.read(self.readme), fault)


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
