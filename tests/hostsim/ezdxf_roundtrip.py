"""DXF round trip through the headless host, refereed by ezdxf.

Modes:
  roundtrip: makes a drawing with ezdxf (lines, arcs, circles, polylines with
      bulges and widths, rotated, aligned and 3-point angular dimensions, a
      block with attributes, extended data, a dictionary of XRECORDs), has the
      host load it and save it again, and checks that every group of those
      entities is kept and that ezdxf's audit of the saved file finds no error.
  audit FILE...: audits files the host wrote.
"""
import argparse
import io
import math
import re
import os
import subprocess
import sys

import ezdxf
from ezdxf.lldxf.tagger import ascii_tags_loader


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def audit(path):
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    for e in auditor.errors:
        print("  audit error:", e.code, e.message)
    for f in auditor.fixes:
        print("  audit fix:", f.code, f.message)
    if auditor.has_errors:
        fail(f"{path}: {len(auditor.errors)} audit errors")
    print(f"{path}: audit clean ({len(auditor.fixes)} fixes)")
    return doc


def make_source(path):
    doc = ezdxf.new("R2000", setup=True)
    doc.appids.new("VDTEST")
    doc.layers.new("WALLS", dxfattribs={"color": 3})
    msp = doc.modelspace()
    msp.add_line((0, 0), (100, 50), dxfattribs={"layer": "WALLS"})
    msp.add_circle((10, 10), 5, dxfattribs={"color": 1})
    msp.add_arc((50, 50), 20, 30, 210)
    msp.add_lwpolyline([(0, 0, 0.5, 1.0, 0.25), (10, 0, 1.0, 0.5, -0.4), (10, 10, 0, 0, 0)],
                       format="xyseb", dxfattribs={"closed": True})
    msp.add_text("Žluťoučký kůň", dxfattribs={"height": 2.5, "insert": (5, 5)})
    line = msp.add_line((0, 100), (50, 100))
    line.set_xdata("VDTEST", [(1000, "mark"), (1070, 7), (1040, 2.5), (1010, (1, 2, 3)), (1005, "0")])
    blk = doc.blocks.new("MARK", base_point=(1, 1))
    blk.add_line((0, 0), (5, 5))
    blk.add_attdef("LEVEL", (0, 0), dxfattribs={"height": 1.0, "prompt": "Level"})
    ref = msp.add_blockref("MARK", (20, 20), dxfattribs={"rotation": 30})
    ref.add_attrib("LEVEL", "+3.000", (20, 20), dxfattribs={"height": 1.0})
    d = msp.add_linear_dim(base=(0, 20), p1=(0, 0), p2=(30, 0), angle=15)
    d.render()
    d = msp.add_aligned_dim(p1=(0, 0), p2=(30, 30), distance=5)
    d.render()
    d = msp.add_angular_dim_3p(base=(60, 60), center=(40, 40), p1=(80, 40), p2=(40, 80))
    d.render()
    named = doc.rootdict.add_new_dict("VDTEST_DATA")
    xr = named.add_xrecord("Current")
    xr.reset([(1, "base"), (40, 12.5), (10, (1.0, 2.0, 3.0)), (70, 4)])
    doc.saveas(path)
    return doc


def entity_groups(path):
    """Entities of the ENTITIES and BLOCKS sections by handle, as (code, value)
    lists without owner, reactor and handle groups (the host renumbers none of
    the entities, but owners and block records are its own)."""
    with open(path, "rb") as f:
        raw = f.read()
    codepage = "cp1252"
    m = re.search(rb"\$DWGCODEPAGE\s*\r?\n\s*3\s*\r?\n\s*ANSI_(\d+)", raw)
    if m:
        codepage = "cp" + m.group(1).decode()
    text = raw.decode(codepage)
    tags = list(ascii_tags_loader(io.StringIO(text)))
    out = {}
    section = None
    current = None
    in_control = False
    for i, tag in enumerate(tags):
        code, value = tag.code, tag.value
        if code == 0:
            current = None
            if value == "SECTION":
                section = "?"
                continue
            if value in ("ENDSEC", "EOF"):
                section = None
                continue
            if section in ("ENTITIES", "BLOCKS") and value not in ("BLOCK", "ENDBLK"):
                current = [("0", value)]
                in_control = False
            continue
        if section == "?" and code == 2:
            section = value
            continue
        if current is None:
            continue
        if code == 102:
            in_control = value.startswith("{")
            continue
        if in_control or code == 330:
            continue
        if code == 5:
            out[value.upper()] = current
            continue
        value = re.sub(r"\\U\+([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), value.strip())
        current.append((str(code), value))
    return out


def same_value(a, b):
    if a == b:
        return True
    try:
        return math.isclose(float(a), float(b), rel_tol=1e-12, abs_tol=1e-12)
    except ValueError:
        return False


def compare(source, saved):
    src = entity_groups(source)
    out = entity_groups(saved)
    if not src:
        fail("the source has no entities")
    missing = 0
    for handle, groups in src.items():
        if handle not in out:
            print(f"  entity {handle} ({groups[0][1]}) is missing")
            missing += 1
            continue
        got = out[handle]
        if len(got) != len(groups) or not all(
                a[0] == b[0] and same_value(a[1], b[1]) for a, b in zip(groups, got)):
            print(f"  entity {handle} ({groups[0][1]}) differs:")
            print("    source:", groups)
            print("    saved: ", got)
            missing += 1
    if missing:
        fail(f"{missing} of {len(src)} entities were not kept group for group")
    print(f"all {len(src)} entities kept group for group")


def run_host(host, work, lines):
    script = os.path.join(work, "roundtrip.vds")
    with open(script, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    r = subprocess.run(host + [script], capture_output=True, text=True, timeout=300)
    if r.returncode != 0:
        print(r.stdout)
        print(r.stderr)
        fail(f"the host failed with {r.returncode}")
    return r.stdout


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--work", required=True)
    p.add_argument("--audit", nargs="*", default=[])
    p.add_argument("--host", nargs=argparse.REMAINDER, default=[])
    args = p.parse_args()
    os.makedirs(args.work, exist_ok=True)
    for path in args.audit:
        audit(path)
    if not args.host:
        return
    source = os.path.join(args.work, "source.dxf")
    saved = os.path.join(args.work, "saved.dxf")
    again = os.path.join(args.work, "saved_again.dxf")
    make_source(source)
    for path in (saved, again):
        if os.path.exists(path):
            os.remove(path)
    run_host(args.host, args.work, [f"load {source}", f"save {saved}", f"load {saved}", f"save {again}"])
    doc = audit(saved)
    audit(again)
    compare(source, saved)
    compare(saved, again)
    # What the host kept must also read back as the same drawing in ezdxf.
    xr = doc.rootdict["VDTEST_DATA"]["Current"]
    if [t.code for t in xr.tags] != [1, 40, 10, 70]:
        fail(f"XRECORD groups changed: {list(xr.tags)}")
    line = [e for e in doc.modelspace().query("LINE") if e.has_xdata("VDTEST")][0]
    if [t.code for t in line.get_xdata("VDTEST")] != [1000, 1070, 1040, 1010, 1005]:
        fail("extended data changed")
    print("round trip clean")


if __name__ == "__main__":
    main()
