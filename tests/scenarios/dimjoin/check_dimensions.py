"""Checks a drawing the DimConnect and DimDivide scenarios saved from the
drawings of make_drawings.py against dimensions worked out by hand: the
DIMENSIONs are exactly those expected (text, 13, 14, 10, kind and, where
given, the DIMSE1/DIMSE2/DIMEXO overrides), and the other entities are
still there.

Run: /usr/bin/python3 check_dimensions.py CASE DRAWING.dxf [LOADED.dxf]
  CASE  connect: dimconnect.vds or dimconnect_ezdxf.vds on connect*.dxf
        divide:  dimdivide.vds on divide.dxf
        many:    dimdivide_many.vds on divide.dxf
        same:    every dimension as in LOADED.dxf, handles included
"""
import math
import os
import sys

import ezdxf

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from dimension_match import dimensions, match_dimensions, near, report  # noqa: E402

ROTATED, ALIGNED = 0, 1


def dim(text, p13, p14, p10, kind=ROTATED, overrides=None, handle=None):
    return {"text": text, "13": p13, "14": p14, "10": p10, "kind": kind, "overrides": overrides or {},
            "handle": handle}


# connect.dxf: each row joined as the host's selection order makes it (see
# dimconnect.vds). The second command picks the first of each pair first,
# so the pair joins on the second's first foot at the first's 10: built on
# the second, from its 14 to the first's 13, 10 at the first's first foot.
CONNECT = [
    # C-D, A-B, B-C: C-D takes B-C at its first foot, then A-B: built on C-D.
    dim("", (0, 0), (100, 0), (100, 10)),
    dim("200", (200, 30), (0, 30), (0, 40)),
    dim("3.5", (35, 60), (0, 60), (0, 70)),
    dim("", (100, 90), (0, 90), (0, 100)),
    # Apart: written again as they were (every selected dimension is).
    dim(None, (0, 120), (40, 120), (40, 130)),
    dim(None, (50, 120), (90, 120), (90, 130)),
    # DIMSE2 on both: the new first line (from 100,150 to 100,160, 10 long)
    # shows as their first lines did (10 - 0.625) and 0.001 more:
    # DIMEXO 10 - 9.375 - 0.001.
    dim("", (100, 150), (0, 150), (0, 160), overrides={"dimse1": 0, "dimse2": 1, "dimexo": 0.624}),
    dim("", (310, 100), (310, 0), (300, 0)),
]

# divide.dxf (dimdivide.vds): A11 at 25,5; A12 untouched by a break at
# 150,5; A13 at 100,105 and 300,105 (the input ended with Esc); A14
# (aligned) at its middle 15,320, whose projection is 7,326.
# DIMEXO 0.625 (the drawing's) goes on every part.
A14_LINE = math.atan2(-0.8, -0.6) % (2 * math.pi)
DIVIDE = [
    dim("25", (0, 0), (25, 5), (25, 10), overrides={"dimexo": 0.625}),
    dim("75", (25, 5), (100, 0), (100, 10), overrides={"dimexo": 0.625}),
    dim(None, (200, 0), (300, 0), (300, 10)),
    dim("100", (0, 100), (100, 105), (100, 110), overrides={"dimexo": 0.625}),
    dim("200", (100, 105), (300, 105), (300, 110), overrides={"dimexo": 0.625}),
    dim("400", (300, 105), (700, 100), (700, 110), overrides={"dimexo": 0.625}),
    dim("25", (0, 300), (15, 320), (7, 326), overrides={"dimexo": 0.625}),
    dim("25", (15, 320), (30, 340), (22, 346), overrides={"dimexo": 0.625}),
    dim(None, (60, -50), (60, 50), (50, 50), handle="A15"),
]


def many():
    out = [dim("100", (0, 0), (100, 0), (100, 10), handle="A11"), dim(None, (200, 0), (300, 0), (300, 10), handle="A12"),
           dim("50", (0, 300), (30, 340), (22, 346), kind=ALIGNED, handle="A14"),
           dim(None, (60, -50), (60, 50), (50, 50), handle="A15")]
    # Parts of 0-700 at 5, 15, ..., 695: each from the break before (its
    # 13, at y 105; the first from 0,100) to the next (its 14).
    breaks = [5 + 10 * k for k in range(70)]
    ends = [0] + breaks + [700]
    for k in range(71):
        p13 = (0, 100) if k == 0 else (ends[k], 105)
        p14 = (700, 100) if k == 70 else (ends[k + 1], 105)
        text = "5" if k in (0, 70) else "10"
        out.append(dim(text, p13, p14, (ends[k + 1], 110), overrides={"dimexo": 0.625}))
    return out


def read(path):
    msp = ezdxf.readfile(path).modelspace()
    return msp, dimensions(msp)


def matches(got, want):
    if got["text"] != want["text"] or got["kind"] != want["kind"]:
        return False
    if not all(near(got[c], want[c]) for c in ("13", "14", "10")):
        return False
    if want["handle"] and got["handle"] != want["handle"]:
        return False
    return all(abs(got["overrides"].get(k, math.nan) - v) < 1e-9 for k, v in want["overrides"].items())


def main(case, path, loaded=None):
    msp, dims = read(path)
    failures = []
    if case == "same":
        _, before = read(loaded)
        wanted = [dict(d, overrides={}) for d in before]
    else:
        wanted = {"connect": CONNECT, "divide": DIVIDE, "many": many()}[case]
        if case == "connect" and len(msp.query("LINE")) != 1:
            failures.append("the LINE F01 is gone")
    for d in dims:
        # A rotated dimension's angle follows its line: 0 for the rows, 90
        # for the vertical ones, A14's line for its parts.
        if d["kind"] == ROTATED and d["angle"] is not None:
            a = math.radians(d["angle"])
            line = (d["10"][0] - d["14"][0], d["10"][1] - d["14"][1])
            if abs(line[0] * math.cos(a) + line[1] * math.sin(a)) > 1e-6:
                failures.append(f"DIMENSION {d['handle']}: rotation {d['angle']} is not square to its extension lines")
    failures += match_dimensions(
        wanted, dims, matches,
        lambda w: f"{w['text']!r} from {w['13']} to {w['14']} through {w['10']} (kind {w['kind']}, "
                  f"{w['overrides']}, handle {w['handle']})",
        lambda d: f"{d['handle']} {d['text']!r} from {d['13']} to {d['14']} through {d['10']} (kind {d['kind']}, "
                  f"{d['overrides']})")
    return report(path, failures, len(wanted))

if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:4]))
