#!/usr/bin/python3
"""Reads the drawing a HeightDim scenario saved (ezdxf) and checks what the
command left in it against the table below, worked out by hand from the
script: each mark's values ((level + d.y) / units, or (level - d.x) / units
for a mark turned by 90 degrees; d = mark point - base point), its rotation
(group 50) and whether it is flipped (its value text below its point), which
base it belongs to, each base's dictionary entry and the "Current" entry of
TR2D_HEIGHTDIM, the plan-view marks' value, text position (the block's base
point) and frame end, and each leader's vertices, arrowhead block, arrow
size and mark. Nothing else of these kinds may be in the drawing, but for the
other block references a case names.

  check_heightdims.py SCENARIO DRAWING.dxf
  check_heightdims.py older FILE    the "KACENAD2" references rebuilt as flipped
                               type-2 marks with their values, the line kept
  check_heightdims.py copied FILE   the copied base has an identifier of its own
                               and measures from the base it was copied from;
                               both copies of the dependant keep their values
                               and each its underline
  check_heightdims.py values FILE X,Y=VALUE[@BASE][<|>]...
                               the mark at X,Y shows VALUE (and has the base
                               identifier BASE; "-" for none; and its
                               horizontal leg reaches left "<", as a mirrored
                               ČSN mark, or right ">")
  check_heightdims.py lines FILE [X1,Y1:X2,Y2@X,Y]...
                               the drawing's LINEs are exactly these: each
                               from X1,Y1 to X2,Y2 (either way round), tagged
                               with the identifier of the mark at X,Y; with
                               none given, the drawing has no LINE (no
                               temporary line was left behind)
  check_heightdims.py look BEFORE AFTER X,Y=VALUE/COLOUR/TEXTCOLOUR/HEIGHT...
                               every mark of AFTER looks as the mark at
                               its place in BEFORE (layers, colours, line
                               properties, scale and rotation, its block's
                               graphics, its texts but their values, its
                               underline and its leader), and the mark at
                               X,Y shows VALUE, its graphics in colour
                               COLOUR, its text in TEXTCOLOUR and HEIGHT
                               high
  check_heightdims.py leaders FILE MARKS X,Y...
                               MARKS marks in all; one leader per arrowhead
                               X,Y, tied to a mark of its identifier and
                               ending on the corner of that mark's frame
                               nearest to the arrowhead

Every mode reads the marks through marks() below: one reader of what a
height mark is in a saved drawing.
"""
import math
import sys

import ezdxf
from ezdxf import recover

# The plan-view frame's half width and half height at the default settings
# (CXSIZE 14.225, CYSIZE 6.25) and drawing factor 1.
CX, CY = 14.225 / 2, 6.25 / 2


def text(value):
    """A value in metres as the default settings write it."""
    t = f"{value:+.3f}"
    return "±0.000" if t in ("+0.000", "-0.000") else t


def base(x, y, *levels, kind=0, type=0, rot=0, texts=None):
    """A base's own mark: its value is its level (level + 0) over the units."""
    return dict(at=(x, y), levels=levels, kind=kind, type=type, of=None, rot=rot, flipped=False, texts=texts)


def mark(x, y, *values, of, rot=0, flipped=False, texts=None):
    """A mark measured from the base mark at index `of` of its case."""
    return dict(at=(x, y), values=values, of=of, rot=rot, flipped=flipped, texts=texts)


def plan(x, y, value, origin=(0, 0), rot=0, end=None, leader=None):
    """A plan-view mark: the value as typed, the block's base point (the
    frame's point the dialog's text position names), the frame's right end
    ("round", "filled" or plain) and its leader: (picked point, corner,
    arrowhead block, arrow size)."""
    return dict(at=(x, y), value=value, origin=origin, rot=rot, end=end, leader=leader)


U = 1000
CASES = {
    # One run per type, several marks each; the first run creates the base.
    "heightdim_sections": dict(marks=[
        base(1000, 2000, 1000),
        mark(1000, 2500, (1000 + 500) / U, of=0),       # above
        mark(1000, 1250, (1000 - 750) / U, of=0),       # below
        mark(3000, 2000, (1000 + 0) / U, of=0),         # right
        mark(-500, 2300, (1000 + 300) / U, of=0),       # left
        mark(5000, 3200, (1000 + 1200) / U, of=0),      # DIN 1
        base(6000, 0, 1000, type=1),                    # Enter kept the level
        mark(6000, -600, (1000 - 600) / U, of=6),
        mark(7500, -250, (1000 - 250) / U, of=6),
        mark(8000, 1000, (1000 + 1000) / U, of=6),      # DIN 2
        mark(8000, -1000, (1000 - 1000) / U, of=6),
        mark(9000, -1500, (1000 - 1500) / U, of=6),
    ], current=6),
    # Units 1: levels in metres. Two levels give two values.
    "heightdim_two_levels": dict(units=1, marks=[
        base(0, 0, 3.2, 0.5, kind=1),
        mark(0, 1.25, 3.2 + 1.25, 0.5 + 1.25, of=0),
        mark(2, -0.75, 3.2 - 0.75, 0.5 - 0.75, of=0),
        base(10, 0, 3.2, 0.5, kind=1),                  # Enter twice kept both
        mark(10, 1, 3.2 + 1, 0.5 + 1, of=3),
        base(20, 0, 7),
        mark(21, 0.5, 7 + 0.5, of=5),
    ], current=5),
    "heightdim_existing": dict(marks=[
        base(0, 0, 0),
        mark(0, 1000, (0 + 1000) / U, of=0),
        base(5000, 0, 10000),
        mark(5000, 500, (10000 + 500) / U, of=2),
        mark(2000, -500, (0 - 500) / U, of=0),          # picked a mark of the first base
        mark(6000, 2000, (10000 + 2000) / U, of=2),     # picked the second base itself
        mark(7000, -1000, (10000 - 1000) / U, of=2),    # the next run keeps it
    ], current=2),
    # Turned by 90 degrees the value follows the X offset; 177 to 357
    # degrees flip the mark and turn it by 180 degrees less.
    "heightdim_directions": dict(marks=[
        base(0, 0, 0, type=2),
        mark(1000, 1000, (0 + 1000) / U, of=0),
        mark(1000, 0, (0 - 1000) / U, of=0, rot=90),
        mark(-500, 300, (0 + 500) / U, of=0, rot=90),
        mark(2000, 500, (0 + 500) / U, of=0, rot=0, flipped=True),      # 180
        mark(3000, 500, (0 + 500) / U, of=0, rot=358),
        mark(4000, 500, (0 + 500) / U, of=0, rot=-3, flipped=True),     # 177
        mark(5000, -500, (0 - 500) / U, of=0, rot=177, flipped=True),   # 357
        mark(6000, 500, (0 + 500) / U, of=0, rot=0, flipped=True),      # type 0, 180
        mark(7000, 500, (0 - 7000) / U, of=0, rot=90, flipped=True),    # type 0, 270
    ], current=0),
    # Nothing of a cancelled command stays: only the one base.
    "heightdim_cancels": dict(marks=[base(0, 0, 500, type=2)], current=0),
    # The base whose mark could not be written was not stored.
    "heightdim_base_fails": dict(marks=[
        base(0, 0, 1000),
        mark(0, 500, (1000 + 500) / U, of=0),
    ], current=0),
    # Rounded to 0,01, a decimal comma, no plus and no ± (the user's settings).
    "heightdim_settings": dict(marks=[
        base(0, 0, 1234, texts=("1,230",)),
        mark(0, -1234, of=0, texts=("0,000",)),
        mark(0, 1000, of=0, texts=("2,230",)),
        mark(0, -2000, of=0, texts=("-0,770",)),
        plan(500, 500, "+0.150", origin=(CX, CY)),
        plan(1500, 500, "+0.150", leader=((1200, 200), (1500 - CX, 500 - CY), "_OPEN", 0.5)),
    ], current=0),
    # Text positions "Střed spodní" (the frame's bottom middle is the
    # mark's point) and the frame's round and filled round ends.
    "heightdim_plan": dict(marks=[
        plan(1000, 1000, "+0.150", origin=(0, -CY)),
        plan(2000, 1000, "-0.450", origin=(0, -CY)),
        plan(3000, 1000, "+0.150", origin=(0, -CY), end="round"),
        plan(4000, 1000, "+0.150", origin=(0, -CY), end="filled"),
    ]),
    # A leader runs from the picked point to the frame's nearest corner; a
    # mark with a leader has no text position (its point is the middle).
    "heightdim_plan_leader": dict(marks=[
        plan(1000, 1000, "±0.000", leader=((500, 1500), (1000 - CX, 1000 + CY), "_DOT", 0.25)),
        plan(2000, 0, "+3.000", leader=((2600, -500), (2000 + CX, 0 - CY), "_DOT", 0.25)),
        plan(-2000, 0, "+3.000", origin=(CX, CY)),
        plan(3000, 0, "+3.000", rot=90, leader=((3100, -800), (3000 + CY, 0 - CX), "_DOT", 0.25)),
        plan(4000, 0, "+3.000", origin=(CX, CY)),
    ]),
    # heightdim/plan_marks.vds on examples/plan.dxf at 1:100 (F = 100): plan-view marks, one
    # on a leader with the 1.8 mm dot of examples/userdata, a two-level base with the
    # floor and the level above the sea, DIN marks on a base of their own.
    # The plan's own block references stay.
    "plan_marks": dict(others=11, marks=[
        plan(1200, 3600, "±0.000"),
        plan(7300, 3100, "+0.020", end="filled"),
        plan(2800, 2400, "-0.015", leader=((1400, 1500), (2800 - 100 * CX, 2400 - 100 * CY), "_DOT", 1.8)),
        base(10400, 0, 0, 245300, kind=1),
        mark(11900, 900, (0 + 900) / U, (245300 + 900) / U, of=3),
        mark(13400, 2250, (0 + 2250) / U, (245300 + 2250) / U, of=3),
        base(10400, -4200, -3000, type=1),
        mark(11900, -2700, (-3000 + 1500) / U, of=6),
        mark(13400, -1600, (-3000 + 2600) / U, of=6),
    ], current=6),
}


def close(a, b, eps=1e-6):
    return all(abs(p - q) <= eps for p, q in zip(a, b)) and len(a) == len(b)


def angle_close(a, b):
    d = (a - b) % 360
    return min(d, 360 - d) < 1e-6


class Checker:
    def __init__(self, path):
        self.doc, auditor = recover.readfile(path)
        self.failures = [f"audit: {e.message}" for e in auditor.errors]

    def fail(self, message):
        self.failures.append(message)

    def section_mark(self, n, want, mark, ids):
        ref = mark["ref"]
        attribs = {a.dxf.tag: a for a in ref.attribs}
        # A base's own mark shows its levels: (level + 0) / units.
        numbers = [level / self.units for level in want["levels"]] if want["of"] is None else want["values"]
        values = want["texts"] or tuple(text(v) for v in numbers)
        tags = ("VÝŠKA", "VÝŠKA2") if len(values) == 2 else ("VÝŠKA",)
        got = tuple(attribs[t].dxf.text if t in attribs else None for t in tags)
        if got != values:
            self.fail(f"mark {n}: values {got}, expected {values}")
        if len(values) == 1 and "VÝŠKA2" in attribs:
            self.fail(f"mark {n}: a second value on a one-level base")
        if not angle_close(ref.dxf.rotation, want["rot"]):
            self.fail(f"mark {n}: rotation {ref.dxf.rotation}, expected {want['rot']}")
        # Flipped: the value text lies below the mark's point in its own frame.
        if "VÝŠKA" in attribs:
            a = math.radians(ref.dxf.rotation)
            dx, dy = (attribs["VÝŠKA"].dxf.insert[i] - ref.dxf.insert[i] for i in (0, 1))
            below = -dx * math.sin(a) + dy * math.cos(a) < 0
            if below != want["flipped"]:
                self.fail(f"mark {n}: flipped {below}, expected {want['flipped']}")
        expected = "" if want["of"] is None else ids[want["of"]]
        if mark["base"] != expected:
            self.fail(f"mark {n}: base identifier {mark['base']!r}, expected that of mark {want['of']}")

    def plan_mark(self, n, want, ref):
        values = [a.dxf.text for a in ref.attribs]
        if values != [want["value"]]:
            self.fail(f"plan mark {n}: texts {values}, expected {[want['value']]}")
        if not angle_close(ref.dxf.rotation, want["rot"]):
            self.fail(f"plan mark {n}: rotation {ref.dxf.rotation}, expected {want['rot']}")
        block = self.doc.blocks.get(ref.dxf.name)
        if not close(tuple(block.block.dxf.base_point)[:2], want["origin"]):
            self.fail(f"plan mark {n}: block base {tuple(block.block.dxf.base_point)}, expected {want['origin']}")
        round_end = any(e.dxftype() == "LWPOLYLINE" and any(abs(b) > 0.5 for *_, b in e.get_points("xyb"))
                        for e in block)
        filled = any(e.dxftype() == "HATCH" for e in block)
        end = "filled" if filled else "round" if round_end else None
        if end != want["end"]:
            self.fail(f"plan mark {n}: frame end {end}, expected {want['end']}")

    def leader(self, n, want, ref, leader):
        if leader is None:
            self.fail(f"plan mark {n}: no leader tied to it")
            return
        picked, corner, arrow, size = want["leader"]
        vertices = [tuple(v)[:2] for v in leader.vertices]
        if len(vertices) != 2 or not close(vertices[0], picked) or not close(vertices[1], corner):
            self.fail(f"leader of plan mark {n}: vertices {vertices}, expected {[picked, corner]}")
        override = dict(zip(*[iter([v for c, v in leader.get_xdata("ACAD")[2:-1]])] * 2))
        record = self.doc.entitydb.get(str(override.get(341, "")).upper())
        if record is None or record.dxf.name != arrow or override.get(41) != size:
            self.fail(f"leader of plan mark {n}: arrowhead {override}, expected block {arrow} size {size}")
        if leader.dxf.annotation_handle != ref.dxf.handle:
            self.fail(f"leader of plan mark {n}: tied to {leader.dxf.annotation_handle}, not {ref.dxf.handle}")

    def run(self, case):
        self.units = case.get("units", U)
        msp = self.doc.modelspace()
        found = [m for m in marks(self.doc) if m["block"].startswith("VD2D_HEIGHTDIM_")]
        refs = [m["ref"] for m in found]
        wants = case["marks"]
        others = len(msp.query("INSERT")) - len(refs)
        if len(refs) != len(wants) or others != case.get("others", 0):
            self.fail(f"{len(refs)} marks and {others} other references; expected {len(wants)} marks")
            return
        # Nothing of a mark taken back stays: every mark's block is used.
        used = {r.dxf.name.upper() for r in refs}
        unused = [b.name for b in self.doc.blocks if b.name.upper().startswith("VD2D_HEIGHTDIM_")
                  and b.name.upper() not in used]
        if unused:
            self.fail(f"block definitions no mark uses: {unused}")
        ids = [m["id"] for m in found]
        leaders = {e.dxf.annotation_handle: e for e in msp.query("LEADER")}
        if len(leaders) != sum(1 for w in wants if w.get("leader")):
            self.fail(f"{len(leaders)} leaders")
        for n, (want, ref) in enumerate(zip(wants, refs)):
            if not close(tuple(ref.dxf.insert)[:2], want["at"]):
                self.fail(f"mark {n}: at {tuple(ref.dxf.insert)}, expected {want['at']}")
            if "value" in want:
                self.plan_mark(n, want, ref)
                if want["leader"]:
                    self.leader(n, want, ref, leaders.get(ref.dxf.handle))
            else:
                self.section_mark(n, want, found[n], ids)
        self.bases(case, wants, ids)

    def bases(self, case, wants, ids):
        entries = self.doc.rootdict.get("TR2D_HEIGHTDIM")
        bases = [(ids[n], w) for n, w in enumerate(wants) if "levels" in w]
        if not bases:
            if entries is not None:
                self.fail("a base dictionary in a drawing without bases")
            return
        keys = set(entries.keys()) if entries is not None else set()
        if keys != {i for i, _ in bases} | {"Current"}:
            self.fail(f"dictionary keys {sorted(keys)}, expected the {len(bases)} bases and Current")
            return
        for key, want in bases:
            tags = [(t.code, t.value) for t in entries.get(key).tags]
            levels = [v for c, v in tags if c == 41][1:1 + len(want["levels"])]
            head = [v for c, v in tags if c in (91, 71)]
            point = [tuple(v)[:2] for c, v in tags if c == 10]
            if head != [1, want["type"], want["kind"]] or point != [want["at"]] or levels != list(want["levels"]):
                self.fail(f"base {key}: {tags}, expected type {want['type']} kind {want['kind']} at {want['at']} "
                          f"levels {want['levels']}")
        current = [v for c, v in entries.get("Current").tags if c == 301]
        if current != [ids[case["current"]]]:
            self.fail(f"Current names {current}, expected the base of mark {case['current']}")


BASE_ID = "0A1B2C3D-0000-4000-8000-00000000000B"


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def marks(doc):
    """Each block reference of the model space as a mark: its block, type,
    identifier, base identifier (None where it has no VDHEIGHTDIM data),
    place and first value text."""
    out = []
    for ref in doc.modelspace().query("INSERT"):
        data = ref.get_xdata("VDHNOTEDATA") if ref.has_xdata("VDHNOTEDATA") else []
        ident = ref.get_xdata("VD_ASSOCDESC1")[0].value if ref.has_xdata("VD_ASSOCDESC1") else ""
        base = ref.get_xdata("VDHEIGHTDIM")[0].value if ref.has_xdata("VDHEIGHTDIM") else None
        attribs = list(ref.attribs)
        out.append({
            "ref": ref,
            "block": ref.dxf.name,
            "type": data[0].value if data else None,
            "id": ident,
            "base": base,
            "at": (round(ref.dxf.insert.x, 6), round(ref.dxf.insert.y, 6)),
            "value": attribs[0].dxf.text if attribs else None,
            "value_y": attribs[0].dxf.insert.y if attribs else None,
        })
    return out


def older(path):
    doc = ezdxf.readfile(path)
    found = marks(doc)
    if len(found) != 2:
        fail(f"2 marks expected, found {len(found)}")
    values = {}
    for m in found:
        if not m["block"].startswith("VD2D_HEIGHTDIM_"):
            fail(f"an older block is left: {m['block']}")
        if m["type"] != 2:
            fail(f"type 2 expected, found {m['type']}")
        if m["block"] != "VD2D_HEIGHTDIM_" + m["id"]:
            fail(f"block {m['block']} is not named after {m['id']}")
        if not m["value_y"] < m["at"][1]:
            fail(f"mark at {m['at']} is not flipped: its value stands above it")
        values[m["at"]] = m["value"]
    if values != {(100, 200): "+1.250", (300, 50): "-0.500"}:
        fail(f"values or places changed: {values}")
    if len(doc.modelspace().query("LINE")) != 1:
        fail("the line is not kept")


def copied(path):
    doc = ezdxf.readfile(path)
    by_place = {m["at"]: m for m in marks(doc)}
    if sorted(by_place) != [(0, 0), (0, 1500), (500, 1000), (800, 2500)]:
        fail(f"marks at {sorted(by_place)}")
    base, dep, copy = by_place[(0, 0)], by_place[(0, 1500)], by_place[(500, 1000)]
    dep_copy = by_place[(800, 2500)]
    if dep_copy["id"] != dep["id"] or dep_copy["base"] != BASE_ID or dep_copy["value"] != "+2.500":
        fail(f"the copy of the dependant: {dep_copy}")
    if base["id"] != BASE_ID or base["base"] != "":
        fail(f"the base lost its identifier: {base}")
    if copy["id"] in ("", BASE_ID) or copy["base"] != BASE_ID:
        fail(f"the copy was not made a dependant of the base: {copy}")
    if copy["block"] == base["block"]:
        fail("the copy still shares the base's block")
    if copy["value"] != "+1.000" or dep["value"] != "+1.500" or base["value"] != "±0.000":
        fail(f"values: base {base['value']}, dependant {dep['value']}, copy {copy['value']}")
    # Each copy of the dependant keeps its own underline.
    lines(path, "-250,1500:250,1500@0,1500", "550,2500:1050,2500@800,2500")


def leg_side(doc, block_name):
    """"<" when the block's lines reach farther left of its base point than
    right, ">" otherwise."""
    xs = [0.0]
    for e in doc.blocks.get(block_name):
        if e.dxftype() == "LWPOLYLINE":
            xs += [p[0] for p in e.get_points()]
        elif e.dxftype() == "LINE":
            xs += [e.dxf.start.x, e.dxf.end.x]
    return "<" if -min(xs) > max(xs) else ">"


def values(path, *expected):
    doc = ezdxf.readfile(path)
    by_place = {m["at"]: m for m in marks(doc)}
    for item in expected:
        place, want = item.split("=", 1)
        side = want[-1] if want[-1] in "<>" else None
        want = want[:-1] if side else want
        want_value, _, want_base = want.partition("@")
        at = tuple(float(c) for c in place.split(","))
        m = by_place.get(at)
        if m is None:
            fail(f"no mark at {at}")
        if m["value"] != want_value:
            fail(f"mark at {at} shows {m['value']}, not {want_value}")
        if want_base and (m["base"] or "-") != want_base:
            fail(f"mark at {at} has the base {m['base']!r}, not {want_base}")
        if side and leg_side(doc, m["block"]) != side:
            fail(f"mark at {at}: its leg does not reach {'left' if side == '<' else 'right'}")


def point(text):
    return tuple(round(float(c), 6) for c in text.split(","))


def lines(path, *expected):
    doc = ezdxf.readfile(path)
    by_place = {m["at"]: m for m in marks(doc)}
    found = []
    for line in doc.modelspace().query("LINE"):
        ends = {(round(line.dxf.start.x, 6), round(line.dxf.start.y, 6)),
                (round(line.dxf.end.x, 6), round(line.dxf.end.y, 6))}
        tag = line.get_xdata("VD_ASSOCDESC1")[0].value if line.has_xdata("VD_ASSOCDESC1") else None
        found.append((ends, tag))
    if len(found) != len(expected):
        fail(f"{len(expected)} lines expected, found {len(found)}: {found}")
    for item in expected:
        span, _, owner = item.partition("@")
        a, b = span.split(":")
        mark = by_place.get(point(owner))
        if mark is None:
            fail(f"no mark at {owner}")
        want = ({point(a), point(b)}, mark["id"])
        if want not in found:
            fail(f"no line {a} to {b} tagged {mark['id']}: {found}")


def frame_corners(doc, ref):
    """The corners of a plan-view mark's frame (its block's polyline) where the reference places them."""
    block = doc.blocks.get(ref.dxf.name)
    angle = math.radians(ref.dxf.rotation)
    scale = ref.dxf.xscale
    base = block.base_point
    out = []
    for poly in block.query("LWPOLYLINE"):
        for x, y, *_ in poly.get_points():
            dx, dy = (x - base.x) * scale, (y - base.y) * scale
            out.append((ref.dxf.insert.x + dx * math.cos(angle) - dy * math.sin(angle),
                        ref.dxf.insert.y + dx * math.sin(angle) + dy * math.cos(angle)))
    return out


def leaders(path, count, *arrows):
    doc = ezdxf.readfile(path)
    msp = doc.modelspace()
    refs = {ref.dxf.handle: ref for ref in msp.query("INSERT")}
    if len(refs) != int(count):
        fail(f"{count} marks expected, found {len(refs)}")
    found = list(msp.query("LEADER"))
    if len(found) != len(arrows):
        fail(f"{len(arrows)} leaders expected, found {len(found)}")
    wanted = {tuple(float(c) for c in a.split(",")) for a in arrows}
    for leader in found:
        vertices = [(v[0], v[1]) for v in leader.vertices]
        if len(vertices) != 2:
            fail(f"leader {leader.dxf.handle} has {len(vertices)} vertices")
        arrow = tuple(round(c, 6) for c in vertices[0])
        if arrow not in wanted:
            fail(f"leader {leader.dxf.handle} points at {arrow}, not at one of {sorted(wanted)}")
        wanted.discard(arrow)
        ref = refs.get(leader.dxf.get("annotation_handle", ""))
        if ref is None:
            fail(f"leader {leader.dxf.handle} is tied to no mark of the drawing")
        ident = leader.get_xdata("VD_ASSOCDESC1")[0].value
        if ident != ref.get_xdata("VD_ASSOCDESC1")[0].value:
            fail(f"leader {leader.dxf.handle} names {ident}, its mark is another")
        corners = frame_corners(doc, ref)
        if not corners:
            fail(f"mark {ref.dxf.handle} has no frame")
        near = min(corners, key=lambda c: math.dist(c, vertices[0]))
        if math.dist(near, vertices[1]) > 1e-6:
            fail(f"leader {leader.dxf.handle} ends at {vertices[1]}, the nearest frame corner is {near}")


ROUNDING_TAG = "ZAOKROUHLENÍ"


def rounded(value):
    if isinstance(value, float):
        return round(value, 6) + 0.0
    if isinstance(value, (tuple, list)) or hasattr(value, "x"):
        return tuple(rounded(float(c)) for c in value)
    return value


def dxf_value(entity, key):
    """An attribute as the entity has it, or its DXF default when the file
    leaves it out (a writer may omit defaults)."""
    value = entity.dxf.get(key)
    if value is None:
        try:
            value = entity.dxf.get_default(key)
        except Exception:  # no such attribute for this type
            value = None
    return value


def props(entity, *names):
    """The entity's layer, colours and line properties and the named
    attributes, rounded so that a file's round trip does not count."""
    keys = ("layer", "color", "true_color", "linetype", "lineweight", "ltscale") + names
    return tuple((k, rounded(dxf_value(entity, k))) for k in keys)


def text_look(text):
    """A text's look without its value; the rounding mark's place follows the
    value's length and is left out with it."""
    names = ("style", "height", "width", "rotation", "halign", "valign", "tag")
    if text.dxf.tag != ROUNDING_TAG:
        names += ("insert", "align_point")
    return props(text, *names) + (("mask", text.dxf.get("bg_fill", None) if text.dxf.hasattr("bg_fill") else None),)


def graphics_look(entity):
    if entity.dxftype() in ("ATTDEF", "ATTRIB"):
        return (entity.dxftype(),) + text_look(entity)
    shape = ()
    if entity.dxftype() == "LWPOLYLINE":
        shape = tuple(rounded(tuple(p)) for p in entity.get_points("xyb"))
    elif entity.dxftype() == "HATCH":
        shape = tuple(rounded(tuple(v)) for path in entity.paths for v in getattr(path, "vertices", []))
    elif entity.dxftype() == "LINE":
        shape = (rounded(entity.dxf.start), rounded(entity.dxf.end))
    return (entity.dxftype(),) + props(entity) + shape


def mark_look(doc, ref):
    """Everything of a mark the user sees but its value texts."""
    block = doc.blocks.get(ref.dxf.name)
    ident = ref.get_xdata("VD_ASSOCDESC1")[0].value if ref.has_xdata("VD_ASSOCDESC1") else None
    msp = doc.modelspace()
    underlines = sorted(graphics_look(line) for line in msp.query("LINE")
                        if line.has_xdata("VD_ASSOCDESC1") and line.get_xdata("VD_ASSOCDESC1")[0].value == ident)
    leaders = []
    for leader in msp.query("LEADER"):
        if leader.dxf.get("annotation_handle", "") == ref.dxf.handle:
            overrides = tuple(tuple(t) for t in leader.get_xdata("ACAD")) if leader.has_xdata("ACAD") else ()
            leaders.append(props(leader, "dimstyle") + tuple(rounded(tuple(v)) for v in leader.vertices) + overrides)
    return {
        "reference": props(ref, "xscale", "yscale", "rotation"),
        "block": (rounded(block.base_point),) + tuple(graphics_look(e) for e in block),
        "texts": tuple(text_look(a) for a in ref.attribs),
        "underlines": tuple(underlines),
        "leaders": tuple(sorted(leaders)),
    }


def look(before_path, after_path, *expected):
    before, after = ezdxf.readfile(before_path), ezdxf.readfile(after_path)
    refs_before = {rounded(r.dxf.insert)[:2]: r for r in before.modelspace().query("INSERT")}
    refs_after = {rounded(r.dxf.insert)[:2]: r for r in after.modelspace().query("INSERT")}
    if sorted(refs_before) != sorted(refs_after):
        fail(f"marks at {sorted(refs_after)}, before at {sorted(refs_before)}")
    for at, ref in refs_after.items():
        was, now = mark_look(before, refs_before[at]), mark_look(after, ref)
        for part in was:
            if was[part] != now[part]:
                fail(f"the mark at {at} changed its {part}:\n  was {was[part]}\n  now {now[part]}")
    for item in expected:
        place, want = item.split("=", 1)
        value, colour, text_colour, height = want.split("/")
        ref = refs_after.get(point(place)[:2])
        if ref is None:
            fail(f"no mark at {place}")
        text = list(ref.attribs)[0]
        shown = (text.dxf.text, ref.dxf.color, text.dxf.color, round(text.dxf.height, 6))
        if shown != (value, int(colour), int(text_colour), float(height)):
            fail(f"the mark at {place} shows {shown[0]!r}, graphics in colour {shown[1]}, text in {shown[2]}, "
                 f"{shown[3]} high; wanted {value!r}, {colour}, {text_colour}, {height} high")



MODES = {"older": older, "copied": copied, "values": values, "lines": lines, "leaders": leaders, "look": look}


def main():
    if sys.argv[1] in MODES:
        MODES[sys.argv[1]](*sys.argv[2:])
        print("ok")
        return 0
    name, path = sys.argv[1], sys.argv[2]
    checker = Checker(path)
    checker.run(CASES[name])
    for f in checker.failures:
        print("FAIL:", f)
    if not checker.failures:
        print(f"{path}: {len(CASES[name]['marks'])} marks as expected")
    return 1 if checker.failures else 0


if __name__ == "__main__":
    sys.exit(main())
