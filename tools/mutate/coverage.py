"""Line and branch coverage per module of what the native suite ran, from a
build made with --coverage (./vd coverage; docs/testing.md).

  coverage.py BUILD_DIR [--windows] [--json FILE] [--keep-lines FILE] [--lost-from FILE]

With --windows BUILD_DIR is the mingw-w64 build whose tests ran under Wine
(./vd coverage --windows), and the modules are the Windows-only ones of
`./vd mutate --windows`.

--keep-lines writes, per source file, the lines that ran and the branches
taken on each; --lost-from compares with such a file and lists what ran
there and no longer does: what a cut of tests left unreached.
"""
import argparse
import json
import re
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from mutate import MODULES, ROOT, WINDOWS_MODULES  # noqa: E402

# The folders of the product's sources, as gcovr and gcov name files under
# them (a Windows-only module may name single files: they lie in these).
PRODUCT = tuple(f + "/" for folders in MODULES.values() for f in folders) + \
    tuple(f + "/" for folders in WINDOWS_MODULES.values() for f in folders if not f.endswith(".cpp"))


def in_module(name, entries):
    return any(name == e or name.startswith(e + "/") for e in entries)


def drop_stale_notes(build):
    """Removes the coverage notes (.gcno) of objects the default build no
    longer makes: those of a deleted test, or of the benchmarks, which the
    suite does not build. gcovr reads every note it finds, and an old one
    holds functions of a header at lines it no longer has."""
    commands = subprocess.run(["ninja", "-C", str(build), "-t", "commands", "all"],
                              stdout=subprocess.PIPE, text=True, check=True).stdout
    made = {(Path(build) / o).resolve() for o in re.findall(r" -o (\S+\.o(?:bj)?)\b", commands)}
    for note in Path(build).rglob("*.gcno"):
        if not any(note.with_suffix(s).resolve() in made for s in (".o", ".obj")):
            note.unlink()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--windows", action="store_true", help="a mingw-w64 build run under Wine")
    ap.add_argument("--json")
    ap.add_argument("--keep-lines")
    ap.add_argument("--lost-from")
    args = ap.parse_args()
    drop_stale_notes(args.build)
    summary = Path(args.build) / "coverage-summary.json"
    detail = Path(args.build) / "coverage-lines.json"
    lines_wanted = bool(args.keep_lines or args.lost_from)
    modules = WINDOWS_MODULES if args.windows else MODULES
    gcov = ["--gcov-executable", "x86_64-w64-mingw32-gcov"] if args.windows else []
    r = subprocess.run(["gcovr", "-r", str(ROOT), args.build, "--json-summary", str(summary)] + gcov +
                       (["--json", str(detail)] if lines_wanted else []) +
                       ["--exclude", r".*/tests/.*", "--exclude", r".*/bench/.*", "--exclude", r".*/build/.*",
                        "--gcov-ignore-parse-errors", "--exclude-unreachable-branches", "--exclude-throw-branches"],
                       stdout=subprocess.DEVNULL)
    if r.returncode:
        sys.exit("coverage: gcovr failed")
    files = json.loads(summary.read_text())["files"]
    totals = {m: [0, 0, 0, 0] for m in modules}
    for f in files:
        name = f["filename"]
        for m, entries in modules.items():
            if in_module(name, entries):
                t = totals[m]
                t[0] += f["line_covered"]
                t[1] += f["line_total"]
                t[2] += f["branch_covered"]
                t[3] += f["branch_total"]
    print(f"{'module':<10} {'lines':>15} {'line %':>7} {'branches':>15} {'branch %':>8}")
    out = {}
    for m, (lc, lt, bc, bt) in totals.items():
        if lt == 0:
            continue
        lp, bp = 100.0 * lc / lt, (100.0 * bc / bt if bt else 0.0)
        out[m] = {"lines": [lc, lt], "line_percent": round(lp, 1), "branches": [bc, bt], "branch_percent": round(bp, 1)}
        print(f"{m:<10} {lc:>7}/{lt:<7} {lp:>6.1f}% {bc:>7}/{bt:<7} {bp:>7.1f}%")
    if args.json:
        Path(args.json).write_text(json.dumps(out, indent=1))
    if not lines_wanted:
        return
    ran = reached(json.loads(detail.read_text()))
    if args.keep_lines:
        Path(args.keep_lines).write_text(json.dumps(ran))
    if args.lost_from:
        lost(json.loads(Path(args.lost_from).read_text()), ran)


def reached(detail):
    """{file: {line: branches taken}} of the product's lines that ran."""
    out = {}
    for f in detail["files"]:
        if not f["file"].startswith(PRODUCT):
            continue
        lines = {str(l["line_number"]): sum(1 for b in l["branches"] if b["count"])
                 for l in f["lines"] if l["count"] and not l.get("gcovr/noncode")}
        if lines:
            out[f["file"]] = lines
    return out


def lost(before, now):
    """Prints the lines that ran before and not now, and those that lost a branch."""
    for name in sorted(before):
        gone = [int(n) for n in before[name] if n not in now.get(name, {})]
        fewer = [int(n) for n, b in before[name].items() if n in now.get(name, {}) and now[name][n] < b]
        if gone or fewer:
            print(f"{name}: not run {sorted(gone)}; fewer branches {sorted(fewer)}")


if __name__ == "__main__":
    main()
