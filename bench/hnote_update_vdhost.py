"""HeightDimUpdate in vdhost itself, under Wine: drawings of 1,000 and
10,000 marks (on 10 and on 100 bases, made by
tests/scenarios/heightdim/make_drawings.py) are loaded and updated, each
run three times. It prints the command's own time (elapsed and processor,
from `vdhost --time`) and the whole run's (Wine's start, the load of the
drawing and the update), each the median of the runs, and what part of the
10,000-mark update the 1,000-mark one takes (an eighth or less: linear).

Run (./vd bench does, with the release build):
  /usr/bin/python3 bench/hnote_update_vdhost.py VDHOST_EXE MODULE_DLL WORK_FOLDER
"""
import os
import subprocess
import sys

from vdhost_timing import arguments, median_of_runs, timed_run

HERE = os.path.dirname(os.path.abspath(__file__))
MAKER = os.path.join(HERE, "..", "tests", "scenarios", "heightdim", "make_drawings.py")
SIZES = ((1000, 10), (1000, 100), (10000, 10), (10000, 100))
RUNS = 3
TARGET_MS = 2000  # 10,000 marks on 100 bases


def drawing(folder, count, bases):
    path = os.path.join(folder, f"marks_{count}_on_{bases}.dxf")
    if not os.path.exists(path):
        subprocess.run([sys.executable, MAKER, "--many", str(count), str(bases), path], check=True)
    return path


def run(vdhost, module, dxf, script, count):
    done, times = timed_run(vdhost, module, ["--load", dxf, script], "HeightDimUpdate")
    if done.returncode != 0 or not times or f"prompt: {count} objektů bylo změněno" not in done.stdout:
        sys.exit(f"hnote_update_vdhost: vdhost did not update the {count} marks of {dxf}:\n{done.stderr}")
    return times


def main():
    vdhost, module, folder = arguments(__doc__)
    script = os.path.join(folder, "update.vds")
    with open(script, "w") as f:
        f.write("init\ncommand HeightDimUpdate\n")
    print(f"{'marks':>7} {'bases':>6} {'command':>12} {'processor':>12} {'whole run':>12}")
    medians = {}
    for count, bases in SIZES:
        dxf = drawing(folder, count, bases)
        runs = [run(vdhost, module, dxf, script, count) for _ in range(RUNS)]
        command, processor, whole = median_of_runs(runs)
        medians[(count, bases)] = (command, processor)
        print(f"{count:>7} {bases:>6} {command:>9.1f} ms {processor:>9.1f} ms {whole:>9.1f} ms")
    for bases in (10, 100):
        small, large = medians[(1000, bases)], medians[(10000, bases)]
        print(f"{bases} bases: 1,000 marks take 1/{large[0] / small[0]:.1f} of the 10,000-mark elapsed time, "
              f"1/{large[1] / small[1]:.1f} of its processor time")
    command, processor = medians[(10000, 100)]
    print(f"bench-result: HeightDimUpdate 10k in vdhost, elapsed {command:.1f} ms target {TARGET_MS} ms")
    print(f"bench-result: HeightDimUpdate 10k in vdhost, processor {processor:.1f} ms target {TARGET_MS} ms")


if __name__ == "__main__":
    main()
