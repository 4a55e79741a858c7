"""Which of the test cases a cut took out reached product code that the
suite left after the cut no longer reaches (docs/testing.md, "Cutting by
evidence").

  case_coverage.py COV_BUILD --cases FILE --against LINES.json [--root DIR]

COV_BUILD is a --coverage build that still has the cases (the mutation
tester's build/mutate/cov of the commit measured); FILE names one case a
line ("Suite.Case", as drop_cases.py takes them); LINES.json is what
`./vd coverage --keep-lines` wrote for the suite after the cut. Each case
runs alone in COV_BUILD; gcov says which lines of the product it ran and
how many branches it took on each. The cases that reach a line, or a
branch of a line, that the suite after the cut does not are brought back
greedily, the one that gives back most first, and printed one a line:
what to take out of the cut again.

With --wine COV_BUILD is the mingw-w64 build of `./vd coverage --windows`
(build/wincov): its programs run under Wine (WINEPREFIX and DISPLAY as
./vd sets them) and mingw-w64's gcov reads their counts.
"""
import argparse
import json
import os
import re
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from coverage import PRODUCT  # noqa: E402


WINE = []  # --wine: what runs a program of the build
GCOV = "gcov"


def programs(build):
    """{"Suite.Case": program} of every GoogleTest program of the build."""
    out = {}
    for exe in sorted((build / "bin").iterdir()):
        if not (exe.is_file() and (exe.suffix == ".exe" if WINE else os.access(exe, os.X_OK))):
            continue
        r = subprocess.run(WINE + [str(exe), "--gtest_list_tests"], capture_output=True, text=True, cwd=exe.parent,
                           timeout=120)
        if r.returncode:
            continue
        suite = None
        for line in r.stdout.splitlines():
            if not line.startswith(" "):
                suite = line.split()[0].rstrip(".")
            elif suite:
                # Parameterised suites list as "Prefix/Suite" and cases as "Case/N".
                name = f"{suite.split('/')[-1]}.{line.split()[0].split('/')[0]}"
                out.setdefault(name, (exe, set()))[1].add(f"{suite}.{line.split()[0]}")
    return out


def reached(build, root):
    """{file: {line: branches taken}} of the product lines the last run reached."""
    out = {}
    notes = [p for p in build.rglob("*.gcda") if "/tests/" not in p.as_posix() and "_googletest" not in p.as_posix()]
    if notes:
        r = subprocess.run([GCOV, "-j", "-t", "-b"] + [str(n) for n in notes], capture_output=True, text=True, cwd=build)
        for doc in r.stdout.splitlines():
            if not doc.startswith("{"):
                continue
            for f in json.loads(doc)["files"]:
                name = re.sub(r"^.*?/(?=(" + "|".join(re.escape(p) for p in PRODUCT) + "))", "",
                              f["file"].replace(str(root) + "/", ""))
                if not name.startswith(PRODUCT):
                    continue
                lines = out.setdefault(name, {})
                for line in f["lines"]:
                    if line["count"]:
                        taken = sum(1 for b in line["branches"] if b["count"] and not b.get("throw"))
                        key = str(line["line_number"])
                        lines[key] = max(lines.get(key, 0), taken)
    return out


def gains(case_lines, after):
    """The lines, and the branches of lines, a case reaches beyond `after`."""
    out = set()
    for name, lines in case_lines.items():
        have = after.get(name, {})
        for n, taken in lines.items():
            if n not in have:
                out.add((name, n, "line"))
            for b in range(have.get(n, 0), taken):
                out.add((name, n, b))
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("build")
    ap.add_argument("--cases", required=True)
    ap.add_argument("--against", required=True)
    ap.add_argument("--root", default=None, help="the source tree the build compiled (default: the build's parent's)")
    ap.add_argument("--json", help="also write what each case reaches beyond LINES.json: {case: [[file, line, branch or 'line']]}")
    ap.add_argument("--wine", action="store_true", help="a mingw-w64 build whose programs run under Wine")
    args = ap.parse_args()
    if args.wine:
        global WINE, GCOV
        WINE, GCOV = ["wine"], "x86_64-w64-mingw32-gcov"
    build = Path(args.build).resolve()
    root = Path(args.root).resolve() if args.root else build.parents[2]
    after = json.loads(Path(args.against).read_text())
    wanted = [line.split()[0] for line in Path(args.cases).read_text().splitlines() if line.strip()]
    wanted = [re.sub(r"^[^/]+/(?:\w+/)?", "", n).split("/")[0] for n in wanted]
    where = programs(build)
    found = {}
    for i, case in enumerate(wanted, 1):
        if case not in where:
            print(f"# {case}: no program of the build has it", file=sys.stderr)
            continue
        exe, names = where[case]
        for gcda in build.rglob("*.gcda"):
            gcda.unlink()
        env = dict(os.environ, VD_SOURCE_DIR=str(root))
        subprocess.run(WINE + [str(exe), "--gtest_filter=" + ":".join(sorted(names))], cwd=exe.parent, env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
        found[case] = gains(reached(build, root), after)
        print(f"# [{i}/{len(wanted)}] {case}: {len(found[case])} lines or branches the cut lost", file=sys.stderr)
    if args.json:
        Path(args.json).write_text(json.dumps({c: sorted(map(list, g), key=str) for c, g in found.items()}))
    # Greedy: bring back the case that gives back most, until nothing it gives is left.
    left = set().union(*found.values()) if found else set()
    print(f"# the cut lost {len(left)} lines or branches that these cases reached", file=sys.stderr)
    while left:
        best = max(found, key=lambda c: (len(found[c] & left), c))
        gain = found[best] & left
        if not gain:
            break
        print(f"{best}  {len(gain)}")
        left -= gain


if __name__ == "__main__":
    main()
