#!/usr/bin/python3
"""Runs vdhost on examples/plan.dxf with --picture and checks the PNG.

The plan has a red door, a green column, blue room names and black walls on a
white ground; the picture must show each colour where the plan puts it and be
mostly background. Usage: check_picture.py PLAN.dxf OUT.png HOST-COMMAND...
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
    # Walls are drawn by layer: black or the dark grey of colours the picture does not name.
    black = sum(n for p, n in counts.items() if p[0] == p[1] == p[2] and p[0] < 100)
    print(f"{width}x{height}: white {white}, black {black}, red {red}, green {green}, blue {blue}")
    failures = []
    if white < 0.8 * width * height:
        failures.append("the ground is not mostly white")
    for name, n in (("red door", red), ("green column", green), ("blue names and glass", blue), ("dark walls", black)):
        if n < 20:
            failures.append(f"no {name} in the picture")
    # The door swing lies right of the partition, which is 5/9 of the plan across.
    xs = [x for line in pixels for x, p in enumerate(line) if p == (255, 0, 0)]
    if xs and not (0.5 * width < min(xs) and max(xs) < 0.75 * width):
        failures.append(f"the door is not where the plan has it (x {min(xs)}..{max(xs)})")
    for f in failures:
        print("picture:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
