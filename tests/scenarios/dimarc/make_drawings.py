"""The drawing of the arc-dimension scenarios, made with ezdxf apart from the
host's writer:

  arcs.dxf  an ARC about 0,0 of radius 5 from 0 to 90 degrees (length
            7.853982), a CIRCLE about 20,0 of radius 4, a LWPOLYLINE from
            40,0 straight to 50,0 and on in a half circle (bulge 1, counter-
            clockwise, centre 50,5, radius 5, length 15.707963) to 50,10,
            and a LINE; the header asks for 2 decimals, no zero suppression
            and '.' as the decimal separator, and the current dimension
            style is ARCS.

Run: /usr/bin/python3 make_drawings.py OUTPUT_FOLDER
"""
import os
import sys

import ezdxf


def arcs(path):
    doc = ezdxf.new("R2000")
    doc.header["$DIMDEC"] = 2
    doc.header["$DIMZIN"] = 0
    doc.header["$DIMDSEP"] = ord(".")
    doc.dimstyles.new("ARCS")
    doc.header["$DIMSTYLE"] = "ARCS"
    msp = doc.modelspace()
    msp.add_arc((0, 0), 5, 0, 90)
    msp.add_circle((20, 0), 4)
    msp.add_lwpolyline([(40, 0, 0), (50, 0, 1), (50, 10, 0)], format="xyb")
    msp.add_line((0, -10), (10, -10))
    doc.saveas(path)


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    arcs(os.path.join(out, "arcs.dxf"))
