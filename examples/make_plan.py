#!/usr/bin/python3
"""Writes examples/plan.dxf: a small floor plan the demo loads into vdhost.

Walls as wide polylines, a door swing, a round column, room names, a window
block placed three times, furniture drawn by layer on an orange layer (a sofa
as a wide polyline with a rounded back), tiles as a 45-degree line pattern, a
rug as a solid fill with a round hole, a beam drawn DASHED by its own linetype
and the outline of wall cabinets DASHED by their layer (at linetype scale 2),
a line that is continuous on that dashed layer, and a wardrobe block whose
members are on layer 0 by layer, placed on a yellow layer; the dimension
style VELDRA at the plan's scale of 1:100.

Below the plan, a strip of details in colours of their own: a marker block
drawn by block placed in two colours and inside another block, the wardrobe
again on another layer, an old-style polyline with a width and a bulge, a
wrapped multi-line note, aligned, fit and middle texts, texts with the %%c,
%%d and %%p codes beside the characters they stand for, a label block placed
as it is and mirrored both ways, an ellipse, an elliptical arc whose normal
points down, and splines by control points and by fit points (the lowest
things of the drawing).

For the tour (examples/tour.vds, docs/tour.md): rows of dimensions as a CAD program writes them (tests/scenarios/lineardims/
dimdraw.py), in the dimension style VD at 1:100 with whole millimetres: along
the north wall three end to end (A01, A02, A03) and one across the bedroom
(A04); along the west wall three vertical ones whose lines stand at
different distances from the wall (A07 the sample, A08, A09) and whose
texts are kept horizontal (DIMTIH).

Run with Debian's python3 (python3-ezdxf).
"""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "scenarios", "lineardims"))
from dimdraw import Drawing  # noqa: E402

dims = Drawing(dimdec=0, dimscale=100)
doc = dims.doc
msp = doc.modelspace()
# The plan's own dashes (below), not those of ezdxf's standard set.
doc.linetypes.remove("DASHED")
doc.layers.add("STENY", color=7)
doc.layers.add("OTVORY", color=1)
doc.layers.add("POPISY", color=5)
doc.layers.add("NABYTEK", color=30)
doc.layers.add("PODLAHY", color=8)
# Dashes of 300 mm and gaps of 150 mm: about 10 and 5 pixels in a picture of
# 400 pixels across the plan.
doc.linetypes.add("DASHED", [450, 300, -150], description="Dashed __ __ __")
doc.layers.add("NAD", color=34, linetype="DASHED")   # above the cut: wall cabinets
doc.layers.add("SKRINE", color=2)                    # wardrobes
# The plan is drawn at 1:100: the dimension style of the height dimensions'
# leaders scales their arrowheads by 100, as a drawing at that scale does.
doc.dimstyles.new("VELDRA", dxfattribs={"dimscale": 100, "dimasz": 2.5})

# Outer walls and one partition, 300 mm thick, in millimetres.
msp.add_lwpolyline([(0, 0), (9000, 0), (9000, 6000), (0, 6000)], close=True,
                   dxfattribs={"layer": "STENY", "const_width": 300})
msp.add_lwpolyline([(5000, 0), (5000, 2400)], dxfattribs={"layer": "STENY", "const_width": 150})
msp.add_lwpolyline([(5000, 3300), (5000, 6000)], dxfattribs={"layer": "STENY", "const_width": 150})

# Door: leaf and swing.
msp.add_line((5000, 2400), (5900, 2400), dxfattribs={"layer": "OTVORY", "color": 1})
msp.add_arc((5000, 2400), 900, 0, 90, dxfattribs={"layer": "OTVORY", "color": 1})

# A column and a curved bay out of the east wall (polyline with a bulge).
msp.add_circle((2500, 3000), 250, dxfattribs={"layer": "STENY", "color": 3})
msp.add_lwpolyline([(9000, 2000, 0, 0, 1), (9000, 4000)], format="xyseb",
                   dxfattribs={"layer": "STENY", "color": 4})

# A window block: frame and glass line, placed in three walls.
window = doc.blocks.new("OKNO", base_point=(0, 0))
window.add_line((0, -150), (1200, -150))
window.add_line((0, 150), (1200, 150))
window.add_line((0, 0), (1200, 0), dxfattribs={"color": 5})
for x in (1000, 6500):
    msp.add_blockref("OKNO", (x, 0), dxfattribs={"layer": "OTVORY"})
msp.add_blockref("OKNO", (0, 2000), dxfattribs={"layer": "OTVORY", "rotation": 90})

msp.add_text("Obývací pokoj", dxfattribs={"layer": "POPISY", "height": 250,
                                          "insert": (800, 4800), "color": 5})
msp.add_text("Ložnice", dxfattribs={"layer": "POPISY", "height": 250,
                                    "insert": (5800, 4800), "color": 5})

# Furniture by layer: a table with four chairs, a sofa as a 200 mm band
# tapering to one arm, and the round back of an armchair.
msp.add_lwpolyline([(3300, 3800), (4500, 3800), (4500, 4500), (3300, 4500)], close=True,
                   dxfattribs={"layer": "NABYTEK"})
for x, y in ((3600, 3550), (4200, 3550), (3600, 4750), (4200, 4750)):
    msp.add_circle((x, y), 180, dxfattribs={"layer": "NABYTEK"})
msp.add_lwpolyline([(3200, 1700, 200, 200, 0), (3200, 900, 200, 200, 0), (3500, 600, 200, 200, 0),
                    (4400, 600, 200, 80, 0), (4700, 900, 80, 80, 0)], format="xyseb",
                   dxfattribs={"layer": "NABYTEK"})
msp.add_lwpolyline([(3300, 5200, 120, 120, -1), (3900, 5200)], format="xyseb",
                   dxfattribs={"layer": "NABYTEK"})

# Tiles by the entrance: 45-degree lines 127 mm apart (a scaled ANSI31).
tiles = msp.add_hatch(dxfattribs={"layer": "PODLAHY"})
tiles.set_pattern_fill("ANSI31", color=6, scale=40)
tiles.paths.add_polyline_path([(400, 400), (2000, 400), (2000, 2200), (400, 2200)], is_closed=True, flags=1)

# A rug in the bedroom: solid fill with a round hole.
rug = msp.add_hatch(color=150, dxfattribs={"layer": "PODLAHY"})
rug.paths.add_polyline_path([(6200, 700), (8600, 700), (8600, 2300), (6200, 2300)], is_closed=True, flags=1)
hole = rug.paths.add_edge_path(flags=16)
hole.add_arc((7400, 1500), 400, 0, 360)

# An overhead beam across the living room, dashed by its own linetype.
msp.add_line((300, 5600), (3100, 5600), dxfattribs={"layer": "STENY", "color": 94, "linetype": "DASHED"})
# Wall cabinets above the worktop: by layer, so dashed, at twice the dash length.
msp.add_line((300, 5350), (3100, 5350), dxfattribs={"layer": "NAD", "ltscale": 2})
# A shelf edge on the same layer, continuous by its own linetype.
msp.add_line((6000, 3800), (8600, 3800), dxfattribs={"layer": "NAD", "color": 174, "linetype": "CONTINUOUS"})

# A wardrobe drawn on layer 0 by layer: it takes the colour of the layer it is
# placed on.
wardrobe = doc.blocks.new("SKRIN", base_point=(0, 0))
wardrobe.add_lwpolyline([(0, 0), (1200, 0), (1200, 600), (0, 600)], close=True)
wardrobe.add_line((600, 0), (600, 600))
msp.add_blockref("SKRIN", (7600, 5200), dxfattribs={"layer": "SKRINE"})

# --- The strip below the plan ---------------------------------------------

doc.layers.add("SKRINE2", color=110)
DETAIL = {"layer": "POPISY"}


def detail(**attribs):
    return dict(DETAIL, **attribs)


# A marker drawn by block: each reference shows it in its own colour, also
# through a set that holds it by block.
marker = doc.blocks.new("ZNACKA", base_point=(0, 0))
marker.add_circle((0, 0), 300, dxfattribs={"color": 0})
marker.add_line((-300, 0), (300, 0), dxfattribs={"color": 0})
marker.add_line((0, -300), (0, 300), dxfattribs={"color": 0})
markers = doc.blocks.new("SADA", base_point=(0, 0))
markers.add_blockref("ZNACKA", (0, 0), dxfattribs={"color": 0})
msp.add_blockref("ZNACKA", (700, -1300), dxfattribs=detail(color=20))
msp.add_blockref("ZNACKA", (1700, -1300), dxfattribs=detail(color=140))
msp.add_blockref("SADA", (2700, -1300), dxfattribs=detail(color=200))

# The wardrobe again, on a layer of another colour.
msp.add_blockref("SKRIN", (3400, -1600), dxfattribs={"layer": "SKRINE2"})

# An old-style polyline 120 mm wide with a bulged side.
msp.add_polyline2d([(5000, -1800, 120, 120, 0), (6500, -1800, 120, 120, 0.5), (6500, -800, 120, 120, 0),
                    (5000, -800, 120, 120, 0)], format="xyseb", close=True, dxfattribs=detail(color=240))

# A note wrapped at 1900 mm; its second paragraph begins green.
msp.add_mtext("Poznámka: nové prvky dle výpisu\\P{\\C3;zeleně} ostatní beze změny",
              dxfattribs=detail(color=230, char_height=180, width=1900, insert=(7100, -700), attachment_point=1,
                                text_direction=(1, 0, 0)))


def text(value, colour, height, first, second=None, halign=0, valign=0):
    t = msp.add_text(value, dxfattribs=detail(color=colour, height=height, insert=first, halign=halign,
                                              valign=valign))
    if second:
        t.dxf.align_point = second


text("ZAROVNANO", 40, 200, (300, -2400), (3300, -2400), halign=3)   # aligned
text("NAPLNENO", 100, 250, (300, -3000), (3300, -3000), halign=5)   # fit
text("STRED", 120, 400, (4500, -2600), (4500, -2600), halign=4)     # middle
text("R%%c12%%d%%p", 160, 300, (5300, -2500))
text("R\u230012\u00b0\u00b1", 190, 300, (5300, -3100))

# A label block, placed as it is and mirrored both ways.
label = doc.blocks.new("STITEK", base_point=(0, 0))
label.add_text("AB12", dxfattribs={"height": 250, "color": 70, "insert": (0, 0)})
msp.add_blockref("STITEK", (7000, -2700), dxfattribs=detail())
msp.add_blockref("STITEK", (9000, -2700), dxfattribs=detail(xscale=-1))
msp.add_blockref("STITEK", (7000, -3300), dxfattribs=detail(yscale=-1))

# An ellipse, and half an ellipse whose normal points down: it runs
# clockwise, below its centre.
msp.add_ellipse((1500, -3900), major_axis=(900, 0, 0), ratio=0.5, dxfattribs=detail(color=220))
msp.add_ellipse((3500, -3900), major_axis=(600, 0, 0), ratio=0.6, start_param=0, end_param=math.pi,
                dxfattribs=detail(color=180, extrusion=(0, 0, -1)))

# Splines: by four control points (a cubic that passes through neither inner
# point) and through four fit points.
msp.add_open_spline([(4500, -4400), (5000, -3400), (5500, -4400), (6000, -3400)], degree=3,
                    dxfattribs=detail(color=142))
msp.add_spline(fit_points=[(6500, -4400), (7000, -3500), (7500, -4100), (8000, -3600)], dxfattribs=detail(color=22))

# --- For the tour ----------------------------------------------------------

# The dimensions on a layer of their own, dark grey: the walls stay the only
# black of the plan (tests/scenarios/check_picture.py finds them by it).
doc.layers.add("KOTY", color=250)
DIMS = {"layer": "KOTY"}

# Along the north wall, 900 mm out: the living room's wall in three pieces
# that meet end to end, and the bedroom's whole.
for handle, x1, x2 in (("A01", 0, 1500), ("A02", 1500, 3000), ("A03", 3000, 5000), ("A04", 5000, 9000)):
    dims.rotated(handle, (x1, 6000), (x2, 6000), line=(x1, 6900), **DIMS)
# Along the west wall: the wall below the window, the window and the wall
# above it, their lines 800, 1100 and 1400 mm out, texts kept horizontal.
horizontal = {"dimtih": 1}
for handle, y1, y2, x in (("A07", 0, 2000, -800), ("A08", 2000, 3200, -1100), ("A09", 3200, 6000, -1400)):
    dims.rotated(handle, (0, y1), (0, y2), line=(x, y1), angle=90, overrides=horizontal, **DIMS)

dims.save(sys.argv[1] if len(sys.argv) > 1 else "plan.dxf")
