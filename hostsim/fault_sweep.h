// The fault sweep: a script runs once without faults, which counts the K host
// calls the module makes after init, and then K times more, the n-th run
// failing call n. The loss rules judge every command of every run. No run
// writes a file: `save` and `picture` lines make the file's content in memory
// only (Host::writesFiles), so a sweep may run beside its scenario.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "hostsim/host.h"
#include "hostsim/loss_rules.h"
#include "hostsim/script.h"

namespace hostsim {

// A loss the rules found in one command of a run.
struct CommandLoss {
  std::string command;  // the command line without the word "command"
  int line = 0;
  Loss loss;
};

// Judges each command of a script run by the loss rules.
class LossJudge : public RunObserver {
 public:
  explicit LossJudge(Host& host) : host_(host) {}
  void commandStarting(const std::string& command, int line) override;
  void commandEnded() override;
  const std::vector<CommandLoss>& losses() const { return losses_; }

 private:
  Host& host_;
  CommandRun run_;       // the command that runs, with what it started from
  size_t callsAt_ = 0;   // the host's call log length when it started
  std::vector<CommandLoss> losses_;
};

// The run of one position: the one that failed call `position`.
struct SweepPosition {
  int position = 0;
  std::string operation;  // the call that failed, as the run without faults made it
  int ordinal = 0;        // which call of that operation it was
  bool reached = false;   // the run made that call again (it does unless the module is not deterministic)
  std::vector<CommandLoss> losses;
  std::string error;      // the run could not be set up
  bool lost() const { return !losses.empty(); }
};

class FaultSweep {
 public:
  // Brings the host to the state every run starts from: settings, drawing,
  // user data. False with the reason when it cannot.
  using Prepare = std::function<bool(std::string& error)>;

  // Sweeps the script without its lines from a line "# sweep: skip" to the
  // next "# sweep: resume" (or the end): a long scenario sweeps a marked
  // part, each run a fraction of a run of the whole. Under Wine, where every
  // run shows the module's real dialogs for seconds, also without those from
  // "# sweep under Wine: skip" to "# sweep under Wine: resume": the sweep in
  // process takes them.
  FaultSweep(Host& host, ModuleFace& module, std::string script, Prepare prepare, bool underWine = false)
      : host_(host), module_(module), script_(sweptPart(script, underWine)), prepare_(std::move(prepare)) {}

  static std::string sweptPart(const std::string& script, bool underWine = false);

  // The run without faults, which counts the positions. False with the
  // reason when the script fails, or loses data, without any fault.
  bool countPositions(std::string& error);
  int positions() const { return static_cast<int>(cleanCalls_.size()); }
  // The call (1 .. positions()) as the run without faults made it.
  const HostCall& callAt(int position) const { return cleanCalls_.at(static_cast<size_t>(position - 1)); }

  SweepPosition run(int position);

 private:
  // One run of the script, failing call `failPosition` (none for 0); the
  // script runner's answer. False with `setupError` set when the host could
  // not be prepared.
  bool runOnce(LossJudge& judge, int failPosition, std::string& setupError);

  Host& host_;
  ModuleFace& module_;
  std::string script_;
  Prepare prepare_;
  std::vector<HostCall> cleanCalls_;
};

// "fault sweep: position 17 fails Entmake_binW (its 3rd call)": how every
// report line of a position begins.
std::string positionHeading(int position, const std::string& operation, int ordinal);
// The report line of a position that lost data: the call it failed and each
// loss with its rule, command and script line.
std::string describePosition(const SweepPosition& p);
// "fault sweep: K positions, L lost"
std::string sweepSummary(int positions, int lost);
// "fault sweep: N commands, K positions, L lost": a sweep of several scripts
// that ran N distinct commands.
std::string sweepSummary(int commands, int positions, int lost);

struct SweepOutcome {
  int positions = 0;
  int lost = 0;
  std::string error;  // the sweep could not run; the counts mean nothing then
};
// Every position in turn, in this process; each one that lost data goes to `onLoss`.
SweepOutcome sweepAll(FaultSweep& sweep, const std::function<void(const SweepPosition&)>& onLoss);

}  // namespace hostsim
