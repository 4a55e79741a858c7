// Runs a host script without a module: drawing instructions (load, save, new)
// and settings. The portable stand-in for vdhost in the tests that need files.
#include <cstdio>
#include <string>

#include "hostsim/host.h"
#include "hostsim/script.h"

namespace {
class NoModule : public hostsim::ModuleFace {
 public:
  bool initApp(int&) override { return false; }
  bool runCommand(const std::string&, const std::vector<std::string>&, int&) override { return false; }
  bool omitExport(const std::string&, std::string& error) override {
    error = "no module to bind";
    return false;
  }
};
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: hostsim_run SCRIPT\n");
    return 2;
  }
  hostsim::Host& host = hostsim::Host::instance();
  host.reset();
  NoModule module;
  bool ok = hostsim::ScriptRunner(host, module).runFile(argv[1]);
  for (const std::string& line : host.transcript()) std::printf("%s\n", line.c_str());
  if (!ok) std::fprintf(stderr, "hostsim_run: %s\n", host.error().c_str());
  return ok ? 0 : 1;
}
