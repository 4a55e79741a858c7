"""Which tests the mutants say we can do without, from a `mutate.py --matrix
--json FILE` run (docs/testing.md, "Cutting by evidence").

  redundant.py FILE... [--keep REGEX]...

For every test case that found at least one mutant: how many it found,
and how many no other test found (its own). A case with no mutant of its
own can go without lowering the score on these mutants; the cases are
taken away greedily, the one that found fewest first, as long as every
found mutant is still found by a case that stays; the cases --keep names
are never taken (the nets a cut leans on). A case that found no mutant at
all is not listed, the file knowing only what found something: it may
test what no drawn mutant touched.
"""
import argparse
import json
import re
from collections import defaultdict


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("files", nargs="+")
    ap.add_argument("--keep", action="append", default=[],
                    help="a regular expression of tests never taken away (the nets the cut leans on: the "
                         "scenarios' checks, the sweeps); may be given several times")
    args = ap.parse_args()
    keep = [re.compile(k) for k in args.keep]
    found_by = {}  # mutant id -> set of killers
    for path in args.files:
        data = json.load(open(path))
        for module, r in data.items():
            for i, m in enumerate(r.get("mutants", [])):
                if m["verdict"] in ("killed", "timed out"):
                    found_by[f"{module}:{m['file']}:{m['line']}:{m['operator']}:{i}"] = set(m["found by"])
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
    print(f"{len(found_by)} mutants found, by {len(by_test)} tests; {len(kept)} of them find all of those\n")
    print(f"{'found':>5} {'own':>4}  test")
    for test in sorted(by_test, key=lambda t: (t in kept, len(by_test[t]), t)):
        own = sum(1 for m in by_test[test] if found_by[m] == {test})
        print(f"{len(by_test[test]):>5} {own:>4}  {test}{'' if test in kept else '   (can go)'}")


if __name__ == "__main__":
    main()
