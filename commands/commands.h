// The module's commands by name: what each Command_ export runs.
#pragma once

namespace vd {

// Every command takes the host's argument texts (8-bit) and returns 1 when it
// ran to its end, 0 when it did nothing or failed.
using CommandEntry = int (*)(int argc, const char* const* argv);

struct CommandInfo {
  const char* name;  // the export is "Command_" + name
  CommandEntry entry;
};

extern const CommandInfo kCommands[];
extern const int kCommandCount;

// Finds a command by its name without the "Command_" prefix; null when unknown.
const CommandInfo* findCommand(const char* name);

// Runs a command with the host present check every command starts with: with
// no bound host table the command does nothing and fails.
int runCommand(const CommandInfo& command, int argc, const char* const* argv);

}  // namespace vd
