#!/usr/bin/python3
"""Runs vdhost on examples/plan.dxf with --picture and checks the PNG.

The plan has a red door, a green column, blue room names, black walls drawn
by layer as 300 mm bands, orange furniture by layer (a sofa as a wide band),
magenta 45-degree tile lines and a rug filled in colour 150 with a round hole,
on a white ground. The picture must show each colour where the plan puts it,
fills and bands as areas, the hole and the gaps between pattern lines as
ground, and be mostly background.
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
    # The door swing lies right of the partition, which is 5/9 of the plan across.
    xs = [x for line in pixels for x, p in enumerate(line) if p == (255, 0, 0)]
    if xs and not (0.5 * width < min(xs) and max(xs) < 0.75 * width):
        failures.append(f"the door is not where the plan has it (x {min(xs)}..{max(xs)})")

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
    for f in failures:
        print("picture:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
