#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <tuple>

#include "host_fixture.h"
#include "hostsim/number_text.h"

using namespace vd;
using hosttest::HostTest;

namespace {

// A module whose command "Pick" asks for one selection and reports what it got.
class PickingModule : public hosttest::ScriptModule {
 public:
  bool initApp(int& result) override {
    result = 1;
    return hasInitApp;
  }
  bool runCommand(const std::string& name, const std::vector<std::string>&, int& result) override {
    if (name != "Pick") return false;
    result = hostApi()->SSGetW(2, u"Vyberte objekty:", nullptr, 0);
    got.clear();
    for (ValueNode* n = hostApi()->EntnextW(1, 0); n; n = hostApi()->EntnextW(0, 0)) got.emplace_back(ChainView(n).handle());
    return true;
  }
  std::vector<vstring> got;
  bool hasInitApp = true;
};

using ScriptTest = hosttest::ScriptHostTest<PickingModule>;

TEST_F(ScriptTest, PickAnswersFollowTheCommandLine) {
  make(line(0, 0, 10, 0));
  vstring a = lastHandle();
  make(circle(50, 50, 5));
  vstring b = lastHandle();
  std::string lower = utf16ToUtf8(b);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::pair<std::string, std::vector<vstring>> cases[] = {
      {"pick " + utf16ToUtf8(a) + " " + lower, {a, b}},
      {"pickat 5,0.5", {a}},
      {"pickat 55.5,50", {b}},
      {"window -1,-1 11,1", {a}},
      {"window 60,60 -5,-5", {a, b}},
      {"cancel", {}},
  };
  for (const auto& [answer, expected] : cases) {
    host().clearAnswers();
    ASSERT_TRUE(run("command Pick\n" + answer + "\n")) << answer << ": " << host().error();
    EXPECT_EQ(module.got, expected) << answer;
  }
}

TEST_F(ScriptTest, BadLinesNameTheirLine) {
  const std::pair<std::string, const char*> cases[] = {
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
      // Numbers are finite.
      {"units nan\n", "line 1: units wants a number, not \"nan\""},
      {"scale inf\n", "line 1: scale wants a number, not \"inf\""},
      {"\nvar DIMSCALE real -inf\n", "line 2: var real wants a number, not \"-inf\""},
      {"var UCSORG point 1,nan\n", "line 1: var point wants x,y or x,y,z, not \"1,nan\""},
      {"aperture 1e999\n", "line 1: aperture wants a distance, not \"1e999\""},
      {"command Pick\npoint nan,1\n", "line 2: point wants x,y or x,y,z, not \"nan,1\""},
      {"command Pick\npoint 1,2,\n", "line 2: point wants x,y or x,y,z, not \"1,2,\""},
      {"command Pick\nreal 0x10\n", "line 2: real wants a number, not \"0x10\""},
      {"command Pick\npickat 1,INF\n", "line 2: pickat wants x,y, not \"1,INF\""},
      {"command Pick\nwindow 0,0 1,1e400\n", "line 2: window wants two corners x1,y1 x2,y2, not \"1,1e400\""},
      // Quotes close, and answers without arguments take none.
      {"command Pick\nkeyword \"Z\xc3\xa1kladnu\n", "line 2: a quote is not closed"},
      {"echo \"a\" \"b\n", "line 1: a quote is not closed"},
      {"command Pick\n# a \"comment\" may hold \" alone\nenter now\n", "line 3: enter takes no argument, not \"now\""},
      {"command Pick\ncancel 1,2\n", "line 2: cancel takes no argument, not \"1,2\""},
  };
  for (const auto& [text, expected] : cases) expectScriptError(text, expected);
}

TEST(NumberText, OnlyFiniteDecimalRealsAreNumbers) {
  const std::pair<const char*, std::optional<double>> cases[] = {
      {"12", 12},           {"-0.5", -0.5},       {"+1e-3", 1e-3},        {".5", 0.5},
      {"2.", 2},            {"1E5", 1e5},         {"4e-320", 4e-320},     {"1e-400", 0.0},
      {"-1e-400", -0.0},    {"1e308", 1e308},     {"0e99999", 0.0},       {"1e-99999999999999", 0.0},
      {"1e309", {}},        {"-1e999", {}},       {"1e99999999999999", {}}, {"nan", {}},
      {"-nan", {}},         {"inf", {}},          {"-infinity", {}},      {"0x10", {}},
      {"1e", {}},           {"e5", {}},           {"", {}},               {".", {}},
      {"1.2.3", {}},        {" 1", {}},           {"1 ", {}},             {"1e+", {}},
      {"--1", {}},          {"+-1", {}},          {"1,5", {}},
  };
  for (const auto& [text, value] : cases) {
    std::optional<double> got = hostsim::parseFiniteReal(text);
    EXPECT_EQ(got, value) << text;
    EXPECT_EQ(got && std::signbit(*got), value && std::signbit(*value)) << text;
  }
}

// A snapshot line hands the drawing as it is at that line to the host
// program's painter, which writes the file, or under a fault sweep paints it
// in memory only; a host without a painter, or a painter that fails, fails
// the line.
TEST_F(ScriptTest, SnapshotPaintsTheDrawingOfItsLine) {
  make(line(0, 0, 10, 0));
  EXPECT_FALSE(run("snapshot a.png\n"));
  EXPECT_NE(host().error().find("paints no pictures"), std::string::npos) << host().error();

  std::vector<std::tuple<std::string, bool, size_t>> painted;  // path, written, entities
  std::string refuse;
  // The host outlives the test: the painter goes with it.
  struct Uninstall {
    hostsim::Host& host;
    ~Uninstall() { host.windowOperations.drawingPicture = nullptr; }
  } uninstall{host()};
  host().windowOperations.drawingPicture = [&](const std::string& path, const std::optional<std::array<double, 4>>&,
                                                bool write, std::string& error) {
    painted.emplace_back(path, write, drawing().entities().size());
    error = refuse;
    return refuse.empty();
  };
  for (const char* bad : {"snapshot\n", "snapshot a.png b.png\n", "snapshot a.png 0,0 0,5\n", "snapshot a.png 0,0\n"})
    expectScriptError(bad, "snapshot wants a PNG file");
  EXPECT_TRUE(painted.empty());

  host().reset();
  make(line(0, 0, 10, 0));
  ASSERT_TRUE(run("snapshot one.png\nnew\nsnapshot \"two words.png\"\n")) << host().error();
  EXPECT_EQ(painted, (std::vector<std::tuple<std::string, bool, size_t>>{{"one.png", true, 1}, {"two words.png", true, 0}}));
  EXPECT_TRUE(transcriptHas("host: picture saved to one.png", true));

  host().writesFiles = false;
  ASSERT_TRUE(run("snapshot three.png\n")) << host().error();
  host().writesFiles = true;
  ASSERT_EQ(painted.size(), 3u);
  EXPECT_FALSE(std::get<1>(painted[2]));
  EXPECT_EQ(host().transcript().back(), "host: picture saved to three.png (in memory only)");

  refuse = "no picture surface";
  EXPECT_FALSE(run("echo before\nsnapshot four.png\n"));
  EXPECT_NE(host().error().find("script line 2"), std::string::npos) << host().error();
  EXPECT_NE(host().error().find("no picture surface"), std::string::npos) << host().error();
}

TEST_F(HostTest, IdentifiersAreMaskedByFirstAppearance) {
  // In order on one host: numbers count the distinct identifiers of the run.
  const std::pair<const char*, const char*> cases[] = {
      {"entry 0123ABCD-1111-2222-3333-444455556666 written", "entry <id1> written"},
      {"0123abcd-1111-2222-3333-444455556666", "<id1>"},  // lower case: the same identifier
      {"X=FEDCBA98-7654-3210-FEDC-BA9876543210,Y=0123ABCD-1111-2222-3333-444455556666", "X=<id2>,Y=<id1>"},
      {"VD2D_HEIGHTDIM_FEDCBA98-7654-3210-FEDC-BA9876543210", "VD2D_HEIGHTDIM_<id2>"},
      {"0123ABCD-1111-2222-3333-4444555566667", "0123ABCD-1111-2222-3333-4444555566667"},  // 37 digits
      {"F0123ABCD-1111-2222-3333-444455556666", "F0123ABCD-1111-2222-3333-444455556666"},  // a longer run
      {"0123ABCD-111-2222-3333-444455556666", "0123ABCD-111-2222-3333-444455556666"},      // a short group
      {"entity added INSERT 1A2F", "entity added INSERT 1A2F"},                             // a handle
      {"new AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE", "new <id3>"},
  };
  for (const auto& [line, masked] : cases) EXPECT_EQ(host().maskIdentifiers(line), masked) << line;
  host().reset();
  EXPECT_EQ(host().maskIdentifiers("FEDCBA98-7654-3210-FEDC-BA9876543210"), "<id1>") << "a new run counts anew";
}

TEST_F(HostTest, KeywordsShowInPlaceOfThePromptsPercentS) {
  const HostKeyword two[] = {{u"Existující", u"Existující", u"help"}, {nullptr, u"Základnu", u"help"}};
  const HostKeyword one[] = {{u"Dvě", u"Dvě", nullptr}};
  const struct {
    const vchar* prompt;
    HostKeywordSet keywords;
    bool answerKeyword;
    const char* line;
  } cases[] = {
      {u"Zadejte bod nebo %s: ", {2, two}, false, "point/keyword? Zadejte bod nebo [Existující/Základnu]:  -> 1,2,0"},
      {u"Bod %s", {1, one}, false, "point/keyword? Bod [Dvě] -> 1,2,0"},
      {u"Zadejte bod: ", {2, two}, false, "point/keyword? Zadejte bod:  -> 1,2,0"},
      {u"Zadejte bod nebo %s: ", {2, two}, true, "point/keyword? Zadejte bod nebo [Existující/Základnu]:  -> Existující"},
  };
  for (const auto& c : cases) {
    hostsim::Answer a = answer(c.answerKeyword ? hostsim::Answer::Kind::Keyword : hostsim::Answer::Kind::Point, 1, 2);
    a.text = u"existující";
    host().queueAnswer(a);
    double point[3] = {0, 0, 0};
    vchar keyword[kKeywordBufferChars] = {};
    EXPECT_EQ(api().GetPointKwdW(nullptr, c.prompt, point, &c.keywords, keyword, 0, 0),
              c.answerKeyword ? kRtKeyword : kRtNorm);
    EXPECT_EQ(host().transcript().back(), c.line);
    EXPECT_EQ(vstring(keyword), c.answerKeyword ? u"Existující" : u"");
  }
}

}  // namespace
