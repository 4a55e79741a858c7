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
from dimension_match import dimensions, match_dimensions, near, report  # noqa: E402

SOURCES = {"ARC": 1, "CIRCLE": 1, "LWPOLYLINE": 1, "LINE": 1}


def point(text):
    x, y = (float(v) for v in text.split(","))
    return (x, y)


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
    for d in dimensions(msp):
        if d["kind"] != 5:
            failures.append(f"DIMENSION {d['handle']} is of kind {d['kind']}, not a 3-point angular one")
            continue
        if d["layer"] != "KOTY":
            failures.append(f"DIMENSION {d['handle']} lies on layer {d['layer']}, not KOTY")
        dims.append((d["text"] or "", d.get("15", (0.0, 0.0)), d["13"], d["14"], d["10"], d["handle"]))
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
