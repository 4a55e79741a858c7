#!/usr/bin/python3
"""Runs tests/scenarios/placed_marks.vds in vdhost and checks what it left.

The drawing, saved as DXF: ezdxf's recover finds nothing to repair; the two
leaders are there, each tied (340) to a mark reference of the file and
naming its terminator block (the host's _DOT and _CLOSEDFILLED blocks) in
its dimension-style override; the first leader ends at the corner of its
mark's frame after the mark was dragged again. The host reads the file back
and writes the same leaders. The picture: both arrowheads, the dot and the
filled arrow, show as filled red areas (a leader's line is one pixel wide).
Usage: check_leader_picture.py SCRIPT WORK HOST-COMMAND...
"""
import os
import subprocess
import sys

from ezdxf import recover

from check_picture import read_png

RED = (255, 0, 0)


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def leaders(path):
    doc, auditor = recover.readfile(path)
    if auditor.has_errors:
        fail(f"{path}: audit errors {[e.message for e in auditor.errors]}")
    found = []
    for e in doc.modelspace().query("LEADER"):
        tied = doc.entitydb.get(e.dxf.annotation_handle)
        if tied is None or tied.dxftype() != "INSERT":
            fail(f"leader {e.dxf.handle} is not tied to a reference")
        override = e.get_xdata("ACAD")
        block = next((v for i, (code, v) in enumerate(override) if code == 1005), None)
        record = doc.entitydb.get(block.upper()) if block else None
        if record is None:
            fail(f"leader {e.dxf.handle} names no block for its arrowhead")
        found.append((e.dxf.handle, tied.dxf.handle, record.dxf.name, [tuple(v)[:2] for v in e.vertices]))
    return found


def filled_red_places(pixels):
    """Pixels in the middle of a 3 x 3 all-red square, grouped by nearness."""
    places = []
    h, w = len(pixels), len(pixels[0])
    for y in range(1, h - 1):
        for x in range(1, w - 1):
            if all(pixels[y + dy][x + dx] == RED for dy in (-1, 0, 1) for dx in (-1, 0, 1)):
                if not any(abs(x - px) < 20 and abs(y - py) < 20 for px, py in places):
                    places.append((x, y))
    return places


def main():
    script, work, host = sys.argv[1], sys.argv[2], sys.argv[3:]
    os.makedirs(work, exist_ok=True)
    saved, again, picture = (os.path.join(work, n) for n in ("marks.dxf", "marks_again.dxf", "marks.png"))
    subprocess.run(host + ["--module", "vdhost_mark_probe.dll", "--save", saved, "--picture", picture, script],
                   check=True)
    first = leaders(saved)
    if [(n, v) for _, _, n, v in first] != [("_DOT", [(120, 90), (163, 137)]), ("_CLOSEDFILLED", [(40, 80), (53, 63)])]:
        fail(f"leaders as saved: {first}")
    subprocess.run(host + ["--load", saved, "--save", again], check=True)
    if leaders(again) != first:
        fail(f"leaders read back and saved again: {leaders(again)}")
    _, _, pixels = read_png(picture)
    places = filled_red_places(pixels)
    if len(places) != 2:
        fail(f"filled arrowheads in the picture at {places}, not two")
    print("leaders saved, read back and pictured with their arrowheads")


main()
