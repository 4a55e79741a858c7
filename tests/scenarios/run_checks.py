#!/usr/bin/python3
"""Runs many drawing checkers in one Python process: ezdxf is imported once,
where each checker run alone spends a third of a second importing it.

  run_checks.py LIST

LIST holds one check a line: its name, the checker (a path) and the
checker's arguments, separated by tabs. Each checker runs as its own
program would (sys.argv set, run as __main__, in the current folder); a
check fails when the checker exits with a status other than 0 or raises.
Prints one line a check and fails when any failed.
"""
import runpy
import sys
import traceback
from pathlib import Path


def run(checker, args):
    """True when the checker passed."""
    saved_argv, saved_path = sys.argv, list(sys.path)
    sys.argv = [checker] + args
    sys.path.insert(0, str(Path(checker).parent))
    try:
        runpy.run_path(checker, run_name="__main__")
        return True
    except SystemExit as e:
        if e.code not in (None, 0) and not isinstance(e.code, int):
            print(e.code)  # sys.exit("message"), as a program would print it
        return e.code in (None, 0)
    except Exception:  # noqa: BLE001 - a checker that raises has failed, and the next ones still run
        traceback.print_exc(file=sys.stdout)
        return False
    finally:
        sys.argv, sys.path[:] = saved_argv, saved_path


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    failed = []
    for line in Path(sys.argv[1]).read_text(encoding="utf-8").splitlines():
        if not line.strip():
            continue
        name, checker, *args = line.split("\t")
        ok = run(checker, args)
        print(f"{name}: {'passed' if ok else 'FAILED'}", flush=True)
        if not ok:
            failed.append(name)
    if failed:
        print(f"{len(failed)} check(s) failed: {' '.join(failed)}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
