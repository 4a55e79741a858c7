#!/usr/bin/python3
"""Draws the module's pictures into OUTDIR for the resource compiler.

  boundary_marks.bmp   the six boundary marks of a section-view height mark
                       (ČSN), 45 × 32 pixels each side by side, black on white
  vdshared.ico         the module's icon: a height mark with its value
  arrow_NNNN.ico       one icon per dimension terminator, NNNN = 5000..5017

usage: draw_images.py OUTDIR

Standard library only; the output is the same on every run, byte for byte.
"""

import math
import os
import struct
import sys

# ---------------------------------------------------------------------------
# Rasterising: a shape is a union of point predicates; each pixel takes the
# fraction of its sample points inside the shape as coverage.


class Canvas:
    """RGBA pixels, top row first, straight (not premultiplied) alpha 0..1."""

    def __init__(self, width, height, background=None):
        self.width = width
        self.height = height
        fill = (0.0, 0.0, 0.0, 0.0) if background is None else tuple(c / 255.0 for c in background) + (1.0,)
        self.pixels = [list(fill) for _ in range(width * height)]

    def paint(self, colour, shape, samples=4):
        """Composites `colour` over the canvas wherever `shape` covers it.

        samples = 1 tests the pixel centre only, which gives crisp one-pixel
        lines for geometry placed on pixel centres."""
        x0, y0, x1, y1 = shape.bounds()
        x0 = max(0, int(math.floor(x0)) - 1)
        y0 = max(0, int(math.floor(y0)) - 1)
        x1 = min(self.width, int(math.ceil(x1)) + 1)
        y1 = min(self.height, int(math.ceil(y1)) + 1)
        offsets = [(i + 0.5) / samples for i in range(samples)]
        rgb = [c / 255.0 for c in colour]
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = sum(1 for dy in offsets for dx in offsets if shape.contains(x + dx, y + dy))
                if hits == 0:
                    continue
                a = hits / (samples * samples)
                p = self.pixels[y * self.width + x]
                out_a = a + p[3] * (1.0 - a)
                for i in range(3):
                    p[i] = (rgb[i] * a + p[i] * p[3] * (1.0 - a)) / out_a
                p[3] = out_a

    def bytes_rgba(self, x, y):
        p = self.pixels[y * self.width + x]
        return tuple(int(round(max(0.0, min(1.0, c)) * 255)) for c in p)


class Shape:
    """Union of parts; each part is (bounds, predicate)."""

    def __init__(self):
        self.parts = []

    def bounds(self):
        xs0, ys0, xs1, ys1 = zip(*(b for b, _ in self.parts))
        return min(xs0), min(ys0), max(xs1), max(ys1)

    def contains(self, x, y):
        return any(b[0] <= x <= b[2] and b[1] <= y <= b[3] and inside(x, y) for b, inside in self.parts)

    def segment(self, p, q, width):
        """A stroke from p to q with round ends."""
        r = width / 2.0 + 1e-9
        (px, py), (qx, qy) = p, q
        dx, dy = qx - px, qy - py
        length2 = dx * dx + dy * dy

        def inside(x, y):
            t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - px) * dx + (y - py) * dy) / length2))
            ex, ey = px + t * dx - x, py + t * dy - y
            return ex * ex + ey * ey <= r * r

        self.parts.append(((min(px, qx) - r, min(py, qy) - r, max(px, qx) + r, max(py, qy) + r), inside))
        return self

    def polyline(self, points, width, closed=False):
        for a, b in zip(points, points[1:]):
            self.segment(a, b, width)
        if closed:
            self.segment(points[-1], points[0], width)
        return self

    def polygon(self, points):
        """The inside of a closed outline (even-odd rule)."""
        pts = list(points)

        def inside(x, y):
            result = False
            for (ax, ay), (bx, by) in zip(pts, pts[1:] + pts[:1]):
                if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                    result = not result
            return result

        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        self.parts.append(((min(xs), min(ys), max(xs), max(ys)), inside))
        return self

    def disc(self, centre, radius):
        cx, cy = centre

        def inside(x, y):
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius

        self.parts.append(((cx - radius, cy - radius, cx + radius, cy + radius), inside))
        return self

    def ring(self, centre, radius, width):
        cx, cy = centre
        outer = radius + width / 2.0
        inner = max(0.0, radius - width / 2.0)

        def inside(x, y):
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            return inner * inner <= d2 <= outer * outer

        self.parts.append(((cx - outer, cy - outer, cx + outer, cy + outer), inside))
        return self


# ---------------------------------------------------------------------------
# File formats.


def bmp_24(canvas):
    """A bottom-up 24-bit BMP file of an opaque canvas."""
    stride = (canvas.width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(canvas.height)):
        row = bytearray()
        for x in range(canvas.width):
            r, g, b, _ = canvas.bytes_rgba(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def ico_32(canvases):
    """An icon file with one 32-bit image (alpha and AND mask) per canvas."""
    images = []
    for c in canvases:
        xor = bytearray()
        mask = bytearray()
        mask_stride = ((c.width + 31) // 32) * 4
        for y in reversed(range(c.height)):
            bits = bytearray(mask_stride)
            for x in range(c.width):
                r, g, b, a = c.bytes_rgba(x, y)
                xor += bytes((b, g, r, a))
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, c.width, 2 * c.height, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((c.width, c.height, info + bytes(xor) + bytes(mask)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for w, h, data in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return bytes(out)


# ---------------------------------------------------------------------------
# The boundary marks of the section-view height mark (ČSN). Local geometry of
# the mark, y up: O the measured point (the triangle's apex), T1/T2 the
# triangle's top corners, M the middle of its top, V the top of the vertical
# line, E the end of the horizontal line. Each variant is an outline and
# possibly a filled half of the triangle.

MARK_CELL = (45, 32)
MARK_COUNT = 6


def mark_geometry(index):
    """(outline segments, filled polygon or None) of boundary mark `index`,
    as lists of the named points."""
    top_then_left = [("T1", "T2"), ("T2", "O"), ("O", "M"), ("M", "V"), ("V", "E")]
    closed = [("O", "T2"), ("T2", "T1"), ("T1", "O"), ("O", "M"), ("M", "V"), ("V", "E")]
    variants = [
        # open V, the vertical line rising from the apex
        ([("T2", "O"), ("O", "T1"), ("T1", "O"), ("O", "V"), ("V", "E")], None),
        # left half of the triangle and the middle line
        (top_then_left, None),
        (top_then_left, ["O", "T2", "M"]),
        # closed triangle with the middle line
        (closed, None),
        (closed, ["O", "T1", "M"]),
        # closed triangle, the vertical line starting at the top
        ([("M", "T2"), ("T2", "O"), ("O", "T1"), ("T1", "M"), ("M", "V"), ("V", "E")], None),
    ]
    return variants[index]


def draw_boundary_marks():
    cw, ch = MARK_CELL
    canvas = Canvas(cw * MARK_COUNT, ch, background=(255, 255, 255))
    black = (0, 0, 0)
    for i in range(MARK_COUNT):
        # Pixel centres, so that a one-pixel line falls on whole pixels; the
        # apex sits low and left, the horizontal line runs to the right.
        ox, oy = i * cw + 13.5, 27.5
        half, height, rise, run = 7.0, 12.0, 22.0, 25.0
        points = {
            "O": (ox, oy),
            "T1": (ox + half, oy - height),
            "T2": (ox - half, oy - height),
            "M": (ox, oy - height),
            "V": (ox, oy - rise),
            "E": (ox + run, oy - rise),
        }
        outline, filled = mark_geometry(i)
        if filled:
            canvas.paint(black, Shape().polygon([points[n] for n in filled]), samples=1)
        shape = Shape()
        for a, b in outline:
            shape.segment(points[a], points[b], 1.0)
        canvas.paint(black, shape, samples=1)
    return canvas


# ---------------------------------------------------------------------------
# Dimension terminators: a dimension line comes from the right and ends at the
# terminator near the left edge, as the terminator sits on a dimension line.

ARROW_SIZES = (11, 16, 22, 32)
ARROW_IDS = list(range(5000, 5018))


def draw_arrow(icon_id, size):
    canvas = Canvas(size, size)
    w = float(max(1, round(size / 11.0)))  # stroke width in pixels
    # The dimension line lies on whole pixels: a pixel centre for odd widths.
    ly = math.floor(size / 2.0) + (0.5 if int(w) % 2 == 1 else 0.0)
    right = size - 0.5
    s = size / 11.0  # one unit of the 11-pixel design
    tip = 1.5 * s  # where the terminator meets the extension line
    ink = (0, 0, 0)

    def line(x_end):
        return Shape().segment((x_end, ly), (right, ly), w)

    def arrow(length, half):
        return [(tip, ly), (tip + length, ly - half), (tip + length, ly + half)]

    closed = arrow(5.5 * s, 1.9 * s)
    if icon_id == 5000:  # "." closed filled
        canvas.paint(ink, line(tip + 5.0 * s).polygon(closed).polyline(closed, w * 0.6, closed=True))
    elif icon_id == 5001:  # closed, the line runs through to the tip
        canvas.paint(ink, line(tip).polyline(closed, w, closed=True))
    elif icon_id == 5002:  # none
        canvas.paint(ink, line(tip))
    elif icon_id == 5003:  # dot
        canvas.paint(ink, line(tip + 1.5 * s).disc((tip + 1.5 * s, ly), 1.7 * s))
    elif icon_id == 5004:  # closed blank: the line stops at the base
        canvas.paint(ink, line(closed[1][0]).polyline(closed, w, closed=True))
    elif icon_id in (5005, 5006):  # oblique stroke; architectural tick is bold
        c = tip + 1.5 * s
        d = 2.6 * s
        tick = w if icon_id == 5005 else max(2.0, 2.2 * w)
        canvas.paint(ink, line(c - 1.0 * s).segment((c - d, ly + d), (c + d, ly - d), tick))
    elif icon_id == 5007:  # open
        o = arrow(5.5 * s, 1.0 * s)
        canvas.paint(ink, line(tip).polyline([o[1], o[0], o[2]], w))
    elif icon_id == 5008:  # origin indicator: blank circle, the line to its centre
        c = tip + 1.8 * s
        canvas.paint(ink, line(c).ring((c, ly), 1.8 * s, w))
    elif icon_id == 5009:  # right angle
        d = 3.2 * s
        canvas.paint(ink, line(tip).polyline([(tip + d, ly - d), (tip, ly), (tip + d, ly + d)], w))
    elif icon_id == 5010:  # open 30 degrees
        length = 5.5 * s
        half = length * math.tan(math.radians(15))
        o = arrow(length, half)
        canvas.paint(ink, line(tip).polyline([o[1], o[0], o[2]], w))
    elif icon_id == 5011:  # blank dot: the line stops at the circle
        r = 1.8 * s
        canvas.paint(ink, line(tip + 2 * r).ring((tip + r, ly), r, w))
    elif icon_id == 5012:  # small dot
        canvas.paint(ink, line(tip + 1.0 * s).disc((tip + 1.0 * s, ly), 1.0 * s))
    elif icon_id in (5013, 5014):  # box, filled or blank
        a = 1.8 * s
        c = tip + a
        box = [(c - a, ly - a), (c + a, ly - a), (c + a, ly + a), (c - a, ly + a)]
        shape = line(c + a).polyline(box, w, closed=True)
        if icon_id == 5013:
            shape.polygon(box)
        canvas.paint(ink, shape)
    elif icon_id in (5015, 5016):  # datum triangle standing on the extension line
        h = 2.4 * s
        tri = [(tip, ly - h), (tip, ly + h), (tip + 4.2 * s, ly)]
        shape = line(tri[2][0]).polyline(tri, w, closed=True)
        if icon_id == 5015:
            shape.polygon(tri)
        canvas.paint(ink, shape)
    elif icon_id == 5017:  # integral sign across the line end
        c = tip + 2.0 * s
        pts = []
        for k in range(25):
            t = k / 24.0 * 2.0 - 1.0  # -1 .. 1 along the sign
            y = ly + t * 4.0 * s
            x = c - t * 1.2 * s + math.copysign(1.0, t) * (abs(t) ** 6) * 1.6 * s * -1.0
            pts.append((x, y))
        canvas.paint(ink, line(c).polyline(pts, w))
    else:
        raise ValueError("no terminator picture for %d" % icon_id)
    return canvas


# ---------------------------------------------------------------------------
# The module's icon: a section-view height mark (blue, the left half of its
# triangle filled) on a ground line, its value in red above the horizontal
# line, on a white tile.

SEGMENTS = {  # seven-segment digits: a top, b upper right, c lower right, d bottom, e lower left, f upper left, g middle
    "1": "bc",
    "2": "abged",
    "5": "afgcd",
    "0": "abcdef",
}


def seven_segment(shape, text, x, y, height, width):
    """Adds `text` (digits and '.') with its top left at x, y."""
    w = height * 0.5
    for ch in text:
        if ch == ".":
            shape.disc((x + width * 0.6, y + height - width * 0.6), width * 0.75)
            x += width * 2.2
            continue
        h2 = height / 2.0
        ends = {
            "a": ((x, y), (x + w, y)),
            "b": ((x + w, y), (x + w, y + h2)),
            "c": ((x + w, y + h2), (x + w, y + height)),
            "d": ((x, y + height), (x + w, y + height)),
            "e": ((x, y + h2), (x, y + height)),
            "f": ((x, y), (x, y + h2)),
            "g": ((x, y + h2), (x + w, y + h2)),
        }
        for seg in SEGMENTS[ch]:
            shape.segment(ends[seg][0], ends[seg][1], width)
        x += w + width * 2.0


def draw_module_icon(size):
    c = Canvas(size, size)
    u = size / 32.0
    tile = [(1.5 * u, 1.5 * u), (size - 1.5 * u, 1.5 * u), (size - 1.5 * u, size - 1.5 * u), (1.5 * u, size - 1.5 * u)]
    c.paint((255, 255, 255), Shape().polygon(tile))
    c.paint((110, 110, 110), Shape().polyline(tile, max(1.0, u), closed=True))
    blue = (20, 70, 170)
    line_w = max(1.0, 1.4 * u)
    ox, oy = 10.0 * u, 26.5 * u
    t1, t2, m = (ox + 6 * u, oy - 9 * u), (ox - 6 * u, oy - 9 * u), (ox, oy - 9 * u)
    v, e = (ox, 13.5 * u), (29.0 * u, 13.5 * u)
    c.paint((90, 90, 90), Shape().segment((3.0 * u, oy), (size - 3.0 * u, oy), line_w))
    c.paint(blue, Shape().polygon([(ox, oy), t2, m]))
    c.paint(blue, Shape().polyline([t1, t2, (ox, oy), t1], line_w).polyline([(ox, oy), v, e], line_w))
    red = (200, 30, 30)
    if size >= 32:
        digits = Shape()
        seven_segment(digits, "1.25", 12.0 * u, 4.0 * u, 6.0 * u, max(1.0, 1.2 * u))
        c.paint(red, digits)
    else:
        c.paint(red, Shape().segment((13.0 * u, 8.5 * u), (27.0 * u, 8.5 * u), 4.5 * u))
    return c


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)

    def write(name, data):
        path = os.path.join(out, name)
        with open(path + ".tmp", "wb") as f:
            f.write(data)
        os.replace(path + ".tmp", path)

    write("boundary_marks.bmp", bmp_24(draw_boundary_marks()))
    write("vdshared.ico", ico_32([draw_module_icon(s) for s in (16, 32, 48)]))
    for icon_id in ARROW_IDS:
        write("arrow_%d.ico" % icon_id, ico_32([draw_arrow(icon_id, s) for s in ARROW_SIZES]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
