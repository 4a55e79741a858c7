#include <gtest/gtest.h>

#include <cstdio>

#include "host_fixture.h"
#include "hostsim/script.h"

using namespace vd;
using hosttest::HostTest;

namespace {

// A module whose command "Pick" asks for one selection and reports what it got.
class PickingModule : public hostsim::ModuleFace {
 public:
  int initApp() override { return 1; }
  bool runCommand(const std::string& name, const std::vector<std::string>&, int& result) override {
    if (name != "Pick") return false;
    result = hostApi()->SSGetW(2, u"Vyberte objekty:", nullptr, 0);
    got.clear();
    for (ValueNode* n = hostApi()->EntnextW(1, 0); n; n = hostApi()->EntnextW(0, 0)) got.emplace_back(ChainView(n).handle());
    return true;
  }
  bool omitExport(const std::string&, std::string& error) override {
    error = "not here";
    return false;
  }
  std::vector<vstring> got;
};

class ScriptTest : public HostTest {
 protected:
  bool run(const std::string& text) {
    hostsim::ScriptRunner runner(host(), module);
    return runner.runText(text);
  }
  PickingModule module;
};

TEST_F(ScriptTest, PickAnswersFollowTheCommandLine) {
  make(line(0, 0, 10, 0));
  vstring a = lastHandle();
  make(circle(50, 50, 5));
  vstring b = lastHandle();
  std::string ha = utf16ToUtf8(a), hb = utf16ToUtf8(b);
  struct Case {
    std::string answer;
    std::vector<vstring> expected;
  };
  std::string lower = hb;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const Case cases[] = {
      {"pick " + ha + " " + lower, {a, b}},
      {"pickat 5,0.5", {a}},
      {"pickat 55.5,50", {b}},
      {"window -1,-1 11,1", {a}},
      {"window 60,60 -5,-5", {a, b}},
      {"cancel", {}},
  };
  for (const Case& c : cases) {
    host().clearAnswers();
    ASSERT_TRUE(run("command Pick\n" + c.answer + "\n")) << c.answer << ": " << host().error();
    EXPECT_EQ(module.got, c.expected) << c.answer;
  }
}

TEST_F(ScriptTest, ApertureDecidesHowNearIsNear) {
  make(line(0, 0, 10, 0));
  ASSERT_TRUE(run("command Pick\npickat 5,3\n"));
  EXPECT_TRUE(module.got.empty());
  ASSERT_TRUE(run("aperture 3.5\ncommand Pick\npickat 5,3\n"));
  EXPECT_EQ(module.got.size(), 1u);
}

TEST_F(ScriptTest, BadLinesNameTheirLine) {
  struct Case {
    std::string text;
    const char* expected;
  };
  const Case cases[] = {
      {"command Pick\npick\n", "line 2: pick wants one or more handles"},
      {"command Pick\npick XYZ\n", "line 2: \"XYZ\" is not a handle"},
      {"command Pick\npickat 1\n", "line 2: pickat wants x,y"},
      {"command Pick\nwindow 1,1\n", "line 2: window wants two corners"},
      {"\n\npick 1A\n", "line 3: an answer must follow a command line"},
      {"command Pick\npoint 1,1\n", "the script answers point"},
      {"aperture -1\n", "line 1: aperture wants a distance"},
      {"load\n", "line 1: load wants a DXF file"},
      {"load /no/such/file.dxf\n", "cannot read /no/such/file.dxf"},
      {"command Pick\npick 99\n", "no entity with handle 99"},
  };
  for (const Case& c : cases) {
    host().reset();
    EXPECT_FALSE(run(c.text)) << c.text;
    EXPECT_NE(host().error().find(c.expected), std::string::npos) << c.text << " gave: " << host().error();
  }
}

TEST_F(ScriptTest, SaveLoadAndNewReplaceTheDrawing) {
  make(line(0, 0, 10, 0, u"KEEP"));
  vstring h = lastHandle();
  const char* path = "hostsim_script.dxf";
  ASSERT_TRUE(run(std::string("save ") + path + "\nnew\n")) << host().error();
  EXPECT_TRUE(drawing().entities().empty());
  ASSERT_TRUE(run(std::string("load ") + path + "\n")) << host().error();
  ASSERT_EQ(drawing().entities().size(), 1u);
  EXPECT_EQ(drawing().entities()[0]->handle, h);
  EXPECT_EQ(drawing().entities()[0]->view().layer(), u"KEEP");
  // The loaded drawing serves the module like one it wrote itself.
  ASSERT_TRUE(run("command Pick\npick " + utf16ToUtf8(h) + "\n")) << host().error();
  EXPECT_EQ(module.got, std::vector<vstring>{h});
  // Changes show in the transcript as they happen.
  bool logged = false;
  make(line(1, 1, 2, 2));
  for (const std::string& line : host().transcript()) logged = logged || line.rfind("drawing: entity added LINE", 0) == 0;
  EXPECT_TRUE(logged);
  std::remove(path);
}

}  // namespace
