"""Checks a drawing a DimAlign or DimUpdateUCS scenario saved against the
drawing it started from (make_drawings.py) and hand-worked values.

  check_drawing.py CASE SAVED.dxf SOURCE.dxf

CASE is the scenario's name. Each case lists, per dimension of the source
(by handle): "same" (the same handle, every point as it was), or the points
the rewritten dimension must have; a rewritten one is found by its
extension-line origins 13 and 14, which no command changes, and must no
longer carry its old handle. Text points (11) must move by the same shift
as point 10. Group 51 is read in degrees, as the file holds it.
"""
import math
import sys

import ezdxf

TOL = 1e-6

# Hand-worked results: handle -> "same", or a dict of what the rewritten
# dimension holds: 10 (point; the source's when not given), 11 ("same": the
# source's; otherwise moved with 10), 51 (degrees).
CASES = {
    "dimalign_row": {
        "A00": "same",
        "A01": {10: (45, 30, 0)},
        "A02": {10: (70, 30, 0)},
        "A03": {10: (90, 30, 0)},  # by its rotation (0), not 13 -> 14
        "A04": "same",
        "A05": "same",
        "A06": "same",
    },
    "dimalign_sample_again": {
        "A00": {10: (20, 30, 0)},  # onto itself: a new handle
        "A01": {10: (45, 30, 0)},
        "A02": "same", "A03": "same", "A04": "same", "A05": "same", "A06": "same",
    },
    "dimalign_cancel": {h: "same" for h in ("A00", "A01", "A02", "A03", "A04", "A05", "A06")},
    "dimupdateucs_world": {
        "A00": {51: 360.0},
        "A02": {51: 360.0},
        "A01": "same", "A03": "same", "A04": "same", "A05": "same", "A06": "same",
    },
    # Saved with ezdxf's point 10 (the first foot): vdhost moved it to the
    # second foot on loading, and left 11 where it was.
    "dimupdateucs_ucs30": {
        "A10": {51: 330.0, 10: (30, 10, 0), 11: "same"},
        "A11": {51: 330.0, 10: (25 - 20 * 5 / math.sqrt(1025), 40 + 25 * 5 / math.sqrt(1025), 0), 11: "same"},
        "A12": "same",
    },
}


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


def near(a, b):
    return all(abs(x - y) <= TOL for x, y in zip(a, b))


def points(e):
    if e.dxftype() == "LINE":
        return {"start": tuple(e.dxf.start), "end": tuple(e.dxf.end)}
    out = {}
    for name in ("defpoint", "text_midpoint", "defpoint2", "defpoint3"):
        if e.dxf.hasattr(name):
            out[name] = tuple(e.dxf.get(name))
    return out


def main():
    case, saved_path, source_path = sys.argv[1:4]
    want = CASES[case]
    saved = ezdxf.readfile(saved_path)
    source = ezdxf.readfile(source_path)
    auditor = saved.audit()
    if auditor.has_errors:
        fail("the saved drawing does not pass the audit: %s" % [str(e.message) for e in auditor.errors])
    before = {e.dxf.handle: e for e in source.modelspace()}
    after = {e.dxf.handle: e for e in saved.modelspace()}
    if len(after) != len(before):
        fail("%d entities, the source has %d" % (len(after), len(before)))
    for handle, expected in want.items():
        old = before[handle]
        if expected == "same":
            new = after.get(handle)
            if new is None:
                fail(handle + " is gone: it must stay as it was")
            for name, p in points(old).items():
                q = points(new).get(name)
                if q is None or not near(p, q):
                    fail("%s %s moved: %s -> %s" % (handle, name, p, q))
            if old.dxftype() == "DIMENSION" and new.dxf.hasattr("horizontal_direction") != \
                    old.dxf.hasattr("horizontal_direction"):
                fail(handle + ": its 51 changed")
            continue
        if handle in after:
            fail(handle + " still has its handle: it must have been rewritten")
        p13, p14 = tuple(old.dxf.defpoint2), tuple(old.dxf.defpoint3)
        found = [e for e in saved.modelspace().query("DIMENSION")
                 if near(e.dxf.defpoint2, p13) and near(e.dxf.defpoint3, p14) and e.dxf.handle not in before]
        if len(found) != 1:
            fail("%s: %d rewritten dimensions over %s -> %s" % (handle, len(found), p13, p14))
        new = found[0]
        p10 = tuple(expected.get(10, old.dxf.defpoint))
        if not near(new.dxf.defpoint, p10):
            fail("%s: 10 is %s, want %s" % (handle, tuple(new.dxf.defpoint), p10))
        shift = [a - b for a, b in zip(p10, old.dxf.defpoint)]
        p11 = [a + s for a, s in zip(old.dxf.text_midpoint, shift)]
        if expected.get(11) == "same":
            p11 = tuple(old.dxf.text_midpoint)
        if not near(new.dxf.text_midpoint, p11):
            fail("%s: 11 is %s, want %s" % (handle, tuple(new.dxf.text_midpoint), p11))
        if new.dxf.dimtype != old.dxf.dimtype:
            fail("%s: type %d, was %d" % (handle, new.dxf.dimtype, old.dxf.dimtype))
        if 51 in expected:
            got = new.dxf.get("horizontal_direction")
            if got is None or not math.isclose(got, expected[51], abs_tol=1e-9):
                fail("%s: 51 is %s, want %s" % (handle, got, expected[51]))
        elif new.dxf.hasattr("horizontal_direction") != old.dxf.hasattr("horizontal_direction"):
            fail(handle + ": 51 appeared")
    print("ok: %s, %d entities checked" % (case, len(want)))


if __name__ == "__main__":
    main()
