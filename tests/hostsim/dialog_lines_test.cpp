// Dialog lines of host scripts as the portable host reads them, the host
// operations that dialogs ask of it (text styles, layers), and its colour
// requests: the `colorext` line and its transcript, the `truecolour` answer
// to SetColorDialogTrueColor, ColorExtFunctionW passed on to the module.
#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "host_fixture.h"
#include "hostsim/colour_requests.h"
#include "hostsim/number_text.h"

using namespace vd;
using hostsim::Answer;

namespace {

// A module whose command "Point" asks for one point, "Nothing" asks for
// nothing and "TrueColour" asks the host's true-colour dialog; its
// ColorExtFunction notes its arguments and answers as told.
class AskingModule : public hosttest::ScriptModule {
 public:
  bool runCommand(const std::string& name, const std::vector<std::string>&, int& result) override {
    double p[3] = {0, 0, 0};
    record = HostTrueColourRecord{32, -1, nullptr, 5, kOfferByLayer, 0};
    result = name == "Point" ? hostApi()->GetPointW(nullptr, u"Bod:", p)
             : name == "TrueColour" ? hostApi()->SetColorDialogTrueColor(&record)
                                    : 0;
    return name == "Point" || name == "Nothing" || name == "TrueColour";
  }
  bool colourExt(int m, std::uint32_t& c, std::uint32_t& r, vstring& t, int cap, int& result) override {
    seen = {m, c, t, cap};
    if (answer) {
      c = answer->colour;
      r = answer->rgb;
      t = answer->text;
    }
    result = answer ? 1 : 0;
    return true;
  }
  struct ColourAnswer {
    std::uint32_t colour, rgb;
    vstring text;
  };
  std::optional<ColourAnswer> answer;
  struct Seen {
    int mode;
    std::uint32_t colour;
    vstring text;
    int capacity;
    bool operator==(const Seen&) const = default;
  } seen{};
  HostTrueColourRecord record{};
};

class DialogLines : public hosttest::ScriptHostTest<AskingModule> {
 protected:
  bool run(const std::string& text) {
    host().reset();  // a fresh transcript and no error of an earlier run
    return ScriptHostTest::run(text);
  }
};

// Every line of a command's dialog block is queued as an answer, in order;
// the module never asks for them, so the command leaves them all.
TEST_F(DialogLines, EachLineIsReadIntoItsAction) {
  const struct {
    const char* line;
    Answer::Kind kind;
    int id, value, x, y;
    const char16_t* text;
    const char* source;  // null: the line itself
  } cases[] = {
      {"dialog 1001", Answer::Kind::Dialog, 1001, 0, 0, 0, u"", nullptr},
      {"set 1004 \"1,250\"", Answer::Kind::Set, 1004, 0, 0, 0, u"1,250", nullptr},
      {"set 1004 \"\"", Answer::Kind::Set, 1004, 0, 0, 0, u"", nullptr},
      {"choose 1002 \"DIN hrub\xc3\xa1\"", Answer::Kind::Choose, 1002, 0, 0, 0, u"DIN hrub\u00e1", nullptr},
      {"check 1002 1", Answer::Kind::Check, 1002, 1, 0, 0, u"", nullptr},
      {"check +1033 2", Answer::Kind::Check, 1033, 2, 0, 0, u"", "check 1033 2"},
      {"key 1004 delete", Answer::Kind::Key, 1004, static_cast<int>(hostsim::DialogKey::Delete), 0, 0, u"",
       "key 1004 Delete"},
      {"key 1004 F4", Answer::Kind::Key, 1004, static_cast<int>(hostsim::DialogKey::F4), 0, 0, u"", nullptr},
      {"click 1065 40,30", Answer::Kind::Click, 1065, 0, 40, 30, u"", nullptr},
      {"dblclick 1026 3,+4", Answer::Kind::DoubleClick, 1026, 0, 3, 4, u"", "dblclick 1026 3,4"},
      {"wheel 1065 0,7 -120", Answer::Kind::Wheel, 1065, -120, 0, 7, u"", nullptr},
      {"wait 2500", Answer::Kind::Wait, 0, 2500, 0, 0, u"", nullptr},
      {"picture out/edit.png", Answer::Kind::Picture, 0, 0, 0, 0, u"out/edit.png", nullptr},
      {"picture \"my pictures/a.png\"", Answer::Kind::Picture, 0, 0, 0, 0, u"my pictures/a.png", nullptr},
      {"press 1006", Answer::Kind::Press, 1006, 0, 0, 0, u"", nullptr},
      {"msgbox 7", Answer::Kind::MessageBox, 7, 0, 0, 0, u"", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_FALSE(run(std::string("command Nothing\n") + c.line + "\n"));
    const Answer* a = host().peekAnswer();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->kind, c.kind);
    EXPECT_TRUE(hostsim::isDialogLine(a->kind));
    EXPECT_EQ(a->line, 2);
    EXPECT_EQ((std::array{a->dialog.id, a->dialog.value, a->dialog.x, a->dialog.y}), (std::array{c.id, c.value, c.x, c.y}));
    EXPECT_EQ(a->dialog.text, c.text);
    EXPECT_EQ(a->dialog.source, c.source ? c.source : c.line);
  }
}

TEST_F(DialogLines, ErrorsNameTheLine) {
  const std::string open = "command Nothing\ndialog 1001\n";
  const struct {
    std::string text;
    const char* expected;
  } cases[] = {
      {"command Nothing\ndialog\n", "line 2: dialog wants a template id"},
      {"command Nothing\ndialog 0\n", "line 2: dialog wants a template id"},
      {"command Nothing\ndialog 70000\n", "line 2: dialog wants a template id"},
      {"command Nothing\ndialog 1001 1002\n", "line 2: dialog wants a template id"},
      {open + "set 1004\n", "line 3: set wants a control id and a text"},
      {open + "set x \"1\"\n", "line 3: set wants a control id and a text"},
      {open + "choose 1002 a b\n", "line 3: choose wants a control id and an item's text"},
      {open + "check 1002 3\n", "line 3: check wants a control id and a state 0, 1 or 2"},
      {open + "check 1002 on\n", "line 3: check wants a control id and a state"},
      {open + "key 1004 F5\n", "line 3: key wants a control id and a key (Enter"},
      {open + "click 1065 40\n", "line 3: click wants a control id and a client pixel x,y"},
      {open + "click 1065 -1,3\n", "line 3: click wants a control id and a client pixel"},
      {open + "click 1065 1.5,3\n", "line 3: click wants a control id and a client pixel"},
      {open + "dblclick 1026 4,3 1\n", "line 3: dblclick wants a control id and a client pixel x,y"},
      {open + "dblclick 1026\n", "line 3: dblclick wants a control id and a client pixel x,y"},
      {open + "wheel 1065 4,3 0\n", "line 3: wheel wants a control id, a client pixel x,y and a delta"},
      {open + "wheel 1065 4,3 40000\n", "line 3: wheel wants"},
      {open + "wheel 1065 4,3\n", "line 3: wheel wants"},
      {open + "wait -1\n", "line 3: wait wants milliseconds from 0 to 600000"},
      {open + "wait 600001\n", "line 3: wait wants milliseconds"},
      {open + "picture\n", "line 3: picture wants a file"},
      {open + "picture \"\"\n", "line 3: picture wants a file"},
      {open + "press OK\n", "line 3: press wants a button id"},
      {"command Nothing\nmsgbox\n", "line 2: msgbox wants a button id"},
      // A dialog line answers a command like any other answer.
      {"\ndialog 1001\n", "line 2: an answer must follow a command line"},
      {"command Point\ndialog 1001\n", "line 2: the module asks for a point (\"Bod:\") but the script answers dialog"},
      {"command Point\nmsgbox 1\n", "line 2: the module asks for a point (\"Bod:\") but the script answers msgbox"},
      // Lines the module never met.
      {open + "press 1\n", "line 2: the module shows no dialog where the script expects dialog 1001 (the command ended)"},
      {"command Nothing\nmsgbox 6\n", "line 2: the module shows no message box where the script answers one"},
      {"command Nothing\nset 1004 \"2\"\n", "line 2: no dialog is open for \"set 1004 \"2\"\" (the command ended)"},
  };
  for (const auto& c : cases) expectScriptError(c.text, c.expected);
}

// GetTextStylesA answers the host's styles and the drawing's; the layer
// operations that show windows are served only where the host program
// installed them.
TEST_F(DialogLines, TextStylesAndLayersComeFromTheDrawing) {
  // ISO, the host's STANDARD under another case, two layers.
  for (auto [table, name] : {std::pair{u"STYLE", u"ISO"}, {u"STYLE", u"standard"}, {u"LAYER", u"KOTY"},
                             {u"LAYER", u"\u0160RAFY"}})
    drawing().tableRecords().push_back({table, ChainBuilder().text(0, table).text(2, name).build()});
  ASSERT_TRUE(ScriptHostTest::run("textstyle Technick\xc3\xa9\n")) << host().error();
  int count = 0;
  char** styles = api().GetTextStylesA(&count);
  ASSERT_EQ(count, 3);
  EXPECT_STREQ(styles[0], "STANDARD");
  EXPECT_STREQ(styles[1], "Technick\xe9");  // code page 1250
  EXPECT_STREQ(styles[2], "ISO");

  EXPECT_EQ(host().layerNames(), (std::vector<vstring>{u"0", u"KOTY", u"\u0160RAFY"}));
  EXPECT_FALSE(host().addLayer(u"koty"));
  EXPECT_FALSE(host().addLayer(u""));
  EXPECT_TRUE(host().addLayer(u"NOV\u00c1"));
  EXPECT_EQ(host().layerNames().back(), u"NOV\u00c1");

  EXPECT_EQ(api().VdRcLayerDlg(2, 0, 1), 0);
  EXPECT_EQ(host().transcript().back(), "host: VdRcLayerDlg is not served");
  std::array<int, 3> seen{};
  host().windowOperations.layerDialog = [&](int a, int b, int c) {
    seen = {a, b, c};
    return 1;
  };
  void* combo = nullptr;
  host().windowOperations.fillLayerCombo = [&](void* window, int mode) {
    combo = window;
    return mode;
  };
  EXPECT_EQ(api().VdRcLayerDlg(2, 0, 1), 1);
  EXPECT_EQ(seen, (std::array{2, 0, 1}));
  int dummy = 0;
  EXPECT_EQ(api().VdRcFillComboLayer(&dummy, 2), 2);
  EXPECT_EQ(combo, &dummy);
  host().reset();
  EXPECT_TRUE(host().windowOperations.layerDialog) << "a reset keeps what the host program installed";
  host().windowOperations = {};
}

TEST_F(DialogLines, ColorextLinesCallTheModuleAndWriteWhatItAnswered) {
  const std::string longText(300, 'x');
  const struct {
    std::string line;
    std::optional<AskingModule::ColourAnswer> answer;
    AskingModule::Seen seen;
    std::string written;
  } cases[] = {
      {"colorext 0 3", AskingModule::ColourAnswer{3, 0x00FF00, u"Zelená"}, {0, 3, u"", 256},
       "colorext -> 1 colour=0x00000003 rgb=0x00FF00 text=\"Zelená\""},
      {"colorext 6 0x1F \"255, 128, 0\"", AskingModule::ColourAnswer{0x010080FF, hostsim::kRgbNotWritten, u"255, 128, 0"},
       {6, 0x1F, u"255, 128, 0", 256}, "colorext -> 1 colour=0x010080FF rgb=none text=\"255, 128, 0\""},
      {"colorext -7 4294967295 a", std::nullopt, {-7, 0xFFFFFFFF, u"a", 256},
       "colorext -> 0 colour=0xFFFFFFFF rgb=none text=\"a\""},
      {"colorext 1 0XaBc " + longText, std::nullopt, {1, 0xABC, utf8ToUtf16(longText), 301}, ""},
      {"colorext 0 3", AskingModule::ColourAnswer{3, 0x123456, u"a\"b\\c\td\x01"}, {0, 3, u"", 256},
       "colorext -> 1 colour=0x00000003 rgb=0x123456 text=\"a\\\"b\\\\c\\td\\x01\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.substr(0, 40));
    module.answer = c.answer;
    ASSERT_TRUE(run("init\n" + c.line + "\n")) << host().error();
    EXPECT_TRUE(module.seen == c.seen) << module.seen.mode << " " << module.seen.colour << " " << module.seen.capacity;
    EXPECT_TRUE(c.written.empty() || host().transcript().back() == c.written) << host().transcript().back();
  }
}

TEST_F(DialogLines, TrueColourAnswers) {
  const struct {
    std::string answer;
    int result;
    std::uint32_t colour;
    std::string logged;
  } cases[] = {
      {"truecolour 10,20,30", 1, 0x011E140A, "host: true colour -> 10,20,30"},
      {"truecolour 255,0,+0", 1, 0x010000FF, "host: true colour -> 255,0,0"},
      {"cancel", 0, 5, "host: true colour -> cancel"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    ASSERT_TRUE(run("init\ncommand TrueColour\n" + c.answer + "\n")) << host().error();
    EXPECT_EQ(module.record.colour, c.colour);
    const auto& t = host().transcript();
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t[t.size() - 2], c.logged);
    EXPECT_EQ(t.back(), "command TrueColour -> " + std::to_string(c.result));
  }
  for (const char* bad : {"truecolour 256,0,0", "truecolour 1,2", "truecolour 1,2,3,4", "truecolour", "truecolour a,b,c"})
    expectScriptError(std::string("init\ncommand TrueColour\n") + bad + "\n", "script line 3: truecolour wants R,G,B");
  expectScriptError("init\ncommand TrueColour\n", "asks for a true colour");
  expectScriptError("init\ncommand TrueColour\npoint 1,2\n", "script line 3: the module asks for a true colour");
}

TEST_F(DialogLines, BadColourRecordsAndUnservedOperations) {
  host().queueAnswer(hostsim::Answer{hostsim::Answer::Kind::TrueColour});
  EXPECT_EQ(api().SetColorDialogTrueColor(nullptr), 0);
  HostTrueColourRecord shortRecord{24, -1, nullptr, 5, 0, 0};
  EXPECT_EQ(api().SetColorDialogTrueColor(&shortRecord), 0);
  EXPECT_EQ(shortRecord.colour, 5u);
  EXPECT_EQ(host().pendingAnswers(), 1u) << "a refused record takes no answer";
  std::uint32_t colour = 3, rgb = 0;
  vchar text[8] = u"x";
  EXPECT_EQ(api().ColorExtFunctionW(nullptr, 0, &colour, &rgb, text, 8), 0);
  EXPECT_EQ(host().transcript().back(), "host: ColorExtFunctionW is not served");
  // With the module behind it, the host passes every argument on.
  void* seenParent = nullptr;
  host().windowOperations.colourExt = [&](void* parent, int mode, std::uint32_t* c, std::uint32_t*, vchar* t, int n) {
    seenParent = parent;
    *c = static_cast<std::uint32_t>(mode * 100 + n);
    t[0] = u'y';
    return 7;
  };
  int parent = 0;
  EXPECT_EQ(api().ColorExtFunctionW(&parent, 4, &colour, &rgb, text, 8), 7);
  EXPECT_EQ(colour, 408u);
  EXPECT_EQ(text[0], u'y');
  EXPECT_EQ(seenParent, &parent);
  host().windowOperations.colourExt = nullptr;
}

}  // namespace
