"""The benchmark table of `./vd bench` (bench/collect_results.py): the lines
it reads from a run's log, the targets it gives Google Benchmark's figures,
the figure over its target and the mark, and the exit status."""
import json
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
SCRIPT = os.path.join(ROOT, "bench", "collect_results.py")
sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(SCRIPT))
import collect_results as collect  # noqa: E402

TARGETS = "pattern\ttarget\tunit\tsource\nBM_Fast.*\t2\tus\tchosen\nBM_Slow\t1\tms\tchosen\n"
GBENCH = {"benchmarks": [
    {"name": "BM_FastOne", "run_type": "iteration", "cpu_time": 1500.0, "real_time": 9000.0, "time_unit": "ns"},
    {"name": "BM_Slow", "run_type": "iteration", "cpu_time": 1.5, "real_time": 1.5, "time_unit": "ms"},
    {"name": "BM_Slow_mean", "run_type": "aggregate", "cpu_time": 1.5, "time_unit": "ms"},
    {"name": "BM_Other", "run_type": "iteration", "cpu_time": 7.0, "time_unit": "ns"},
]}


class CollectResults(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.targets = self.write("targets.tsv", TARGETS)
        self.json = self.write("geom_bench.json", json.dumps(GBENCH))

    def tearDown(self):
        self.dir.cleanup()

    def write(self, name, text):
        path = os.path.join(self.dir.name, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def rows(self, log):
        return collect.read_log(self.write("bench.log", log), collect.read_targets(self.targets))

    def run_script(self, log):
        return subprocess.run([sys.executable, SCRIPT, self.write("bench.log", log), self.targets],
                              capture_output=True, text=True)

    def test_result_lines(self):
        # (line, name, value, unit, target, ratio); names may hold numbers,
        # colons and commas; a time in another unit than its target's is
        # converted; lines that only look alike are not figures.
        cases = [
            ("bench-result: DimConnect 1k 412 ms target 1000 ms", "DimConnect 1k", 412, "ms", 1000, 0.412),
            ("bench-result: preview, 10k segments: pan, to the GDI floor 1.3 x target 1.3 x",
             "preview, 10k segments: pan, to the GDI floor", 1.3, "x", 1.3, 1.0),
            ("bench-result: HeightDimUpdate 10k in vdhost, elapsed 2500.5 ms target 2 s",
             "HeightDimUpdate 10k in vdhost, elapsed", 2500.5, "ms", 2, 1.25025),
            ("bench-result: chains 1.5e+02 ns target 200 ns", "chains", 150, "ns", 200, 0.75),
        ]
        for line, name, value, unit, target, ratio in cases:
            with self.subTest(line=line):
                rows, failures = self.rows(line + "\n")
                self.assertEqual(failures, [])
                self.assertEqual(len(rows), 1)
                r = rows[0]
                self.assertEqual((r.name, r.value, r.unit, r.target), (name, value, unit, target))
                self.assertAlmostEqual(r.ratio(), ratio)
        for line in ("bench-result: no figure here", "  bench-result: X 1 ms target 2 ms",
                     "bench-result: X 1 ms goal 2 ms", "some output 1 ms target 2 ms"):
            with self.subTest(line=line):
                self.assertEqual(self.rows(line + "\n")[0], [])

    def test_units_that_do_not_compare_have_no_ratio(self):
        rows, _ = self.rows("bench-result: peak 3.2 x target 3 MB\n")
        self.assertIsNone(rows[0].ratio())

    def test_google_benchmark_figures_take_targets_by_pattern(self):
        rows, _ = self.rows(f"bench-json: {self.json}\n")
        # Processor time, iterations only; the first matching pattern; none
        # for a name no pattern matches.
        got = [(r.name, r.value, r.unit, r.target, r.target_unit) for r in rows]
        self.assertEqual(got, [
            ("geom_bench: BM_FastOne (processor time)", 1500.0, "ns", 2.0, "us"),
            ("geom_bench: BM_Slow (processor time)", 1.5, "ms", 1.0, "ms"),
            ("geom_bench: BM_Other (processor time)", 7.0, "ns", None, ""),
        ])
        self.assertAlmostEqual(rows[0].ratio(), 0.75)
        self.assertAlmostEqual(rows[1].ratio(), 1.5)
        self.assertIsNone(rows[2].ratio())

    def test_table_marks_and_order(self):
        log = ("bench-result: A 1000 ms target 1000 ms runs 5 spread 1.234\n"
               f"bench-json: {self.json}\n"
               "bench-result: B 1001 ms target 1000 ms\n")
        done = self.run_script(log)
        self.assertEqual(done.returncode, 0, done.stderr)
        table = [l for l in done.stdout.splitlines() if l.startswith("| ") and "---" not in l][1:]
        self.assertEqual(table, [
            "| A | 1,000 ms | 1,000 ms | 1.000 | pass | 5 runs, worst 1.23x |",
            "| geom_bench: BM_FastOne (processor time) | 1.50 us | 2.00 us | 0.75 | pass |  |",
            "| geom_bench: BM_Slow (processor time) | 1.50 ms | 1.00 ms | 1.50 | FAIL |  |",
            "| geom_bench: BM_Other (processor time) | 7.00 ns | none |  |  |  |",
            "| B | 1,001 ms | 1,000 ms | 1.001 | FAIL |  |",
        ])
        self.assertIn("2 of 4 figures within their targets", done.stdout)
        self.assertTrue(done.stdout.startswith("Machine: "))

    def test_failed_programs_and_empty_runs_fail_the_collection(self):
        done = self.run_script("bench-result: A 1 ms target 2 ms\nbench-failed: preview_bench.exe (Wine) exit 3\n")
        self.assertEqual(done.returncode, 1)
        self.assertIn("| preview_bench.exe (Wine) | failed (exit 3) | | | FAIL |", done.stdout)
        self.assertIn("failed: preview_bench.exe (Wine)", done.stdout)
        self.assertEqual(self.run_script("nothing measured\n").returncode, 1)
        # A JSON file that cannot be read is a row of its own, not a crash.
        rows, _ = self.rows("bench-json: /nonexistent/x_bench.json\n")
        self.assertEqual(rows[0].name, "x_bench: its JSON output")
        self.assertIn("unreadable", rows[0].note)

    def test_bad_targets_file_is_refused(self):
        for text in ("BM_X\t1\n", "BM_(\t1\tns\n", "BM_X\tfast\tns\n"):
            with self.subTest(text=text):
                with self.assertRaises(SystemExit):
                    collect.read_targets(self.write("bad.tsv", text))


if __name__ == "__main__":
    unittest.main()
