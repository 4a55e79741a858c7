"""The drawings of the DimAlign and DimUpdateUCS scenarios, written with
tests/scenarios/lineardims/dimdraw.py as a CAD program writes dimensions:

  row.dxf   the sample A00 (rotated, horizontal, 0,0 -> 20,0, its line at
            y = 30) and beside it, each to be aligned onto it:
              A01 rotated horizontal 20,0 -> 45,0, its line at y = 10
              A02 aligned 45,0 -> 70,0, its line 5 above (y = 5)
              A03 rotated horizontal over the slanted 70,0 -> 90,12, its
                  line at y = 18 (its rotation, 0, gives its direction)
              A04 aligned over the same slanted points, 5 to their left:
                  not parallel to the sample
              A06 rotated vertical (90 degrees) 100,0 -> 100,20, its line
                  at x = 110: not parallel
            and A05, a LINE 0,-10 -> 90,-10. World UCS.
  ucs.dxf   A10 rotated horizontal 0,0 -> 30,0 (line y = 10), A11 aligned
            0,20 -> 25,40 (5 to its left), A12 a LINE; the UCS turned by 30
            degrees about 0,0. Saved with ezdxf's own point 10 (the foot of
            the first extension line), which vdhost moves to the second on
            loading.

  tih.dxf   dimensions whose texts DIMTIH makes horizontal (a DSTYLE
            override): B00 rotated horizontal 0,0 -> 40,0 (line y = -10),
            B01 rotated vertical 50,0 -> 50,30 (line x = 60), B02 aligned
            70,0 -> 100,20 (8 to its left); the UCS turned by 30 degrees.
            DimUpdateUCS turns their texts from the world X axis to the
            UCS X axis (examples/dimupdateucs.vds).
  --many N PATH
            the benchmark's drawing: the sample A00 (rotated, horizontal,
            its line at y = 30) left of N rotated horizontal dimensions in
            a row, 10 long each, their lines at y = 5 to 11.

Run: /usr/bin/python3 make_drawings.py [OUTPUT_FOLDER]
     /usr/bin/python3 make_drawings.py --many N PATH
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "lineardims"))

from dimdraw import Drawing  # noqa: E402


def row(path):
    d = Drawing()
    d.rotated("A00", (0, 0), (20, 0), line=(0, 30))
    d.rotated("A01", (20, 0), (45, 0), line=(0, 10))
    d.aligned("A02", (45, 0), (70, 0), distance=5)
    d.rotated("A03", (70, 0), (90, 12), line=(0, 18))
    d.aligned("A04", (70, 0), (90, 12), distance=5)
    d.line("A05", (0, -10), (90, -10))
    d.rotated("A06", (100, 0), (100, 20), line=(110, 0), angle=90)
    d.save(path)


def ucs(path):
    d = Drawing()
    d.rotated("A10", (0, 0), (30, 0), line=(0, 10))
    d.aligned("A11", (0, 20), (25, 40), distance=5)
    d.line("A12", (0, -10), (30, -10))
    d.ucs((0, 0), 30)
    d.save(path, cad_points=False)


def tih(path):
    d = Drawing()
    flat = {"dimtih": 1}
    d.rotated("B00", (0, 0), (40, 0), line=(0, -10), overrides=flat)
    d.rotated("B01", (50, 0), (50, 30), line=(60, 0), angle=90, overrides=flat)
    d.aligned("B02", (70, 0), (100, 20), distance=8, overrides=flat)
    d.ucs((0, 0), 30)
    d.save(path)


def many(count, path):
    d = Drawing()
    d.rotated("A00", (-20, 0), (-10, 0), line=(0, 30))
    for i in range(count):
        d.rotated(None, (10 * i, 0), (10 * i + 10, 0), line=(0, 5 + i % 7))
    d.save(path)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--many":
        many(int(sys.argv[2]), sys.argv[3])
        sys.exit(0)
    out = sys.argv[1] if len(sys.argv) > 1 else HERE
    row(os.path.join(out, "row.dxf"))
    ucs(os.path.join(out, "ucs.dxf"))
    tih(os.path.join(out, "tih.dxf"))
