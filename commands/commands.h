// The module's commands by name: what each Command_ export runs.
#pragma once

namespace vd {

// Every command takes the host's argument texts (8-bit) and returns what its
// export gives the host: the height-mark commands 1 when they ran to their
// end and 0 otherwise, the arc dimensions, DimConnect and DimUpdateUCS 0 on
// success and -1 otherwise.
using CommandEntry = int (*)(int argc, const char* const* argv);

struct CommandInfo {
  const char* name;  // the export is "Command_" + name
  CommandEntry entry;
  int failure;  // what the export returns when the command cannot run at all
};

extern const CommandInfo kCommands[];
extern const int kCommandCount;

// Finds a command by its name without the "Command_" prefix; null when unknown.
const CommandInfo* findCommand(const char* name);

// Runs a command with the host present check every command starts with: with
// no bound host table the command does nothing and returns its failure code,
// as it does when the command throws (nothing thrown leaves this call).
int runCommand(const CommandInfo& command, int argc, const char* const* argv) noexcept;

}  // namespace vd
