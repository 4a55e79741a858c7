#include "tools/native_sweep/native_sweep.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>

#include "commands/commands.h"
#include "host/host_api.h"
#include "host/text.h"
#include "hostsim/host.h"

namespace nsweep {

ScratchUserData::ScratchUserData(const std::string& prefix) {
  std::error_code ec;
  const std::filesystem::path memory = "/dev/shm";
  const std::filesystem::path base =
      std::filesystem::is_directory(memory, ec) ? memory : std::filesystem::temp_directory_path();
  path_ = base / (prefix + std::to_string(getpid()));
  std::filesystem::remove_all(path_, ec);
  if (!std::filesystem::create_directory(path_, ec)) path_.clear();
}

ScratchUserData::~ScratchUserData() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

bool ScratchUserData::empty(std::string& error) const {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) std::filesystem::remove_all(entry, ec);
  if (ec) error = "the user data " + path_.string() + " cannot be emptied: " + ec.message();
  return !ec;
}

bool CommandTableModule::initApp(int& result) {
  // As InitApp: a module bound already answers 1 without binding again.
  result = vd::bindHost(nullptr, &hostsim::resolveExport, nullptr) ? 1 : 0;
  return true;
}

bool CommandTableModule::runCommand(const std::string& name, const std::vector<std::string>& args, int& result) {
  const vd::CommandInfo* command = vd::findCommand(name.c_str());
  if (!command) return false;
  hostsim::CommandArguments argv(args);
  result = vd::runCommand(*command, argv.argc(), argv.argv());
  return true;
}

namespace {

// The current folder for as long as this lives.
class InFolder {
 public:
  explicit InFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    before_ = std::filesystem::current_path(ec);
    if (!folder.empty()) std::filesystem::current_path(folder, ec);
  }
  ~InFolder() {
    std::error_code ec;
    std::filesystem::current_path(before_, ec);
  }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  std::filesystem::path before_;
};

std::string joined(const std::set<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += (s.empty() ? "" : " ") + n;
  return s.empty() ? "none" : s;
}

// The fresh host every run of a script starts from: nothing bound, the host
// reset, then the caller's setup.
bool prepareRun(hostsim::Host& host, const HostSetup& setup, const std::string& script, std::string& error) {
  vd::unbindHost();
  host.reset();
  return setup(host, script, error);
}

// Whether the host writes the files of `save` lines, for as long as this lives.
class WritesFiles {
 public:
  WritesFiles(hostsim::Host& host, bool on) : host_(host), was_(host.writesFiles) { host.writesFiles = on; }
  ~WritesFiles() { host_.writesFiles = was_; }
  WritesFiles(const WritesFiles&) = delete;
  WritesFiles& operator=(const WritesFiles&) = delete;

 private:
  hostsim::Host& host_;
  bool was_;
};

// Runs each script once without faults from a fresh host, writing the
// files of its `save` lines or not, with `folder` the current folder (the
// script's own when empty); tells `report` how each ran. 0 when every
// script ran clean.
int runEachOnce(const std::vector<std::string>& scripts, hostsim::ModuleFace& module, const HostSetup& setup,
                bool writes, const std::filesystem::path& folder,
                const std::function<void(const std::string& path, bool ok, const std::string& error)>& report) {
  hostsim::Host& host = hostsim::Host::instance();
  const WritesFiles writing(host, writes);
  int status = 0;
  for (const std::string& path : scripts) {
    std::string error;
    bool ok = prepareRun(host, setup, path, error);
    if (ok) {
      const std::filesystem::path absolute = std::filesystem::absolute(path);
      InFolder in(folder.empty() ? absolute.parent_path() : folder);
      hostsim::ScriptRunner runner(host, module);
      ok = runner.runFile(absolute.string());
      error = host.error();
    }
    report(path, ok, error);
    status = ok ? status : 1;
    vd::unbindHost();
  }
  return status;
}

}  // namespace

int printTranscripts(const std::vector<std::string>& scripts, hostsim::ModuleFace& module, const HostSetup& setup,
                     std::FILE* out) {
  // A look at what a script reaches writes nothing beside it (`--run` does).
  return runEachOnce(scripts, module, setup, false, {}, [&](const std::string& path, bool ok, const std::string& error) {
    std::fprintf(out, "== %s\n", path.c_str());
    for (const std::string& line : hostsim::Host::instance().transcript()) std::fprintf(out, "%s\n", line.c_str());
    if (!ok) std::fprintf(out, "%s: %s\n", path.c_str(), error.c_str());
  });
}

int runScripts(const std::vector<std::string>& scripts, hostsim::ModuleFace& module, const HostSetup& setup,
               const std::string& folder, std::FILE* out) {
  return runEachOnce(scripts, module, setup, true, folder, [&](const std::string& path, bool ok, const std::string& error) {
    std::fprintf(out, "%s: %s\n", path.c_str(), ok ? "ran" : error.c_str());
  });
}

SweepTotals sweepScripts(const std::vector<std::string>& scripts, hostsim::ModuleFace& module,
                         const HostSetup& setup, std::FILE* out) {
  SweepTotals totals;
  hostsim::Host& host = hostsim::Host::instance();
  for (const std::string& path : scripts) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point begun = Clock::now();
    std::string script;
    if (!hostsim::readTextFile(path, script)) {
      std::fprintf(out, "%s: cannot read the script\n", path.c_str());
      ++totals.failedScripts;
      continue;
    }
    const std::filesystem::path absolute = std::filesystem::absolute(path);
    InFolder folder(absolute.parent_path());
    CommandRecorder recorder(module);
    // Every run starts from a host as fresh as a module just loaded: nothing
    // bound, the host's state reset.
    hostsim::FaultSweep sweep(host, recorder, script,
                              [&](std::string& error) { return prepareRun(host, setup, path, error); });
    const hostsim::SweepOutcome outcome = sweepAll(sweep, [&](const hostsim::SweepPosition& p) {
      std::fprintf(out, "%s: %s\n", path.c_str(), hostsim::describePosition(p).c_str());
      std::fflush(out);
    });
    vd::unbindHost();
    const double seconds = std::chrono::duration<double>(Clock::now() - begun).count();
    if (!outcome.error.empty()) {
      std::fprintf(out, "%s: cannot be swept: %s\n", path.c_str(), outcome.error.c_str());
      ++totals.failedScripts;
      continue;
    }
    std::fprintf(out, "%s: commands %s; %d positions, %d lost, %.1f s\n", path.c_str(), joined(recorder.ran).c_str(),
                 outcome.positions, outcome.lost, seconds);
    std::fflush(out);
    totals.commands.insert(recorder.ran.begin(), recorder.ran.end());
    totals.positions += outcome.positions;
    totals.lost += outcome.lost;
  }
  return totals;
}

bool commandsSwept(const std::vector<std::string>& scripts, std::set<std::string>& commands, std::string& error) {
  for (const std::string& path : scripts) {
    std::string script;
    if (!hostsim::readTextFile(path, script)) {
      error = path + ": cannot read the script";
      return false;
    }
    // Words as the script runner splits them.
    std::istringstream lines(hostsim::FaultSweep::sweptPart(script));
    std::vector<std::string> words;
    for (std::string line; std::getline(lines, line);) {
      if (hostsim::splitWords(line, words) && words.size() >= 2 && words[0] == "command") commands.insert(words[1]);
    }
  }
  return true;
}

int sweepStatus(const SweepTotals& totals, int expectedCommands, std::FILE* out) {
  int status = 0;
  if (totals.failedScripts > 0) {
    std::fprintf(out, "fault sweep: %d script(s) could not be swept\n", totals.failedScripts);
    status = 1;
  }
  if (expectedCommands >= 0 && static_cast<int>(totals.commands.size()) != expectedCommands) {
    std::fprintf(out, "fault sweep: the scripts ran %zu distinct commands, not %d\n", totals.commands.size(),
                 expectedCommands);
    status = 1;
  }
  if (totals.lost > 0) status = 1;
  std::fprintf(out, "%s\n",
               hostsim::sweepSummary(static_cast<int>(totals.commands.size()), totals.positions, totals.lost).c_str());
  return status;
}

}  // namespace nsweep
