#!/bin/sh
# Runs a host program that must fail: exit status 1, and the expected error
# text somewhere in what it printed.
# usage: expect_error.sh TEXT PROGRAM [ARGS...]
expected=$1
shift
out=$("$@" 2>&1)
status=$?
if [ "$status" -ne 1 ]; then
  printf 'exit status %s, not 1\n%s\n' "$status" "$out"
  exit 1
fi
case $out in
  *"$expected"*) exit 0 ;;
esac
printf 'the output lacks: %s\n%s\n' "$expected" "$out"
exit 1
