"""One table of every benchmark figure of a `./vd bench` run.

Reads the run's log, which holds everything the benchmarks printed and three
kinds of lines that matter here:
  bench-result: NAME VALUE UNIT target TARGET UNIT [runs N spread S]
                                                      a figure with its target
                                                      (bench/bench_result.h,
                                                      and the vdhost scripts);
                                                      the best of N runs, the
                                                      worst S times it
  bench-json: FILE                                    Google Benchmark's JSON
                                                      output of one program
  bench-failed: PROGRAM exit STATUS                   a program that failed
The figures of the JSON files get their targets from bench/targets.tsv. Every
figure is one where less is better: it passes when it is at most its target.

Prints the machine, then the table in Markdown: benchmark, figure, target,
figure over target and the mark. Exits with 1 when a program failed or the
log holds no figure at all; figures over their targets are marked, not
counted as a failure of the run.

  /usr/bin/python3 bench/collect_results.py LOG [TARGETS_TSV]
"""
import json
import os
import re
import sys

RESULT = re.compile(r"^bench-result: (?P<name>.+?) (?P<value>[-+0-9.eE]+) (?P<unit>\S+) "
                    r"target (?P<target>[-+0-9.eE]+) (?P<tunit>\S+)"
                    r"(?: runs (?P<runs>\d+) spread (?P<spread>[0-9.]+))?\s*$")
JSON_LINE = re.compile(r"^bench-json: (?P<path>.+?)\s*$")
FAILED = re.compile(r"^bench-failed: (?P<program>.+?) exit (?P<status>-?\d+)\s*$")
TIME_UNITS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


class Row:
    def __init__(self, name, value=None, unit="", target=None, target_unit="", note="", spread=""):
        self.name, self.value, self.unit = name, value, unit
        self.target, self.target_unit, self.note = target, target_unit, note
        self.spread = spread

    def ratio(self):
        """The figure over its target, both in the target's unit; None without one."""
        if self.value is None or self.target is None or self.target <= 0:
            return None
        value = self.value
        if self.unit != self.target_unit:
            if self.unit not in TIME_UNITS or self.target_unit not in TIME_UNITS:
                return None
            value = value * TIME_UNITS[self.unit] / TIME_UNITS[self.target_unit]
        return value / self.target


def read_targets(path):
    """(compiled pattern, target, unit, source) rows of the targets file."""
    targets = []
    if not path or not os.path.exists(path):
        return targets
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split("\t")
            if fields[0] == "pattern":
                continue
            if len(fields) < 3:
                sys.exit(f"collect_results: {path}:{number}: pattern, target and unit expected")
            try:
                targets.append((re.compile(fields[0]), float(fields[1]), fields[2],
                                fields[3] if len(fields) > 3 else ""))
            except (re.error, ValueError) as e:
                sys.exit(f"collect_results: {path}:{number}: {e}")
    return targets


def json_rows(path, targets):
    """The rows of one Google Benchmark JSON file: processor time per iteration."""
    program = os.path.splitext(os.path.basename(path))[0]
    try:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
    except (OSError, ValueError) as e:
        return [Row(f"{program}: its JSON output", note=f"unreadable: {e}")]
    rows = []
    for b in data.get("benchmarks", []):
        if b.get("run_type", "iteration") != "iteration" or "cpu_time" not in b:
            continue
        name = b.get("name", "?")
        row = Row(f"{program}: {name} (processor time)", float(b["cpu_time"]), b.get("time_unit", "ns"))
        for pattern, target, unit, _source in targets:
            if pattern.fullmatch(name):
                row.target, row.target_unit = target, unit
                break
        rows.append(row)
    return rows


def read_log(path, targets):
    rows, failures = [], []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\r\n")
            m = RESULT.match(line)
            if m:
                spread = f"{m['runs']} runs, worst {float(m['spread']):.2f}x" if m["runs"] else ""
                rows.append(Row(m["name"], float(m["value"]), m["unit"], float(m["target"]), m["tunit"],
                                spread=spread))
                continue
            m = JSON_LINE.match(line)
            if m:
                rows.extend(json_rows(m["path"], targets))
                continue
            m = FAILED.match(line)
            if m:
                failures.append(m["program"])
                rows.append(Row(m["program"], note=f"failed (exit {m['status']})"))
    return rows, failures


def number(value):
    if value >= 1000:
        return f"{value:,.0f}"
    if value >= 100:
        return f"{value:.0f}"
    if value >= 10:
        return f"{value:.1f}"
    if value >= 0.1:
        return f"{value:.2f}"
    return f"{value:.3g}"


def with_unit(value, unit):
    return f"{number(value)} {unit}"


def machine():
    model, memory = "?", "?"
    try:
        with open("/proc/cpuinfo") as f:
            model = next((l.split(":", 1)[1].strip() for l in f if l.startswith("model name")), "?")
        with open("/proc/meminfo") as f:
            kb = next((int(l.split()[1]) for l in f if l.startswith("MemTotal:")), 0)
            memory = f"{kb / 1024 / 1024:.1f} GiB"
    except OSError:
        pass
    load = " ".join(f"{x:.2f}" for x in os.getloadavg())
    return f"{os.cpu_count()} processors ({model}), {memory} of memory; load average at the end {load}"


def table(rows):
    lines = ["| benchmark | figure | target | figure / target | | spread |", "|---|---|---|---|---|---|"]
    for r in rows:
        if r.value is None:
            lines.append(f"| {r.name} | {r.note} | | | FAIL | |")
            continue
        ratio = r.ratio()
        target = with_unit(r.target, r.target_unit) if r.target is not None else "none"
        mark = "" if ratio is None else ("pass" if ratio <= 1.0 else "FAIL")
        # A time is shown in the unit of its target.
        figure = with_unit(r.value, r.unit)
        if ratio is not None and r.unit != r.target_unit:
            figure = with_unit(ratio * r.target, r.target_unit)
        # Near 1 a third decimal tells which side of the target the figure is.
        shown = "" if ratio is None else f"{ratio:.3f}" if 0.99 < ratio < 1.01 else f"{ratio:.2f}"
        lines.append(f"| {r.name} | {figure} | {target} | {shown} | {mark} | {r.spread} |")
    return "\n".join(lines)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    targets = read_targets(sys.argv[2] if len(sys.argv) == 3 else
                           os.path.join(os.path.dirname(os.path.abspath(__file__)), "targets.tsv"))
    rows, failures = read_log(sys.argv[1], targets)
    print(f"Machine: {machine()}")
    print()
    print(table(rows))
    measured = [r for r in rows if r.ratio() is not None]
    print()
    print(f"{sum(r.ratio() <= 1.0 for r in measured)} of {len(measured)} figures within their targets"
          + (f"; failed: {', '.join(failures)}" if failures else ""))
    return 1 if failures or not rows else 0


if __name__ == "__main__":
    sys.exit(main())
