"""A small mutation tester: how many deliberate faults in the product code
the tests find (docs/testing.md, "Mutation scores").

  mutate.py [MODULE...] [--sample N] [--seed S] [--list] [--json FILE [--resume]] [--matrix]
  mutate.py [MODULE...] --recheck BEFORE.json --tests REGEX

A mutant is one change of one line of a product source: a comparison
flipped, an arithmetic or logical operator swapped, a condition negated, an
integer constant off by one, a call removed, a returned truth turned. The
candidates are found in the sources of each module (outside comments and
string literals), N of them drawn with the seed (all when fewer), and each
is applied alone to a copy of the tracked files (build/mutate/src; the
working tree is never touched), built incrementally in build/mutate/build
(g++, no sanitizers, -O1), and the tests whose programs the build relinked
run against it. A mutant is killed when a test fails, survives when all
pass, times out when a test runs over three times its time on the clean
build (and at least 20 s), and does not count when it does not compile or
no test program links its code.

Per module it prints mutants, killed, survived, timed out, the score
(killed and timed out over those that count) and every surviving mutant
with its file, line and operator. The same seed draws the same mutants.

With --recheck a rewritten test is held to what it found: the mutants that
BEFORE (the --json file of an earlier run) lists as found by a test whose
ctest name --tests matches run again, against those tests only. Every one
should still be killed; a survivor is a fault the rewrite let through.
"""
import argparse
import concurrent.futures
import hashlib
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WORK = ROOT / "build" / "mutate"
SRC = WORK / "src"
BUILD = WORK / "build"
WINDOWS = False  # --windows: BUILD and MODULES are the Windows build's

# The product modules, each the folders of its sources.
MODULES = {
    "geom": ["geom"],
    "colour": ["colour"],
    "preview": ["preview"],
    "host": ["host"],
    "entity2d": ["entity2d"],
    "store": ["store"],
    "heightdim": ["heightdim"],
    "dimtools": ["dimtools"],
    "commands": ["commands"],
    "hostsim": ["hostsim"],
    "tools": ["tools/png", "tools/native_sweep"],
}

# The modules of the Windows build only (--windows): built with mingw-w64 in
# build/mutate/win, their tests run under Wine. A module names folders or
# files; only what the native build does not compile is mutated here (the
# portable rest is the native modules' part).
WINDOWS_MODULES = {
    "controls": ["controls"],
    "ui": ["ui"],
    "gdi": ["preview/entity.cpp", "preview/paint_tables.cpp", "preview/view.cpp", "preview/view_factories.cpp",
            "preview/view_snap.cpp", "hostsim/text_metrics_gdi.cpp"],
    "dialogs": ["heightdim/settings_dialog.cpp", "heightdim/edit_dialogs.cpp", "heightdim/builder_preview.cpp",
                "dimtools/arc_length_dialog.cpp"],
    "win": ["host/win", "store/win", "peltar"],
}
# Under mutation the Windows build runs the tests that link the mutated code,
# not those that load the module into vdhost: each of those scenarios shows
# its dialogs under Wine for seconds, and every mutant of a Windows module
# relinks the module they all load (some ten minutes a mutant). Their part is
# measured through the native scenario checks and the fault sweeps.
WINDOWS_SKIPS_PROGRAM = "vdhost.exe"
WINDOWS_TOOLCHAIN = "cmake/mingw-w64.cmake"

FLAGS = "-O1 -g0"
# Every mutant relinks each test program that links its library: lld links
# them several times faster than the system linker.
LINK = "-fuse-ld=lld"


# --- Finding the candidates ----------------------------------------------------

def code_mask(text):
    """The text with comments and the insides of string and character
    literals blanked out (same length, newlines kept), so that operators are
    looked for in code only."""
    out = list(text)
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            for k in range(i, j):
                out[k] = " "
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            for k in range(i, j):
                if out[k] != "\n":
                    out[k] = " "
            i = j
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            if not m:
                i += 1
                continue
            end = text.find(")" + m.group(1) + '"', i)
            end = n if end < 0 else end + len(m.group(1)) + 2
            for k in range(i + 1, end):
                if out[k] != "\n":
                    out[k] = " "
            i = end
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            for k in range(i + 1, min(j, n)):
                out[k] = " "
            i = j + 1
        else:
            i += 1
    return "".join(out)


SWAPS = [
    ("flipped comparison", [(" == ", " != "), (" != ", " == "), (" < ", " >= "), (" > ", " <= "),
                            (" <= ", " > "), (" >= ", " < ")]),
    ("swapped arithmetic", [(" + ", " - "), (" - ", " + "), (" * ", " / "), (" / ", " * ")]),
    ("swapped logic", [(" && ", " || "), (" || ", " && ")]),
]
CALL = re.compile(r"^(\s*)(?:[A-Za-z_][\w]*(?:::|\.|->))*[A-Za-z_]\w*\(.*\);\s*$")
KEYWORDS = ("return", "if", "while", "for", "switch", "case", "delete", "throw", "sizeof", "static_assert")
NUMBER = re.compile(r"(?<![\w.])(\d+)(?![\w.])")


def candidates(path, rel):
    """Every mutant of one file: (file, line number, operator, old line, new line)."""
    text = path.read_text(encoding="utf-8")
    lines = text.split("\n")
    masked = code_mask(text).split("\n")
    found = []
    for no, (line, code) in enumerate(zip(lines, masked), start=1):
        stripped = code.strip()
        if not stripped or stripped.startswith("#") or "static_assert" in code or "template" in code:
            continue
        for name, pairs in SWAPS:
            for old, new in pairs:
                start = 0
                while True:
                    at = code.find(old, start)
                    if at < 0:
                        break
                    # Not a stream, a shift, an arrow or a template's bracket.
                    around = code[max(0, at - 1):at + len(old) + 1]
                    if not re.search(r"<<|>>|->", around):
                        found.append((rel, no, name, line, line[:at] + new + line[at + len(old):]))
                    start = at + len(old)
        m = re.match(r"^(\s*(?:\}\s*else\s+)?if \()(.*)(\)\s*\{?\s*)$", code)
        if m and code.count("(") == code.count(")"):
            head, cond, tail = m.group(1), m.group(2), m.group(3)
            found.append((rel, no, "negated condition", line,
                          line[:len(head)] + "!(" + line[len(head):len(head) + len(cond)] + ")" + line[len(head) + len(cond):]))
        for nm in NUMBER.finditer(code):
            if "[" in code[:nm.start()] and "]" in code[nm.end():] and re.search(r"\w\s*\[", code):
                continue  # an array's size: a changed one still compiles rarely and says little
            value = int(nm.group(1))
            found.append((rel, no, "constant off by one", line,
                          line[:nm.start()] + str(value + 1) + line[nm.end():]))
        if CALL.match(code) and not stripped.startswith(KEYWORDS) and "=" not in stripped.split("(")[0]:
            found.append((rel, no, "removed call", line, CALL.match(code).group(1) + ";"))
        for old, new in (("return true;", "return false;"), ("return false;", "return true;")):
            at = code.find(old)
            if at >= 0:
                found.append((rel, no, "changed return value", line, line[:at] + new + line[at + len(old):]))
    return found


def module_candidates(module, compiled):
    out = []
    for folder in MODULES[module]:
        top = ROOT / folder
        for path in [top] if top.is_file() else sorted(top.rglob("*.cpp")):
            rel = path.relative_to(ROOT).as_posix()
            if rel in compiled:
                out.extend(candidates(path, rel))
    return out


# --- Which tests run a line ----------------------------------------------------
# A test can only find a mutant on a line it runs. Once per tree, a copy built
# with --coverage (build/mutate/cov) runs each test alone (with the setups of
# its fixtures, as ctest adds them), and gcov tells which lines of the product
# sources it ran. A mutant then runs the relinked tests that ran its line; a
# line gcov has no record of (a declaration, a value of a table, a line inside
# a statement that gcov counts at another) runs them all.

COVERAGE = WORK / "cov"
COVERAGE_FLAGS = "--coverage -O0 -g0"


def tree_stamp():
    """What the map depends on: the files of the copy, by their contents
    (this tool and the documents aside)."""
    digest = hashlib.sha1()
    for path in sorted(p for p in SRC.rglob("*") if p.is_file()):
        if path.suffix == ".md" or path.relative_to(SRC).as_posix().startswith("tools/mutate/"):
            continue
        digest.update(path.relative_to(SRC).as_posix().encode() + b"\0" + path.read_bytes())
    return digest.hexdigest()


def kept_for(path, stamp):
    """What `path` keeps for the tree of `stamp`, or None."""
    if path.exists():
        kept = json.loads(path.read_text())
        if kept.get("stamp") == stamp:
            return kept
    return None


def gcov_lines(build_dir):
    """{(file relative to the source copy, line): count} of what the last run
    left in the .gcda files of build_dir."""
    out = {}
    notes = [str(p) for p in Path(build_dir).rglob("*.gcda")]
    for i in range(0, len(notes), 50):
        r = subprocess.run(["gcov", "--json-format", "--stdout"] + notes[i:i + 50], cwd=build_dir,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        for doc in r.stdout.splitlines():
            if not doc.startswith("{"):
                continue
            for f in json.loads(doc).get("files", []):
                try:
                    rel = Path(f["file"]).resolve().relative_to(SRC.resolve()).as_posix()
                except ValueError:
                    continue
                if rel.startswith(("tests/", "bench/", "build/")):
                    continue
                for ln in f["lines"]:
                    key = (rel, ln["line_number"])
                    out[key] = out.get(key, 0) + ln["count"]
    return out


def coverage_map(names, stamp):
    """{"lines": {"file:line": [tests that ran it]}} for the tests `names`,
    kept in build/mutate/coverage-map.json for the tree it was made of
    (`stamp`)."""
    path = WORK / "coverage-map.json"
    kept = kept_for(path, stamp)
    if kept and set(kept["tests"]) >= set(names):
        return kept
    if not (COVERAGE / "build.ninja").exists():
        r = run(["cmake", "-S", str(SRC), "-B", str(COVERAGE), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=",
                 f"-DCMAKE_CXX_FLAGS={COVERAGE_FLAGS}", f"-DCMAKE_C_FLAGS={COVERAGE_FLAGS}",
                 "-DCMAKE_EXE_LINKER_FLAGS=--coverage"])
        if r.returncode:
            sys.exit("mutate: cannot configure build/mutate/cov:\n" + r.stdout)
    print("coverage map: building build/mutate/cov", flush=True)
    r = run(["cmake", "--build", str(COVERAGE), "-j", str(os.cpu_count() or 2)])
    if r.returncode:
        sys.exit("mutate: build/mutate/cov does not build:\n" + r.stdout[-3000:])
    lines = {}
    for i, name in enumerate(sorted(names), start=1):
        for note in COVERAGE.rglob("*.gcda"):
            note.unlink()
        began = time.monotonic()
        run(["ctest", "--test-dir", str(COVERAGE), "-R", "^" + re.escape(name) + "$"])
        ran = gcov_lines(COVERAGE)
        for (rel, no), count in ran.items():
            entry = lines.setdefault(f"{rel}:{no}", [])
            if count:
                entry.append(name)
        print(f"  coverage map [{i}/{len(names)}] {name}: {sum(1 for c in ran.values() if c)} lines run, "
              f"{time.monotonic() - began:.0f} s", flush=True)
    kept = {"stamp": stamp, "tests": sorted(names), "lines": lines}
    path.write_text(json.dumps(kept))
    return kept


def tests_of_line(cmap, rel, no, relinked):
    """The relinked tests that can find a mutant of line `no` of `rel`."""
    ran = cmap["lines"].get(f"{rel}:{no}") if cmap else None
    return relinked if ran is None else [n for n in relinked if n in ran]


# --- Building and testing ------------------------------------------------------

def run(cmd, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)


def copy_sources():
    """The tracked files as they are in the working tree, into build/mutate/src;
    files that did not change keep their times, so the build stays incremental.
    A copied file takes the time of the copy, not the working tree's: a
    source put back after a run that stopped with its mutant applied is older
    than the mutant's object, and the build would keep the mutant."""
    files = run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"], cwd=ROOT).stdout.split("\0")
    for rel in filter(None, files):
        src, dst = ROOT / rel, SRC / rel
        if not src.is_file():
            continue
        if dst.exists() and dst.read_bytes() == src.read_bytes():
            continue
        dst.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(src, dst)
        shutil.copymode(src, dst)


def configure(again=False):
    """Configures the build tree once; with `again` a tree configured before
    is configured again (for a question asked of it before its build, such
    as which programs a test runs)."""
    if (BUILD / "build.ninja").exists():
        if again:
            run(["cmake", "-S", str(SRC), "-B", str(BUILD)])
        return
    toolchain = [f"-DCMAKE_TOOLCHAIN_FILE={SRC / WINDOWS_TOOLCHAIN}"] if WINDOWS else []
    r = run(["cmake", "-S", str(SRC), "-B", str(BUILD), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=",
             f"-DCMAKE_CXX_FLAGS={FLAGS}", f"-DCMAKE_C_FLAGS={FLAGS}", f"-DCMAKE_EXE_LINKER_FLAGS={LINK}",
             f"-DCMAKE_SHARED_LINKER_FLAGS={LINK}", "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON"] + toolchain)
    if r.returncode:
        sys.exit("mutate: cannot configure build/mutate/build:\n" + r.stdout)


TARGETS = []  # --recheck: only the programs of the tests that run are built


def build():
    return run(["cmake", "--build", str(BUILD), "-j", str(os.cpu_count() or 2)] +
               (["--target"] + TARGETS if TARGETS else []))


def compiled_sources():
    entries = json.loads((BUILD / "compile_commands.json").read_text())
    out = set()
    for e in entries:
        f = Path(e["file"])
        try:
            out.add(f.resolve().relative_to(SRC.resolve()).as_posix())
        except ValueError:
            pass
    return out


def tests(built_only=True):
    """Each test's name and the programs of the build it runs: those its
    command names and those of the tests that set up its fixtures (a
    checker of a drawing runs no program of ours, but reads what one made).
    With built_only=False also programs not built yet (a fresh build tree
    asked which targets to build)."""
    data = json.loads(run(["ctest", "--test-dir", str(BUILD), "--show-only=json-v1"]).stdout)
    own, required, setup_by = {}, {}, {}
    for t in data.get("tests", []):
        own[t["name"]] = [a for a in t.get("command", [])
                          if a.startswith(str(BUILD)) and (os.path.isfile(a) or not built_only)]
        props = {p["name"]: p["value"] for p in t.get("properties", [])}
        required[t["name"]] = props.get("FIXTURES_REQUIRED", [])
        for fixture in props.get("FIXTURES_SETUP", []):
            setup_by.setdefault(fixture, []).append(t["name"])
        # The ctest a test runs in: with the other tests of its fixtures, so
        # that their setup runs once, else alone.
        fixtures = sorted(set(required[t["name"]]) | set(props.get("FIXTURES_SETUP", [])))
        GROUP[t["name"]] = "fixtures " + " ".join(fixtures) if fixtures else t["name"]
    out = {name: sorted(set(programs + [p for f in required[name] for s in setup_by.get(f, []) for p in own[s]]))
           for name, programs in own.items()}
    if WINDOWS:
        out = {name: ps for name, ps in out.items() if not any(Path(p).name == WINDOWS_SKIPS_PROGRAM for p in ps)}
    return out


def stamps(all_tests):
    return {p: os.path.getmtime(p) for programs in all_tests.values() for p in programs}


GROUP = {}  # test -> the name of the ctest run it goes in (tests() fills it)
RUNNING = set()  # the ctest processes running now
STOPPING = threading.Event()  # set by SIGTERM: no more tests start


def stop_running():
    for p in list(RUNNING):
        try:
            os.killpg(p.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


def stopped(*_):
    """SIGTERM: the tests running now are ended, and the mutated source is
    put back as after Ctrl-C."""
    STOPPING.set()
    stop_running()
    sys.exit("mutate: stopped")


def run_group(names, timeout, matrix, out, stop):
    """One ctest of the tests `names` (one time limit for them all): the
    failed tests, those that timed out and the failing GoogleTest cases."""
    if stop.is_set() or STOPPING.is_set():
        return [], [], []
    out.mkdir(parents=True)
    pattern = "^(" + "|".join(re.escape(n) for n in names) + ")$"
    # A fixture's tests (the checkers of the scenarios' drawings, half a
    # second each, mostly ezdxf starting) run beside one another.
    cmd = ["ctest", "--test-dir", str(BUILD), "-R", pattern, "--timeout", str(timeout), "-j", str(os.cpu_count() or 2)]
    if not matrix:
        cmd.append("--stop-on-failure")
    # A Windows program under Wine is given the folder as a Windows path
    # (drive Z: is the Linux root); it writes no report to a Linux one.
    folder = "Z:" + str(out).replace("/", "\\") + "\\" if WINDOWS else f"{out}/"
    p = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, start_new_session=True,
                         env=dict(os.environ, GTEST_OUTPUT=f"json:{folder}"))
    RUNNING.add(p)
    stdout, _ = p.communicate()
    RUNNING.discard(p)
    if stop.is_set():
        return [], [], []
    failed, timed_out = [], []
    for line in stdout.split("\n"):
        m = re.match(r"^\s*\d+ - (\S+) \((.*)\)\s*$", line)
        if not m or m.group(1) not in names:
            continue
        if m.group(2) == "Timeout":
            timed_out.append(m.group(1))
        elif m.group(2) != "Not Run":
            failed.append(m.group(1))
    cases = []
    for report in out.glob("*.json"):
        try:
            data = json.loads(report.read_text())
        except ValueError:
            continue
        for suite in data.get("testsuites", []):
            for case in suite.get("testsuite", []):
                if case.get("failures"):
                    cases.append(f"{report.stem}/{suite['name']}.{case['name']}")
    if p.returncode and not failed and not timed_out:
        # ctest failed without naming a test of ours (a fixture's setup): a failure all the same.
        failed.append("ctest: " + stdout.strip().split("\n")[-1])
    return failed, timed_out, cases


def run_tests(names, timeouts, matrix):
    """'killed', 'survived' or 'timed out' for the tests `names`. Each runs
    in a ctest of its own with its own time limit, the tests of a fixture in
    one (its setup runs once), as many at a time as there are cores, the
    longest first. With `matrix` every test runs (none stops the others)
    and the result names what found the mutant: the failing tests and, for
    GoogleTest programs, their failing cases ("program/Suite.Case");
    without, the quickest run first and the first failure stops the rest.
    A time-out stops the rest in both."""
    out = WORK / "gtest"
    shutil.rmtree(out, ignore_errors=True)
    groups = {}
    for n in names:
        groups.setdefault(GROUP.get(n, n), []).append(n)
    order = sorted(groups.values(), key=lambda g: max(timeouts[n] for n in g), reverse=matrix)
    stop = threading.Event()
    failed, timed_out, cases = [], [], []
    # Under Wine the tests that show windows take turns at the one display
    # (cmake/wine_display.sh waits for it), and a test's time limit runs
    # while it waits: side by side, the second of two dialog tests timed out
    # on every mutant that relinked both. The Windows run takes them in turn.
    workers = 1 if WINDOWS else os.cpu_count() or 2
    with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
        jobs = [pool.submit(run_group, g, max(timeouts[n] for n in g), matrix, out / str(i), stop)
                for i, g in enumerate(order)]
        for job in concurrent.futures.as_completed(jobs):
            f, t, c = job.result()
            failed += f
            timed_out += t
            cases += c
            # A mutant that hangs one test mostly hangs the others that run
            # its line, each until its own limit: the first time-out ends
            # the mutant's run, in the matrix too (it names the tests found
            # so far; the longest, the sweeps, start first).
            if (t or (f and not matrix)) and not stop.is_set():
                stop.set()
                stop_running()
    programs_with_cases = {c.split("/")[0] for c in cases}
    killers = cases + [n for n in failed if not any(n.startswith(p) or p.startswith(n) for p in programs_with_cases)]
    killers += [n + " (timed out)" for n in timed_out]
    if failed:
        return "killed", killers
    if timed_out:
        return "timed out", killers
    return "survived", killers


def baseline(all_tests, stamp):
    """Each test's time limit: three times its time on the clean build (at
    least 20 s, 60 s under Wine). Kept beside the coverage map for the tree
    they were timed on (`stamp`): a run that goes on (--resume) does not
    time them again."""
    path = WORK / ("timeouts-windows.json" if WINDOWS else "timeouts.json")
    kept = kept_for(path, stamp)
    if kept and set(kept["timeouts"]) >= set(all_tests):
        return kept["timeouts"]
    timeouts = {}
    for name in all_tests:
        began = time.monotonic()
        r = run(["ctest", "--test-dir", str(BUILD), "-R", "^" + re.escape(name) + "$"])
        seconds = time.monotonic() - began
        if r.returncode != 0:
            sys.exit(f"mutate: the test {name} fails on the clean build:\n{r.stdout[-3000:]}")
        # Wine starts slower and its window tests wait on one another.
        timeouts[name] = max(60 if WINDOWS else 20, int(3 * seconds) + 1)
    path.write_text(json.dumps({"stamp": stamp, "timeouts": timeouts}))
    return timeouts


def found_before(path, module, tests, pool):
    """The candidates of `pool` that the run kept in `path` found with a
    test whose ctest name matches `tests` ("program/Suite.Case" is found by
    the ctest of its program)."""
    def ctest_name(finder):
        return finder.removesuffix(" (timed out)").split("/")[0]
    found = {(x["file"], x["line"], x["operator"], x["mutant"])
             for x in json.loads(Path(path).read_text()).get(module, {}).get("mutants", [])
             if x["verdict"] in ("killed", "timed out") and any(tests.search(ctest_name(f)) for f in x["found by"])}
    return sorted((c for c in pool if (c[0], c[1], c[2], c[4].strip()) in found), key=lambda c: (c[0], c[1], c[2]))


def summary(counts, survivors, mutants):
    counted = counts["killed"] + counts["survived"] + counts["timed out"]
    score = 100.0 * (counts["killed"] + counts["timed out"]) / counted if counted else 0.0
    return {"counts": counts, "score": round(score, 1), "survivors": survivors, "mutants": mutants}


def try_mutant(path, original, lines, no, new, all_tests, timeouts, matrix, cmap):
    """Applies the mutant (line `no` of `path` becomes `new`), builds, runs
    the tests the build relinked that run its line and puts the clean source
    back (the caller builds it back once the next mutant lies in another
    file, so that one relinks only its own tests): the verdict and what
    found the mutant. A line no relinked test runs survives untested."""
    lines = list(lines)
    lines[no - 1] = new
    before = stamps(all_tests)
    try:
        path.write_text("\n".join(lines), encoding="utf-8")
        if build().returncode:
            return "not built", []
        after = stamps(all_tests)
        relinked = [n for n, ps in all_tests.items() if any(after[p] != before[p] for p in ps)]
        if not relinked:
            return "not tested", []
        chosen = tests_of_line(cmap, path.relative_to(SRC).as_posix(), no, relinked)
        return run_tests(chosen, timeouts, matrix) if chosen else ("survived", [])
    finally:
        path.write_text(original, encoding="utf-8")


def main():
    global WINDOWS, BUILD, MODULES, TARGETS
    # A run stopped with SIGTERM puts the mutated source back as Ctrl-C does.
    signal.signal(signal.SIGTERM, stopped)
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("modules", nargs="*", help=f"modules (default all): {' '.join(MODULES)}; with --windows: {' '.join(WINDOWS_MODULES)}")
    ap.add_argument("--sample", type=int, default=150, help="mutants per module (default 150)")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--list", action="store_true", help="list the drawn mutants and stop")
    ap.add_argument("--json", help="also write the results to this file")
    ap.add_argument("--resume", action="store_true",
                    help="take the mutants the --json file already holds from it (a run stopped part way goes on)")
    ap.add_argument("--windows", action="store_true",
                    help="the Windows-only modules, built with mingw-w64 and tested under Wine (./vd mutate starts it)")
    ap.add_argument("--all-tests", action="store_true",
                    help="run every relinked test on each mutant, not only those that run its line")
    ap.add_argument("--matrix", action="store_true",
                    help="run every relinked test on each mutant and keep what found it (for tools/mutate/redundant.py)")
    ap.add_argument("--recheck", metavar="BEFORE",
                    help="only the mutants BEFORE (an earlier --json) lists as found by the tests --tests names")
    ap.add_argument("--tests", metavar="REGEX", help="with --recheck: the tests (ctest names) that run")
    args = ap.parse_args()
    if args.recheck and not args.tests:
        sys.exit("mutate: --recheck needs --tests REGEX")
    if args.windows:
        WINDOWS, BUILD, MODULES = True, WORK / "win", WINDOWS_MODULES
    modules = args.modules or list(MODULES)
    for m in modules:
        if m not in MODULES:
            sys.exit(f"mutate: no module {m}; the modules: {' '.join(MODULES)}")

    SRC.mkdir(parents=True, exist_ok=True)
    copy_sources()
    # A recheck asks the tree which programs to build before building it: a
    # tree configured before is configured again, so that a test program
    # added since is known.
    configure(again=bool(args.recheck))
    if args.recheck:
        # Only the rechecked tests' programs are built: the rest of the tree
        # may be half way through a change of its own.
        programs = {p for n, ps in tests(built_only=False).items() if re.search(args.tests, n) for p in ps}
        TARGETS = sorted({Path(p).stem for p in programs} or {args.tests.strip("^$")})
    r = build()
    if r.returncode:
        sys.exit("mutate: the clean copy does not build:\n" + r.stdout[-3000:])
    compiled = compiled_sources()
    drawn = {}
    for m in modules:
        pool = module_candidates(m, compiled)
        if args.recheck:
            drawn[m] = found_before(args.recheck, m, re.compile(args.tests), pool)
        else:
            rng = random.Random(f"{args.seed}:{m}")
            drawn[m] = sorted(rng.sample(pool, min(args.sample, len(pool))), key=lambda c: (c[0], c[1], c[2]))
        print(f"{m}: {len(pool)} candidates, {len(drawn[m])} {'to recheck' if args.recheck else 'drawn'}", flush=True)
    if args.list:
        for m in modules:
            for f, no, op, old, new in drawn[m]:
                print(f"{m}\t{f}:{no}\t{op}\t{new.strip()}")
        return 0

    # A run that stopped part way left every mutant it finished in its JSON
    # file; with --resume those are taken as they stand.
    done = {}
    if args.resume and args.json and Path(args.json).exists():
        for m, r in json.loads(Path(args.json).read_text()).items():
            for x in r.get("mutants", []):
                done[(m, x["file"], x["line"], x["operator"], x["mutant"])] = x
        print(f"resuming: {len(done)} mutants from {args.json}", flush=True)

    all_tests = tests()
    if args.recheck:
        all_tests = {n: ps for n, ps in all_tests.items() if re.search(args.tests, n)}
    print(f"clean build: {len(all_tests)} tests, timing them", flush=True)
    stamp = tree_stamp()
    timeouts = baseline(all_tests, stamp)
    # Under Wine gcov does not see the tests run: the Windows run takes them all.
    cmap = None if args.all_tests or WINDOWS or args.recheck else coverage_map(list(all_tests), stamp)
    results = {}
    dirty = None  # the file whose last mutant was built and not yet built back
    for m in modules:
        counts = {"killed": 0, "survived": 0, "timed out": 0, "not built": 0, "not tested": 0}
        survivors = []
        mutants = []
        for i, (rel, no, op, old, new) in enumerate(drawn[m], start=1):
            if dirty and dirty != rel:
                build()  # the clean build back before another file's mutants
                dirty = None
            path = SRC / rel
            original = path.read_text(encoding="utf-8")
            lines = original.split("\n")
            assert lines[no - 1] == old, f"{rel}:{no} changed under the tool"
            earlier = done.get((m, rel, no, op, new.strip()))
            if earlier:
                verdict, killers = earlier["verdict"], earlier["found by"]
            else:
                verdict, killers = try_mutant(path, original, lines, no, new, all_tests, timeouts, args.matrix, cmap)
                dirty = rel
            counts[verdict] += 1
            mutants.append({"file": rel, "line": no, "operator": op, "mutant": new.strip(), "verdict": verdict,
                            "found by": killers})
            if verdict == "survived":
                survivors.append((rel, no, op, new.strip()))
            print(f"  [{m} {i}/{len(drawn[m])}] {rel}:{no} {op}: {verdict}{' (resumed)' if earlier else ''}", flush=True)
            results[m] = summary(counts, survivors, mutants)
            if args.json:
                # After every mutant: a run stopped part way keeps what it found.
                Path(args.json).write_text(json.dumps(results, indent=1, ensure_ascii=False))
        results[m] = summary(counts, survivors, mutants)

    if dirty:
        build()
    print()
    print(f"{'module':<10} {'mutants':>7} {'killed':>6} {'survived':>8} {'timed out':>9} {'not built':>9} "
          f"{'untested':>8} {'score':>6}")
    for m, r in results.items():
        c = r["counts"]
        print(f"{m:<10} {sum(c.values()):>7} {c['killed']:>6} {c['survived']:>8} {c['timed out']:>9} "
              f"{c['not built']:>9} {c['not tested']:>8} {r['score']:>5.1f}%")
    for m, r in results.items():
        if r["survivors"]:
            print(f"\n{m}: surviving mutants")
            for rel, no, op, new in r["survivors"]:
                print(f"  {rel}:{no}  {op}: {new}")
    if args.json:
        Path(args.json).write_text(json.dumps(results, indent=1, ensure_ascii=False))
    return 0


if __name__ == "__main__":
    sys.exit(main())
