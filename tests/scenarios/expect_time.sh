#!/bin/sh
# Runs vdhost with --time (and --expect, so the transcript must be the one
# without it): exit status 0, and on stderr the time line of the command
# COMMAND at script line LINE, elapsed and processor time.
# usage: expect_time.sh COMMAND LINE PROGRAM [ARGS...]
command=$1
line=$2
shift 2
err=$("$@" 2>&1 >/dev/null)
status=$?
if [ "$status" -ne 0 ]; then
  printf 'exit status %s, not 0\n%s\n' "$status" "$err"
  exit 1
fi
# A Windows program's stderr ends its lines with CR LF.
if printf '%s\n' "$err" | tr -d '\r' |
  grep -Eq "^vdhost: time command $command \(script line $line\): [0-9]+\.[0-9] ms \(processor [0-9]+\.[0-9] ms\)$"; then
  exit 0
fi
printf 'no time line for %s at line %s:\n%s\n' "$command" "$line" "$err"
exit 1
