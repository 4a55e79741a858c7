#!/usr/bin/python3
"""Writes examples/plan.dxf: a small floor plan the demo loads into vdhost.

Walls as wide polylines, a door swing, a round column, room names, a window
block placed three times, furniture drawn by layer on an orange layer (a sofa
as a wide polyline with a rounded back), tiles as a 45-degree line pattern, a
rug as a solid fill with a round hole, a beam drawn DASHED by its own linetype
and the outline of wall cabinets DASHED by their layer (at linetype scale 2),
a line that is continuous on that dashed layer, and a wardrobe block whose
members are on layer 0 by layer, placed on a yellow layer. Run with Debian's
python3 (python3-ezdxf).
"""
import sys

import ezdxf

doc = ezdxf.new("R2000")
msp = doc.modelspace()
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

# Outer walls and one partition, 300 mm thick, in millimetres.
msp.add_lwpolyline([(0, 0), (9000, 0), (9000, 6000), (0, 6000)], close=True,
                   dxfattribs={"layer": "STENY", "const_width": 300})
msp.add_lwpolyline([(5000, 0), (5000, 2400)], dxfattribs={"layer": "STENY", "const_width": 150})
msp.add_lwpolyline([(5000, 3300), (5000, 6000)], dxfattribs={"layer": "STENY", "const_width": 150})

# Door: leaf and swing.
msp.add_line((5000, 2400), (5900, 2400), dxfattribs={"layer": "OTVORY", "color": 1})
msp.add_arc((5000, 2400), 900, 0, 90, dxfattribs={"layer": "OTVORY", "color": 1})

# A column and a curved bay (polyline with a bulge).
msp.add_circle((2500, 3000), 250, dxfattribs={"layer": "STENY", "color": 3})
msp.add_lwpolyline([(9000, 2000, 0, 0, -1), (9000, 4000)], format="xyseb",
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

doc.saveas(sys.argv[1] if len(sys.argv) > 1 else "plan.dxf")
