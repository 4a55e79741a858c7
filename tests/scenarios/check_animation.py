#!/usr/bin/python3
"""Runs the settings dialog's animation script in vdhost and checks its three
pictures (animation/settings_animation.vds): zero ("±0.000"), a positive
("+1.234") and a negative value ("-1.234") of the section preview.

Only the value text of the section preview may change between the pictures,
so each pair must differ, and only inside the section pane (the upper right
part of the dialog), in a box no higher than a line of text. Cut into its
characters (columns without ink between them), the text of the positive and
of the negative value share their digits, which zero's text does not; and
the sign's ink tells the three apart: "±" has most, "+" less, "-" least.

Usage: check_animation.py OUTDIR HOST-COMMAND...
"""
import os
import subprocess
import sys

from check_picture import read_png

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "animation", "settings_animation.vds")


def diff_box(a, b):
    """The box (x0, y0, x1, y1) of the pixels that differ, or None."""
    xs, ys = [], []
    for y, (ra, rb) in enumerate(zip(a, b)):
        for x, (pa, pb) in enumerate(zip(ra, rb)):
            if pa != pb:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs), max(ys)) if xs else None


def characters(pixels, x0, y0, x1, y1):
    """The characters of a line of dark text in a box: each a list of its rows
    ("#" ink, "." ground), trimmed to its own columns; split at ink-free columns."""
    dark = [[sum(pixels[y][x]) < 384 for x in range(x0, x1 + 1)] for y in range(y0, y1 + 1)]
    columns = [any(row[i] for row in dark) for i in range(x1 - x0 + 1)]
    out, start = [], None
    for i, on in enumerate(columns + [False]):
        if on and start is None:
            start = i
        elif not on and start is not None:
            out.append(["".join("#" if c else "." for c in row[start:i]) for row in dark])
            start = None
    return out


def main():
    out, command = sys.argv[1], sys.argv[2:]
    os.makedirs(out, exist_ok=True)
    run = subprocess.run(command + [SCRIPT], cwd=out, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if run.returncode != 0:
        print(run.stdout.decode("utf-8", "replace"))
        return 1
    shots = [read_png(os.path.join(out, f"animation-{i}.png")) for i in range(3)]
    width, height = shots[0][0], shots[0][1]
    assert all(s[0] == width and s[1] == height for s in shots), "the pictures differ in size"
    zero, plus, minus = (s[2] for s in shots)
    boxes = {"zero/positive": diff_box(zero, plus), "positive/negative": diff_box(plus, minus),
             "zero/negative": diff_box(zero, minus)}
    for name, box in boxes.items():
        assert box, f"{name}: the pictures are the same: the preview did not animate"
        x0, y0, x1, y1 = box
        assert x0 > width * 0.6 and y1 < height * 0.6, f"{name}: a change outside the section preview: {box}"
        assert y1 - y0 < height * 0.1, f"{name}: more than a line of text changed: {box}"
    # The band of the value text, a little wider than all that changed.
    x0 = min(b[0] for b in boxes.values()) - 3
    x1 = max(b[2] for b in boxes.values()) + 3
    y0 = min(b[1] for b in boxes.values())
    y1 = max(b[3] for b in boxes.values())
    texts = [characters(p, x0, y0, x1, y1) for p in (zero, plus, minus)]
    counts = [len(t) for t in texts]
    assert counts[0] == counts[1] == counts[2] >= 5, f"characters (±0.000, +1.234, -1.234): {counts}"
    assert texts[1][1:] == texts[2][1:], "the positive and the negative value differ in their digits"
    assert texts[0][1:] != texts[1][1:], "zero shows the digits of the other values"
    inks = [sum(row.count("#") for row in t[0]) for t in texts]
    assert inks[0] > inks[1] > inks[2] > 0, f"sign ink (±, +, -) = {inks}"
    print(f"animation: the value text in {(x0, y0, x1, y1)}, {counts[0]} characters, sign ink ±/+/- = {inks}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
