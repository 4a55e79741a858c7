#!/bin/sh
# The emulator of the Windows build's tests: runs a program under Wine.
#
# A test that shows windows (vd_shows_windows) must be alone on its display:
# two at once take the activation and the focus from each other. `./vd test`
# gives ctest one resource "display" per virtual display it started for them
# (none is the one the other tests use), each with a Wine prefix and server
# of its own, and exports for each id
# VD_DISPLAY_SLOT_<id>="DISPLAY PREFIX"; ctest hands each such test one id at
# a time, so as many of them run at once as there are displays. Run by hand, without
# those resources, such a test takes a lock file per display instead and the
# window tests run one at a time as before. Every other test is told that it
# must show none (VD_SHOWS_WINDOWS=0), and fails when it activates a window.
if [ "${VD_SHOWS_WINDOWS:-}" = 1 ]; then
  slot=""
  if [ -n "${CTEST_RESOURCE_GROUP_0_DISPLAY:-}" ]; then
    id=${CTEST_RESOURCE_GROUP_0_DISPLAY#id:}
    id=${id%%,*}
    eval "slot=\${VD_DISPLAY_SLOT_$id:-}"
  fi
  if [ -n "$slot" ]; then
    DISPLAY=${slot%% *}
    WINEPREFIX=${slot#* }
    export DISPLAY WINEPREFIX
  else
    # -o: the lock is the test's alone, not held on by a process it leaves behind.
    exec flock -o "${TMPDIR:-/tmp}/vd-display-$(id -u)-${DISPLAY:-none}.lock" wine "$@"
  fi
else
  # Any other test fails when it activates a window (tools/vdhost/window_guard.h).
  export VD_SHOWS_WINDOWS=0
fi
exec wine "$@"
