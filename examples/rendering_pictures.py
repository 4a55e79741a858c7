#!/usr/bin/python3
"""Makes docs/pictures/texts-and-dimensions.png: the gallery of texts and
dimensions (tests/scenarios/pictures/gallery.dxf, made by make_gallery.py)
as vdhost draws it, beside ezdxf's drawing add-on's picture of the same
file. Run from the repository root with the command that runs vdhost:

  examples/rendering_pictures.py wine build/win64/bin/vdhost.exe

Debian's python3 with python3-ezdxf and python3-matplotlib (./vd's packages).
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "scenarios"))
import check_rendering  # noqa: E402

SIZE = (1200, 900)
GALLERY = os.path.join(HERE, "..", "tests", "scenarios", "pictures", "gallery.dxf")
OUT = os.path.join(HERE, "..", "docs", "pictures", "texts-and-dimensions.png")
CAPTION = 28


def main():
    host = sys.argv[1:]
    if not host:
        print(__doc__)
        return 2
    window = check_rendering.window_of(GALLERY, SIZE)
    with tempfile.TemporaryDirectory() as work:
        vd_png, ez_png = os.path.join(work, "vdhost.png"), os.path.join(work, "ezdxf.png")
        script = os.path.join(work, "gallery.vds")
        with open(script, "w", encoding="utf-8") as f:
            f.write(f'load "{os.path.abspath(GALLERY)}"\n')
            f.write(f'snapshot "{vd_png}" {window[0]!r},{window[1]!r} {window[2]!r},{window[3]!r}\n')
        subprocess.run(host + ["--quiet", "--picture-size", f"{SIZE[0]}x{SIZE[1]}", script], check=True)
        check_rendering.render_ezdxf(GALLERY, window, ez_png, SIZE)
        out = Image.new("RGB", (2 * SIZE[0] + 10, SIZE[1] + CAPTION), "white")
        draw = ImageDraw.Draw(out)
        for k, (png, caption) in enumerate(((vd_png, "vdhost --picture"), (ez_png, "ezdxf drawing add-on"))):
            x = k * (SIZE[0] + 10)
            out.paste(Image.open(png).convert("RGB"), (x, CAPTION))
            draw.text((x + 8, 6), caption, fill=(0, 0, 0))
            draw.rectangle((x, CAPTION, x + SIZE[0] - 1, CAPTION + SIZE[1] - 1), outline=(160, 160, 160))
        out.save(OUT)
    print(f"written {os.path.normpath(OUT)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
