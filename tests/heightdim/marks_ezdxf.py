"""ezdxf referees a drawing of height-dimension marks the host saved: it must
audit without errors, and read back the marks' attributes, their extended
data, the applications' APPID records and the base dictionary."""
import sys

import ezdxf
from ezdxf import recover


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def main(path):
    doc, auditor = recover.readfile(path)
    for e in auditor.errors:
        print("  audit error:", e.code, e.message)
    if auditor.has_errors:
        fail(f"{len(auditor.errors)} audit errors")

    for app in ("VDHNOTEDATA", "VD_ASSOCDESC1", "VDHEIGHTDIM", "VD_LT_ELEM6", "VD_LT_ELEM"):
        if app not in doc.appids:
            fail(f"no APPID record {app}")

    marks = {}
    for insert in doc.modelspace().query("INSERT"):
        name = insert.dxf.name
        if not name.startswith("VD2D_HEIGHTDIM_"):
            continue
        block = doc.blocks.get(name)
        if block is None:
            fail(f"{name}: no block definition")
        if not any(e.dxftype() == "ATTDEF" for e in block):
            fail(f"{name}: the block has no ATTDEF")
        marks[name[15:]] = {a.dxf.tag: a.dxf.text for a in insert.attribs}
        xdata = insert.get_xdata("VD_ASSOCDESC1")
        if [v for c, v in xdata] != [name[15:]]:
            fail(f"{name}: VD_ASSOCDESC1 holds {xdata}")
        options = [c for c, v in insert.get_xdata("VDHNOTEDATA")]
        want = [1070] if name.endswith("P1") else [1070, 1040, 1070, 1070, 1070, 1040]
        if options != want:
            fail(f"{name}: VDHNOTEDATA codes {options}")
    want = {
        "B1": {"VÝŠKA": "+1.500", "OZNAČENÍ": "Ozn", "ZAOKROUHLENÍ": ""},
        "B2": {"VÝŠKA": "+1.500", "OZNAČENÍ": "+3.000", "ZAOKROUHLENÍ": ""},
        "D1": {"VÝŠKA": "+1.750", "OZNAČENÍ": "Ozn", "ZAOKROUHLENÍ": ""},
        "P1": {"VÝŠKA": "+0.150"},
    }
    if marks != want:
        fail(f"marks read back as {marks}")

    bases = doc.rootdict.get("TR2D_HEIGHTDIM")
    if bases is None:
        fail("no dictionary TR2D_HEIGHTDIM")
    keys = sorted(bases.keys())
    if keys != ["B1", "B2", "Current"]:
        fail(f"dictionary keys {keys}")
    current = [(t.code, t.value) for t in bases.get("Current").tags]
    if current != [(91, 1), (301, "B1")]:
        fail(f"Current holds {current}")
    b2 = [t.code for t in bases.get("B2").tags]
    if b2 != [91, 71, 71, 10, 41, 41, 41]:
        fail(f"B2 holds codes {b2}")
    print(f"{path}: audit clean, {len(marks)} marks and {len(keys)} entries read back")


if __name__ == "__main__":
    main(sys.argv[1])
