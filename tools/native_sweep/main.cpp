// native_sweep: every command of the module fault-swept in this process
// against the headless host, under the native build's sanitizers
// (docs/native-sweep.md).
//
//   native_sweep --ids res/string_ids.h --strings res/strings.rc
//                [--programs DIR] [--userdata DIR] [--transcript | --run DIR | --part | --commands] SCRIPT...
//
// The scripts are the scenario scripts of vdhost: --programs names the
// folder their `load` lines are written from (vdhost's own folder), and a
// script with a line "# userdata: NAME" starts every run from a copy of
// --userdata's folder NAME. --transcript runs each script once without
// faults and prints what the host logged (the module's requests, the
// stand-ins' dialog lines); --run runs each once without faults in DIR,
// where its `save` lines write their drawings for the checkers. Neither
// sweeps. --part sweeps the scripts as one part of the whole sweep (ctest
// runs one script a test): the commands they run are not counted.
// --commands sweeps nothing: it fails unless the swept parts of the
// scripts, taken together, name every command of the module.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "hostsim/host.h"
#include "tools/native_sweep/dialog_standins.h"
#include "tools/native_sweep/module_strings.h"
#include "tools/native_sweep/native_sweep.h"

namespace {

// The user data folder NAME of a script's "# userdata: NAME" line; empty
// when it has none.
std::string userDataOf(const std::string& script) {
  std::string text;
  if (!hostsim::readTextFile(script, text)) return {};
  static const std::string kLine = "# userdata: ";
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(kLine, 0) == 0) return line.substr(kLine.size());
    at = end + 1;
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  std::string ids, strings, programs, userDataRoot, runFolder;
  std::vector<std::string> scripts;
  bool transcript = false, part = false, commandsOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--ids" && i + 1 < argc) {
      ids = argv[++i];
    } else if (a == "--strings" && i + 1 < argc) {
      strings = argv[++i];
    } else if (a == "--programs" && i + 1 < argc) {
      programs = argv[++i];
    } else if (a == "--userdata" && i + 1 < argc) {
      userDataRoot = argv[++i];
    } else if (a == "--run" && i + 1 < argc) {
      runFolder = argv[++i];
    } else if (a == "--transcript") {
      transcript = true;
    } else if (a == "--part") {
      part = true;
    } else if (a == "--commands") {
      commandsOnly = true;
    } else if (!a.empty() && a[0] != '-') {
      scripts.push_back(a);
    } else {
      scripts.clear();
      break;
    }
  }
  if (ids.empty() || strings.empty() || scripts.empty() || transcript + !runFolder.empty() + part + commandsOnly > 1) {
    std::fprintf(stderr,
                 "usage: native_sweep --ids STRING_IDS_H --strings STRINGS_RC [--programs DIR] [--userdata DIR] "
                 "[--transcript | --run DIR | --part | --commands] SCRIPT...\n");
    return 2;
  }
  // Every command of the module must be swept by some script.
  auto reportUnswept = [](const std::set<std::string>& swept) {
    int missing = 0;
    for (int i = 0; i < vd::kCommandCount; ++i) {
      if (swept.count(vd::kCommands[i].name)) continue;
      std::printf("fault sweep: no script runs %s\n", vd::kCommands[i].name);
      ++missing;
    }
    return missing;
  };
  if (commandsOnly) {
    std::set<std::string> swept;
    std::string error;
    if (!nsweep::commandsSwept(scripts, swept, error)) {
      std::fprintf(stderr, "native_sweep: %s\n", error.c_str());
      return 2;
    }
    const int missing = reportUnswept(swept);
    std::printf("fault sweep: the scripts run %d of the module's %d commands\n", vd::kCommandCount - missing,
                vd::kCommandCount);
    return missing ? 1 : 0;
  }
  // Each script's user data folder, read once: the setup copies it in before every run.
  std::map<std::string, std::filesystem::path> userDataOfScript;
  for (const std::string& script : scripts) {
    const std::string name = userDataOf(script);
    if (name.empty()) continue;
    if (userDataRoot.empty()) {
      std::fprintf(stderr, "native_sweep: %s names the user data %s, and no --userdata folder is given\n",
                   script.c_str(), name.c_str());
      return 2;
    }
    userDataOfScript[script] = std::filesystem::path(userDataRoot) / name;
  }
  std::string error;
  if (!nsweep::loadModuleStrings(ids, strings, error)) {
    std::fprintf(stderr, "native_sweep: %s\n", error.c_str());
    return 2;
  }
  nsweep::ScratchUserData userData("native-sweep-");
  if (userData.path().empty()) {
    std::fprintf(stderr, "native_sweep: cannot make a user data directory\n");
    return 2;
  }
  nsweep::installDialogStandIns();

  const auto begun = std::chrono::steady_clock::now();
  nsweep::CommandTableModule module;
  const nsweep::HostSetup setup = [&](hostsim::Host& host, const std::string& script, std::string& setupError) {
    host.stringSource = &nsweep::moduleString;
    host.userDataPath = vd::utf8ToUtf16(userData.path().string());
    host.loadFolder = programs;
    if (!userData.empty(setupError)) return false;
    auto seed = userDataOfScript.find(script);
    if (seed == userDataOfScript.end()) return true;
    std::error_code ec;
    std::filesystem::copy(seed->second, userData.path(), std::filesystem::copy_options::recursive, ec);
    if (ec) setupError = "cannot copy the user data " + seed->second.string() + ": " + ec.message();
    return !ec;
  };
  if (transcript) return nsweep::printTranscripts(scripts, module, setup, stdout);
  if (!runFolder.empty()) return nsweep::runScripts(scripts, module, setup, runFolder, stdout);
  const nsweep::SweepTotals totals = nsweep::sweepScripts(scripts, module, setup, stdout);
  if (!part) reportUnswept(totals.commands);
  std::printf("fault sweep took %.1f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count());
  return nsweep::sweepStatus(totals, part ? -1 : vd::kCommandCount, stdout);
}
