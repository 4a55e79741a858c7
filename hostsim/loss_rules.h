// What counts as losing drawing data: named rules over what one command did,
// read from the host calls it made and the changes in the drawing's journal.
// docs/hostsim.md ("Losing data") describes each rule.
#pragma once
#include <set>
#include <string>
#include <vector>

#include "hostsim/drawing.h"
#include "hostsim/fault_injection.h"

namespace hostsim {

// One command of a script as it ran.
struct CommandRun {
  std::string command;                 // the command line without the word "command"
  int line = 0;                        // its script line
  const Drawing* drawing = nullptr;    // the drawing it ran on, as it is now
  std::vector<HostCall> calls;         // the host calls it made, in order
  std::vector<JournalEntry> journal;   // the changes of the drawing while it ran
  size_t journalStart = 0;             // the journal index of journal[0]
  // heightDimRecordProblems of the drawing when the command started: a
  // disagreement the drawing had before is none the command made.
  std::set<std::string> recordProblemsBefore;
};

struct LossRule {
  const char* name;
  const char* summary;
  // Appends one text per loss found.
  void (*check)(const CommandRun& run, std::vector<std::string>& found);
};
// The rules in the order they are applied.
const std::vector<LossRule>& lossRules();

struct Loss {
  std::string rule;
  std::string detail;
};
// Every loss the rules find in a command's run.
std::vector<Loss> judgeCommand(const CommandRun& run);

// Where the height-dimension records of a drawing disagree with each other:
// marks whose base identifier leads neither to a base entry of the
// dictionary TR2D_HEIGHTDIM nor to a base's own mark (from which a load of
// the bases stores the entry again), a "Current" entry that names no base
// entry. Each text names the base identifier (never an entity handle, which
// a rewrite changes).
std::set<std::string> heightDimRecordProblems(const Drawing& drawing);

}  // namespace hostsim
