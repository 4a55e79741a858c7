// vdhost --fault-sweep: the supervising program and the worker that runs the
// positions (docs/host-scripts.md, "Faults").
//
// The supervisor starts one worker, a second vdhost, and reads what it
// reports position by position. All positions run in that one worker; when a
// position crashes the worker or makes it hang past the time limit, that
// position is lost and a fresh worker goes on with the next one.
#pragma once
#include <functional>
#include <string>

#include "hostsim/fault_sweep.h"

namespace vdhost {

// Supervises the sweep; `workerCommandLine(first)` is the command line of a
// worker that starts with position `first`. Prints the lost positions and the
// summary; returns the exit status (0 nothing lost, 1 lost or failed).
int superviseSweep(const std::function<std::wstring(int first)>& workerCommandLine, double timeoutSeconds);

// Runs the worker's side: the run without faults, then positions from
// `first` on, each reported on standard output as it begins and ends.
int runSweepWorker(hostsim::FaultSweep& sweep, int first);

// --fault-positions: the run without faults only, and the positions it
// counted, one line each ("position N OPERATION (its ORDINAL call)"), so
// that a script trimmed for a sweep can be compared with its scenario.
int listSweepPositions(hostsim::FaultSweep& sweep);

}  // namespace vdhost
