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

from check_picture import audited, fail, filled_places, read_png

RED = (255, 0, 0)


def leaders(path):
    doc = audited(path)
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
    places = filled_places(pixels, RED, 20)
    if len(places) != 2:
        fail(f"filled arrowheads in the picture at {places}, not two")
    print("leaders saved, read back and pictured with their arrowheads")


main()
