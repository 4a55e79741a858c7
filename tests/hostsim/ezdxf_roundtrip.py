"""DXF round trip through the headless host, refereed by ezdxf.

Modes:
  roundtrip: makes two drawings with ezdxf: an R2000 one (lines, arcs,
      circles, polylines with bulges and widths, rotated, aligned and 3-point
      angular dimensions, a block with attributes, extended data, a dictionary
      of XRECORDs, a dimension style with many variables, header variables)
      and an R2018 one (a layer in true colour, texts with Czech letters and a
      character beyond U+FFFF, a dimension style naming line types). The host
      loads each and saves it, twice; ezdxf's recover loads what it saved and
      must find no error, every group of every entity must be kept, and so
      must every table record and header variable. Two things the host does
      as a CAD host does: it regenerates the dimensions' blocks (each
      dimension must name a block of its own holding its lines, arrowheads
      and text), and it moves point 10 of a rotated or aligned dimension to
      the foot of its second extension line on the dimension line.
  foreign: a drawing as other programs write them, made with ezdxf in text
      and in binary form: raster images with their definitions and
      reactors, a wipeout, a PDF underlay, a multileader, three paper-space layouts with viewports, a group, a
      multileader style, XRECORDs and a dictionary variable of another
      application, two dimensions. The host loads each and saves it twice:
      every record of the source (entities, table records, blocks, objects)
      comes back group for group under its handle, but for what the host
      regenerates (dimension blocks, point 10 of a dimension); each layout
      holds the same entities; saving again writes the same file. With the
      module (--native-sweep), HeightDim places a mark and DimAlign aligns one
      dimension to the other on the same drawing: only those two commands'
      entities and records differ.
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
import ezdxf.render.mleader
from ezdxf import recover
from ezdxf.lldxf.tagger import ascii_tags_loader


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def audit(path, fixes_allowed=None):
    """Loads a file the host wrote with ezdxf's recover, which reports every
    flaw it had to repair, and audits it: no errors, and no more fixes than
    `fixes_allowed` (those of the file the host read) when given."""
    doc, auditor = recover.readfile(path)
    for e in auditor.errors:
        print("  audit error:", e.code, e.message)
    for f in auditor.fixes:
        print("  audit fix:", f.code, f.message)
    if auditor.has_errors:
        fail(f"{path}: {len(auditor.errors)} audit errors")
    if fixes_allowed is not None and len(auditor.fixes) > fixes_allowed:
        fail(f"{path}: {len(auditor.fixes)} audit fixes, the source needed {fixes_allowed}")
    print(f"{path}: audit clean ({len(auditor.fixes)} fixes)")
    doc.audit_fixes = len(auditor.fixes)
    return doc


def verdict(problems, failure, success):
    """Prints every problem and fails with `failure` when there is one."""
    for p in problems:
        print("  " + p)
    if problems:
        fail(failure)
    print(success)


def same_file(first, second):
    with open(first, "rb") as a, open(second, "rb") as b:
        if a.read() != b.read():
            fail(f"{second} differs from {first}")


def add_settings(doc):
    """Header variables and a dimension style as a user's drawing has them."""
    for name, value in (("$INSUNITS", 4), ("$LTSCALE", 2.5), ("$DIMDEC", 3), ("$DIMDSEP", 46), ("$LUPREC", 2),
                        ("$PDMODE", 35), ("$EXTMIN", (-10, -20, 0)), ("$EXTMAX", (100, 200, 0))):
        doc.header[name] = value
    style = doc.dimstyles.new("VD", dxfattribs={
        "dimtad": 1, "dimzin": 12, "dimse1": 1, "dimse2": 1, "dimtih": 0, "dimtoh": 0, "dimdec": 3,
        "dimdsep": 44, "dimexo": 1.5, "dimscale": 50, "dimrnd": 0.25, "dimlwd": -2, "dimlwe": 25,
        "dimarcsym": 2, "dimazin": 3})
    style.set_arrows(blk=ezdxf.ARROWS.architectural_tick)
    style.dxf.dimtxsty = "OpenSans"
    doc.header["$DIMSTYLE"] = "VD"


def make_source(path):
    doc = ezdxf.new("R2000", setup=True)
    add_settings(doc)
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
    for d in (msp.add_linear_dim(base=(0, 20), p1=(0, 0), p2=(30, 0), angle=15),
              msp.add_aligned_dim(p1=(0, 0), p2=(30, 30), distance=5),
              msp.add_angular_dim_3p(base=(60, 60), center=(40, 40), p1=(80, 40), p2=(40, 80)),
              msp.add_linear_dim(base=(0, -20), p1=(0, -10), p2=(30, -10), dimstyle="VD")):
        d.render()
    xr = doc.rootdict.add_new_dict("VDTEST_DATA").add_xrecord("Current")
    xr.reset([(1, "base"), (40, 12.5), (10, (1.0, 2.0, 3.0)), (70, 4)])
    doc.saveas(path)


def make_source_2018(path):
    doc = ezdxf.new("R2018", setup=True)
    add_settings(doc)
    doc.dimstyles.get("VD").dxf.dimltype = "DASHED"
    doc.dimstyles.get("VD").dxf.dimltex1 = "CENTER"
    doc.layers.new("KOTY", dxfattribs={"color": 3, "true_color": ezdxf.rgb2int((255, 128, 0))})
    msp = doc.modelspace()
    msp.add_text("Žluťoučký kůň 😀", dxfattribs={"height": 2.5, "insert": (5, 5), "layer": "KOTY"})
    msp.add_line((0, 0), (10, 10), dxfattribs={"layer": "KOTY", "true_color": ezdxf.rgb2int((1, 2, 3))})
    doc.saveas(path)


def decode_escapes(value):
    """Characters the writer escapes: \\U+ with eight digits beyond U+FFFF, four below."""
    def wide(m):
        cp = int(m.group(1), 16)
        return chr(cp) if 0x10000 <= cp <= 0x10FFFF else m.group(0)
    value = re.sub(r"\\U\+([0-9A-Fa-f]{8})", wide, value)
    return re.sub(r"\\U\+([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), value)


def tags(path):
    """The tags of a text DXF file, decoded as its version and code page say."""
    with open(path, "rb") as f:
        raw = f.read()
    version = re.search(rb"\$ACADVER\s*\r?\n\s*1\s*\r?\n\s*(AC\d+)", raw)
    page = re.search(rb"\$DWGCODEPAGE\s*\r?\n\s*3\s*\r?\n\s*ANSI_(\d+)", raw)
    codepage = "utf-8" if version and version.group(1) >= b"AC1021" else (
        "cp" + page.group(1).decode() if page else "cp1252")
    return list(ascii_tags_loader(io.StringIO(raw.decode(codepage))))


def parse(path):
    """Every record of the TABLES, BLOCKS, ENTITIES and OBJECTS sections as
    (section, name of the block it lies in, its groups as (code, value))."""
    out, section, current, block = [], None, None, None
    for tag in tags(path):
        if tag.code == 0:
            section = "?" if tag.value == "SECTION" else None if tag.value in ("ENDSEC", "EOF") else section
            current = [(0, tag.value)] if section in ("TABLES", "BLOCKS", "ENTITIES", "OBJECTS") else None
            if current:
                out.append((section, current))
        elif section == "?" and tag.code == 2:
            section = tag.value
        elif current is not None:
            current.append((tag.code, decode_escapes(tag.value.strip())))
    placed = []
    for section, groups in out:
        if groups[0][1] == "BLOCK":
            block = next((v for c, v in groups if c == 2), "")
        placed.append((section, block, groups))
        if groups[0][1] == "ENDBLK":
            block = None
    return placed


def entity_groups(path, regenerated=False):
    """Entities of the ENTITIES and BLOCKS sections by handle, as (code, value)
    lists without owner, reactor and handle groups (the host renumbers none of
    the entities, but owners and block records are its own). Unless
    `regenerated`, without the members of dimension blocks ("*D...") and the
    point 10 of dimensions, which the host regenerates (check_dimensions)."""
    out = {}
    for section, block, groups in parse(path):
        if section not in ("ENTITIES", "BLOCKS") or groups[0][1] in ("BLOCK", "ENDBLK"):
            continue
        if block and block.upper().startswith("*D") and not regenerated:
            continue
        kept, in_control, handle = [], False, None
        for code, value in groups:
            if code == 102:
                in_control = value.startswith("{")
            elif code == 5 and not in_control:
                handle = value.upper()
            elif not (in_control or code == 330 or
                      (groups[0][1] == "DIMENSION" and code in (10, 20, 30) and not regenerated)):
                kept.append((code, value))
        if handle:
            out[handle] = kept
    return out


def same_value(a, b):
    if a == b:
        return True
    try:
        return math.isclose(float(a), float(b), rel_tol=1e-12, abs_tol=1e-12)
    except ValueError:
        return False


def same_groups(a, b):
    return len(a) == len(b) and all(x[0] == y[0] and same_value(x[1], y[1]) for x, y in zip(a, b))


def compare(source, saved, regenerated=False):
    src, out = entity_groups(source, regenerated), entity_groups(saved, regenerated)
    if not src:
        fail("the source has no entities")
    problems = [f"entity {h} ({g[0][1]}) is missing" if h not in out else
                f"entity {h} ({g[0][1]}) differs:\n    source: {g}\n    saved:  {out[h]}"
                for h, g in src.items() if h not in out or not same_groups(g, out[h])]
    verdict(problems, f"{len(problems)} of {len(src)} entities were not kept group for group",
            f"all {len(src)} entities kept group for group")


def second_foot(dim):
    """Where a CAD host keeps point 10 of a rotated or aligned dimension: the
    foot of the second extension line (through point 14, square to the
    dimension line) on the dimension line through the given point 10."""
    p10, p13, p14 = dim.dxf.defpoint, dim.dxf.defpoint2, dim.dxf.defpoint3
    if dim.dimtype == 1:
        u = (p14 - p13).normalize()
    else:
        u = ezdxf.math.Vec3.from_deg_angle(dim.dxf.get("angle", 0))
    return p10 + u * u.dot(p14 - p10)


def check_dimensions(source_doc, saved_doc, label):
    """Every dimension of the source in the saved drawing: point 10 at the
    second foot (rotated, aligned) or where it was (angular), and a block of
    its own, anonymous, holding its dimension line or arc, its extension
    lines, two arrowheads (filled ones, or references to the block the
    style names) and a text."""
    names = set()
    for dim in source_doc.modelspace().query("DIMENSION"):
        handle = dim.dxf.handle
        saved = saved_doc.entitydb.get(handle)
        if saved is None:
            fail(f"{label}: dimension {handle} is missing")
        want = second_foot(dim) if dim.dimtype in (0, 1) else dim.dxf.defpoint
        if not saved.dxf.defpoint.isclose(want, abs_tol=1e-9):
            fail(f"{label}: dimension {handle} has point 10 at {saved.dxf.defpoint}, not {want}")
        name = saved.dxf.get("geometry")
        if not name or not name.upper().startswith("*D") or name.upper() in names:
            fail(f"{label}: dimension {handle} names no block of its own: {name!r}")
        names.add(name.upper())
        block = saved_doc.blocks.get(name)
        if block is None or not block.block.dxf.flags & 1:
            fail(f"{label}: dimension {handle}: no anonymous block {name}")
        kinds = [e.dxftype() for e in block]
        curve = "ARC" if dim.dimtype in (2, 5) else "LINE"
        # Arrowheads of the block the style names (DIMBLK) are references to it.
        style = dim.override()
        head = "INSERT" if style.get("dimblk", "") or style.get("dimsah", 0) else "SOLID"
        if kinds.count(head) != 2 or kinds.count("TEXT") != 1 or curve not in kinds:
            fail(f"{label}: dimension {handle}: block {name} holds {kinds}")
    print(f"{label}: {len(names)} dimensions, each with its block")


# Attributes that are not the record's own: handles of objects the host does
# not keep (plot styles, materials, layouts).
NOT_KEPT = {"plotstyle_handle", "material_handle", "layout"}
# Header variables the host writes itself: the version and code page of the
# file it writes, and its handle seed (compared apart).
OWN_HEADER = {"$ACADVER", "$ACADMAINTVER", "$DWGCODEPAGE", "$HANDSEED"}
# Header variables ezdxf sets itself when it loads a file: compared as the files hold them.
SET_BY_LOADING = {"$TDCREATE"}


def raw_header(path):
    """The header variables of a file as (code, value) lists, as written."""
    out, name = {}, None
    for tag in tags(path):
        if tag.code == 0 and tag.value == "ENDSEC":
            break
        if tag.code == 9:
            name = tag.value
            out[name] = []
        elif name:
            out[name].append((tag.code, tag.value.strip()))
    return out


def compare_settings(source, saved, source_doc, saved_doc, label):
    """Every record of the symbol tables the host keeps and every header
    variable of the source, against the saved file as ezdxf's recover read it."""
    differences = []
    source_raw, saved_raw = raw_header(source), raw_header(saved)
    for name in SET_BY_LOADING:
        if source_raw.get(name) != saved_raw.get(name):
            differences.append(f"header {name}: {source_raw.get(name)!r} became {saved_raw.get(name)!r}")
    for table in ("layers", "linetypes", "styles", "dimstyles", "appids"):
        saved_table = getattr(saved_doc, table)
        for record in getattr(source_doc, table):
            name = record.dxf.name
            if not saved_table.has_entry(name):
                differences.append(f"{table} {name}: missing")
                continue
            want = {k: v for k, v in record.dxfattribs().items() if k not in NOT_KEPT}
            got = {k: v for k, v in saved_table.get(name).dxfattribs().items() if k not in NOT_KEPT}
            for key in sorted(set(want) | set(got)):
                if not same_value(str(want.get(key)), str(got.get(key))):
                    differences.append(f"{table} {name}.{key}: {want.get(key)!r} became {got.get(key)!r}")
    for name in source_doc.header.varnames():
        if name in OWN_HEADER or name in SET_BY_LOADING:
            continue
        want = source_doc.header.get(name)
        got = saved_doc.header.get(name) if name in saved_doc.header else None
        if isinstance(want, str) and source_doc.header.hdrvars[name].code in range(320, 370):
            continue  # a handle of an object the host does not keep
        if not same_value(str(want), str(got)):
            differences.append(f"header {name}: {want!r} became {got!r}")
    want_seed, got_seed = int(source_doc.header["$HANDSEED"], 16), int(saved_doc.header["$HANDSEED"], 16)
    if got_seed < want_seed:
        differences.append(f"$HANDSEED went down from {want_seed:X} to {got_seed:X}")
    verdict(differences, f"{label}: {len(differences)} table or header values were not kept",
            f"{label}: every table record and header variable kept")


def make_foreign(path, binary_path):
    """Returns the handles of its two dimensions (sample, to align)."""
    doc = ezdxf.new("R2018", setup=True)
    msp = doc.modelspace()
    msp.add_line((0, 0), (100, 0))
    msp.add_circle((10, 10), 5)
    dims = []
    for y, x in ((30, 0), (45, 200)):
        d = msp.add_linear_dim(base=(x, y), p1=(x, 0), p2=(x + 100, 0))
        d.render()
        dims.append(d.dimension.dxf.handle)
    image = doc.add_image_def("plan.png", size_in_pixel=(640, 480))
    for i in range(3):
        msp.add_image(image, insert=(i * 20, 50), size_in_units=(16, 12))
    msp.add_wipeout([(0, 0), (5, 0), (5, 5)])
    msp.add_underlay(doc.add_underlay_def("plan.pdf", fmt="pdf", name="1"), insert=(20, 0))
    note = msp.add_multileader_mtext("Standard")
    note.set_content("Note")
    note.add_leader_line(ezdxf.render.mleader.ConnectionSide.left, [(0, 0)])
    note.build(insert=ezdxf.math.Vec2(10, 10))
    doc.layouts.get("Layout1").add_viewport(center=(100, 100), size=(150, 100), view_center_point=(50, 20),
                                            view_height=80)
    doc.layouts.get("Layout1").add_text("Sheet one")
    second = doc.layouts.new("Sheet 2")
    second.add_viewport(center=(80, 80), size=(100, 80), view_center_point=(0, 0), view_height=50)
    second.add_viewport(center=(200, 80), size=(80, 80), view_center_point=(10, 10), view_height=30)
    second.add_line((0, 0), (10, 10))
    doc.layouts.new("Second").add_circle((5, 5), 3)
    doc.groups.new("WALLS").extend(list(msp.query("LINE CIRCLE")))
    doc.mleader_styles.new("VDML")
    doc.rootdict.add_new_dict("OTHERAPP_DATA").add_xrecord("SETTINGS").reset([(1, "hello"), (40, 2.5), (70, 3)])
    doc.rootdict.add_dict_var("OTHERAPP_VAR", "42")
    doc.saveas(path)
    doc.saveas(binary_path, fmt="bin")
    return dims


def records(path):
    """Every record of the TABLES, BLOCKS, ENTITIES and OBJECTS sections that
    has a handle, by (type, handle): its groups as (code, value)."""
    keyed = {}
    for _, _, groups in parse(path):
        handle = next((v for c, v in groups if c in (5, 105)), None)
        if handle:
            keyed[(groups[0][1], handle.upper())] = groups
    return keyed


def regenerated_by_host(key, groups, source):
    """What the host makes anew as a CAD host does: a dimension's block
    (anonymous *D blocks and their members) and the table heads' counts."""
    if key[0] == "TABLE":
        return True
    owner = next((v for c, v in groups if c == 330), None)
    block = next((g for k, g in source.items() if k[0] == "BLOCK_RECORD" and k[1] == (owner or "").upper()), None)
    return block is not None and any(c == 2 and v.upper().startswith("*D") for c, v in block)


def without_dimension_point(groups):
    """A dimension's point 10 moves to where a CAD host keeps it."""
    return [g for g in groups if g[0] not in (10, 20, 30)] if groups[0][1] == "DIMENSION" else groups


def changed_records(source_path, saved_path):
    """The source's records that the saved file lacks or holds otherwise
    (regenerated dimension blocks aside), and the saved file's new ones."""
    source, saved = records(source_path), records(saved_path)
    changed = [k for k, g in source.items() if not regenerated_by_host(k, g, source) and (
        k not in saved or not same_groups(without_dimension_point(g), without_dimension_point(saved[k])))]
    new = [k for k, g in saved.items() if k not in source and not regenerated_by_host(k, g, saved)]
    return changed, new


def layout_contents(doc):
    return {layout.name: sorted(e.dxf.handle for e in layout) for layout in doc.layouts}


def check_foreign(args, host):
    text = os.path.join(args.work, "foreign.dxf")
    binary = os.path.join(args.work, "foreign_binary.dxf")
    dims = make_foreign(text, binary)
    source_doc = audit(text)
    for source in (text, binary):
        name, saved, again = os.path.basename(source), source + ".saved.dxf", source + ".again.dxf"
        run_host(host, args.work, [f"load {source}", f"save {saved}", f"load {saved}", f"save {again}"])
        doc = audit(saved, source_doc.audit_fixes)
        same_file(saved, again)
        changed, new = changed_records(text, saved)
        # ezdxf stamps the time into every file it writes: the binary one has its own.
        stamps = records(saved)
        changed = [k for k in changed if not (k[0] == "DICTIONARYVAR" and " @ " in stamps[k][-1][1])]
        # The one record the host adds: the layer ezdxf's viewports are on.
        new = [k for k in new if k[0] != "LAYER"]
        if changed or new:
            fail(f"{name}: changed {changed}, new {new}")
        if layout_contents(doc) != layout_contents(source_doc):
            fail(f"{name}: layouts {layout_contents(doc)} against {layout_contents(source_doc)}")
        print(f"{name}: every record and layout kept, saved twice the same")
    if not args.native_sweep:
        return
    # The module's commands on it: a height mark, one dimension aligned.
    saved = os.path.join(args.work, "foreign_commands.dxf")
    script = os.path.join(args.work, "foreign_commands.vds")
    with open(script, "w", encoding="utf-8") as f:
        f.write("\n".join([f"load {text}", "init", "command HeightDim 0", "point 0,0", "real 0", "point 0,1000",
                           "cancel", "command DimAlign", f"pick {dims[0]}", f"pick {dims[1]}",
                           f"save {saved}"]) + "\n")
    res = os.path.join(args.source_dir, "res")
    r = subprocess.run([args.native_sweep, "--ids", os.path.join(res, "string_ids.h"), "--strings",
                        os.path.join(res, "strings.rc"), "--run", args.work, script],
                       capture_output=True, text=True, timeout=300)
    if r.returncode != 0:
        print(r.stdout, r.stderr)
        fail(f"the module's run failed with {r.returncode}")
    doc = audit(saved, source_doc.audit_fixes)
    changed, new = changed_records(text, saved)
    # The named-object dictionary gains the module's own; it keeps every entry it had.
    source, after = records(text), records(saved)
    grown = [k for k in changed if k[0] == "DICTIONARY" and k in after and
             set(source[k]) < set(after[k]) and [g for g in after[k] if g in source[k]] == source[k]]
    changed = [k for k in changed if k not in grown]
    if changed != [("DIMENSION", dims[1].upper())]:
        fail(f"the commands changed {changed}; DimAlign writes {dims[1]} anew, nothing else changes")
    new_types = sorted({k[0] for k in new})
    # A mark (its block, attributes, the module's dictionary) and the aligned dimension.
    allowed = {"INSERT", "ATTRIB", "SEQEND", "BLOCK_RECORD", "BLOCK", "ENDBLK", "ATTDEF", "LINE", "LWPOLYLINE",
               "SOLID", "HATCH", "TEXT", "MTEXT", "CIRCLE", "DIMENSION", "APPID", "LAYER", "STYLE", "DICTIONARY",
               "XRECORD"}
    if "INSERT" not in new_types or not set(new_types) <= allowed:
        fail(f"the commands added {new_types}")
    contents, before = layout_contents(doc), layout_contents(source_doc)
    if {k: v for k, v in contents.items() if k != "Model"} != {k: v for k, v in before.items() if k != "Model"}:
        fail("a paper-space layout changed")
    if not set(before["Model"]) - {dims[1].upper()} < set(contents["Model"]):
        fail("model space lost an entity")
    print(f"foreign drawing with commands: only DimAlign's dimension changed; added {new_types}")


def run_host(host, work, lines):
    script = os.path.join(work, "roundtrip.vds")
    with open(script, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    r = subprocess.run(host + [script], capture_output=True, text=True, timeout=300)
    if r.returncode != 0:
        print(r.stdout, r.stderr)
        fail(f"the host failed with {r.returncode}")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--work", required=True)
    p.add_argument("--audit", nargs="*", default=[])
    p.add_argument("--native-sweep", help="runs the module's commands on the foreign drawing")
    p.add_argument("--source-dir", help="the source tree, for the module's strings")
    p.add_argument("--host", nargs=argparse.REMAINDER, default=[])
    args = p.parse_args()
    os.makedirs(args.work, exist_ok=True)
    for path in args.audit:
        audit(path)
    if not args.host:
        return
    check_foreign(args, args.host)
    script, kept = [], []
    for label, make in (("R2000", make_source), ("R2018", make_source_2018)):
        source, saved, again = (os.path.join(args.work, f"{label}{n}.dxf") for n in ("", "_saved", "_again"))
        make(source)
        for path in (saved, again):
            if os.path.exists(path):
                os.remove(path)
        script += [f"load {source}", f"save {saved}", f"load {saved}", f"save {again}"]
        # The source as its file holds it (ezdxf keeps more in memory than it writes).
        kept.append((label, source, saved, again, recover.readfile(source)[0]))
    run_host(args.host, args.work, script)
    for label, source, saved, again, source_doc in kept:
        doc = audit(saved)
        audit(again)
        compare(source, saved)
        compare(saved, again, regenerated=True)
        if label == "R2000":
            check_dimensions(source_doc, doc, label)
            # What the host kept must also read back as the same drawing in ezdxf.
            xr = doc.rootdict["VDTEST_DATA"]["Current"]
            if [t.code for t in xr.tags] != [1, 40, 10, 70]:
                fail(f"XRECORD groups changed: {list(xr.tags)}")
            line = [e for e in doc.modelspace().query("LINE") if e.has_xdata("VDTEST")][0]
            if [t.code for t in line.get_xdata("VDTEST")] != [1000, 1070, 1040, 1010, 1005]:
                fail("extended data changed")
        compare_settings(source, saved, source_doc, doc, label)
        # Loading what it saved and saving again changes nothing, not even the seed.
        same_file(saved, again)
    # The character beyond U+FFFF is one escape; ezdxf reads only four-digit ones.
    with open(kept[1][2], "rb") as f:
        if b"\\U+0001F600" not in f.read():
            fail("the emoji is not written as \\U+0001F600")
    print("round trip clean")


if __name__ == "__main__":
    main()
