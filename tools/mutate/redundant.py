"""Which tests the mutants say we can do without, from a `mutate.py --matrix
--json FILE` run (docs/testing.md, "Cutting by evidence").

  redundant.py FILE... [--keep REGEX]... [--lines]

For every test case that found at least one mutant: how many it found,
and how many no other test found (its own). A case with no mutant of its
own can go without lowering the score on these mutants; the cases are
taken away greedily, the one that found fewest first, as long as every
found mutant is still found by a case that stays; the cases --keep names
are never taken (the nets a cut leans on). A case that found no mutant at
all is not listed, the file knowing only what found something: it may
test what no drawn mutant touched. With --lines each GoogleTest case also
shows its source (file:line) and its lines (test_lines.py's count), the
sum of what the cases that can go hold, and, apart, the cases of tests/
that found no mutant of these files.
"""
import argparse
import json
import re
import sys
from collections import defaultdict
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from drop_cases import blocks  # noqa: E402
from mutate import ROOT  # noqa: E402
from test_lines import cpp_lines  # noqa: E402


def test_cases():
    """{"Suite.Case": (file, first line, lines)} of every GoogleTest case under tests/."""
    out = {}
    for path in sorted((ROOT / "tests").rglob("*.cpp")):
        text = path.read_text(encoding="utf-8", errors="replace")
        for name, _, head, end in blocks(text):
            out[name] = (path.relative_to(ROOT).as_posix(), text.count("\n", 0, head) + 1, cpp_lines(text[head:end]))
    return out


def is_case(test):
    """Whether a killer names a GoogleTest case ("program/Suite.Case")."""
    return re.match(r"^[^/]+/(?:\w+/)?\w+\.\w+", test) is not None


def case_of(test, cases):
    """The source of a killer "program/Suite.Case" (a parameterised one
    "program/Prefix/Suite.Case/N"), if it is a GoogleTest case of tests/."""
    m = re.match(r"^[^/]+/(?:\w+/)?(\w+)\.(\w+)", test)
    return cases.get(f"{m.group(1)}.{m.group(2)}") if m else None


def spend(points, kept, by_test, found_by, score, cases, keep):
    """Takes cases of tests/ out of `kept` (in place), the most lines for
    each mutant that only they find first, while no module loses more than
    `points` of its score. Returns (case, mutants lost, lines) of each."""
    budget = {m: int(points / 100.0 * counted) for m, (_, _, counted) in score.items()}
    spent = []
    while True:
        best = None
        for test in kept:
            where = case_of(test, cases)
            if where is None or any(k.search(test) for k in keep):
                continue
            own = {m for m in by_test[test] if not (found_by[m] & kept - {test})}
            cost = defaultdict(int)
            for m in own:
                cost[m.split(":")[0]] += 1
            if any(cost[m] > budget[m] for m in cost):
                continue
            value = where[2] / (len(own) + 0.5)
            if best is None or value > best[0]:
                best = (value, test, own, cost, where[2])
        if best is None:
            return spent
        _, test, own, cost, size = best
        kept.discard(test)
        for m, n in cost.items():
            budget[m] -= n
        spent.append((test, own, size))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("files", nargs="+")
    ap.add_argument("--lines", action="store_true", help="the source and lines of each case, and the cases that found nothing")
    ap.add_argument("--keep", action="append", default=[],
                    help="a regular expression of tests never taken away (the nets the cut leans on: the "
                         "scenarios' checks, the sweeps); may be given several times")
    ap.add_argument("--spend", type=float, default=0,
                    help="after the cases that cost nothing, take away more, the most lines for each mutant "
                         "lost first, while no module's score on these mutants falls by more than this many points")
    args = ap.parse_args()
    keep = [re.compile(k) for k in args.keep]
    cases = test_cases()
    found_by = {}  # mutant id -> set of killers
    lost = []  # mutants found only by cases since taken out of tests/
    score = defaultdict(lambda: [0, 0, 0])  # module -> found then, found now, counted
    for path in args.files:
        data = json.load(open(path))
        for module, r in data.items():
            for i, m in enumerate(r.get("mutants", [])):
                if m["verdict"] in ("killed", "timed out", "survived"):
                    score[module][2] += 1
                if m["verdict"] in ("killed", "timed out"):
                    score[module][0] += 1
                    mid = f"{module}:{m['file']}:{m['line']}:{m['operator']}:{i}"
                    # A GoogleTest case no source under tests/ has any more finds nothing now.
                    killers = {k for k in m["found by"] if not is_case(k) or case_of(k, cases)}
                    if killers:
                        found_by[mid] = killers
                        score[module][1] += 1
                    else:
                        lost.append((mid, m["found by"]))
    by_test = defaultdict(set)
    for mid, killers in found_by.items():
        for k in killers:
            by_test[k].add(mid)
    kept = set(by_test)
    # Greedy: drop the weakest case whose mutants are all found elsewhere.
    for test in sorted(by_test, key=lambda t: (len(by_test[t]), t)):
        if any(k.search(test) for k in keep):
            continue
        others = kept - {test}
        if all(found_by[m] & others for m in by_test[test]):
            kept.discard(test)
    spent = spend(args.spend, kept, by_test, found_by, score, cases, keep) if args.spend else []
    print(f"{len(found_by)} mutants found, by {len(by_test)} tests; {len(kept)} of them find all of those\n")
    print("score on these mutants, as the matrix found them and with the tests of tests/ today:")
    for module, (then, now, counted) in score.items():
        print(f"  {module:<10} {100.0 * then / counted:5.1f} % then, {100.0 * now / counted:5.1f} % now ({counted} mutants)")
    print()
    for mid, killers in lost:
        print(f"found no more (its cases are gone): {mid}, was {' '.join(sorted(killers))}")
    print(f"{'found':>5} {'own':>4}  test")
    freed = 0
    for test in sorted(by_test, key=lambda t: (t in kept, len(by_test[t]), t)):
        own = sum(1 for m in by_test[test] if found_by[m] == {test})
        where = ""
        if args.lines and case_of(test, cases):
            path, line, size = case_of(test, cases)
            where = f"   {path}:{line}, {size} lines"
            freed += 0 if test in kept else size
        print(f"{len(by_test[test]):>5} {own:>4}  {test}{'' if test in kept else '   (can go)'}{where}")
    if spent:
        print(f"\nwith --spend {args.spend}, these go too, at the price of the mutants only they find:")
        for test, own, size in spent:
            print(f"  {test}   {size} lines, {len(own)} mutant(s): {' '.join(sorted(own))}")
        print(f"  in all {sum(size for _, _, size in spent)} lines")
    if args.lines:
        print(f"\nthe cases that can go hold {freed} lines")
        found = {case_of(t, cases) for t in by_test}
        silent = sorted((v, k) for k, v in cases.items() if v not in found)
        print(f"\n{len(silent)} cases found no mutant ({sum(v[2] for v, _ in silent)} lines):")
        for (path, line, size), name in silent:
            print(f"  {name}   {path}:{line}, {size} lines")


if __name__ == "__main__":
    main()
