// The fault sweep of host scripts in one process, without a module file:
// the module's command table bound to the headless host as the exports bind
// it, every position of every script run in turn (docs/native-sweep.md).
// A crash is not caught here: in the native build it is a sanitizer report
// that ends the program, and so fails the sweep.
#pragma once
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "hostsim/fault_sweep.h"
#include "hostsim/script.h"

namespace nsweep {

// A user data directory of this program's own ("PREFIX" and the process
// id), emptied before every run and removed at the end. In memory where the
// system offers it (/dev/shm): the settings are written key by key, a file
// opened for each, and on a busy disk that made a plan-view position take
// 0.2 s instead of 0.02 s. Its path is empty when it could not be made.
class ScratchUserData {
 public:
  explicit ScratchUserData(const std::string& prefix);
  ~ScratchUserData();
  ScratchUserData(const ScratchUserData&) = delete;
  ScratchUserData& operator=(const ScratchUserData&) = delete;
  // Removes everything in it; false with the reason when it cannot.
  bool empty(std::string& error) const;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The module's commands (vd::kCommands) as the module's exports run them:
// InitApp's portable part binds the host table through hostsim's resolver,
// a command gets its arguments in code page 1250, and nothing thrown leaves it.
class CommandTableModule : public hostsim::ModuleFace {
 public:
  bool initApp(int& result) override;
  bool runCommand(const std::string& name, const std::vector<std::string>& args, int& result) override;
  // The resolver leaves out the host's omitted exports by itself.
  bool omitExport(const std::string&, std::string&) override { return true; }
};

// Remembers the commands another module ran (those it has).
class CommandRecorder : public hostsim::ModuleFace {
 public:
  explicit CommandRecorder(hostsim::ModuleFace& inner) : inner_(inner) {}
  bool initApp(int& result) override { return inner_.initApp(result); }
  bool runCommand(const std::string& name, const std::vector<std::string>& args, int& result) override {
    if (!inner_.runCommand(name, args, result)) return false;
    ran.insert(name);
    return true;
  }
  bool omitExport(const std::string& name, std::string& error) override { return inner_.omitExport(name, error); }
  std::set<std::string> ran;

 private:
  hostsim::ModuleFace& inner_;
};

struct SweepTotals {
  std::set<std::string> commands;  // every command a script ran
  int positions = 0;
  int lost = 0;
  int failedScripts = 0;  // scripts that could not be swept (their error is printed)
};

// Brings the fresh host (reset, unbound) to what every run of `script`
// starts from: the module's texts, the user data directory. False with the
// reason.
using HostSetup = std::function<bool(hostsim::Host& host, const std::string& script, std::string& error)>;

// Sweeps each script file in turn, every position, with the current folder
// the script's own (its `load` lines name drawings beside it). Prints per
// script what it swept and every lost position, with the command, the call
// that failed and the loss.
SweepTotals sweepScripts(const std::vector<std::string>& scripts, hostsim::ModuleFace& module,
                         const HostSetup& setup, std::FILE* out);

// Runs each script once without faults, from the same host a sweep starts
// from, and prints its transcript; 0 when every script ran clean.
int printTranscripts(const std::vector<std::string>& scripts, hostsim::ModuleFace& module, const HostSetup& setup,
                     std::FILE* out);

// Runs each script once without faults with `folder` the current folder,
// where its `save` lines write their files; prints one line a script, and
// its error when it fails. 0 when every script ran clean.
int runScripts(const std::vector<std::string>& scripts, hostsim::ModuleFace& module, const HostSetup& setup,
               const std::string& folder, std::FILE* out);

// 0 when nothing was lost, every script was swept and the scripts ran
// `expectedCommands` distinct commands (any number when it is negative: the
// scripts are a part of the sweep); else 1, with the reason printed.
int sweepStatus(const SweepTotals& totals, int expectedCommands, std::FILE* out);

// The commands that the swept parts of `scripts` name in their "command"
// lines (what a sweep of them all runs, found without running them); false
// with the reason when a script cannot be read.
bool commandsSwept(const std::vector<std::string>& scripts, std::set<std::string>& commands, std::string& error);

}  // namespace nsweep
