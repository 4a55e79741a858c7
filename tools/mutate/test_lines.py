"""Lines of tests against lines of code, per module (docs/testing.md).

  test_lines.py [--json FILE]

Two measures, non-blank lines without comments:
- C++: C++ under tests/ (fuzz targets aside) against C++ of the product
  (everything outside tests/, bench/ and build/);
- all: the C++ above plus the Python checkers, host scripts (.vds) and
  transcripts (.expected) under tests/ against all product code (C++ and
  the Python the product runs: examples, tools).
Tests are put to the module of their folder (tests/heightdim to heightdim);
the scenarios, sweeps and fuzz targets, which run whole commands, count as
rows of their own.
"""
import argparse
import json
import re
import subprocess
from collections import defaultdict
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]


def cpp_lines(text):
    text = re.sub(r"/\*.*?\*/", lambda m: "\n" * m.group(0).count("\n"), text, flags=re.S)
    return sum(1 for line in text.split("\n") if line.strip() and not line.strip().startswith("//"))


def hash_lines(text):
    return sum(1 for line in text.split("\n") if line.strip() and not line.strip().startswith("#"))


def python_lines(text):
    text = re.sub(r'"""(.*?)"""', lambda m: "\n" * m.group(0).count("\n"), text, flags=re.S)
    return hash_lines(text)


def count(path):
    text = path.read_text(encoding="utf-8", errors="replace")
    suffix = path.suffix
    if suffix in (".cpp", ".h", ".c", ".rc"):
        return "cpp", cpp_lines(text)
    if suffix == ".py":
        return "other", python_lines(text)
    if suffix == ".vds":
        return "other", hash_lines(text)
    if suffix == ".expected":
        return "other", sum(1 for line in text.split("\n") if line.strip())
    return None, 0


def module_of_test(rel):
    parts = rel.split("/")
    return parts[1] if len(parts) > 2 else "tests"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--json")
    args = ap.parse_args()
    files = subprocess.run(["git", "ls-files"], cwd=ROOT, stdout=subprocess.PIPE, text=True).stdout.split("\n")
    tests = defaultdict(lambda: [0, 0])  # module -> [cpp, all]
    code = defaultdict(lambda: [0, 0])
    for rel in filter(None, files):
        path = ROOT / rel
        if not path.is_file():
            continue
        kind, n = count(path)
        if not kind:
            continue
        if rel.startswith("tests/"):
            module = module_of_test(rel)
            if kind == "cpp" and not rel.startswith("tests/fuzz/"):
                tests[module][0] += n
            tests[module][1] += n
        elif rel.startswith(("bench/", "build/")):
            continue
        else:
            module = rel.split("/")[0] if "/" in rel else "."
            if module == "tools":
                module = "tools"
            if kind == "cpp":
                code[module][0] += n
            code[module][1] += n
    rows = sorted(set(tests) | set(code))
    print(f"{'module':<14} {'C++ tests':>9} {'C++ code':>9} {'ratio':>6}   {'all tests':>9} {'all code':>9} {'ratio':>6}")
    total_t, total_c = [0, 0], [0, 0]
    out = {}
    for m in rows:
        t, c = tests[m], code[m]
        for i in range(2):
            total_t[i] += t[i]
            total_c[i] += c[i]
        r0 = t[0] / c[0] if c[0] else float("nan")
        r1 = t[1] / c[1] if c[1] else float("nan")
        out[m] = {"tests": t, "code": c}
        print(f"{m:<14} {t[0]:>9} {c[0]:>9} {r0:>6.2f}   {t[1]:>9} {c[1]:>9} {r1:>6.2f}")
    print(f"{'total':<14} {total_t[0]:>9} {total_c[0]:>9} {total_t[0] / total_c[0]:>6.2f}   "
          f"{total_t[1]:>9} {total_c[1]:>9} {total_t[1] / total_c[1]:>6.2f}")
    if args.json:
        Path(args.json).write_text(json.dumps(out, indent=1))


if __name__ == "__main__":
    main()
