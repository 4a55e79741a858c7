#!/bin/sh
# Runs a fault sweep whose report must be exactly the expected lines, ending
# with the expected exit status.
# usage: expect_sweep.sh STATUS EXPECTED PROGRAM [ARGS...]
status=$1 expected=$2
shift 2
out=$("$@" 2>&1)
got=$?
if [ "$got" -ne "$status" ]; then
  printf 'exit status %s, not %s\n%s\n' "$got" "$status" "$out"
  exit 1
fi
if [ "$out" != "$(cat "$expected")" ]; then
  printf 'the report differs from %s:\n%s\n' "$expected" "$out"
  exit 1
fi
