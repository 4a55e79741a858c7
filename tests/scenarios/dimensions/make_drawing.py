"""A drawing of dimensions as another program writes them, made with ezdxf
apart from the host's writer (dimensions.dxf):

  a black frame from (0, 0) to (180, 130), so that a picture of it maps
  drawing units to pixels;
  a rotated dimension in red from (10, 20) to (52.5, 20), its line at y = 35;
  an aligned dimension in blue from (70, 20) to (100, 60) with the text
  override "<> mm";
  a 3-point angular dimension in green about (130, 20) from +X to 45
  degrees, its arc through a point 25 from the centre;
  a 2-line angular dimension in magenta between the line from (20, 80) to
  (40, 114.64) and the line from (20, 80) to (60, 80), 60 degrees, its arc
  through (45, 90) (in this order ezdxf's block of it spans those 60
  degrees; the other way round it spans the other 300);
  a rotated dimension in cyan from (110, 80) to (150, 80), its line at
  y = 100, with the overrides DIMSE1 1, DIMEXO 2 and DIMSCALE 1.5.

All of dimension style "VD" (text and arrows 2.5, DIMEXO 0.625, DIMEXE 1.25,
DIMGAP 0.625, text above the line, angles without decimals, the closed
filled arrow), the current one; the header gives DIMDEC 2, DIMZIN 8, DIMDSEP
',', DIMEXO 0.625 and DIMSCALE 1. ezdxf puts point 10 of the linear
dimensions at the foot of their first extension line, and names blocks of
its own rendering (MTEXT, arrow block references).

Run: /usr/bin/python3 make_drawing.py OUTPUT_FOLDER
"""
import math
import os
import sys

import ezdxf


def make(path):
    doc = ezdxf.new("R2000", setup=True)
    doc.header["$DIMDEC"] = 2
    doc.header["$DIMZIN"] = 8
    doc.header["$DIMDSEP"] = 44
    doc.header["$DIMEXO"] = 0.625
    doc.header["$DIMSCALE"] = 1.0
    doc.dimstyles.new("VD", dxfattribs={
        "dimtxt": 2.5, "dimasz": 2.5, "dimexo": 0.625, "dimexe": 1.25, "dimgap": 0.625, "dimtad": 1,
        "dimdec": 2, "dimzin": 8, "dimdsep": 44, "dimadec": 0, "dimscale": 1.0, "dimtih": 0, "dimtoh": 0})
    doc.header["$DIMSTYLE"] = "VD"
    msp = doc.modelspace()
    msp.add_lwpolyline([(0, 0), (180, 0), (180, 130), (0, 130)], dxfattribs={"closed": True, "color": 7})
    d = msp.add_linear_dim(base=(0, 35), p1=(10, 20), p2=(52.5, 20), dimstyle="VD",
                           dxfattribs={"color": 1})
    d.render()
    d = msp.add_aligned_dim(p1=(70, 20), p2=(100, 60), distance=8, text="<> mm", dimstyle="VD",
                            dxfattribs={"color": 5})
    d.render()
    d.dimension.dxf.dimtype = 1 | 32  # ezdxf writes it as a rotated one
    a = math.radians(45)
    d = msp.add_angular_dim_3p(base=(130 + 25 * math.cos(a / 2), 20 + 25 * math.sin(a / 2)), center=(130, 20),
                               p1=(170, 20), p2=(130 + 40 * math.cos(a), 20 + 40 * math.sin(a)), dimstyle="VD",
                               dxfattribs={"color": 3})
    d.render()
    d = msp.add_angular_dim_2l(base=(45, 90),
                               line1=((20, 80), (20 + 40 * math.cos(math.radians(60)), 80 + 40 * math.sin(math.radians(60)))),
                               line2=((20, 80), (60, 80)),
                               dimstyle="VD", dxfattribs={"color": 6})
    d.render()
    d = msp.add_linear_dim(base=(0, 100), p1=(110, 80), p2=(150, 80), dimstyle="VD",
                           override={"dimse1": 1, "dimexo": 2.0, "dimscale": 1.5}, dxfattribs={"color": 4})
    d.render()
    doc.saveas(path)


if __name__ == "__main__":
    make(os.path.join(sys.argv[1], "dimensions.dxf"))
