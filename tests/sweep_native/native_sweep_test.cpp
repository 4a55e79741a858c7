// The native sweep's own parts: the runner counts and reports a loss and
// fails on it, the dialog stand-ins hand the commands what the scripts chose,
// and the module's string table is read from its sources.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "commands/commands.h"
#include "heightdim/settings.h"
#include "host/chain.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "tools/native_sweep/dialog_standins.h"
#include "tools/native_sweep/module_strings.h"
#include "tools/native_sweep/native_sweep.h"

namespace {

using hostsim::Host;
namespace fs = std::filesystem;

// A folder of this test's own, removed at the end.
class Folder {
 public:
  Folder() : path_(fs::temp_directory_path() / ("native-sweep-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + std::to_string(reinterpret_cast<uintptr_t>(this)))) {
    fs::create_directories(path_);
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
    return (path_ / name).string();
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Writers bound to the host table as the module binds it. Seed makes one
// line; Relayer copies every entity onto layer NEW and erases the originals
// once the copies are written; the Careless variant flushes whatever the host
// said to each copy, so a refused copy leaves its original erased unreplaced.
class WriterModule : public hostsim::ModuleFace {
 public:
  bool initApp(int& result) override {
    result = vd::bindHost(nullptr, &hostsim::resolveExport, nullptr) ? 1 : 0;
    return true;
  }
  bool runCommand(const std::string& name, const std::vector<std::string>&, int& result) override {
    if (name == "Seed") {
      result = seed();
    } else if (name == "Relayer" || name == "CarelessRelayer") {
      result = relayer(name == "Relayer");
    } else {
      return false;
    }
    return true;
  }
  bool omitExport(const std::string&, std::string&) override { return true; }

 private:
  static vd::HostApi& h() { return *vd::hostApi(); }
  int seed() {
    vd::ChainBuilder b;
    b.text(0, u"LINE").text(8, u"0").point(10, 0, 0).point(11, 10, 0);
    vd::OwnedChain line = b.build();
    if (h().Header_bin() != vd::kRtNorm || h().Entmake_binW(line.get(), 0) != vd::kRtNorm) return 0;
    return h().Flush_bin(1) == vd::kRtNorm ? 1 : 0;
  }
  int relayer(bool careful) {
    std::vector<vd::OwnedChain> copies;
    std::vector<vd::vstring> handles;
    if (h().SSGetW(3, nullptr, nullptr, 0) != vd::kRtNorm) return 0;
    for (vd::ValueNode* n = h().EntnextW(1, 0); n; n = h().EntnextW(0, 0)) {
      vd::OwnedChain copy = vd::OwnedChain::copyOf(n);
      copy.setText(8, u"NEW");
      copy.remove(5);  // the copy is a new entity
      copies.push_back(std::move(copy));
      handles.emplace_back(vd::ChainView(n).handle());
    }
    if (h().Header_bin() != vd::kRtNorm) return 0;
    for (const vd::OwnedChain& c : copies) {
      if (h().Entmake_binW(c.get(), 0) != vd::kRtNorm && careful) return 0;
    }
    if (h().Flush_bin(1) != vd::kRtNorm) return 0;
    std::vector<const vd::vchar*> texts;
    for (const vd::vstring& s : handles) texts.push_back(s.c_str());
    return h().EraseHandles(texts.data(), static_cast<int>(texts.size()), 1) == vd::kRtNorm ? 1 : 0;
  }
};

// What the runner printed and answered.
struct SweepRun {
  nsweep::SweepTotals totals;
  int status = 0;
  std::string output;
};

SweepRun sweep(const std::vector<std::string>& scripts, hostsim::ModuleFace& module, int expectedCommands,
          const nsweep::HostSetup& setup = [](Host&, const std::string&, std::string&) { return true; }) {
  SweepRun run;
  std::FILE* out = std::tmpfile();
  run.totals = nsweep::sweepScripts(scripts, module, setup, out);
  run.status = nsweep::sweepStatus(run.totals, expectedCommands, out);
  std::rewind(out);
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0) run.output.append(buffer, n);
  std::fclose(out);
  vd::unbindHost();
  return run;
}

TEST(NativeSweep, CountsReportsAndFailsOnLosses) {
  Folder folder;
  WriterModule module;
  const std::string careful = folder.write("careful.vds", "init\ncommand Seed\ncommand Relayer\n");
  const std::string careless = folder.write("careless.vds", "init\ncommand Seed\ncommand CarelessRelayer\n");
  const std::string broken = folder.write("broken.vds", "init\ncommand Seed\npoint 1,2\n");

  SweepRun good = sweep({careful}, module, 2);
  EXPECT_EQ(good.status, 0) << good.output;
  EXPECT_EQ(good.totals.lost, 0);
  EXPECT_GT(good.totals.positions, 5);
  EXPECT_EQ(good.totals.commands, (std::set<std::string>{"Relayer", "Seed"}));
  EXPECT_NE(good.output.find("fault sweep: 2 commands, " + std::to_string(good.totals.positions) + " positions, 0 lost\n"),
            std::string::npos)
      << good.output;

  // Only the refused copy loses: a refused batch or erase leaves the line.
  SweepRun bad = sweep({careful, careless}, module, 3);
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.totals.lost, 1);
  EXPECT_NE(bad.output.find("fault sweep: 3 commands, " + std::to_string(bad.totals.positions) + " positions, 1 lost\n"),
            std::string::npos)
      << bad.output;
  EXPECT_NE(bad.output.find("fails Entmake_binW (its 2nd call): [erased-unreplaced] command CarelessRelayer"),
            std::string::npos)
      << bad.output;

  // Fewer distinct commands than asked for, or a script that fails without
  // any fault, fail the sweep with nothing lost.
  EXPECT_EQ(sweep({careful}, module, 3).status, 1);
  SweepRun failing = sweep({careful, broken}, module, 2);
  EXPECT_EQ(failing.status, 1);
  EXPECT_EQ(failing.totals.failedScripts, 1);
  EXPECT_NE(failing.output.find("broken.vds: cannot be swept: the script fails without any fault"), std::string::npos)
      << failing.output;
}

// The module's commands with the stand-ins, as native_sweep runs them.
class StandIns : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { nsweep::installDialogStandIns(); }
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(nsweep::readModuleStrings(VD_SOURCE_DIR "/res/string_ids.h", VD_SOURCE_DIR "/res/strings.rc",
                                          strings(), error))
        << error;
  }
  static std::map<int, vd::vstring>& strings() {
    static std::map<int, vd::vstring> table;
    return table;
  }
  static bool text(int id, vd::vstring& out) {
    auto it = strings().find(id);
    if (it == strings().end()) return false;
    out = it->second;
    return true;
  }
  // Runs a script on a fresh host with the folder `userData` of the test's
  // folder as its user data; false with the host's error.
  bool run(const std::string& script, const std::string& userData = "user") {
    vd::unbindHost();
    Host& host = Host::instance();
    host.reset();
    host.stringSource = &text;
    fs::create_directories(folder.path() / userData);
    host.userDataPath = vd::utf8ToUtf16((folder.path() / userData).string());
    nsweep::CommandTableModule module;
    hostsim::ScriptRunner runner(host, module);
    const bool ok = runner.runText(script);
    vd::unbindHost();
    return ok;
  }
  vd::HNoteDataSet saved() {
    vd::HNoteDataSet set;
    set.load(vd::utf8ToUtf16((folder.path() / "user").string()) + u"\\Dat\\hnoteData.ini");
    return set;
  }
  Folder folder;
};

TEST_F(StandIns, SettingsDialogGivesTheCommandTheChosenFieldsOfTheTypeShown) {
  const vd::HNoteDataSet defaults;
  const int plus = defaults[vd::HNoteType::DinRough].positivePlus ? 0 : 1;
  ASSERT_NE(defaults[vd::HNoteType::DinRough].numAlign, 0.05);
  ASSERT_NE(defaults[vd::HNoteType::Plan].textHeight, 4.5);
  ASSERT_TRUE(run("init\ncommand HeightDimSettings\ndialog 1000\nchoose 1002 \"DIN hrubá\"\nset 1008 \"0,05\"\n"
                  "check 1037 " + std::to_string(plus) + "\nset 1059 \"4.5\"\npress 1\n"))
      << Host::instance().error();
  EXPECT_EQ(Host::instance().transcript().back(), "command HeightDimSettings -> 1");
  const vd::HNoteDataSet set = saved();
  EXPECT_DOUBLE_EQ(set[vd::HNoteType::DinRough].numAlign, 0.05);
  EXPECT_EQ(set[vd::HNoteType::DinRough].positivePlus, plus);
  EXPECT_DOUBLE_EQ(set[vd::HNoteType::Plan].textHeight, 4.5);
  EXPECT_EQ(set[vd::HNoteType::Csn], defaults[vd::HNoteType::Csn]);
  EXPECT_EQ(set[vd::HNoteType::DinOpen], defaults[vd::HNoteType::DinOpen]);

  // Cancel writes nothing.
  ASSERT_TRUE(run("init\ncommand HeightDimSettings\ndialog 1000\nset 1008 \"0,05\"\npress 2\n", "cancelled"));
  EXPECT_EQ(Host::instance().transcript().back(), "command HeightDimSettings -> 0");
  EXPECT_FALSE(fs::exists(folder.path() / "cancelled" / "Dat"));
}

TEST_F(StandIns, LinesTheStandInsDoNotModelAreScriptErrors) {
  const struct {
    const char* script;
    const char* error;
  } cases[] = {
      {"init\ncommand HeightDimSettings\ndialog 1000\nset 1011 \"5\"\npress 1\n",
       "script line 4: the native stand-in of dialog 1000 has no control 1011"},
      {"init\ncommand HeightDimSettings\ndialog 1000\nset 1008 \"11\"\npress 1\n",
       "script line 4: the settings dialog would refuse \"set 1008"},
      {"init\ncommand HeightDimSettings\ndialog 1000\nchoose 1002 \"DIN\"\npress 1\n",
       "script line 4: the section type combo has no item"},
      {"init\ncommand HeightDimSettings\ndialog 1001\npress 1\n",
       "script line 3: the module shows dialog 1000 but the script answers dialog 1001"},
      {"init\ncommand HeightDimEdit\ndialog 1001\ncheck 1002 2\npress 1\n",
       "script line 4: check box 1002 has no third state"},
      {"init\ncommand HeightDimSettings\ndialog 1000\npoint 1,1\n",
       "script line 4: dialog 1000 is open but the script answers point"},
      {"init\ncommand HeightDimSettings\ndialog 1000\n", "dialog 1000 waits for a line but the script has none left"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(run(c.script)) << c.script;
    EXPECT_NE(Host::instance().error().find(c.error), std::string::npos)
        << c.script << " gave: " << Host::instance().error();
  }
}

TEST(ModuleStrings, QuotesLineBreaksAndUnknownIds) {
  std::map<int, vd::vstring> out;
  std::string error;
  ASSERT_TRUE(nsweep::parseModuleStrings("#define IDS_A 7\n#define IDS_B 8 // no\n#define IDS_C 9\n",
                                         "STRINGTABLE\n  IDS_A, \"say \"\"hi\"\"\\n\"\n  // IDS_C, \"x\"\n"
                                         "    IDS_C,\"Výška \" \r\n",
                                         out, error))
      << error;
  EXPECT_EQ(out, (std::map<int, vd::vstring>{{7, u"say \"hi\"\n"}, {9, u"Výška "}}));
  EXPECT_FALSE(nsweep::parseModuleStrings("#define IDS_A 7\n", "IDS_Z, \"x\"\n", out, error, "ids.h", "t.rc"));
  EXPECT_EQ(error, "t.rc line 1: IDS_Z is not defined in ids.h");
  EXPECT_FALSE(nsweep::parseModuleStrings("#define IDS_A 7\n", "IDS_A, \"a\"b\"\n", out, error, "ids.h", "t.rc"));
  EXPECT_EQ(error, "t.rc line 1: a lone quote inside IDS_A");
}

}  // namespace
