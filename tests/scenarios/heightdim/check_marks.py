"""Checks the drawings the HeightDimUpdate scenarios saved, read with ezdxf.

  check_marks.py older FILE    the "KACENAD2" references rebuilt as flipped
                               type-2 marks with their values, the line kept
  check_marks.py copied FILE   the copied base has an identifier of its own
                               and measures from the base it was copied from
  check_marks.py values FILE X,Y=VALUE[@BASE]...
                               the mark at X,Y shows VALUE (and has the base
                               identifier BASE; "-" for none)
"""
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


def values(path, *expected):
    by_place = {m["at"]: m for m in marks(ezdxf.readfile(path))}
    for item in expected:
        place, want = item.split("=", 1)
        want_value, _, want_base = want.partition("@")
        at = tuple(float(c) for c in place.split(","))
        m = by_place.get(at)
        if m is None:
            fail(f"no mark at {at}")
        if m["value"] != want_value:
            fail(f"mark at {at} shows {m['value']}, not {want_value}")
        if want_base and (m["base"] or "-") != want_base:
            fail(f"mark at {at} has the base {m['base']!r}, not {want_base}")


def main():
    {"older": older, "copied": copied, "values": values}[sys.argv[1]](*sys.argv[2:])
    print("ok")


if __name__ == "__main__":
    main()
