"""Writes entities.dxf: one or more entities of every kind the 2D entity
model reads, as ezdxf writes them, for the round-trip tests; and beside it
entities_geometry.txt: how ezdxf itself sees the geometry of the curve, solid
and hatch entities, as points on it ("P handle[:loop] x y") and lengths
("L handle[:loop] length"), so that the tests can check that the model reads
the same curves.

Run with Debian's interpreter: /usr/bin/python3 make_entities.py [out.dxf]
"""
import os
import sys

import ezdxf
from ezdxf import path


def build(path):
    doc = ezdxf.new("R2018", setup=False)
    doc.appids.new("VDTEST")
    doc.layers.new("WALLS", dxfattribs={"color": 3})
    doc.layers.new("TEXTS", dxfattribs={"color": 5})
    msp = doc.modelspace()
    xdata = [(1000, "wall"), (1040, 2.5), (1070, 7), (1071, 123456), (1010, (1.0, 2.0, 0.0))]

    line = msp.add_line((1, 2), (101, 52), dxfattribs={"layer": "WALLS", "color": 1, "lineweight": 35,
                                                      "linetype": "BYBLOCK", "ltscale": 2.0})
    line.set_xdata("VDTEST", xdata)
    line.transparency = 0.5
    msp.add_circle((10, 10), 5, dxfattribs={"true_color": ezdxf.rgb2int((255, 128, 0))})
    msp.add_arc((50, 50), 20, 30, 210, dxfattribs={"thickness": 1.5})
    msp.add_arc((-5, 7), 3, 300, 45)  # across the x axis
    msp.add_lwpolyline([(0, 0, 0.5, 1.0, 0.25), (10, 0, 1.0, 0.5, -0.4), (10, 10, 0, 0, 0)],
                       format="xyseb", dxfattribs={"closed": True, "const_width": 0.0})
    msp.add_lwpolyline([(20, 0), (30, 0, 1.0), (40, 5), (45, 5, -2.5), (50, 0)], format="xyb",
                       dxfattribs={"elevation": 3.0})
    msp.add_ellipse((5, 5), major_axis=(6, 2), ratio=0.4, start_param=0.3, end_param=4.0)
    msp.add_ellipse((-20, 5), major_axis=(0, 4), ratio=0.5)
    msp.add_ray((1, 1), (0.6, 0.8))
    msp.add_xline((2, 3), (1, -1))
    msp.add_point((7, 8), dxfattribs={"angle": 30.0})
    msp.add_solid([(0, 0), (4, 0), (0, 3), (4, 3)])
    msp.add_solid([(10, 0), (14, 0), (12, 3)])

    hatch = msp.add_hatch(color=2)
    hatch.paths.add_polyline_path([(0, 0, 0), (10, 0, 0.5), (10, 10, 0), (0, 10, 0)], is_closed=True)
    edges = hatch.paths.add_edge_path()
    edges.add_line((2, 2), (8, 2))
    edges.add_arc((8, 5), 3, -90, 90, ccw=True)
    edges.add_line((8, 8), (2, 8))
    edges.add_ellipse((2, 5), major_axis=(0, 3), ratio=0.5, start_angle=0, end_angle=180, ccw=True)
    hatch.set_seed_points([(1, 1)])
    # A loop closed by a clockwise arc (ezdxf takes its angles counter-clockwise, swapped).
    turning = msp.add_hatch(color=3)
    loop = turning.paths.add_edge_path()
    loop.add_line((20, 0), (30, 0))
    loop.add_line((30, 0), (30, 10))
    loop.add_line((30, 10), (25, 10))
    loop.add_arc((20, 10), 5, -90, 0, ccw=False)  # from 0 degrees clockwise to -90
    loop.add_line((20, 5), (20, 0))
    pattern = msp.add_hatch(color=4)
    pattern.set_pattern_fill("ANSI31", scale=2.0, angle=15.0)
    pattern.paths.add_polyline_path([(20, 0), (30, 0), (30, 10), (20, 10)], is_closed=True)

    doc.blocks.new("MARK")
    doc.blocks.get("MARK").add_line((0, 0), (1, 1))
    doc.blocks.get("MARK").add_attdef("LEVEL", (0, 2), dxfattribs={"height": 0.25, "prompt": "Level?"})
    ref = msp.add_blockref("MARK", (100, 200), dxfattribs={"xscale": 2.0, "yscale": -1.5, "rotation": 33.0})
    ref.add_attrib("LEVEL", "+3.250", (100.5, 202), dxfattribs={"height": 0.35, "rotation": 33.0})
    ml = msp.add_blockref("MARK", (0, -50))
    attrib = ml.add_attrib("LEVEL", "first", (0, -48))
    attrib.set_mtext(ml.doc.entitydb and _mtext(msp, "first\\Psecond line"))
    msp.add_attdef("TAG", (3, 4), dxfattribs={"height": 0.5, "prompt": "Value?", "halign": 1, "valign": 2,
                                              "align_point": (3, 4)})

    msp.add_text("Žluťoučký kůň", dxfattribs={"height": 2.5, "insert": (5, 5), "rotation": 12.5,
                                               "width": 0.8, "oblique": 10.0, "style": "Standard",
                                               "layer": "TEXTS"})
    msp.add_text("middle", dxfattribs={"height": 1.0, "insert": (0, 0), "halign": 1, "valign": 2,
                                        "align_point": (8, 9)})
    msp.add_mtext("Line one\\PLine {\\H2x;two}", dxfattribs={"char_height": 1.5, "insert": (40, 40),
                                                              "attachment_point": 5, "width": 30,
                                                              "rotation": 20, "line_spacing_factor": 1.5})
    long_text = "Dlouhý text " * 40
    msp.add_mtext(long_text, dxfattribs={"char_height": 1.0, "insert": (0, 60), "text_direction": (0, 1, 0)})

    image_def = doc.add_image_def(filename="plan.png", size_in_pixel=(640, 480))
    image = msp.add_image(image_def, insert=(0, 0), size_in_units=(6.4, 4.8), rotation=30)
    image.set_boundary_path([(50, 50), (600, 100), (300, 400)])
    msp.add_image(image_def, insert=(20, 0), size_in_units=(3.2, 2.4))
    msp.add_wipeout([(0, 0), (10, 0), (10, 5), (3, 8)])
    doc.saveas(path)
    write_geometry(msp, os.path.splitext(path)[0] + "_geometry.txt")


def write_geometry(msp, out_path):
    lines = []

    def emit(key, p):
        points = list(p.flattening(0.002))
        length = sum(a.distance(b) for a, b in zip(points, points[1:]))
        for v in points:
            lines.append(f"P {key} {v.x!r} {v.y!r}")
        lines.append(f"L {key} {length!r}")

    for e in msp:
        kind = e.dxftype()
        handle = e.dxf.handle
        if kind == "HATCH":
            for i, p in enumerate(path.from_hatch(e)):
                emit(f"{handle}:{i}", p)
        elif kind in ("LINE", "ARC", "CIRCLE", "ELLIPSE", "LWPOLYLINE", "SOLID"):
            emit(handle, path.make_path(e))
    with open(out_path, "w") as f:
        f.write("\n".join(lines) + "\n")

def _mtext(msp, text):
    from ezdxf.entities import MText
    m = MText.new(dxfattribs={"char_height": 0.35, "insert": (0, -48)})
    m.text = text
    return m


if __name__ == "__main__":
    build(sys.argv[1] if len(sys.argv) > 1 else "entities.dxf")
