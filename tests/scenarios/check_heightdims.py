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
Usage: check_heightdims.py SCENARIO DRAWING.dxf
"""
import math
import sys

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

    def section_mark(self, n, want, ref, ids):
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
        base_id = [v for c, v in ref.get_xdata("VDHEIGHTDIM") if c == 1000][0]
        expected = "" if want["of"] is None else ids[want["of"]]
        if base_id != expected:
            self.fail(f"mark {n}: base identifier {base_id!r}, expected that of mark {want['of']}")

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
        refs = [e for e in msp.query("INSERT") if e.dxf.name.startswith("VD2D_HEIGHTDIM_")]
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
        ids = [[v for c, v in r.get_xdata("VD_ASSOCDESC1")][0] for r in refs]
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
                self.section_mark(n, want, ref, ids)
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


def main():
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
