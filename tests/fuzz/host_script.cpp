// The host-script reader on any text, with a stand-in module whose commands
// ask for one answer per argument (the argument names the kind: point,
// keyword, real, selection; anything else takes whatever comes). A failed
// run must say why. Lines that would load or save files are turned into
// comments first: the fuzzer must not write files at made-up paths.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hostsim/host.h"
#include "hostsim/script.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using hostsim::Answer;

class AskingModule : public hostsim::ModuleFace {
 public:
  explicit AskingModule(hostsim::Host& host) : host_(host) {}
  bool initApp(int& result) override {
    result = 1;
    return true;
  }
  bool runCommand(const std::string& name, const std::vector<std::string>& args, int& result) override {
    if (name == "none") return false;
    for (const std::string& a : args) {
      std::optional<Answer> got;
      if (a == "point")
        got = host_.takeAnswer("point", u"Bod", {Answer::Kind::Point});
      else if (a == "keyword")
        got = host_.takeAnswer("keyword", u"Volba", {Answer::Kind::Keyword, Answer::Kind::Enter});
      else if (a == "real")
        got = host_.takeAnswer("real", u"Číslo", {Answer::Kind::Real, Answer::Kind::Enter});
      else if (a == "select")
        got = host_.takeAnswer("select", u"Vyberte",
                               {Answer::Kind::Pick, Answer::Kind::PickAt, Answer::Kind::Window});
      else if (host_.peekAnswer())
        host_.popAnswer();
      if (got && got->kind == Answer::Kind::Keyword) host_.log("keyword: ", got->text);
    }
    result = host_.failed() ? 0 : 1;
    return true;
  }
  bool omitExport(const std::string& name, std::string& error) override {
    if (name.empty()) error = "no export name";
    return !name.empty();
  }

 private:
  hostsim::Host& host_;
};

// The script with every line that loads or saves a drawing commented out.
std::string withoutFiles(const std::string& text) {
  std::string out;
  size_t start = 0;
  std::vector<std::string> words;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    hostsim::splitWords(line, words);
    if (!words.empty()) {
      std::string verb = words[0];
      if (verb.rfind("\xEF\xBB\xBF", 0) == 0) verb.erase(0, 3);
      if (verb == "load" || verb == "save") line = "# " + line;
    }
    out += line;
    if (end == std::string::npos) break;
    out += '\n';
    start = end + 1;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  hostsim::Host& host = hostsim::Host::instance();
  host.reset();
  AskingModule module(host);
  hostsim::ScriptRunner runner(host, module);
  const bool ok = runner.runText(withoutFiles(std::string(reinterpret_cast<const char*>(data), size)));
  FUZZ_CHECK(ok == !host.failed());
  // Release what the run left in the host (its drawing, transcript, answers)
  // now rather than at the next input's start: libFuzzer takes a run that
  // ends with more blocks allocated than freed for a possible leak and runs
  // it again under the leak checker, which then took half of all the time.
  host.reset();
  return 0;
}
