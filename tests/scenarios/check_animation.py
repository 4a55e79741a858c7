#!/usr/bin/python3
"""Runs the settings dialog's animation script in vdhost and checks its
pictures (animation/settings_animation.vds, one every 0.6 s over more than
three steps of the animation): they show exactly three states, zero
("±0.000"), a positive ("+1.234") and a negative value ("-1.234") of the
section preview, one after the other in that cycle. A slow run takes fewer
pictures per step, never a different answer.

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


def pictures(out):
    """The script's pictures in OUT (animation-N.png), in the order of N."""
    names = [f for f in os.listdir(out) if f.startswith("animation-") and f.endswith(".png")]
    return sorted(names, key=lambda f: int(f[len("animation-"):-len(".png")]))


def main():
    out, command = sys.argv[1], sys.argv[2:]
    os.makedirs(out, exist_ok=True)
    for f in pictures(out):
        os.remove(os.path.join(out, f))
    run = subprocess.run(command + [SCRIPT], cwd=out, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if run.returncode != 0:
        print(run.stdout.decode("utf-8", "replace"))
        return 1
    shots = [read_png(os.path.join(out, f)) for f in pictures(out)]
    width, height = shots[0][0], shots[0][1]
    assert all(s[0] == width and s[1] == height for s in shots), "the pictures differ in size"
    # The states in the order they showed, each run of equal pictures one state.
    seen = []
    for s in shots:
        if not seen or s[2] != seen[-1]:
            seen.append(s[2])
    states = []
    for p in seen:
        if p not in states:
            states.append(p)
    assert len(states) == 3, f"{len(states)} different pictures among {len(shots)}: the preview shows three values"
    a, b, c = states
    boxes = {"first/second": diff_box(a, b), "second/third": diff_box(b, c), "first/third": diff_box(a, c)}
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
    texts = [characters(p, x0, y0, x1, y1) for p in states]
    counts = [len(t) for t in texts]
    assert counts[0] == counts[1] == counts[2] >= 5, f"characters of the three values: {counts}"
    # The sign's ink tells the values apart: "±" has most, "+" less, "-" least.
    inks = [sum(row.count("#") for row in t[0]) for t in texts]
    assert len(set(inks)) == 3 and min(inks) > 0, f"sign ink of the three values: {inks}"
    zero, plus, minus = sorted(range(3), key=lambda i: -inks[i])
    assert texts[plus][1:] == texts[minus][1:], "the positive and the negative value differ in their digits"
    assert texts[zero][1:] != texts[plus][1:], "zero shows the digits of the other values"
    # Zero, then the positive, then the negative value, and round again.
    role = {zero: "zero", plus: "positive", minus: "negative"}
    order = [role[states.index(p)] for p in seen]
    cycle = ["zero", "positive", "negative"]
    for x, y in zip(order, order[1:]):
        assert cycle[(cycle.index(x) + 1) % 3] == y, f"the preview steps from {x} to {y}: {order}"
    return 0


if __name__ == "__main__":
    sys.exit(main())
