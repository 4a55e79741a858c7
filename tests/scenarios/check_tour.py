#!/usr/bin/python3
"""Runs the tour (examples/tour.vds on examples/plan.dxf, from a fresh copy of
examples/userdata, in a folder of its own, as ./vd demo runs it) and checks
what each step wrote: every drawing passes ezdxf's audit with nothing to
repair, and holds what its step added or changed.

1. marks: the plan-view, ČSN and DIN marks on their two bases
   (check_heightdims.py's checks), the plan's seven linear dimensions;
2. settings: the drawing as after step 1, the ČSN settings red and 3.5 mm
   in hnoteData.ini;
3. edit: the ČSN marks are drawn red with 3.5 mm texts, the DIN mark 1.5 m
   above the cellar floor is a base and the mark above it measures from it,
   and after the update every mark still looks as it did (the ČSN marks
   red, the plan-view marks with their frame ends and arrowheads);
4. arcs: four arc dimensions with the lengths of the bay, the door swing
   and the parts between the limit points, and the radius where the command
   gives it; DimArcLength's length on the command line;
5. row: the north wall's three dimensions joined into one of 5000, the
   bedroom's split into 2600 and 1400, the west wall's lines on the
   sample's (800 mm out) measuring what they measured, their texts along
   the UCS turned by 90 degrees (horizontal direction 270).

Each step also wrote its picture, and the dialogs theirs. The run's
transcript must be the expected one (vdhost --expect).
Usage: check_tour.py TOUR.vds PLAN.dxf USERDATA EXPECTED WORK HOST-COMMAND...
"""
import configparser
import math
import os
import shutil
import subprocess
import sys

from ezdxf import recover

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_heightdims import Checker, U, base, mark, plan  # noqa: E402

STEPS = ("01-marks", "02-settings", "03-edit", "04-arcs", "05-row")
PICTURES = ("00-plan.png", "01-heightdim-dialog.png", "02-settings-dialog.png", "03-heightdim-edit-dialog.png")
# The frame's half size at 1:100, where the leader of the tiles' mark ends.
CX, CY = 14.225 / 2, 6.25 / 2
PLAN_MARKS = [
    plan(1200, 4300, "±0.000"),
    plan(6400, 5450, "+0.020", end="filled"),
    plan(2800, 2400, "-0.015", leader=((1400, 1500), (2800 - 100 * CX, 2400 - 100 * CY), "_DOT", 1.8)),
]
SECTION_MARKS = [
    base(12000, 0, 0, 245300, kind=1),
    mark(13500, 900, (0 + 900) / U, (245300 + 900) / U, of=3),
    mark(15000, 2250, (0 + 2250) / U, (245300 + 2250) / U, of=3),
]
MARKS = dict(others=11, marks=PLAN_MARKS + SECTION_MARKS + [
    base(12000, -4200, -3000, type=1),
    mark(13500, -2700, (-3000 + 1500) / U, of=6),
    mark(15000, -1600, (-3000 + 2600) / U, of=6),
], current=6)
# After HeightDimEdit, HeightDimSetBase and HeightDimUpdate: the marks in the
# order the last one wrote them (that of the drawing: the ČSN marks after
# the DIN base, as the edit wrote them anew, and the two DIN marks the
# re-basing wrote at the end).
EDITED = dict(others=11, marks=PLAN_MARKS + [
    base(12000, -4200, -3000, type=1),
] + [dict(m, of=4) if m["of"] is not None else m for m in SECTION_MARKS] + [
    base(13500, -2700, -1500, type=1),
    mark(15000, -1600, (-1500 + 1100) / U, of=7),
], current=7)

failures = []


def fail(message):
    failures.append(message)


def audited(path):
    doc, auditor = recover.readfile(path)
    for e in auditor.errors:
        fail(f"{os.path.basename(path)}: audit: {e.message}")
    if auditor.fixes:
        fail(f"{os.path.basename(path)}: the audit repaired {len(auditor.fixes)} things")
    return doc


def marks_as(path, case, checker_class=Checker):
    checker = checker_class(path)
    checker.run(case)
    for f in checker.failures:
        fail(f"{os.path.basename(path)}: {f}")


def dimensions(doc, dimtype):
    return [d for d in doc.modelspace().query("DIMENSION") if d.dxf.dimtype & 15 == dimtype]


def measured(d):
    """What a rotated dimension measures: its two points along its direction."""
    a = math.radians(d.dxf.get("angle", 0))
    p, q = d.dxf.defpoint2, d.dxf.defpoint3
    return round(abs((q[0] - p[0]) * math.cos(a) + (q[1] - p[1]) * math.sin(a)), 6)


def close(a, b, eps=1e-6):
    return abs(a - b) <= eps


def check_row(doc, name, want):
    """The linear dimensions (dimension type 0): each as (what it measures,
    where its line lies), compared without regard to order."""
    got = []
    for d in dimensions(doc, 0):
        line = round(d.dxf.defpoint[1], 3) if d.dxf.get("angle", 0) % 180 == 0 else round(d.dxf.defpoint[0], 3)
        got.append((measured(d), line))
    if sorted(got) != sorted(want):
        fail(f"{name}: linear dimensions (measure, line) {sorted(got)}, expected {sorted(want)}")


def entity_counts(doc):
    counts = {}
    for e in doc.modelspace():
        counts[e.dxftype()] = counts.get(e.dxftype(), 0) + 1
    return counts


def main():
    tour, plan_dxf, userdata, expected, work, host = sys.argv[1:6] + [sys.argv[6:]]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    shutil.copytree(userdata, os.path.join(work, "userdata"))
    # The plan is loaded from the folder, so that the transcript names it alike everywhere.
    shutil.copy(plan_dxf, os.path.join(work, "plan.dxf"))
    run = subprocess.run(host + ["--quiet", "--userdata", "userdata", "--load", "plan.dxf", "--expect", expected, tour],
                         cwd=work)
    if run.returncode != 0:
        print(f"FAIL: vdhost exited with {run.returncode}")
        return 1
    for name in STEPS:
        if not os.path.getsize(os.path.join(work, name + ".png")) > 1000:
            fail(f"{name}.png is empty")
    for name in PICTURES:
        if not os.path.getsize(os.path.join(work, name)) > 1000:
            fail(f"{name} is empty")
    docs = {name: audited(os.path.join(work, name + ".dxf")) for name in STEPS}
    at = {name: os.path.join(work, name + ".dxf") for name in STEPS}
    first_row = [(1500, 6900), (1500, 6900), (2000, 6900), (4000, 6900), (2000, -800), (1200, -1100), (2800, -1400)]

    # 1: the marks, and the plan's dimensions as they came.
    marks_as(at["01-marks"], MARKS)
    check_row(docs["01-marks"], "01-marks", first_row)

    # 2: the dialog changed the settings, not the drawing.
    if entity_counts(docs["02-settings"]) != entity_counts(docs["01-marks"]):
        fail(f"02-settings: {entity_counts(docs['02-settings'])}, not as step 1")
    ini = configparser.ConfigParser()
    ini.read(os.path.join(work, "userdata", "Dat", "hnoteData.ini"), encoding="utf-8")
    csn = ini["HNOTE_CSN"] if ini.has_section("HNOTE_CSN") else {}
    if (csn.get("COLORDIM"), csn.get("TEXTHEIGHT")) != ("1", "3.5"):
        fail(f"hnoteData.ini: ČSN colour {csn.get('COLORDIM')} and text height {csn.get('TEXTHEIGHT')}, "
             "expected 1 and 3.5")

    # 3: re-based and updated, the ČSN marks still red with 3.5 mm (350 at
    # 1:100) texts, the plan marks with their frame ends and arrowheads.
    marks_as(at["03-edit"], EDITED)
    doc = docs["03-edit"]
    for ref in doc.modelspace().query("INSERT"):
        if not ref.dxf.name.startswith("VD2D_HEIGHTDIM_"):
            continue
        csn_mark = any(a.dxf.tag == "VÝŠKA2" for a in ref.attribs)
        heights = {a.dxf.height for a in ref.attribs}
        lines = {e.dxf.get("color", 256) for e in doc.blocks[ref.dxf.name] if e.dxftype() == "LWPOLYLINE"}
        want = ({350.0}, {1}) if csn_mark else ({250.0}, {256})
        if (heights, lines) != want:
            fail(f"03-edit: mark at {tuple(ref.dxf.insert)[:2]}: text heights {heights} and line colours {lines}, "
                 f"expected {want}")

    # 4: the arc dimensions, the plan's linear ones untouched.
    arcs = {d.dxf.text: d for d in dimensions(docs["04-arcs"], 5)}
    want_arcs = {  # text: centre, radius of the arc measured
        "3142": ((9000, 3000), 1000), "dl.=1414, R=900": ((5000, 2400), 900),
        "1571": ((9000, 3000), 1000), "dl.=131, R=250": ((2500, 3000), 250)}
    if sorted(arcs) != sorted(want_arcs):
        fail(f"04-arcs: arc dimensions {sorted(arcs)}, expected {sorted(want_arcs)}")
    for text, (centre, radius) in want_arcs.items():
        d = arcs.get(text)
        if d is not None:
            c, p = d.dxf.defpoint4, d.dxf.defpoint2
            if not (close(c[0], centre[0]) and close(c[1], centre[1])
                    and close(math.hypot(p[0] - c[0], p[1] - c[1]), radius, 0.1)):
                fail(f"04-arcs: {text!r} on centre {tuple(c)[:2]} through {tuple(p)[:2]}, expected {centre} r {radius}")
    check_row(docs["04-arcs"], "04-arcs", first_row)
    transcript = open(expected, encoding="utf-8").read()
    if "Délka části oblouku je [aktuální jednotky]: 3141.5927" not in transcript:
        fail("DimArcLength: the bay's length 3141.5927 is not on the command line")

    # 5: joined, split, aligned, re-oriented.
    doc = docs["05-row"]
    check_row(doc, "05-row", [(5000, 6900), (2600, 6900), (1400, 6900), (2000, -800), (1200, -800), (2800, -800)])
    west = [d for d in dimensions(doc, 0) if d.dxf.get("angle", 0) % 180 == 90]
    directions = sorted(round(d.dxf.get("horizontal_direction", 0), 6) for d in west)
    if directions != [270.0] * 3:
        fail(f"05-row: the west dimensions' horizontal directions {directions}, expected 270 each")
    if len(dimensions(doc, 5)) != 4:
        fail(f"05-row: {len(dimensions(doc, 5))} arc dimensions, expected the 4 of step 4")

    for f in failures:
        print("FAIL:", f)
    if not failures:
        print(f"tour: {len(STEPS)} steps checked in {work}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
