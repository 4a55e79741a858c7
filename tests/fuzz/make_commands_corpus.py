"""Writes the seed corpus of the commands fuzz target: for each drawing the
target starts from (0 the empty one, then its scenario drawings in order)
and each of the module's commands, an input that loads the drawing with the
default settings and runs the command with answers from a fixed stream.

  make_commands_corpus.py OUT_DIR
"""
import random
import sys
from pathlib import Path

DRAWINGS = 15   # the empty drawing and the scenario drawings of commands.cpp
COMMANDS = 14   # the module's command table
HEIGHTDIM = 9   # its index of HeightDim

out = Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
rng = random.Random(1)
for d in range(DRAWINGS):
    for c in range(COMMANDS):
        data = [d, 0, 0, 0, 1, 0, 0, 0, 0, 0, c]
        if c == HEIGHTDIM:
            data.append(rng.randrange(10))
        data.append(1)  # no host call fails
        data += [rng.randrange(256) for _ in range(48)]
        (out / f"d{d:02}-c{c:02}").write_bytes(bytes(data))
