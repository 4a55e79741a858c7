#!/usr/bin/python3
"""Runs a host program on a private copy of a user data folder and checks the
settings file it leaves there.

The folder USERDATA is copied into a fresh temporary folder, the program runs
with "--userdata COPY" added to its arguments and must exit with 0; then the
copy's Dat/hnoteData.ini must read exactly as the file EXPECTED (texts
compared as the INI functions read them: UTF-16 with its byte order mark, or
code page 1250 without one; line ends ignored). EXPECTED "-" wants the file
as it was in USERDATA: nothing written, not even in another encoding;
EXPECTED "*" leaves the file unchecked (the script's transcript and drawing
tell what it wrote).

Usage: with_userdata.py USERDATA EXPECTED PROGRAM [ARGS...]
"""
import difflib
import os
import shutil
import subprocess
import sys
import tempfile

SETTINGS = os.path.join("Dat", "hnoteData.ini")


def read_ini(path):
    if not os.path.exists(path):
        return None
    data = open(path, "rb").read()
    if data[:2] == b"\xff\xfe":
        text = data[2:].decode("utf-16-le")
    elif data[:3] == b"\xef\xbb\xbf":
        text = data[3:].decode("utf-8")
    else:
        text = data.decode("cp1250")
    return [line.rstrip("\r") for line in text.split("\n") if line.rstrip("\r")]


def main():
    if len(sys.argv) < 4:
        print(__doc__)
        return 2
    userdata, expected, command = sys.argv[1], sys.argv[2], sys.argv[3:]
    with tempfile.TemporaryDirectory(prefix="vd_userdata_") as tmp:
        copy = os.path.join(tmp, "userdata")
        shutil.copytree(userdata, copy)
        run = subprocess.run(command + ["--userdata", copy], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        out = run.stdout.decode("utf-8", "replace")
        if run.returncode != 0:
            print(out)
            print(f"exit status {run.returncode}")
            return 1
        written = os.path.join(copy, SETTINGS)
        if expected == "*":
            return 0
        if expected == "-":
            before = os.path.join(userdata, SETTINGS)
            same = open(before, "rb").read() == open(written, "rb").read() if os.path.exists(before) \
                else not os.path.exists(written)
            if not same:
                print(out)
                print(f"{SETTINGS} was written, but nothing was to be written")
                return 1
            return 0
        want, got = read_ini(expected), read_ini(written)
        if got is None:
            print(out)
            print(f"{SETTINGS} is missing")
            return 1
        if want != got:
            print(out)
            print("\n".join(difflib.unified_diff(want, got, expected, written, lineterm="")))
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
