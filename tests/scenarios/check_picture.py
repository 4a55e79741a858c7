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
Usage: check_picture.py PLAN.dxf OUT.png HOST-COMMAND...
"""
import struct
import subprocess
import sys
import zlib


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


def main():
    plan, out, host = sys.argv[1], sys.argv[2], sys.argv[3:]
    run = subprocess.run(host + ["--quiet", "--load", plan, "--picture", out, "--picture-size", "400x300"],
                         capture_output=True, text=True)
    if run.returncode != 0:
        print(run.stdout, run.stderr)
        return 1
    width, height, pixels = read_png(out)
    assert (width, height) == (400, 300), (width, height)
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
    if walls:
        x0, y0, x1, y1 = walls
        mx, my = 0.05 * width, 0.05 * height
        red_at = [(x, y) for y, line in enumerate(pixels) for x, p in enumerate(line) if p == (255, 0, 0)]
        inside = [x for x, y in red_at if x0 + mx < x < x1 - mx and y0 + my < y < y1 - my]
        if not inside:
            failures.append("no door inside the walls")
        elif not (0.5 * width < min(inside) and max(inside) < 0.75 * width):
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
    # The tiles are lines with ground between them.
    box = bounds(pixels, MAGENTA)
    if box:
        x0, y0, x1, y1 = box
        inside = [pixels[y][x] for y in range(y0, y1 + 1) for x in range(x0, x1 + 1)]
        share = inside.count(MAGENTA) / len(inside)
        ground = inside.count((255, 255, 255)) / len(inside)
        if not (0.1 < share < 0.6 and ground > 0.3):
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
    elif not (box[0] > 0.6 * width and box[3] < 0.35 * height):
        failures.append(f"the wardrobe is not where the plan has it ({box})")
    for f in failures:
        print("picture:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
