"""Referees the height-dimension gallery that the gallery test wrote.

- ezdxf's recover loads heightdim_gallery.dxf and its audit must find no error;
- every mark listed in heightdim_gallery.txt must be an INSERT of its block,
  followed by attributes with the listed tags and values, and its block must
  define the same tags as attribute definitions;
- the drawing's picture and the preview's picture must be the same: pixels
  that differ by more than a shade may make up at most a small fraction of
  the picture (antialiasing aside, the two paint the same elements).
"""
import argparse
import sys

import ezdxf
from ezdxf import recover
from PIL import Image, ImageChops


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--max-differing", type=float, default=0.001)
    args = parser.parse_args()
    base = args.dir.rstrip("/") + "/"

    doc, auditor = recover.readfile(base + "heightdim_gallery.dxf")
    for e in auditor.errors:
        print("  audit error:", e.code, e.message)
    if auditor.has_errors:
        fail(f"{len(auditor.errors)} audit errors")
    doc.audit()
    print(f"audit clean ({len(auditor.fixes)} fixes)")

    inserts = {}
    for insert in doc.modelspace().query("INSERT"):
        inserts[insert.dxf.name] = insert
    marks = 0
    with open(base + "heightdim_gallery.txt", encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            name, wanted = fields[0], [tuple(x.split("=", 1)) for x in fields[1:]]
            insert = inserts.get(name)
            if insert is None:
                fail(f"no INSERT of {name}")
            got = [(a.dxf.tag, a.dxf.text) for a in insert.attribs]
            if got != wanted:
                fail(f"{name}: attributes {got}, wanted {wanted}")
            defined = [d.dxf.tag for d in doc.blocks.get(name).query("ATTDEF")]
            if defined != [t for t, _ in wanted]:
                fail(f"{name}: definitions {defined}")
            if not name.startswith("VD2D_HEIGHTDIM_"):
                fail(f"{name}: not a height-dimension block")
            marks += 1
    if marks == 0:
        fail("no marks listed")
    print(f"{marks} marks read back with their attributes")

    drawing = Image.open(base + "heightdim_gallery_drawing.png").convert("RGB")
    preview = Image.open(base + "heightdim_gallery_preview.png").convert("RGB")
    if drawing.size != preview.size:
        fail(f"picture sizes {drawing.size} and {preview.size}")
    diff = ImageChops.difference(drawing, preview).convert("L")
    differing = sum(1 for v in diff.getdata() if v > 48)
    inked = sum(1 for v in drawing.convert("L").getdata() if v < 200)
    share = differing / (drawing.size[0] * drawing.size[1])
    print(f"pictures: {differing} of {drawing.size[0] * drawing.size[1]} pixels differ ({inked} inked)")
    if inked == 0:
        fail("the drawing's picture is empty")
    if share > args.max_differing:
        fail(f"{share:.4%} of the pixels differ")


if __name__ == "__main__":
    main()
