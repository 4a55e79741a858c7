"""Checks the drawings the scenarios of the editing commands saved, read
with ezdxf.

  check_marks.py older FILE    the "KACENAD2" references rebuilt as flipped
                               type-2 marks with their values, the line kept
  check_marks.py copied FILE   the copied base has an identifier of its own
                               and measures from the base it was copied from
  check_marks.py values FILE X,Y=VALUE[@BASE][<|>]...
                               the mark at X,Y shows VALUE (and has the base
                               identifier BASE; "-" for none; and its
                               horizontal leg reaches left "<", as a mirrored
                               ČSN mark, or right ">")
  check_marks.py lines FILE [X1,Y1:X2,Y2@X,Y]...
                               the drawing's LINEs are exactly these: each
                               from X1,Y1 to X2,Y2 (either way round), tagged
                               with the identifier of the mark at X,Y; with
                               none given, the drawing has no LINE (no
                               temporary line was left behind)
  check_marks.py look BEFORE AFTER X,Y=VALUE/COLOUR/TEXTCOLOUR/HEIGHT...
                               every mark of AFTER looks as the mark at
                               its place in BEFORE (layers, colours, line
                               properties, scale and rotation, its block's
                               graphics, its texts but their values, its
                               underline and its leader), and the mark at
                               X,Y shows VALUE, its graphics in colour
                               COLOUR, its text in TEXTCOLOUR and HEIGHT
                               high
  check_marks.py leaders FILE MARKS X,Y...
                               MARKS marks in all; one leader per arrowhead
                               X,Y, tied to a mark of its identifier and
                               ending on the corner of that mark's frame
                               nearest to the arrowhead
"""
import math
import sys

import ezdxf

BASE_ID = "0A1B2C3D-0000-4000-8000-00000000000B"


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def marks(doc):
    out = []
    for ref in doc.modelspace().query("INSERT"):
        data = ref.get_xdata("VDHNOTEDATA") if ref.has_xdata("VDHNOTEDATA") else []
        ident = ref.get_xdata("VD_ASSOCDESC1")[0].value if ref.has_xdata("VD_ASSOCDESC1") else ""
        base = ref.get_xdata("VDHEIGHTDIM")[0].value if ref.has_xdata("VDHEIGHTDIM") else None
        attribs = list(ref.attribs)
        out.append({
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
    if sorted(by_place) != [(0, 0), (0, 1500), (500, 1000)]:
        fail(f"marks at {sorted(by_place)}")
    base, dep, copy = by_place[(0, 0)], by_place[(0, 1500)], by_place[(500, 1000)]
    if base["id"] != BASE_ID or base["base"] != "":
        fail(f"the base lost its identifier: {base}")
    if copy["id"] in ("", BASE_ID) or copy["base"] != BASE_ID:
        fail(f"the copy was not made a dependant of the base: {copy}")
    if copy["block"] == base["block"]:
        fail("the copy still shares the base's block")
    if copy["value"] != "+1.000" or dep["value"] != "+1.500" or base["value"] != "±0.000":
        fail(f"values: base {base['value']}, dependant {dep['value']}, copy {copy['value']}")


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


def main():
    {"older": older, "copied": copied, "values": values, "lines": lines, "leaders": leaders,
     "look": look}[sys.argv[1]](*sys.argv[2:])
    print("ok")


if __name__ == "__main__":
    main()
