#!/usr/bin/python3
"""Writes gallery.dxf: texts and dimensions as other CAD programs write
them (ezdxf makes the document and renders the dimensions' blocks), for
the pictures of vdhost to be laid over ezdxf's (check_rendering.py) and
for docs/pictures/texts-and-dimensions.png; and signs.dxf, the special
characters large in every generation, and arrows.dxf, the dimensions
short and large: there a wrong glyph or a missing arrowhead is many pixels
from what the other renderer draws.

- TEXT in every generation (group 71: plain, backwards 2, upside down 4,
  both 6) at each horizontal alignment (left, centre, right) and at the
  vertical ones (baseline, bottom, middle, top);
- the special characters %%c, %%d and %%p;
- MTEXT at its nine attachment points;
- a block of a text and a line, inserted plain and mirrored in X and in Y;
- linear dimensions with the arrowheads of DIMBLK (open 30, dot,
  architectural tick, oblique) and with DIMBLK1 and DIMBLK2 apart
  (DIMSAH), one of a user's block; a dimension whose text is centred on
  its line (DIMTAD 0, the line broken around it); a short one whose text
  goes outside, horizontal with DIMTOH 1 and along the line without it.

Run: /usr/bin/python3 make_gallery.py [OUT_FOLDER]
"""
import os
import sys

import ezdxf
from ezdxf.enums import TextEntityAlignment

H = 2.5  # text height
# Group 71 of TEXT: how the glyphs are mirrored.
GENERATIONS = [(0, "plain"), (2, "backwards"), (4, "upside down"), (6, "both")]


def texts(msp):
    alignments = [TextEntityAlignment.LEFT, TextEntityAlignment.CENTER, TextEntityAlignment.RIGHT,
                  TextEntityAlignment.BOTTOM_LEFT, TextEntityAlignment.MIDDLE_CENTER, TextEntityAlignment.TOP_RIGHT]
    for row, (flags, _) in enumerate(GENERATIONS):
        for col, align in enumerate(alignments):
            x, y = 10 + col * 25, 100 - row * 12
            t = msp.add_text("AB12", dxfattribs={"height": H, "text_generation_flag": flags})
            t.set_placement((x, y), align=align)
            msp.add_line((x - 1, y), (x + 1, y))
            msp.add_line((x, y - 1), (x, y + 1))
    for col, special in enumerate(["%%c12", "45%%d", "%%p0.5", "R%%c12%%d%%p"]):
        msp.add_text(special, dxfattribs={"height": H, "insert": (10 + col * 25, 40)})


def mtexts(msp):
    for k in range(9):
        x, y = 170 + (k % 3) * 30, 100 - (k // 3) * 15
        m = msp.add_mtext("Mtext\\P" + str(k + 1), dxfattribs={"char_height": H, "attachment_point": k + 1})
        m.dxf.insert = (x, y)
        msp.add_line((x - 1, y), (x + 1, y))
        msp.add_line((x, y - 1), (x, y + 1))


def mirrored_references(doc, msp):
    block = doc.blocks.new("SIGN")
    block.add_text("AB12", dxfattribs={"height": H, "insert": (1, 1)})
    block.add_line((0, 0), (12, 0))
    block.add_line((0, 0), (0, 5))
    msp.add_blockref("SIGN", (170, 40))
    msp.add_blockref("SIGN", (220, 40), dxfattribs={"xscale": -1})
    msp.add_blockref("SIGN", (240, 45), dxfattribs={"yscale": -1})


def dimensions(doc, msp, columns=1, length=50, arrow=2.5):
    """The dimensions of the gallery; with more columns, a shorter length and
    larger arrowheads, the same large in a picture of their own."""
    doc.dimstyles.new("GALLERY", dxfattribs={
        "dimtxt": H, "dimasz": arrow, "dimexo": 0.625, "dimexe": 1.25, "dimgap": 0.625, "dimtad": 1, "dimdec": 0,
        "dimzin": 8, "dimtih": 0, "dimtoh": 0})
    arrow = doc.blocks.new("MYARROW")
    arrow.add_lwpolyline([(0, 0), (-1, 0.5), (-1, -0.5)], close=True)
    arrow.add_circle((-0.5, 0), 0.2)
    # A CAD program makes the block of a standard arrowhead when a style first uses it.
    for name in ("OPEN30", "DOT", "ARCHTICK", "OBLIQUE"):
        doc.acquire_arrow(name)
    rows = [
        ({"dimblk": "OPEN30"}, "open 30"),
        ({"dimblk": "DOT"}, "dot"),
        ({"dimblk": "ARCHTICK"}, "tick"),
        ({"dimblk": "OBLIQUE"}, "oblique"),
        ({"dimsah": 1, "dimblk1": "DOT", "dimblk2": "OPEN30"}, "apart"),
        ({"dimblk": "MYARROW"}, "block"),
        ({"dimtad": 0}, "centred"),
    ]
    per_column = -(-len(rows) // columns)
    for i, (override, _) in enumerate(rows):
        x, y = 10 + (i // per_column) * (length + 10), 0 - (i % per_column) * 15
        d = msp.add_linear_dim(base=(x, y + 6), p1=(x, y), p2=(x + length, y), dimstyle="GALLERY", override=override)
        d.render()
    x0 = 10 + columns * (length + 10) if columns > 1 else 90
    for i, toh in enumerate((1, 0)):
        x = x0 + i * (20 if columns > 1 else 40)
        d = msp.add_linear_dim(base=(x, -20), p1=(x, -30), p2=(x + 3, -30), dimstyle="GALLERY",
                               override={"dimtoh": toh})
        d.render()


def signs(msp):
    # One sign to a text: the two fonts' different widths do not add up
    # along a line.
    for row, (flags, _) in enumerate(GENERATIONS):
        for col, sign in enumerate(["%%c", "%%d", "%%p", "R"]):
            t = msp.add_text(sign, dxfattribs={"height": 10, "text_generation_flag": flags})
            t.set_placement((col * 15, -row * 15), align=TextEntityAlignment.MIDDLE_CENTER)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    doc = ezdxf.new("R2000", setup=True)
    msp = doc.modelspace()
    texts(msp)
    mtexts(msp)
    mirrored_references(doc, msp)
    dimensions(doc, msp)
    doc.saveas(os.path.join(out, "gallery.dxf"))
    doc = ezdxf.new("R2000", setup=True)
    signs(doc.modelspace())
    doc.saveas(os.path.join(out, "signs.dxf"))
    doc = ezdxf.new("R2000", setup=True)
    dimensions(doc, doc.modelspace(), columns=2, length=20, arrow=5)
    doc.saveas(os.path.join(out, "arrows.dxf"))


if __name__ == "__main__":
    main()
