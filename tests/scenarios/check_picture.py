#!/usr/bin/python3
"""Runs vdhost on examples/plan.dxf with --picture and checks the PNG.

The plan has a red door, a green column, blue room names, black walls drawn
by layer as 300 mm bands, orange furniture by layer (a sofa as a wide band),
magenta 45-degree tile lines, a rug filled in colour 150 with a round hole, a
beam dashed by its own linetype, wall cabinets dashed by their layer's at
twice the dash length, a shelf continuous on that layer, and a wardrobe block
drawn on layer 0 by layer, placed on a yellow layer, on a white ground. The
picture must show each colour where the plan puts it, fills and bands as
areas, the hole and the gaps between pattern lines and dashes as ground, the
wardrobe in its reference's layer colour, and be mostly background.

The strip of details below the plan (examples/make_plan.py) is checked in
drawing units, mapped to pixels by the outer walls: each reference of a block
drawn by block or on layer 0 in its own colour, also through a nested block;
aligned and fit texts from their first point to their second, a middle text
centred on its point, %%c, %%d and %%p as the characters they stand for, a
label mirrored both ways as the plain one's mirror image in the mirrored
places;
the ellipse, the elliptical arc below its centre (its normal points down),
the control-point spline off its inner points, the fit-point spline through
its points, the old-style polyline as a band with its bulge, the wrapped
note on several lines, and the whole strip inside the picture.
Usage: check_picture.py PLAN.dxf OUT.png HOST-COMMAND...
"""
import struct
import subprocess
import sys
import zlib


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def audited(path):
    """A drawing the host saved, read with ezdxf's recover, which must find
    nothing to repair."""
    from ezdxf import recover
    doc, auditor = recover.readfile(path)
    if auditor.has_errors:
        fail(f"{path}: audit errors {[e.message for e in auditor.errors]}")
    return doc


def filled_places(pixels, colour, apart):
    """Pixels in the middle of a 3 x 3 square of the colour (a filled area,
    where lines and texts are thinner), one for each group of them less than
    `apart` pixels from each other."""
    places = []
    h, w = len(pixels), len(pixels[0])
    for y in range(1, h - 1):
        for x in range(1, w - 1):
            if all(pixels[y + dy][x + dx] == colour for dy in (-1, 0, 1) for dx in (-1, 0, 1)):
                if not any(abs(x - px) < apart and abs(y - py) < apart for px, py in places):
                    places.append((x, y))
    return places


def read_png(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG file"
    at, idat, width, height = 8, b"", 0, 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        crc = struct.unpack(">I", data[at + 8 + length:at + 12 + length])[0]
        assert zlib.crc32(kind + body) & 0xFFFFFFFF == crc, f"bad CRC in {kind}"
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert (depth, colour) == (8, 2), "8-bit RGB expected"
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    row = width * 3
    assert len(raw) == (row + 1) * height
    pixels = []
    for y in range(height):
        assert raw[y * (row + 1)] == 0, "filter type none expected"
        line = raw[y * (row + 1) + 1:(y + 1) * (row + 1)]
        pixels.append([tuple(line[x * 3:x * 3 + 3]) for x in range(width)])
    return width, height, pixels


ORANGE = (255, 128, 0)    # colour 30, the furniture layer's
MAGENTA = (255, 0, 255)   # colour 6
RUG = (0, 128, 255)       # colour 150
BEAM = (0, 180, 0)        # colour 94, dashed by its own linetype
CABINETS = (180, 90, 0)   # colour 34, the dashed layer's; linetype scale 2
SHELF = (0, 0, 180)       # colour 174, continuous on the dashed layer
WARDROBE = (255, 255, 0)  # colour 2, the layer the wardrobe is placed on
WHITE = (255, 255, 255)

# The strip of details: colour numbers 20, 140, 200, 110, 240, 230, 40, 100,
# 120, 160, 190, 70, 220, 180, 142 and 22.
MARKERS = {(700, -1300): (255, 64, 0), (1700, -1300): (0, 191, 255), (2700, -1300): (191, 0, 255)}
WARDROBE2 = (0, 255, 128)
BAND = (255, 0, 64)
NOTE, GREEN = (255, 0, 128), (0, 255, 0)
ALIGNED, FIT, MIDDLE = (255, 191, 0), (0, 255, 64), (0, 255, 191)
CODED, LITERAL = (0, 64, 255), (128, 0, 255)
LABEL = (128, 255, 0)
ELLIPSE, ARC, CONTROL_SPLINE, FIT_SPLINE = (255, 0, 191), (64, 0, 255), (0, 169, 225), (225, 56, 0)


def bounds(pixels, colour):
    """The box (x0, y0, x1, y1) of the pixels of a colour, or None."""
    xs, ys = [], []
    for y, line in enumerate(pixels):
        for x, p in enumerate(line):
            if p == colour:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs), max(ys)) if xs else None


def solid_pixels(pixels, colour):
    """Pixels of the colour whose eight neighbours have it too."""
    n = 0
    for y in range(1, len(pixels) - 1):
        for x in range(1, len(pixels[y]) - 1):
            if all(pixels[y + dy][x + dx] == colour for dy in (-1, 0, 1) for dx in (-1, 0, 1)):
                n += 1
    return n


def runs_along(pixels, colour):
    """Along the row with the most pixels of the colour, from its first such
    pixel to its last: the lengths of the runs of the colour, the lengths of
    the gaps between them, and whether every gap pixel is ground."""
    row = max(range(len(pixels)), key=lambda y: pixels[y].count(colour))
    line = pixels[row]
    xs = [x for x, p in enumerate(line) if p == colour]
    if not xs:
        return [], [], True
    dashes, gaps, ground = [], [], True
    run_colour, run = line[xs[0]] == colour, 0
    for x in range(xs[0], xs[-1] + 1):
        here = line[x] == colour
        if not here and line[x] != WHITE:
            ground = False
        if here == run_colour:
            run += 1
            continue
        (dashes if run_colour else gaps).append(run)
        run_colour, run = here, 1
    (dashes if run_colour else gaps).append(run)
    return dashes, gaps, ground


class Plan:
    """Drawing units to pixels, from the box of the black outer walls
    (-150..9150 by -150..6150 mm)."""

    def __init__(self, walls):
        x0, y0, x1, y1 = walls
        self.sx = (x1 - x0) / 9300.0
        self.sy = (y1 - y0) / 6300.0
        self.x0, self.y0 = x0, y0

    def px(self, x, y):
        return self.x0 + (x + 150) * self.sx, self.y0 + (6150 - y) * self.sy

    def box(self, x0, y0, x1, y1):
        """The pixel box (left, top, right, bottom) of a drawing box."""
        a, b = self.px(x0, y1)
        c, d = self.px(x1, y0)
        return int(a), int(b), int(c) + 1, int(d) + 1

    def length(self, mm):
        return mm * self.sx


def coverage(p, colour):
    """How much of a pixel the colour covers when drawn smoothed over white:
    p = white + a (colour - white); 0 for pixels of another colour."""
    d = [255 - c for c in colour]
    e = [255 - c for c in p]
    norm = sum(x * x for x in d)
    a = sum(x * y for x, y in zip(d, e)) / norm
    if a < 0.05 or sum((y - a * x) ** 2 for x, y in zip(d, e)) > 24 ** 2:
        return 0.0
    return min(a, 1.0)


def ink(pixels, colour, box, least=0.5):
    """The pixels (x, y) in a box that the colour covers at least half."""
    x0, y0, x1, y1 = box
    h, w = len(pixels), len(pixels[0])
    return {(x, y) for y in range(max(y0, 0), min(y1, h)) for x in range(max(x0, 0), min(x1, w))
            if pixels[y][x] != WHITE and coverage(pixels[y][x], colour) >= least}


def exact(pixels, colour, box):
    x0, y0, x1, y1 = box
    h, w = len(pixels), len(pixels[0])
    return {(x, y) for y in range(max(y0, 0), min(y1, h)) for x in range(max(x0, 0), min(x1, w))
            if pixels[y][x] == colour}


def extent(points):
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return (min(xs), min(ys), max(xs), max(ys)) if points else None


def shape(points):
    """The points moved to their box's corner: what a text looks like."""
    x0, y0, _, _ = extent(points)
    return {(x - x0, y - y0) for x, y in points}


def same_shape(a, b):
    """The share of pixels in which two shapes differ."""
    if not a or not b:
        return 1.0
    return len(shape(a) ^ shape(b)) / max(len(a), len(b))


def near(points, x, y, r):
    return any((px - x) ** 2 + (py - y) ** 2 <= r * r for px, py in points)


def text_lines(points):
    """Rows of text: runs of pixel rows holding ink, apart by empty rows."""
    rows = sorted({y for _, y in points})
    return 1 + sum(1 for a, b in zip(rows, rows[1:]) if b > a + 1) if rows else 0


def check_details(pixels, plan, failures):
    """The strip below the plan."""
    region = plan.box(-150, -4600, 9300, -500)
    # Each reference of the marker block (members by block) in its own colour,
    # the third through a set that holds the marker by block.
    for (x, y), colour in MARKERS.items():
        box = plan.box(x - 400, y - 400, x + 400, y + 400)
        own = exact(pixels, colour, box)
        others = [c for c in MARKERS.values() if c != colour and exact(pixels, c, box)]
        if len(own) < 20 or others:
            failures.append(f"the marker at {x} is not in its reference's colour ({len(own)} pixels, "
                            f"others {others})")
    box = plan.box(3350, -1650, 4650, -950)
    if len(exact(pixels, WARDROBE2, box)) < 40 or exact(pixels, WARDROBE, box):
        failures.append("the second wardrobe is not in the colour of its own reference's layer")

    # The old-style polyline: a band 120 mm wide whose bulged side reaches
    # 250 mm beyond its vertices.
    band = exact(pixels, BAND, region)
    box = extent(band)
    if solid_pixels_in(pixels, BAND, band) < 20 or not box:
        failures.append("the 2D polyline is not drawn as a band")
    else:
        right = plan.px(6750 + 60, 0)[0]
        left = plan.px(5000 - 60, 0)[0]
        if abs(box[2] - right) > 3 or abs(box[0] - left) > 3:
            failures.append(f"the 2D polyline's band does not reach its bulge ({box[0]}..{box[2]}, "
                            f"expected {left:.0f}..{right:.0f})")

    # The note: wrapped at 1900 mm into more than two lines below its top
    # left corner, the line after the paragraph break green.
    box = plan.box(7000, -2000, 9300, -600)
    note = ink(pixels, NOTE, box) | ink(pixels, GREEN, box)
    area = extent(note)
    if not area or text_lines(note) < 3:
        failures.append(f"the note is not drawn on several lines ({text_lines(note)} lines)")
    else:
        left, top = plan.px(7100, -700)
        right = plan.px(7100 + 1900, 0)[0]
        if abs(area[0] - left) > 3 or area[1] < top - 1 or area[2] > right + 2:
            failures.append(f"the note is not in its box ({area}, left {left:.0f}, top {top:.0f}, "
                            f"right {right:.0f})")
        if len(exact(pixels, GREEN, box)) < 5:
            failures.append("the note's green paragraph is not green")

    # Aligned and fit texts run from their first point to their second: their
    # ink lies between the two and fills it but for the sides of the first
    # and last letters (wider where the fit text's letters are widened).
    for name, colour, y in (("aligned", ALIGNED, -2400), ("fit", FIT, -3000)):
        box = extent(ink(pixels, colour, plan.box(0, y - 300, 4200, y + 600)))
        first, second = plan.px(300, y)[0], plan.px(3300, y)[0]
        if not box or box[0] < first - 2 or box[2] > second + 2 or box[2] - box[0] < 0.9 * (second - first):
            failures.append(f"the {name} text does not run between its points ({box}, expected x "
                            f"{first:.0f}..{second:.0f})")
    # The middle text is centred on its point both ways.
    box = extent(ink(pixels, MIDDLE, plan.box(3700, -3000, 5200, -2200)))
    x, y = plan.px(4500, -2600)
    height = plan.length(400)
    if not box or abs((box[0] + box[2]) / 2 - x) > 3 or abs((box[1] + box[3]) / 2 - y) > 0.12 * height + 1:
        failures.append(f"the middle text is not centred on its point ({box}, point {x:.0f}, {y:.0f})")
    # %%c, %%d and %%p read as the characters they stand for.
    coded = ink(pixels, CODED, plan.box(5200, -2700, 6800, -2100))
    literal = ink(pixels, LITERAL, plan.box(5200, -3300, 6800, -2700))
    if same_shape(coded, literal) > 0.02:
        failures.append(f"the coded text does not read as its characters ({len(coded)} and {len(literal)} "
                        f"pixels, {same_shape(coded, literal):.2f} differ)")

    # The label mirrored left to right and upside down is the mirror image
    # of the plain one, as CAD programs draw a mirrored reference's texts,
    # in the places the mirrored text covers: left of its reference's point
    # above the baseline, and right of its point below.
    plain = ink(pixels, LABEL, plan.box(6900, -2800, 8050, -2200))
    by_x = ink(pixels, LABEL, plan.box(7950, -2800, 9150, -2200))
    by_y = ink(pixels, LABEL, plan.box(6900, -3900, 8050, -3200))
    for name, mirrored, flip in (("left to right", by_x, (-1, 1)), ("upside down", by_y, (1, -1))):
        image = {(x * flip[0], y * flip[1]) for x, y in plain}
        if same_shape(image, mirrored) > 0.03:
            failures.append(f"the label mirrored {name} is not the plain one's mirror image "
                            f"({same_shape(image, mirrored):.2f} of the pixels differ)")
    axis, baseline = plan.px(9000, -2700)
    box = extent(by_x)
    if not box or not (axis - 5 <= box[2] <= axis) or abs(box[3] - baseline) > 2:
        failures.append(f"the label mirrored left to right is not left of its point above its baseline "
                        f"({box}, point {axis:.0f}, {baseline:.0f})")
    left, line = plan.px(7000, -3300)
    box = extent(by_y)
    if not box or abs(box[0] - extent(plain)[0] + plan.px(7000, 0)[0] - left) > 1 or \
            not (line <= box[1] <= line + 0.15 * plan.length(250) + 1):
        failures.append(f"the label mirrored upside down is not right of its point below the line "
                        f"({box}, point {left:.0f}, {line:.0f})")

    # The ellipse fills its box; the half ellipse whose normal points down
    # runs below its centre.
    box = extent(exact(pixels, ELLIPSE, region))
    want = plan.box(600, -4350, 2400, -3450)
    if not box or max(abs(a - b) for a, b in zip(box, want)) > 2:
        failures.append(f"the ellipse is not where it is drawn ({box}, expected {want})")
    arc = exact(pixels, ARC, region)
    centre = plan.px(3500, -3900)[1]
    if len(arc) < 20 or min(y for _, y in arc) < centre - 1:
        failures.append(f"the elliptical arc is not below its centre ({len(arc)} pixels, centre {centre:.0f})")
    # The control-point spline is the curve, not its control polygon: it
    # passes its middle point, not its inner control points.
    curve = exact(pixels, CONTROL_SPLINE, region)
    if not near(curve, *plan.px(5250, -3900), 2) or near(curve, *plan.px(5000, -3400), 5):
        failures.append("the control-point spline is not the B-spline of its points")
    curve = exact(pixels, FIT_SPLINE, region)
    for x, y in ((6500, -4400), (7000, -3500), (7500, -4100), (8000, -3600)):
        if not near(curve, *plan.px(x, y), 2):
            failures.append(f"the fit-point spline does not pass through ({x}, {y})")
            break
    # Zoomed to the extents of everything: the splines' lowest points are the
    # bottom of the drawing, inside the picture near its lower edge.
    bottom = plan.px(0, -4400)[1]
    lowest = max(y for y, line in enumerate(pixels) if any(p != WHITE for p in line))
    if not (0.9 * len(pixels) < bottom < len(pixels)) or abs(lowest - bottom) > 2:
        failures.append(f"the picture does not reach down to the splines (lowest ink {lowest}, "
                        f"splines at {bottom:.0f})")


def solid_pixels_in(pixels, colour, points):
    """Of the points, those whose eight neighbours have the colour too."""
    return sum(1 for x, y in points
               if all(0 <= y + dy < len(pixels) and 0 <= x + dx < len(pixels[0]) and
                      pixels[y + dy][x + dx] == colour for dy in (-1, 0, 1) for dx in (-1, 0, 1)))


def main():
    plan, out, host = sys.argv[1], sys.argv[2], sys.argv[3:]
    run = subprocess.run(host + ["--quiet", "--load", plan, "--picture", out, "--picture-size", "800x600"],
                         capture_output=True, text=True)
    if run.returncode != 0:
        print(run.stdout, run.stderr)
        return 1
    width, height, pixels = read_png(out)
    assert (width, height) == (800, 600), (width, height)
    counts = {}
    for line in pixels:
        for p in line:
            counts[p] = counts.get(p, 0) + 1
    white = counts.get((255, 255, 255), 0)
    red, green, blue = counts.get((255, 0, 0), 0), counts.get((0, 255, 0), 0), counts.get((0, 0, 255), 0)
    orange, magenta, rug = counts.get(ORANGE, 0), counts.get(MAGENTA, 0), counts.get(RUG, 0)
    # Walls are by layer STENY, colour 7: black on the white ground.
    black = counts.get((0, 0, 0), 0)
    print(f"{width}x{height}: white {white}, black {black}, red {red}, green {green}, blue {blue}, "
          f"orange {orange}, magenta {magenta}, rug {rug}")
    failures = []
    if white < 0.7 * width * height:
        failures.append("the ground is not mostly white")
    for name, n in (("red door", red), ("green column", green), ("blue names and glass", blue),
                    ("black walls", black), ("orange furniture by layer", orange),
                    ("magenta tile lines", magenta), ("rug", rug)):
        if n < 20:
            failures.append(f"no {name} in the picture")
    # The door swing lies right of the partition, which is 5/9 of the plan
    # across. The windows in the outer walls are red too: their frames are on
    # layer 0 by layer, placed on the red layer.
    walls = bounds(pixels, (0, 0, 0))
    plan = Plan(walls) if walls else None
    if walls:
        x0, y0, x1, y1 = walls
        mx, my = 0.05 * (x1 - x0), 0.05 * (y1 - y0)
        red_at = [(x, y) for y, line in enumerate(pixels) for x, p in enumerate(line) if p == (255, 0, 0)]
        inside = [x for x, y in red_at if x0 + mx < x < x1 - mx and y0 + my < y < y1 - my]
        if not inside:
            failures.append("no door inside the walls")
        elif not (plan.px(5000, 0)[0] - 2 <= min(inside) and max(inside) <= plan.px(5900, 0)[0] + 2):
            failures.append(f"the door is not where the plan has it (x {min(inside)}..{max(inside)})")
        if len(red_at) - len(inside) < 40:
            failures.append(f"the window frames are not in their reference's layer colour "
                            f"({len(red_at) - len(inside)} red pixels in the walls)")

    # Bands and fills are areas: pixels whose whole 3 x 3 neighbourhood has
    # their colour. A line one pixel wide has none.
    for name, colour, least in (("walls", (0, 0, 0), 300), ("sofa", ORANGE, 20), ("rug", RUG, 300)):
        n = solid_pixels(pixels, colour)
        if n < least:
            failures.append(f"{name}: not drawn as a filled area ({n} pixels inside)")

    # The rug's hole is round about the middle of the rug: ground there.
    box = bounds(pixels, RUG)
    if box:
        x0, y0, x1, y1 = box
        area = (x1 - x0 + 1) * (y1 - y0 + 1)
        if pixels[(y0 + y1) // 2][(x0 + x1) // 2] != (255, 255, 255):
            failures.append("the rug has no hole in the middle")
        if rug < 0.7 * area:
            failures.append(f"the rug is not filled ({rug} of {area} pixels)")
    # The tiles are lines with ground between them: 45-degree lines of a
    # pixel, 127 mm apart, cover one pixel a row in every 127 x sqrt(2) mm.
    box = bounds(pixels, MAGENTA)
    if box and plan:
        x0, y0, x1, y1 = box
        inside = [pixels[y][x] for y in range(y0, y1 + 1) for x in range(x0, x1 + 1)]
        share = inside.count(MAGENTA) / len(inside)
        ground = inside.count((255, 255, 255)) / len(inside)
        expected = 1 / (plan.length(127) * 2 ** 0.5)
        if not (0.6 * expected < share < 1.6 * expected and ground > 0.3):
            failures.append(f"the tiles are not lines on the ground ({share:.2f} lines, {ground:.2f} ground)")

    # Linetypes: the beam and the cabinets are dashes with ground between
    # them, the cabinets' twice as long (linetype scale 2); the shelf on the
    # same dashed layer is continuous by its own linetype.
    beam, beam_gaps, beam_ground = runs_along(pixels, BEAM)
    cabinets, cabinet_gaps, cabinet_ground = runs_along(pixels, CABINETS)
    shelf, shelf_gaps, _ = runs_along(pixels, SHELF)
    print(f"dashes: beam {beam} gaps {beam_gaps}; cabinets {cabinets} gaps {cabinet_gaps}; shelf {shelf}")
    for name, dashes, gaps, ground in (("beam", beam, beam_gaps, beam_ground),
                                       ("cabinets", cabinets, cabinet_gaps, cabinet_ground)):
        if len(dashes) < 3 or len(gaps) < 2:
            failures.append(f"{name}: not dashed ({len(dashes)} dashes, {len(gaps)} gaps)")
        elif not ground:
            failures.append(f"{name}: the gaps between the dashes are not ground")
    if beam and cabinets and not 1.5 <= max(cabinets) / max(beam) <= 2.6:
        failures.append(f"the cabinets' dashes are not twice the beam's ({max(cabinets)} and {max(beam)} pixels)")
    if not shelf or shelf_gaps or shelf[0] < 60:
        failures.append(f"the shelf is not one continuous line (runs {shelf}, gaps {shelf_gaps})")

    # The wardrobe's members are on layer 0 by layer: yellow like the layer of
    # its reference, in the bedroom's upper right corner.
    box = bounds(pixels, WARDROBE)
    if not box or counts.get(WARDROBE, 0) < 40:
        failures.append("no wardrobe in its reference's layer colour")
    elif plan and max(abs(a - b) for a, b in zip(box, plan.box(7600, 5200, 8800, 5800))) > 2:
        failures.append(f"the wardrobe is not where the plan has it ({box})")
    if plan:
        check_details(pixels, plan, failures)
    for f in failures:
        print("picture:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
