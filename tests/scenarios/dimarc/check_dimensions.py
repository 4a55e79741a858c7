"""Checks a drawing the arc-dimension scenarios saved from arcs.dxf
(make_drawings.py): the sources are all still there, no temporary POINT is
left, and the DIMENSIONs are exactly those expected, each a 3-point angular
dimension about its vertex on layer KOTY with its text and definition points.

Run: /usr/bin/python3 check_dimensions.py DRAWING.dxf [EXPECTED...]
  EXPECTED  "TEXT|X15,Y15|X13,Y13|X14,Y14|X10,Y10" (points within 1e-6)
"""
import os
import sys

import ezdxf

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from dimension_match import match_dimensions, report  # noqa: E402

SOURCES = {"ARC": 1, "CIRCLE": 1, "LWPOLYLINE": 1, "LINE": 1}


def point(text):
    x, y = (float(v) for v in text.split(","))
    return (x, y)


def near(p, q):
    return abs(p[0] - q[0]) < 1e-6 and abs(p[1] - q[1]) < 1e-6


def main(path, specs):
    doc = ezdxf.readfile(path)
    msp = doc.modelspace()
    failures = []
    for kind, count in SOURCES.items():
        got = len(msp.query(kind))
        if got != count:
            failures.append(f"{count} {kind} expected (the source stays), {got} found")
    if len(msp.query("POINT")):
        failures.append("a temporary POINT was left")
    dims = []
    for d in msp.query("DIMENSION"):
        if d.dxf.dimtype & 31 != 5:
            failures.append(f"DIMENSION {d.dxf.handle} is of type {d.dxf.dimtype}, not a 3-point angular one")
            continue
        if d.dxf.layer != "KOTY":
            failures.append(f"DIMENSION {d.dxf.handle} lies on layer {d.dxf.layer}, not KOTY")
        xy = [(p.x, p.y) for p in (d.dxf.defpoint4, d.dxf.defpoint2, d.dxf.defpoint3, d.dxf.defpoint)]
        dims.append((d.dxf.get("text", ""), *xy, d.dxf.handle))
    wanted = []
    for spec in specs:
        text, *points = spec.split("|")
        wanted.append((text, *[point(p) for p in points]))
    failures += match_dimensions(
        wanted, dims, lambda d, w: d[0] == w[0] and all(near(d[i], w[i]) for i in range(1, 5)),
        lambda w: f"{w[0]!r} about {w[1]} from {w[2]} to {w[3]} through {w[4]}",
        lambda d: f"{d[5]} {d[0]!r} about {d[1]} from {d[2]} to {d[3]} through {d[4]}")
    return report(path, failures, len(wanted))


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2:]))
