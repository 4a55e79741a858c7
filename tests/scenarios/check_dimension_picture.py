#!/usr/bin/python3
"""Runs tests/scenarios/host_dimensions.vds in vdhost with a picture and
checks what the host made of the dimensions another program wrote
(dimensions/dimensions.dxf, see dimensions/make_drawing.py).

The saved drawing: ezdxf's recover finds nothing to repair; each dimension
names an anonymous block of its own holding its regenerated pieces: the
dimension line (LINE) or arc (ARC), two filled arrowheads (SOLID), the
extension lines the overrides leave (none suppressed but the first of the
cyan one), and its text with the drawing's DIMDEC 2, DIMZIN 8 and DIMDSEP
','; point 10 of the linear ones lies at the foot of the second extension
line. Read back and saved again, the file is the same.

The picture: the frame maps drawing units to pixels; each dimension shows in
its colour with two filled arrowheads; the cyan one has no first extension
line but its second; the green arc passes 25 units from its centre.
Usage: check_dimension_picture.py SCRIPT WORK HOST-COMMAND...
"""
import math
import os
import subprocess
import sys

from ezdxf.math import Vec3

from check_picture import audited, fail, filled_places, read_png

RED, BLUE, GREEN, MAGENTA, CYAN = (255, 0, 0), (0, 0, 255), (0, 255, 0), (255, 0, 255), (0, 255, 255)
BLACK = (0, 0, 0)

# Colour of each dimension: its text, its kind of curve, its extension lines
# (first, second) and the foot of its second extension line (linear ones).
EXPECTED = {
    1: ("42,5", "LINE", 2, (52.5, 35)),
    5: ("50 mm", "LINE", 2, None),
    3: ("45°", "ARC", 2, None),
    6: ("60°", "ARC", 0, None),  # both arc ends lie on their lines
    4: ("40", "LINE", 1, (150, 100)),
}


def check_drawing(path):
    doc = audited(path)
    seen = {}
    for dim in doc.modelspace().query("DIMENSION"):
        colour = dim.dxf.color
        text, curve, extensions, foot = EXPECTED[colour]
        block = doc.blocks.get(dim.dxf.geometry)
        if block is None or not block.block.dxf.flags & 1 or dim.dxf.geometry in [b for b, _ in seen.values()]:
            fail(f"dimension {dim.dxf.handle} names no anonymous block of its own: {dim.dxf.geometry}")
        kinds = [e.dxftype() for e in block]
        texts = [e.dxf.text for e in block.query("TEXT")]
        lines = kinds.count("LINE") - (1 if curve == "LINE" else 0)
        if kinds.count("SOLID") != 2 or texts != [text] or curve not in kinds or lines != extensions:
            fail(f"dimension {dim.dxf.handle} (colour {colour}): block holds {kinds}, texts {texts}")
        if any(e.dxf.layer != "0" or e.dxf.color != 0 for e in block):
            fail(f"dimension {dim.dxf.handle}: the block's pieces are not on layer 0 by block")
        if foot and not dim.dxf.defpoint.isclose(Vec3(*foot), abs_tol=1e-9):
            fail(f"dimension {dim.dxf.handle}: point 10 at {dim.dxf.defpoint}, not {foot}")
        seen[colour] = (dim.dxf.geometry, dim.dxf.handle)
    if sorted(seen) != sorted(EXPECTED):
        fail(f"dimensions of colours {sorted(seen)} in the saved drawing")
    return seen


def check_picture(path):
    width, height, pixels = read_png(path)
    black = [(x, y) for y in range(height) for x in range(width) if pixels[y][x] == BLACK]
    if not black:
        fail("no frame in the picture")
    x0, x1 = min(x for x, _ in black), max(x for x, _ in black)
    y0, y1 = min(y for _, y in black), max(y for _, y in black)
    scale = (x1 - x0) / 180.0
    if abs((y1 - y0) / 130.0 - scale) > 0.02 * scale:
        fail(f"the frame is {x1 - x0} x {y1 - y0} pixels, not 180 x 130 units")

    def pixel(x, y):
        return round(x0 + x * scale), round(y1 - y * scale)

    def near(x, y, colour, reach=2):
        px, py = pixel(x, y)
        return any(pixels[py + dy][px + dx] == colour for dy in range(-reach, reach + 1)
                   for dx in range(-reach, reach + 1))

    for colour in (RED, BLUE, GREEN, MAGENTA, CYAN):
        arrows = filled_places(pixels, colour, 25)
        if len(arrows) != 2:
            fail(f"colour {colour}: filled arrowheads at {arrows}, not two")
    # Red: extension lines at x = 10 and 52.5 from 20.625 up to 36.25; its line at y = 35.
    for x in (10, 52.5):
        if not near(x, 28, RED):
            fail(f"the red dimension has no extension line at x = {x}")
    if not near(30, 35, RED):
        fail("the red dimension line is missing")
    # Cyan: DIMSE1 leaves out the first extension line (x = 110), DIMEXO 2 x 1.5 the second's first 3 units.
    if any(near(110, y, CYAN, 1) for y in (85, 90, 95)):
        fail("the cyan dimension shows its suppressed first extension line")
    if not near(150, 90, CYAN, 1):
        fail("the cyan dimension lacks its second extension line")
    if near(150, 81.5, CYAN, 1):
        fail("the cyan dimension's second extension line does not keep DIMEXO x DIMSCALE from its origin")
    # Green: the arc 25 from (130, 20), at 10 and 35 degrees.
    for degrees in (10, 35):
        a = math.radians(degrees)
        if not near(130 + 25 * math.cos(a), 20 + 25 * math.sin(a), GREEN):
            fail(f"the green arc does not pass 25 from its centre at {degrees} degrees")
    # Magenta: the arc 25 from (20, 80) (through (45, 90)... at its distance) at 30 degrees.
    r = math.hypot(25, 10)
    if not near(20 + r * math.cos(math.radians(30)), 80 + r * math.sin(math.radians(30)), MAGENTA):
        fail("the magenta arc is missing")


def main():
    script, work, host = sys.argv[1], sys.argv[2], sys.argv[3:]
    os.makedirs(work, exist_ok=True)
    saved, again, picture = (os.path.join(work, n) for n in ("dimensions.dxf", "dimensions_again.dxf",
                                                              "dimensions.png"))
    subprocess.run(host + ["--save", saved, "--picture", picture, script], check=True)
    first = check_drawing(saved)
    subprocess.run(host + ["--load", saved, "--save", again], check=True)
    if check_drawing(again) != first:
        fail("the dimensions read back name other blocks")
    with open(saved, "rb") as a, open(again, "rb") as b:
        if a.read() != b.read():
            fail(f"{again} differs from {saved}")
    check_picture(picture)
    print("dimensions saved with their blocks, read back and pictured")


main()
