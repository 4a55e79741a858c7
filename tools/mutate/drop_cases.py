"""Takes GoogleTest cases out of the test sources (docs/testing.md,
"Cutting by evidence").

  drop_cases.py Suite.Case... | --from FILE

Each case's block goes, with the comment lines right above it. FILE holds
one name a line (what redundant.py --lines lists as "can go", its first
word after the counts; "program/" in front is allowed). Helpers that only
the dropped cases used are left for the compiler to point out.
"""
import argparse
import re
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from mutate import ROOT, code_mask  # noqa: E402

CASE = re.compile(r"^(?:TEST|TEST_F|TEST_P)\((\w+),\s*(\w+)\)", re.M)


def blocks(text):
    """(name, start, head, end) of each case of a test source: `start` at
    its comment lines above, `head` at its TEST line, `end` at the line end
    after its closing brace."""
    masked = code_mask(text)
    for m in CASE.finditer(masked):
        depth, end = 0, masked.find("{", m.end())
        while end < len(masked):
            depth += {"{": 1, "}": -1}.get(masked[end], 0)
            end += 1
            if depth == 0:
                break
        if end < len(text) and text[end] == "\n":
            end += 1
        start = m.start()
        while True:
            prev = text.rfind("\n", 0, start - 1) + 1
            if start == 0 or not text[prev:start].lstrip().startswith("//"):
                break
            start = prev
        yield f"{m.group(1)}.{m.group(2)}", start, m.start(), end


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("cases", nargs="*")
    ap.add_argument("--from", dest="source")
    args = ap.parse_args()
    names = list(args.cases)
    if args.source:
        names += [line.split()[0] for line in Path(args.source).read_text().splitlines() if line.strip()]
    wanted = {re.sub(r"^[^/]+/(?:\w+/)?", "", n).split("/")[0] for n in names}
    dropped = set()
    for path in sorted((ROOT / "tests").rglob("*.cpp")):
        text = path.read_text(encoding="utf-8")
        cut = [(s, e, n) for n, s, _, e in blocks(text) if n in wanted]
        if not cut:
            continue
        for start, end, name in reversed(cut):
            # A blank line left on both sides of the gap is one too many.
            if start > 1 and text[start - 2:start] == "\n\n" and text[end:end + 1] == "\n":
                end += 1
            text = text[:start] + text[end:]
            dropped.add(name)
        path.write_text(text, encoding="utf-8")
        print(f"{path.relative_to(ROOT)}: {len(cut)} cases dropped")
    for name in sorted(wanted - dropped):
        print(f"not found: {name}")
    return 0 if dropped >= wanted else 1


if __name__ == "__main__":
    sys.exit(main())
