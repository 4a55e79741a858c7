"""DimAlign in vdhost itself, under Wine: a row of 1,000 and of 10,000
rotated dimensions (tests/scenarios/dimalign/make_drawings.py --many) is
aligned onto the sample left of it, each run three times. It prints the
command's own time (elapsed and processor, from `vdhost --time`) and the
whole run's (Wine's start, the load of the drawing, the command), each the
median of the runs, and the headline figure as a `bench-result:` line.

Run (./vd bench does, with the release build):
  /usr/bin/python3 bench/dimalign_vdhost.py VDHOST_EXE MODULE_DLL WORK_FOLDER
"""
import os
import subprocess
import sys

from vdhost_timing import arguments, median_of_runs, timed_run

HERE = os.path.dirname(os.path.abspath(__file__))
MAKER = os.path.join(HERE, "..", "tests", "scenarios", "dimalign", "make_drawings.py")
SIZES = (1000, 10000)
RUNS = 3
TARGET_MS = 1000  # 10,000 dimensions
# The sample and every dimension of the row lie inside this window.
SCRIPT = "init\ncommand DimAlign\npick A00\nwindow -1000,-100 1000000,100\n"


def drawing(folder, count):
    path = os.path.join(folder, f"row_{count}.dxf")
    if not os.path.exists(path):
        subprocess.run(["/usr/bin/python3", MAKER, "--many", str(count), path], check=True)
    return path


def run(vdhost, module, dxf, script, count):
    done, times = timed_run(vdhost, module, ["--load", dxf, script], "DimAlign")
    # The row and the sample (selected again, it is rewritten onto itself).
    # Entities added one after another share a transcript line: "drawing:
    # entity added DIMENSION 1F, DIMENSION 20, ...".
    added = [line[len("drawing: entity added "):] for line in done.stdout.splitlines()
             if line.startswith("drawing: entity added ")]
    written = sum(1 for line in added for item in line.split(", ") if item.startswith("DIMENSION "))
    if done.returncode != 0 or not times or written != count + 1:
        sys.exit(f"dimalign_vdhost: vdhost did not align the {count} dimensions of {dxf} "
                 f"({written} written):\n{done.stderr[-2000:]}")
    return times


def main():
    vdhost, module, folder = arguments(__doc__)
    script = os.path.join(folder, "dimalign.vds")
    with open(script, "w") as f:
        f.write(SCRIPT)
    print(f"{'dimensions':>10} {'command':>12} {'processor':>12} {'whole run':>12}")
    commands = {}
    for count in SIZES:
        dxf = drawing(folder, count)
        runs = [run(vdhost, module, dxf, script, count) for _ in range(RUNS)]
        command, processor, whole = median_of_runs(runs)
        commands[count] = command
        print(f"{count:>10} {command:>9.1f} ms {processor:>9.1f} ms {whole:>9.1f} ms")
    print(f"bench-result: DimAlign 10k {commands[10000]:.0f} ms target {TARGET_MS} ms")


if __name__ == "__main__":
    main()
