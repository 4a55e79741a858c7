"""DimConnect in vdhost itself, under Wine: 1,000 collinear rotated
dimensions (lengths 1 to 20, a third of them measured from their right end
to their left, each with its length as its text), written as a CAD program
writes them by tests/scenarios/lineardims/dimdraw.py, are picked in a
shuffled order and joined, three runs. It prints the command's own time
(elapsed and processor, from `vdhost --time`) and the whole run's, each the
median of the runs, and checks the saved drawing against the joins worked
out here the plain way: each dimension in list order tries every later one,
starting again after each join (the four ways two dimension lines meet, the
last that holds deciding). The command must give that very dimension.

Run (./vd bench does, with the release build):
  /usr/bin/python3 bench/dimconnect_vdhost.py VDHOST_EXE MODULE_DLL WORK_FOLDER
"""
import os
import random
import sys

from vdhost_timing import arguments, median_of_runs, timed_run

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "scenarios", "lineardims"))

COUNT = 1000
RUNS = 3
TARGET_MS = 1000
LINE_Y = 10


def layout():
    """The dimensions as (handle, x of 13, x of 14, text), in drawing order."""
    rnd = random.Random(1000)
    dims, x = [], 0
    for k in range(COUNT):
        length = rnd.randint(1, 20)
        a, b = x, x + length
        if rnd.random() < 1 / 3:
            a, b = b, a
        dims.append(("%X" % (0x1000 + k), a, b, length))
        x += length
    return dims


def drawing(folder, dims):
    path = os.path.join(folder, f"row_{COUNT}.dxf")
    if not os.path.exists(path):
        from dimdraw import Drawing
        d = Drawing()
        for handle, a, b, text in dims:
            d.rotated(handle, (a, 0), (b, 0), line=(0, LINE_Y), text=str(text))
        d.save(path)
    return path


def join_plainly(order):
    """The pairwise scan on dimensions of one horizontal line measured from
    below: (x of 13, x of 14, text); the first foot lies at 13's x, point
    10 at 14's x."""
    dims = list(order)
    i = 0
    while i < len(dims):
        j = i + 1
        while j < len(dims):
            a13, a14, at = dims[i]
            b13, b14, bt = dims[j]
            joined = None
            if a13 == b14:
                joined = (b13, a14)
            if a13 == b13:
                joined = (b14, a14)
            if b13 == a14:
                joined = (b14, a13)
            if a14 == b14:
                joined = (b13, a13)
            if joined is None:
                j += 1
                continue
            dims[i] = (joined[0], joined[1], at + bt)
            del dims[j]
            j = i + 1
        i += 1
    return dims


def check(saved, expected):
    import ezdxf
    got = []
    for d in ezdxf.readfile(saved).modelspace().query("DIMENSION"):
        got.append((round(d.dxf.defpoint2.x, 6), round(d.dxf.defpoint3.x, 6), d.dxf.get("text", ""),
                    round(d.dxf.defpoint.x, 6), round(d.dxf.defpoint.y, 6)))
    want = [(float(a), float(b), str(t), float(b), float(LINE_Y)) for a, b, t in expected]
    if got != want:
        sys.exit(f"dimconnect_vdhost: the joined drawing {saved} holds {got[:3]}..., the plain joins give {want[:3]}...")


def run(vdhost, module, dxf, script, saved):
    done, times = timed_run(vdhost, module, ["--load", dxf, "--save", saved, script], "DimConnect")
    if done.returncode != 0 or not times:
        sys.exit(f"dimconnect_vdhost: vdhost did not join the dimensions of {dxf}:\n{done.stdout[-2000:]}\n{done.stderr}")
    return times


def main():
    vdhost, module, folder = arguments(__doc__)
    dims = layout()
    dxf = drawing(folder, dims)
    picked = list(dims)
    random.Random(7).shuffle(picked)
    script = os.path.join(folder, "dimconnect.vds")
    with open(script, "w") as f:
        f.write("init\ncommand DimConnect\npick " + " ".join(h for h, _, _, _ in picked) + "\n")
    expected = join_plainly([(a, b, t) for _, a, b, t in picked])
    saved = os.path.join(folder, "dimconnect_joined.dxf")
    runs = []
    for _ in range(RUNS):
        runs.append(run(vdhost, module, dxf, script, saved))
        check(saved, expected)
    command, processor, whole = median_of_runs(runs)
    print(f"{'dimensions':>10} {'joined into':>12} {'command':>12} {'processor':>12} {'whole run':>12}")
    print(f"{COUNT:>10} {len(expected):>12} {command:>9.1f} ms {processor:>9.1f} ms {whole:>9.1f} ms")
    print(f"bench-result: DimConnect 1k {command:.0f} ms target {TARGET_MS} ms")


if __name__ == "__main__":
    main()
