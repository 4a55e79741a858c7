#!/usr/bin/python3
"""Makes the README's pictures of the tour in docs/pictures/tour/ from what
./vd demo wrote in build/demo: the plan before and after the tour, a crop
of a step's picture for each command, and the dialogs' pictures. Run from
the repository root after ./vd demo (its step pictures are 1600 x 1200;
the crops below are boxes of those pixels, worked out on them: move them
when the plan or the tour moves things). Debian's python3 with python3-pil
(which python3-matplotlib, one of ./vd's packages, brings).
Usage: examples/tour_pictures.py [DEMO-FOLDER [OUT-FOLDER]]
"""
import os
import sys

from PIL import Image

# name: (step picture, box left, top, right, bottom)
CROPS = {
    "heightdim": ("01-marks.png", 1090, 400, 1575, 1080),
    "heightdimedit": ("03-edit.png", 1090, 400, 1575, 740),
    "heightdimsetbase": ("03-edit.png", 1090, 770, 1575, 1080),
    "heightdimupdate": ("03-edit.png", 150, 220, 920, 740),
    "dimarc": ("04-arcs.png", 840, 320, 1090, 610),
    "dimarc2": ("04-arcs.png", 560, 330, 810, 550),
    "dimarc3": ("04-arcs.png", 840, 320, 1090, 610),
    "dimarc4": ("04-arcs.png", 280, 390, 550, 500),
    "dimarclength": ("03-edit.png", 840, 320, 1090, 610),
    "dimconnect": ("05-row.png", 120, 100, 600, 175),
    "dimdivide": ("05-row.png", 560, 100, 920, 175),
    "dimalign": ("05-row.png", 40, 200, 190, 740),
    "dimupdateucs": ("05-row.png", 40, 200, 190, 740),
}
# The whole drawing before and after, scaled to this width.
WHOLE_WIDTH = 1000
DIALOGS = {
    "dialog-heightdim.png": "01-heightdim-dialog.png",
    "dialog-settings.png": "02-settings-dialog.png",
    "dialog-heightdimedit.png": "03-heightdim-edit-dialog.png",
}


def save(picture, path):
    # A palette of 128 colours keeps the files small; the drawings have few.
    picture.convert("RGB").quantize(colors=128).save(path, optimize=True)


def main():
    demo = sys.argv[1] if len(sys.argv) > 1 else "build/demo"
    out = sys.argv[2] if len(sys.argv) > 2 else "docs/pictures/tour"
    os.makedirs(out, exist_ok=True)
    for name, step in (("before.png", "00-plan.png"), ("after.png", "05-row.png")):
        whole = Image.open(os.path.join(demo, step))
        height = whole.height * WHOLE_WIDTH // whole.width
        save(whole.resize((WHOLE_WIDTH, height), Image.LANCZOS), os.path.join(out, name))
    for name, (step, *box) in CROPS.items():
        save(Image.open(os.path.join(demo, step)).crop(box), os.path.join(out, name + ".png"))
    for name, dialog in DIALOGS.items():
        save(Image.open(os.path.join(demo, dialog)), os.path.join(out, name))
    total = sum(os.path.getsize(os.path.join(out, f)) for f in os.listdir(out))
    print(f"{len(os.listdir(out))} pictures in {out}, {total // 1024} KiB")


if __name__ == "__main__":
    main()
