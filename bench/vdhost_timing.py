"""What the benchmarks of commands in vdhost share: one run under Wine with
`--time`, read back as the command's elapsed and processor time and the
whole run's time.
"""
import os
import re
import statistics
import subprocess
import sys
import time


def timed_run(vdhost, module, arguments, command):
    """Runs `wine VDHOST --module MODULE --time ARGUMENTS...`; returns the
    finished process and (command ms, processor ms, whole run ms), the
    times None when the command's line is missing."""
    line = re.compile(rf"vdhost: time command {re.escape(command)} .*: ([0-9.]+) ms \(processor ([0-9.]+) ms\)")
    begun = time.monotonic()
    done = subprocess.run(["wine", vdhost, "--module", module, "--time", *arguments], capture_output=True, text=True)
    whole = (time.monotonic() - begun) * 1000
    found = line.search(done.stderr)
    if not found:
        return done, None
    return done, (float(found.group(1)), float(found.group(2)), whole)


def arguments(usage):
    """VDHOST_EXE MODULE_DLL WORK_FOLDER from the command line, the folder
    made; the usage text ends the program when they are not given."""
    if len(sys.argv) != 4:
        sys.exit(usage)
    vdhost, module, folder = sys.argv[1:]
    os.makedirs(folder, exist_ok=True)
    return vdhost, module, folder


def median_of_runs(runs):
    """The median of each column of (command, processor, whole) runs."""
    return tuple(statistics.median(r[i] for r in runs) for i in range(3))
