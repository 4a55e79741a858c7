#!/usr/bin/python3
"""Writes examples/plan.dxf: a small floor plan the demo loads into vdhost.

Walls as wide polylines, a door swing, a round column, room names, and a
window block placed three times. Run with Debian's python3 (python3-ezdxf).
"""
import sys

import ezdxf

doc = ezdxf.new("R2000")
msp = doc.modelspace()
doc.layers.add("STENY", color=7)
doc.layers.add("OTVORY", color=1)
doc.layers.add("POPISY", color=5)

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

doc.saveas(sys.argv[1] if len(sys.argv) > 1 else "plan.dxf")
