"""Timing a command in vdhost under Wine, shared by the vdhost benchmarks:
one run with `--time`, and the medians of several.
"""
import os
import statistics
import subprocess
import sys
import time


def timed_run(vdhost, module, dxf, script, time_line):
    """Runs vdhost on the drawing and script; gives the command's elapsed
    and processor milliseconds (matched by `time_line`, None when the line is
    missing), the whole run's milliseconds and the finished process."""
    begun = time.monotonic()
    done = subprocess.run(["wine", vdhost, "--module", module, "--time", "--load", dxf, script],
                          capture_output=True, text=True)
    whole = (time.monotonic() - begun) * 1000
    found = time_line.search(done.stderr)
    if not found:
        return None, None, whole, done
    return float(found.group(1)), float(found.group(2)), whole, done


def median_of_runs(runs):
    """The median of each column of (command, processor, whole) runs."""
    return tuple(statistics.median(r[i] for r in runs) for i in range(3))


def setup(argv, usage, script_name, script_text):
    """Reads VDHOST_EXE MODULE_DLL WORK_FOLDER from the command line (exits
    with `usage` otherwise), makes the folder and writes the host script
    into it; gives (vdhost, module, folder, script path)."""
    if len(argv) != 4:
        sys.exit(usage)
    vdhost, module, folder = argv[1:]
    os.makedirs(folder, exist_ok=True)
    script = os.path.join(folder, script_name)
    with open(script, "w") as f:
        f.write(script_text)
    return vdhost, module, folder, script
