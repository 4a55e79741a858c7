"""Drawings with height marks for the scenarios of the editing commands,
made with ezdxf apart from the module's writer:

  kacenad2.dxf     two references of the older flipped DIN block "KACENAD2"
                   (drawn at four times the scale) with their value
                   attributes, and a line that is no mark.
  older_blocks.dxf one reference of each other older block a mark may be
                   ("KACENAH", "KACENAH1", "VKOTA_UT", "KACENAD",
                   "KACENAD1", "VKOTA_UZ", "KACENAH2", "KACENAH3",
                   "KACENAD3", "VDHEIGHT"), the flipped ones with the value
                   under the point, some on their own layer and in colours.
  set_base.dxf     a base mark at level 0, a dependant 1.5 m above it that
                   agrees with it, and one 0.5 m above it whose shown value
                   ("+9.999") no longer does, with the base entry.
  copied_base.dxf  a base mark, a dependant 1.5 m above it, and a copy of the
                   base 1 m above it carrying the same identifier (as a copy
                   command leaves it), with the base entry in TR2D_HEIGHTDIM;
                   the dependant underlined, and copied with its underline
                   2.5 m above the base (both copies keep the identifier).
  unlisted_base.dxf the marks of set_base.dxf and one 1 m above the base,
                   as a drawing may come from an older program: the base's
                   only record is its own mark (TR2D_HEIGHTDIM holds an
                   entry of another base, unused, and no "Current").
  late_base.dxf    the marks of unlisted_base.dxf with the base's own mark
                   last, after its dependants, and "Current" naming the
                   other base (whose entry no mark uses).
  pasted_mark.dxf  the base and its dependant of set_base.dxf, a second base
                   1 m under it (the current one), and a mark 1 m above it
                   pasted from another drawing: its base has neither an
                   entry nor a mark here.

Run: /usr/bin/python3 make_drawings.py OUTPUT_FOLDER

For the benchmark of HeightDimUpdate (bench/hnote_update_vdhost.py):

  marks_N_on_B.dxf COUNT marks on BASES bases, each base a mark with its
                   entry, the other marks its dependants in a column above
                   it showing the values they measure (all up to date).

Run: /usr/bin/python3 make_drawings.py --many COUNT BASES OUTPUT_FILE
"""
import os
import sys

import ezdxf

BASE_ID = "0A1B2C3D-0000-4000-8000-00000000000B"
DEP_ID = "0A1B2C3D-0000-4000-8000-00000000000D"
STALE_ID = "0A1B2C3D-0000-4000-8000-00000000000E"
UPPER_ID = "0A1B2C3D-0000-4000-8000-00000000000F"
OTHER_ID = "0A1B2C3D-0000-4000-8000-0000000000A0"
PASTED_ID = "0A1B2C3D-0000-4000-8000-0000000000A1"
ABSENT_ID = "0A1B2C3D-0000-4000-8000-0000000000A2"


def kacenad2(path):
    doc = ezdxf.new("R2000")
    blk = doc.blocks.new("KACENAD2")
    blk.add_line((-2, 0), (2, 0))
    blk.add_line((0, 0), (-1, -1.5))
    blk.add_line((0, 0), (1, -1.5))
    blk.add_attdef("VYSKA", (0, -3), dxfattribs={"height": 2.5, "prompt": "Výška"})
    msp = doc.modelspace()
    for (x, y), value in (((100, 200), "+1.250"), ((300, 50), "-0.500")):
        ref = msp.add_blockref("KACENAD2", (x, y), dxfattribs={"xscale": 4, "yscale": 4, "zscale": 4})
        ref.add_attrib("VYSKA", value, (x, y - 12), dxfattribs={"height": 10})
    msp.add_line((0, 0), (50, 0))
    doc.saveas(path)


def older_blocks(path):
    doc = ezdxf.new("R2000")
    doc.layers.add("KOTY", color=3)
    names = ("KACENAH", "KACENAH1", "VKOTA_UT", "KACENAD", "KACENAD1", "VKOTA_UZ",
             "KACENAH2", "KACENAH3", "KACENAD3", "VDHEIGHT")
    msp = doc.modelspace()
    for i, name in enumerate(names):
        below = name.startswith("KACENAD") or name == "VKOTA_UZ"
        side = -1 if below else 1
        blk = doc.blocks.new(name)
        if name == "VDHEIGHT":
            blk.add_lwpolyline([(-3, -1), (3, -1), (3, 1), (-3, 1)], close=True)
            blk.add_attdef("VYSKA", (-2.5, -0.5), dxfattribs={"height": 1, "prompt": "Výška"})
        else:
            blk.add_line((-2, 0), (2, 0))
            blk.add_line((0, 0), (-1, 1.5 * side))
            blk.add_line((0, 0), (1, 1.5 * side))
            blk.add_attdef("VYSKA", (0, 3 * side), dxfattribs={"height": 2.5, "prompt": "Výška"})
        x, y = 100 + 200 * (i % 5), 100 + 300 * (i // 5)
        look = {"layer": "KOTY"} if i % 3 == 0 else {"color": 1 + i % 6} if i % 3 == 1 else {}
        ref = msp.add_blockref(name, (x, y), dxfattribs={"xscale": 4, "yscale": 4, "zscale": 4, **look})
        value = "%+.3f" % ((i - 4) * 0.25) if i != 4 else "±0.000"
        ref.add_attrib("VYSKA", value, (x, y + 12 * side), dxfattribs={"height": 10, **look})
    doc.saveas(path)


def mark_groups(mark_id, base_id):
    return {
        "VDHNOTEDATA": [(1070, 0), (1040, 0.001), (1070, 1), (1070, 1), (1070, 0), (1040, 0.0)],
        "VD_ASSOCDESC1": [(1000, mark_id)],
        "VDHEIGHTDIM": [(1000, base_id), (1070, 0)],
    }


def marks_drawing(path, marks, bases=((BASE_ID, (0, 0)),), current=True, underlines=()):
    """Marks given as (identifier, base identifier, place, value), one block
    for each identifier, and the entries of the bases (identifier, point) at
    level 0, the first one current unless `current` is false. Underlines
    given as (identifier, start, end) are LINEs tagged with the identifier
    of the mark they underline."""
    doc = ezdxf.new("R2000")
    for app in ("VDHNOTEDATA", "VD_ASSOCDESC1", "VDHEIGHTDIM"):
        doc.appids.new(app)
    msp = doc.modelspace()
    for mark_id in dict.fromkeys(m[0] for m in marks):
        blk = doc.blocks.new("VD2D_HEIGHTDIM_" + mark_id)
        blk.add_line((0, 0), (0, 2.5))
        blk.add_attdef("VÝŠKA", (1, 1), dxfattribs={"height": 2.5, "prompt": "Výška"})
    for mark_id, base_id, (x, y), value in marks:
        ref = msp.add_blockref("VD2D_HEIGHTDIM_" + mark_id, (x, y))
        ref.add_attrib("VÝŠKA", value, (x + 1, y + 1), dxfattribs={"height": 2.5})
        for app, tags in mark_groups(mark_id, base_id).items():
            ref.set_xdata(app, tags)
    for mark_id, start, end in underlines:
        msp.add_line(start, end).set_xdata("VD_ASSOCDESC1", [(1000, mark_id)])
    entries = doc.rootdict.add_new_dict("TR2D_HEIGHTDIM")
    for base_id, (x, y) in bases:
        entry = entries.add_xrecord(base_id)
        entry.reset([(91, 1), (71, 0), (71, 0), (10, (x, y, 0)), (41, 0.0), (41, 0.0), (41, 0.0)])
    if current:
        entries.add_xrecord("Current").reset([(91, 1), (301, bases[0][0])])
    doc.saveas(path)


def many_marks(path, count, base_count):
    """`count` marks on `base_count` bases 10 m apart, the dependants 100 mm
    above each other, each showing the value it measures."""
    bases = [(f"0A1B2C3D-0000-4000-8000-{b:012X}", (b * 10000.0, 0.0)) for b in range(base_count)]
    marks = []
    for i in range(count):
        base_id, (x, _) = bases[i % base_count]
        row = i // base_count
        if row == 0:
            marks.append((base_id, "", (x, 0.0), "±0.000"))
        else:
            marks.append((f"{i:08X}-0000-4000-8000-0000000000D0", base_id, (x, row * 100.0), f"+{row * 0.1:.3f}"))
    marks_drawing(path, marks, bases)


def copied_base(path):
    marks_drawing(path, [
        (BASE_ID, "", (0, 0), "±0.000"),
        (DEP_ID, BASE_ID, (0, 1500), "+1.500"),
        (BASE_ID, "", (500, 1000), "±0.000"),  # the copy of the base
        (DEP_ID, BASE_ID, (800, 2500), "+2.500"),  # the copy of the dependant
    ], underlines=[
        (DEP_ID, (-250, 1500), (250, 1500)),
        (DEP_ID, (550, 2500), (1050, 2500)),
    ])


def set_base(path):
    marks_drawing(path, [
        (BASE_ID, "", (0, 0), "±0.000"),
        (DEP_ID, BASE_ID, (0, 1500), "+1.500"),
        (STALE_ID, BASE_ID, (0, 500), "+9.999"),
    ])


def unlisted_base(path):
    marks_drawing(path, [
        (BASE_ID, "", (0, 0), "±0.000"),
        (DEP_ID, BASE_ID, (0, 1500), "+1.500"),
        (STALE_ID, BASE_ID, (0, 500), "+9.999"),
        (UPPER_ID, BASE_ID, (0, 1000), "+1.000"),
    ], bases=((OTHER_ID, (5000, 0)),), current=False)


def late_base(path):
    marks_drawing(path, [
        (DEP_ID, BASE_ID, (0, 1500), "+1.500"),
        (STALE_ID, BASE_ID, (0, 500), "+9.999"),
        (UPPER_ID, BASE_ID, (0, 1000), "+1.000"),
        (BASE_ID, "", (0, 0), "±0.000"),
    ], bases=((OTHER_ID, (5000, 0)),))


def pasted_mark(path):
    marks_drawing(path, [
        (OTHER_ID, "", (0, -1000), "±0.000"),
        (BASE_ID, "", (0, 0), "±0.000"),
        (DEP_ID, BASE_ID, (0, 1500), "+1.500"),
        (PASTED_ID, ABSENT_ID, (0, 1000), "+7.000"),
    ], bases=((OTHER_ID, (0, -1000)), (BASE_ID, (0, 0))))


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "--many":
        many_marks(sys.argv[4], int(sys.argv[2]), int(sys.argv[3]))
        return
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    kacenad2(os.path.join(out, "kacenad2.dxf"))
    older_blocks(os.path.join(out, "older_blocks.dxf"))
    copied_base(os.path.join(out, "copied_base.dxf"))
    set_base(os.path.join(out, "set_base.dxf"))
    unlisted_base(os.path.join(out, "unlisted_base.dxf"))
    late_base(os.path.join(out, "late_base.dxf"))
    pasted_mark(os.path.join(out, "pasted_mark.dxf"))


if __name__ == "__main__":
    main()
