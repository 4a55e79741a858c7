// native_sweep: every command of the module fault-swept in this process
// against the headless host, under the native build's sanitizers
// (docs/native-sweep.md).
//
//   native_sweep --ids res/string_ids.h --strings res/strings.rc [--transcript] SCRIPT...
//
// --transcript runs each script once without faults and prints what the
// host logged (the module's requests, the stand-ins' dialog lines), to see
// what a script reaches; it sweeps nothing.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "hostsim/host.h"
#include "tools/native_sweep/dialog_standins.h"
#include "tools/native_sweep/module_strings.h"
#include "tools/native_sweep/native_sweep.h"

namespace {

std::map<int, vd::vstring> g_strings;

bool moduleString(int id, vd::vstring& out) {
  auto it = g_strings.find(id);
  if (it == g_strings.end()) return false;
  out = it->second;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string ids, strings;
  std::vector<std::string> scripts;
  bool transcript = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--ids" && i + 1 < argc) {
      ids = argv[++i];
    } else if (a == "--strings" && i + 1 < argc) {
      strings = argv[++i];
    } else if (a == "--transcript") {
      transcript = true;
    } else if (!a.empty() && a[0] != '-') {
      scripts.push_back(a);
    } else {
      scripts.clear();
      break;
    }
  }
  if (ids.empty() || strings.empty() || scripts.empty()) {
    std::fprintf(stderr, "usage: native_sweep --ids STRING_IDS_H --strings STRINGS_RC [--transcript] SCRIPT...\n");
    return 2;
  }
  std::string error;
  if (!nsweep::readModuleStrings(ids, strings, g_strings, error)) {
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
  const nsweep::HostSetup setup = [&](hostsim::Host& host, std::string& setupError) {
    host.stringSource = &moduleString;
    host.userDataPath = vd::utf8ToUtf16(userData.path().string());
    return userData.empty(setupError);
  };
  if (transcript) return nsweep::printTranscripts(scripts, module, setup, stdout);
  const nsweep::SweepTotals totals = nsweep::sweepScripts(scripts, module, setup, stdout);
  for (int i = 0; i < vd::kCommandCount; ++i) {
    if (!totals.commands.count(vd::kCommands[i].name))
      std::printf("fault sweep: no script runs %s\n", vd::kCommands[i].name);
  }
  std::printf("fault sweep took %.1f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count());
  return nsweep::sweepStatus(totals, vd::kCommandCount, stdout);
}
