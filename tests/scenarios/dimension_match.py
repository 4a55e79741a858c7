"""What the checkers of saved dimensions share: one reader of a drawing's
dimensions, pairing the dimensions a scenario should have left with those
the drawing holds, and the report.
"""

OVERRIDES = {40: "dimscale", 42: "dimexo", 75: "dimse1", 76: "dimse2"}


def overrides_of(d):
    """The DSTYLE overrides of a dimension the checkers look at, by name."""
    found = {}
    if not d.has_xdata("ACAD"):
        return found
    tags = list(d.get_xdata("ACAD"))
    for i, tag in enumerate(tags):
        if tag.code == 1070 and tag.value in OVERRIDES and i + 1 < len(tags) and tags[i + 1].code in (1040, 1070):
            found[OVERRIDES[tag.value]] = tags[i + 1].value
    return found


def dimensions(msp):
    """Each DIMENSION of a layout as a dict: its handle, layer, kind (the
    type's low five bits), text (None when it has none), rotation angle,
    points "10", "13", "14", "15" (x, y; "15" only where it has one) and
    overrides."""
    out = []
    for d in msp.query("DIMENSION"):
        points = {"10": d.dxf.defpoint, "13": d.dxf.defpoint2, "14": d.dxf.defpoint3}
        if d.dxf.hasattr("defpoint4"):
            points["15"] = d.dxf.defpoint4
        out.append(dict({k: (p.x, p.y) for k, p in points.items()}, handle=d.dxf.handle, layer=d.dxf.layer,
                        kind=d.dxf.dimtype & 31, text=d.dxf.text if d.dxf.hasattr("text") else None,
                        angle=d.dxf.get("angle"), overrides=overrides_of(d)))
    return out


def near(p, q):
    """Two points (x, y) within 1e-6."""
    return abs(p[0] - q[0]) < 1e-6 and abs(p[1] - q[1]) < 1e-6


def match_dimensions(wanted, found, matches, describe_wanted, describe_found):
    """Pairs each wanted dimension with the first found one `matches` accepts
    (each found one pairs once). Returns a text for each wanted one left
    without a partner and each found one left over."""
    left = list(found)
    failures = []
    for w in wanted:
        match = next((d for d in left if matches(d, w)), None)
        if match is None:
            failures.append("no dimension " + describe_wanted(w))
        else:
            left.remove(match)
    failures += ["unexpected dimension " + describe_found(d) for d in left]
    return failures


def report(path, failures, count):
    """Prints the failures (or that all `count` dimensions were found) and
    gives the exit status."""
    for f in failures:
        print(f"{path}: {f}")
    if not failures:
        print(f"{path}: {count} dimension(s) as expected")
    return 1 if failures else 0
