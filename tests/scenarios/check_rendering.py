#!/usr/bin/python3
"""Lays vdhost's picture of each drawing over ezdxf's rendering of it (ezdxf's
drawing add-on, a renderer independent of this project) and checks that
they agree where two renderers must: the extents of what is drawn, and per
kind of entity (curves, fills, texts, block references, dimensions,
leaders) the places it is drawn.

Each drawing is first copied with every entity in a colour of its kind
(block members and attributes by block, so that a reference's whole picture
is in its kind's colour), text masks off; both renderers paint that copy
into the same window (the ezdxf extents with a margin, at the picture's
aspect), vdhost at its `snapshot FILE x0,y0 x1,y1` lines, all drawings in
one run. A pixel belongs to the kind whose colour its ink has. Per kind,
the share of one picture's ink that lies near the other's ink (within a
few pixels: lines are drawn one pixel wide by one and anti-aliased by the
other) must reach the kind's threshold both ways; texts, whose fonts
differ, are compared with a wider reach and a lower share.

Usage: check_rendering.py [--keep] WORK DRAWING... -- HOST-COMMAND...
  WORK          a folder for the copies and pictures (emptied first)
  DRAWING       a DXF file, or a folder: the DXF files in it
  --keep        leave the pictures, and write WORK/NAME.diff.png of each
                drawing that disagrees (vdhost's ink red, ezdxf's blue)
"""
import logging
import os
import re
import shutil
import subprocess
import sys

import ezdxf
import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy  # noqa: E402
from ezdxf import bbox, recover  # noqa: E402
from ezdxf.addons.drawing import Frontend, RenderContext  # noqa: E402
from ezdxf.addons.drawing.matplotlib import MatplotlibBackend  # noqa: E402
from PIL import Image  # noqa: E402

WIDTH, HEIGHT = 800, 600
# Fonts that matplotlib lacks (the CAD programs' "txt") fall back quietly.
logging.getLogger("matplotlib.font_manager").setLevel(logging.ERROR)

# Kind: its colour (an index, which an R2000 file keeps where it keeps no
# true colour, and its RGB), the entity types drawn in it, how far (pixels)
# the other picture's ink may be, and the share of ink that must have the
# other's near.
KINDS = {
    "curves": (1, (255, 0, 0), {"LINE", "ARC", "CIRCLE", "ELLIPSE", "LWPOLYLINE", "POLYLINE", "SPLINE"}, 3, 0.9),
    "fills": (5, (0, 0, 255), {"HATCH", "SOLID", "TRACE"}, 3, 0.9),
    "texts": (3, (0, 255, 0), {"TEXT", "MTEXT"}, 4, 0.85),
    "references": (4, (0, 255, 255), {"INSERT"}, 4, 0.85),
    "dimensions": (6, (255, 0, 255), {"DIMENSION"}, 4, 0.85),
    "leaders": (2, (255, 255, 0), {"LEADER"}, 3, 0.9),
}
# Ink of no kind's colour (grey or black): drawn in a colour it was not given.
UNCOLOURED = "uncoloured"
# Ink lighter than this (the sum of what a pixel lacks of white) is ground.
INK = 90
# Fewer pixels of a kind than this are compared for being there only, and
# fewer than MIN_SEEN (a text a pixel high, a mark's line at a plan's scale)
# are not told from nothing.
MIN_INK = 80
MIN_SEEN = 10


UNICODE_ESCAPE = re.compile(r"\\U\+([0-9A-Fa-f]{4})")


def decoded(text):
    """A text with its \\U+XXXX escapes as the characters they stand for:
    ezdxf 0.18 draws the escape itself, every CAD program the character."""
    return UNICODE_ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), text)


def coded_copy(source, target):
    """The drawing with each entity in its kind's colour, written as R2010
    (UTF-8, so that texts keep their characters rather than escapes); False
    when it has nothing to draw."""
    doc, _ = recover.readfile(source)
    msp = doc.modelspace()
    kind_of = {t: k for k, (_, _, types, _, _) in KINDS.items() for t in types}
    drawn = 0
    for e in list(msp):
        kind = kind_of.get(e.dxftype())
        if kind is None:
            msp.delete_entity(e)
            continue
        drawn += 1
        e.dxf.color = KINDS[kind][0]
        e.dxf.discard("true_color")
        if e.dxftype() == "MTEXT":
            e.dxf.discard("bg_fill")
        if e.dxftype() == "INSERT":
            for a in e.attribs:
                a.dxf.color = KINDS[kind][0]
                a.dxf.discard("true_color")
    # Block members take the colour of what places them; a dimension's
    # block is given the dimensions' colour outright (ezdxf draws its members
    # by block in the ground's contrast colour).
    dimension_blocks = {e.dxf.get("geometry", "").upper() for e in msp.query("DIMENSION")}
    for block in doc.blocks:
        if block.name.lower() in ("*model_space", "*paper_space") or block.name.lower().startswith("*paper_space"):
            continue
        colour = KINDS["dimensions"][0] if block.name.upper() in dimension_blocks else 0
        for e in block:
            e.dxf.color = colour
            e.dxf.discard("true_color")
    # ezdxf draws a leader in its style's dimension-line colour, 7 for one by
    # block: the styles give it the leaders' colour (the host draws a leader
    # in its own, and the dimensions' pieces come from their blocks).
    for style in doc.dimstyles:
        style.dxf.dimclrd = KINDS["leaders"][0]
    for e in doc.entitydb.values():
        if e.dxftype() == "MTEXT":
            e.text = decoded(e.text)
        elif e.dxftype() in ("TEXT", "ATTRIB", "ATTDEF"):
            e.dxf.text = decoded(e.dxf.text)
    if not drawn:
        return False
    doc.dxfversion = "AC1024"
    doc.saveas(target, encoding="utf-8")
    return True


def window_of(path, size=(WIDTH, HEIGHT)):
    """The ezdxf extents of the drawing with a 5 % margin, at the aspect of
    pictures of `size` pixels."""
    doc = ezdxf.readfile(path)
    box = bbox.extents(doc.modelspace())
    if not box.has_data:
        return None
    (x0, y0, _), (x1, y1, _) = box.extmin, box.extmax
    w, h = max(x1 - x0, 1e-9), max(y1 - y0, 1e-9)
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    w, h = w * 1.1, h * 1.1
    if w / h > size[0] / size[1]:
        h = w * size[1] / size[0]
    else:
        w = h * size[0] / size[1]
    return cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2


def render_ezdxf(path, window, out, size=(WIDTH, HEIGHT)):
    """ezdxf's picture of the drawing's window, `size` pixels, on white."""
    doc = ezdxf.readfile(path)
    fig = plt.figure(figsize=(size[0] / 100, size[1] / 100), dpi=100)
    ax = fig.add_axes([0, 0, 1, 1])
    ctx = RenderContext(doc)
    ctx.set_current_layout(doc.modelspace())
    ctx.current_layout_properties.set_colors("#ffffff", "#000000")
    # Layer colours were resolved for the dark ground the layout started
    # with (colour 7 white): again, for white (colour 7 black).
    ctx.layers = ctx._setup_layers(doc)
    Frontend(ctx, MatplotlibBackend(ax)).draw_layout(doc.modelspace(), finalize=True,
                                                     layout_properties=ctx.current_layout_properties)
    # Finishing fits the figure to the drawing: the window and size go back.
    fig.set_size_inches(size[0] / 100, size[1] / 100)
    ax.set_position([0, 0, 1, 1])
    ax.set_aspect("auto")
    ax.set_xlim(window[0], window[2])
    ax.set_ylim(window[1], window[3])
    ax.set_axis_off()
    ax.set_facecolor("white")
    fig.savefig(out, dpi=100, facecolor="white")
    plt.close(fig)


def kind_masks(png):
    """Per kind, the pixels whose ink has the kind's colour."""
    rgb = numpy.asarray(Image.open(png).convert("RGB"), dtype=numpy.float64)
    lack = 255.0 - rgb
    strength = lack.sum(axis=2)
    ink = strength > INK
    # The direction of what a pixel lacks of white tells its colour apart
    # from how strongly it is inked (anti-aliased edges are paler).
    direction = lack / numpy.maximum(strength, 1.0)[..., None]
    names = list(KINDS) + [UNCOLOURED]
    refs = numpy.array([[255.0 - c for c in KINDS[k][1]] for k in KINDS] + [[1.0, 1.0, 1.0]])
    refs /= refs.sum(axis=1)[:, None]
    distance = ((direction[..., None, :] - refs[None, None, :, :]) ** 2).sum(axis=3)
    nearest = distance.argmin(axis=2)
    return {k: ink & (nearest == i) for i, k in enumerate(names)}, ink


def dilated(mask, r):
    out = mask.copy()
    for dy in range(-r, r + 1):
        for dx in range(-r, r + 1):
            if dx * dx + dy * dy > r * r:
                continue
            shifted = numpy.zeros_like(mask)
            ys = slice(max(dy, 0), mask.shape[0] + min(dy, 0))
            yd = slice(max(-dy, 0), mask.shape[0] + min(-dy, 0))
            xs = slice(max(dx, 0), mask.shape[1] + min(dx, 0))
            xd = slice(max(-dx, 0), mask.shape[1] + min(-dx, 0))
            shifted[ys, xs] = mask[yd, xd]
            out |= shifted
    return out


def share_near(a, b, r):
    """The share of a's pixels that have a pixel of b within r; 1 when a is empty."""
    n = a.sum()
    return 1.0 if n == 0 else float((a & dilated(b, r)).sum()) / n


def box(mask):
    ys, xs = numpy.nonzero(mask)
    return None if len(xs) == 0 else (xs.min(), ys.min(), xs.max(), ys.max())


def compare(name, vd_png, ez_png, keep_dir):
    failures = []
    vd, vd_ink = kind_masks(vd_png)
    ez, ez_ink = kind_masks(ez_png)
    vb, eb = box(vd_ink), box(ez_ink)
    reach = max(WIDTH, HEIGHT) * 0.03
    if (vb is None) != (eb is None) or (vb and max(abs(p - q) for p, q in zip(vb, eb)) > reach):
        failures.append(f"extents: vdhost draws within {vb}, ezdxf within {eb} (pixels)")
    for who, masks in (("vdhost", vd), ("ezdxf", ez)):
        stray = int(masks[UNCOLOURED].sum())
        if stray > 20:
            failures.append(f"{who} draws {stray} pixels in a colour no entity was given")
    for kind, (_, _, _, r, share) in KINDS.items():
        # A few pixels (a mark a pixel wide at the drawing's scale) tell
        # nothing of how a renderer draws: such a kind is only to be there.
        counts = {"vdhost": int(vd[kind].sum()), "ezdxf": int(ez[kind].sum())}
        if max(counts.values()) < MIN_INK:
            if min(counts.values()) == 0 and max(counts.values()) >= MIN_SEEN:
                failures.append(f"{kind}: drawn by {max(counts, key=counts.get)} only")
            continue
        there, here = share_near(vd[kind], ez[kind], r), share_near(ez[kind], vd[kind], r)
        if min(there, here) < share:
            failures.append(f"{kind}: {there:.0%} of vdhost's ink near ezdxf's, {here:.0%} of ezdxf's near vdhost's "
                            f"(at least {share:.0%} within {r} pixels)")
    if failures and keep_dir:
        diff = numpy.full((HEIGHT, WIDTH, 3), 255, dtype=numpy.uint8)
        diff[ez_ink] = (120, 120, 255)
        diff[vd_ink] = (255, 90, 90)
        diff[vd_ink & ez_ink] = (0, 0, 0)
        Image.fromarray(diff).save(os.path.join(keep_dir, name + ".diff.png"))
    return failures


def drawings_of(paths):
    """The drawings named, a folder standing for the drawings in it."""
    for path in paths:
        if os.path.isdir(path):
            yield from sorted(os.path.join(path, f) for f in os.listdir(path) if f.lower().endswith(".dxf"))
        else:
            yield path


def main():
    args = sys.argv[1:]
    keep = "--keep" in args
    args = [a for a in args if a != "--keep"]
    if "--" not in args or len(args) < 4:
        print(__doc__)
        return 2
    split = args.index("--")
    work, drawings, host = args[0], args[1:split], args[split + 1:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    jobs, script, names = [], [], set()
    for path in drawings_of(drawings):
        if not os.path.isfile(path):
            print(f"FAIL: {path}: no such drawing")
            return 1
        name = os.path.splitext(os.path.basename(path))[0]
        if name in names:
            name = os.path.basename(os.path.dirname(os.path.abspath(path))) + "_" + name
        names.add(name)
        coded = os.path.join(work, name + ".dxf")
        if not coded_copy(path, coded):
            continue
        window = window_of(coded)
        if window is None:
            continue
        jobs.append((name, coded, window))
        script.append(f'load "{os.path.abspath(coded)}"')
        script.append(f'snapshot "{os.path.abspath(os.path.join(work, name + ".vd.png"))}" '
                      f"{window[0]!r},{window[1]!r} {window[2]!r},{window[3]!r}")
    script_path = os.path.join(work, "pictures.vds")
    with open(script_path, "w", encoding="utf-8") as f:
        f.write("\n".join(script) + "\n")
    run = subprocess.run(host + ["--quiet", "--picture-size", f"{WIDTH}x{HEIGHT}", script_path],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if run.returncode != 0:
        print(run.stdout.decode("utf-8", "replace"))
        print(f"FAIL: vdhost exited with {run.returncode}")
        return 1
    failed = 0
    for name, coded, window in jobs:
        ez_png = os.path.join(work, name + ".ezdxf.png")
        render_ezdxf(coded, window, ez_png)
        failures = compare(name, os.path.join(work, name + ".vd.png"), ez_png, work if keep else None)
        for f in failures:
            print(f"FAIL: {name}: {f}")
        failed += bool(failures)
    print(f"{len(jobs) - failed} of {len(jobs)} drawings painted alike")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
