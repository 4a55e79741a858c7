"""The drawings of the DimConnect and DimDivide scenarios, written with
tests/scenarios/lineardims/dimdraw.py as a CAD program writes them (and
one as ezdxf places point 10, which the host moves on loading). The
header's DIMEXO is 0.625. Handles are those the scripts pick.

  connect.dxf        rows of rotated dimensions, origins at y, line at y + 10:
                     A01 0-30, A02 30-70, A03 70-100 (y 0);
                     B01 0-120 "120", B02 120-200 "80" (y 30);
                     C01 0-15 "1.5", C02 15-35 "2" (y 60);
                     D01 0-40 "120", D02 40-100 "abc" (y 90);
                     E01 0-40, E02 50-90 (y 120: a gap between);
                     AB01 0-50, AB02 50-100 (y 150), both with DIMSE2 1;
                     AC01 y 0-40, AC02 y 40-100: vertical, measured from
                     x 310, the line at x 300;
                     the LINE F01 from 0,-20 to 100,-20.
  connect_ezdxf.dxf  the same with point 10 where ezdxf puts it.
  divide.dxf         A11 0-100 "100" (origins y 0, line y 10);
                     A12 200-300 (the same line);
                     A13 0-700 "700" (origins y 100, line y 110);
                     A14 aligned from 0,300 to 30,340, its line 10 to the
                     left, "50";
                     A15 vertical from 60,-50 to 60,50, its line at x 50.
  pictures_connect.dxf, pictures_divide.dxf
                     the drawings of examples/dimconnect.vds and
                     examples/dimdivide.vds (the pictures in docs/pictures):
                     rows 0-30-70-100 "30" "40" "30", 0-45-100 and
                     0-40-100 "1.5" "2"; a dimension 0-100 "100" and an
                     aligned one from 10,0 to 90,20.

Run: /usr/bin/python3 make_drawings.py [OUTPUT_FOLDER]
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "lineardims"))
from dimdraw import Drawing  # noqa: E402


def row(d, handles, xs, y, texts=None, overrides=None):
    for k, handle in enumerate(handles):
        text = texts[k] if texts else None
        d.rotated(handle, (xs[k], y), (xs[k + 1], y), line=(0, y + 10), text=text, overrides=overrides)


def connect(path, cad_points):
    d = Drawing()
    row(d, ["A01", "A02", "A03"], [0, 30, 70, 100], 0)
    row(d, ["B01", "B02"], [0, 120, 200], 30, ["120", "80"])
    row(d, ["C01", "C02"], [0, 15, 35], 60, ["1.5", "2"])
    row(d, ["D01", "D02"], [0, 40, 100], 90, ["120", "abc"])
    d.rotated("E01", (0, 120), (40, 120), line=(0, 130))
    d.rotated("E02", (50, 120), (90, 120), line=(0, 130))
    row(d, ["AB01", "AB02"], [0, 50, 100], 150, overrides={"dimse2": 1})
    d.rotated("AC01", (310, 0), (310, 40), line=(300, 0), angle=90)
    d.rotated("AC02", (310, 40), (310, 100), line=(300, 0), angle=90)
    d.line("F01", (0, -20), (100, -20))
    d.save(path, cad_points=cad_points)


def divide(path):
    d = Drawing()
    d.rotated("A11", (0, 0), (100, 0), line=(0, 10), text="100")
    d.rotated("A12", (200, 0), (300, 0), line=(0, 10))
    d.rotated("A13", (0, 100), (700, 100), line=(0, 110), text="700")
    d.aligned("A14", (0, 300), (30, 340), distance=10, text="50")
    d.rotated("A15", (60, -50), (60, 50), line=(50, 0), angle=90)
    d.save(path)


def pictures(connect_path, divide_path):
    d = Drawing()
    row(d, ["A01", "A02", "A03"], [0, 30, 70, 100], 40, ["30", "40", "30"])
    row(d, ["B01", "B02"], [0, 45, 100], 20)
    row(d, ["C01", "C02"], [0, 40, 100], 0, ["1.5", "2"])
    d.save(connect_path)
    d = Drawing()
    d.rotated("A11", (0, 40), (100, 40), line=(0, 50), text="100")
    d.aligned("A14", (10, 0), (90, 20), distance=10)
    d.save(divide_path)


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else HERE
    connect(os.path.join(out, "connect.dxf"), True)
    connect(os.path.join(out, "connect_ezdxf.dxf"), False)
    divide(os.path.join(out, "divide.dxf"))
    pictures(os.path.join(out, "pictures_connect.dxf"), os.path.join(out, "pictures_divide.dxf"))
