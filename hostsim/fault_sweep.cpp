#include "hostsim/fault_sweep.h"

#include <string_view>

namespace hostsim {

void LossJudge::commandStarting(const std::string& command, int line) {
  const Drawing& d = host_.drawing();
  run_ = CommandRun();
  run_.command = command;
  run_.line = line;
  run_.drawing = &d;
  run_.journalStart = d.journal().size();
  run_.recordProblemsBefore = heightDimRecordProblems(d);
  callsAt_ = host_.calls.log().size();
}

void LossJudge::commandEnded() {
  const Drawing& d = host_.drawing();
  const std::vector<HostCall>& log = host_.calls.log();
  run_.calls.assign(log.begin() + static_cast<std::ptrdiff_t>(callsAt_), log.end());
  const std::vector<JournalEntry>& journal = d.journal();
  run_.journal.assign(journal.begin() + static_cast<std::ptrdiff_t>(run_.journalStart), journal.end());
  for (Loss& loss : judgeCommand(run_)) losses_.push_back({run_.command, run_.line, std::move(loss)});
}

std::string FaultSweep::sweptPart(const std::string& script, bool underWine) {
  std::string out;
  bool skipping = false, skippingUnderWine = false;
  for (size_t at = 0; at < script.size();) {
    size_t end = script.find('\n', at);
    end = end == std::string::npos ? script.size() : end + 1;
    std::string_view line(script.data() + at, end - at);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    const bool marker = line == "# sweep: skip" || line == "# sweep: resume";
    const bool wineMarker = line == "# sweep under Wine: skip" || line == "# sweep under Wine: resume";
    if (marker) skipping = line == "# sweep: skip";
    if (wineMarker) skippingUnderWine = line == "# sweep under Wine: skip";
    if (marker || wineMarker || skipping || (underWine && skippingUnderWine)) {
      out += "#\n";  // a line left out keeps its place: errors name the script's own line numbers
    } else {
      out.append(script, at, end - at);
    }
    at = end;
  }
  return out;
}

bool FaultSweep::runOnce(LossJudge& judge, int failPosition, std::string& setupError) {
  if (!prepare_(setupError)) {
    if (setupError.empty()) setupError = "the host cannot be prepared";
    return false;
  }
  if (failPosition > 0) host_.calls.failAfterStart(std::nullopt, failPosition);
  // The runs write no files: each one's saves would overwrite the last, and
  // the tests that read what a scenario saved may run beside the sweep.
  struct WritesNoFiles {
    Host& host;
    bool before = host.writesFiles;
    ~WritesNoFiles() { host.writesFiles = before; }
  } noFiles{host_};
  host_.writesFiles = false;
  ScriptRunner runner(host_, module_, &judge);
  return runner.runText(script_);
}

bool FaultSweep::countPositions(std::string& error) {
  cleanCalls_.clear();
  LossJudge judge(host_);
  std::string setupError;
  bool ok = runOnce(judge, 0, setupError);
  if (!setupError.empty()) {
    error = setupError;
    return false;
  }
  if (!ok) {
    error = "the script fails without any fault: " + host_.error();
    return false;
  }
  if (!judge.losses().empty()) {
    const CommandLoss& first = judge.losses().front();
    error = "the script loses data without any fault: [" + first.loss.rule + "] command " + first.command +
            " (script line " + std::to_string(first.line) + "): " + first.loss.detail;
    return false;
  }
  for (const HostCall& c : host_.calls.log()) {
    if (c.position > 0) cleanCalls_.push_back(c);
  }
  return true;
}

SweepPosition FaultSweep::run(int position) {
  SweepPosition p;
  p.position = position;
  const HostCall& planned = callAt(position);
  p.operation = vd::hostOperationName(planned.operation);
  p.ordinal = planned.ordinal;
  LossJudge judge(host_);
  // Script errors are expected here: a failed call may change what the
  // module asks, and the answers then no longer fit. Only losses count.
  runOnce(judge, position, p.error);
  for (const HostCall& c : host_.calls.log()) {
    if (c.position == position) p.reached = c.injected;
  }
  p.losses = judge.losses();
  return p;
}

std::string positionHeading(int position, const std::string& operation, int ordinal) {
  return "fault sweep: position " + std::to_string(position) + " fails " + operation + " (its " +
         ordinalText(ordinal) + " call)";
}

std::string describePosition(const SweepPosition& p) {
  std::string line = positionHeading(p.position, p.operation, p.ordinal);
  if (!p.error.empty()) return line + ": the run cannot start: " + p.error;
  if (!p.reached) line += ", which the run did not make";
  for (size_t i = 0; i < p.losses.size(); ++i) {
    const CommandLoss& l = p.losses[i];
    line += i == 0 ? ": " : "; ";
    // Losses of one rule in one command share their heading.
    const CommandLoss* before = i > 0 ? &p.losses[i - 1] : nullptr;
    if (!before || before->loss.rule != l.loss.rule || before->line != l.line)
      line += "[" + l.loss.rule + "] command " + l.command + " (script line " + std::to_string(l.line) + "): ";
    line += l.loss.detail;
  }
  return line;
}

namespace {
std::string positionCounts(int positions, int lost) {
  return std::to_string(positions) + " positions, " + std::to_string(lost) + " lost";
}
}  // namespace

std::string sweepSummary(int positions, int lost) { return "fault sweep: " + positionCounts(positions, lost); }

std::string sweepSummary(int commands, int positions, int lost) {
  return "fault sweep: " + std::to_string(commands) + " commands, " + positionCounts(positions, lost);
}

SweepOutcome sweepAll(FaultSweep& sweep, const std::function<void(const SweepPosition&)>& onLoss) {
  SweepOutcome out;
  if (!sweep.countPositions(out.error)) return out;
  out.positions = sweep.positions();
  for (int n = 1; n <= out.positions; ++n) {
    SweepPosition p = sweep.run(n);
    if (!p.error.empty()) {
      out.error = describePosition(p);
      return out;
    }
    if (!p.lost()) continue;
    ++out.lost;
    onLoss(p);
  }
  return out;
}

}  // namespace hostsim
