// Dialog lines of host scripts as the portable host reads them, and the host
// operations that dialogs ask of it (text styles, layers).
#include <gtest/gtest.h>

#include <optional>

#include "host_fixture.h"
#include "hostsim/number_text.h"

using namespace vd;
using hostsim::Answer;

namespace {

// A module whose command "Point" asks for one point and "Nothing" asks for nothing.
class AskingModule : public hosttest::ScriptModule {
 public:
  bool initApp(int& result) override {
    linesSeen.push_back(hostsim::Host::instance().scriptLine);
    result = 1;
    return true;
  }
  bool runCommand(const std::string& name, const std::vector<std::string>&, int& result) override {
    linesSeen.push_back(hostsim::Host::instance().scriptLine);
    double p[3] = {0, 0, 0};
    if (name == "Point") {
      result = hostApi()->GetPointW(nullptr, u"Bod:", p);
      return true;
    }
    result = 0;
    return name == "Nothing";
  }
  // The line the host said it was carrying out at each call.
  std::vector<int> linesSeen;
};

using DialogLines = hosttest::ScriptHostTest<AskingModule>;

// Every line of a command's dialog block is queued as an answer, in order;
// the module never asks for them, so the command leaves them all.
TEST_F(DialogLines, EachLineIsReadIntoItsAction) {
  const struct {
    const char* line;
    Answer::Kind kind;
    int id, value, x, y;
    const char16_t* text;
    const char* source;
  } cases[] = {
      {"dialog 1001", Answer::Kind::Dialog, 1001, 0, 0, 0, u"", "dialog 1001"},
      {"set 1004 \"1,250\"", Answer::Kind::Set, 1004, 0, 0, 0, u"1,250", "set 1004 \"1,250\""},
      {"set 1004 \"\"", Answer::Kind::Set, 1004, 0, 0, 0, u"", "set 1004 \"\""},
      {"choose 1002 \"DIN hrub\xc3\xa1\"", Answer::Kind::Choose, 1002, 0, 0, 0, u"DIN hrub\u00e1",
       "choose 1002 \"DIN hrub\xc3\xa1\""},
      {"check 1002 1", Answer::Kind::Check, 1002, 1, 0, 0, u"", "check 1002 1"},
      {"check +1033 2", Answer::Kind::Check, 1033, 2, 0, 0, u"", "check 1033 2"},
      {"key 1004 delete", Answer::Kind::Key, 1004, static_cast<int>(hostsim::DialogKey::Delete), 0, 0, u"",
       "key 1004 Delete"},
      {"key 1004 F4", Answer::Kind::Key, 1004, static_cast<int>(hostsim::DialogKey::F4), 0, 0, u"", "key 1004 F4"},
      {"click 1065 40,30", Answer::Kind::Click, 1065, 0, 40, 30, u"", "click 1065 40,30"},
      {"dblclick 1026 3,+4", Answer::Kind::DoubleClick, 1026, 0, 3, 4, u"", "dblclick 1026 3,4"},
      {"wheel 1065 0,7 -120", Answer::Kind::Wheel, 1065, -120, 0, 7, u"", "wheel 1065 0,7 -120"},
      {"wait 2500", Answer::Kind::Wait, 0, 2500, 0, 0, u"", "wait 2500"},
      {"picture out/edit.png", Answer::Kind::Picture, 0, 0, 0, 0, u"out/edit.png", "picture out/edit.png"},
      {"picture \"my pictures/a.png\"", Answer::Kind::Picture, 0, 0, 0, 0, u"my pictures/a.png",
       "picture \"my pictures/a.png\""},
      {"press 1006", Answer::Kind::Press, 1006, 0, 0, 0, u"", "press 1006"},
      {"msgbox 7", Answer::Kind::MessageBox, 7, 0, 0, 0, u"", "msgbox 7"},
  };
  for (const auto& c : cases) {
    host().reset();
    EXPECT_FALSE(run(std::string("command Nothing\n") + c.line + "\n")) << c.line;
    const Answer* a = host().peekAnswer();
    ASSERT_NE(a, nullptr) << c.line;
    EXPECT_EQ(a->kind, c.kind) << c.line;
    EXPECT_TRUE(hostsim::isDialogLine(a->kind)) << c.line;
    EXPECT_EQ(a->line, 2) << c.line;
    EXPECT_EQ(a->dialog.id, c.id) << c.line;
    EXPECT_EQ(a->dialog.value, c.value) << c.line;
    EXPECT_EQ(a->dialog.x, c.x) << c.line;
    EXPECT_EQ(a->dialog.y, c.y) << c.line;
    EXPECT_EQ(a->dialog.text, c.text) << c.line;
    EXPECT_EQ(a->dialog.source, c.source) << c.line;
  }
}

TEST_F(DialogLines, ErrorsNameTheLine) {
  const struct {
    std::string text;
    const char* expected;
  } cases[] = {
      {"command Nothing\ndialog\n", "line 2: dialog wants a template id"},
      {"command Nothing\ndialog 0\n", "line 2: dialog wants a template id"},
      {"command Nothing\ndialog 70000\n", "line 2: dialog wants a template id"},
      {"command Nothing\ndialog 1001 1002\n", "line 2: dialog wants a template id"},
      {"command Nothing\ndialog 1001\nset 1004\n", "line 3: set wants a control id and a text"},
      {"command Nothing\ndialog 1001\nset x \"1\"\n", "line 3: set wants a control id and a text"},
      {"command Nothing\ndialog 1001\nchoose 1002 a b\n", "line 3: choose wants a control id and an item's text"},
      {"command Nothing\ndialog 1001\ncheck 1002 3\n", "line 3: check wants a control id and a state 0, 1 or 2"},
      {"command Nothing\ndialog 1001\ncheck 1002 on\n", "line 3: check wants a control id and a state"},
      {"command Nothing\ndialog 1001\nkey 1004 F5\n", "line 3: key wants a control id and a key (Enter"},
      {"command Nothing\ndialog 1001\nclick 1065 40\n", "line 3: click wants a control id and a client pixel x,y"},
      {"command Nothing\ndialog 1001\nclick 1065 -1,3\n", "line 3: click wants a control id and a client pixel"},
      {"command Nothing\ndialog 1001\nclick 1065 1.5,3\n", "line 3: click wants a control id and a client pixel"},
      {"command Nothing\ndialog 1001\ndblclick 1026 4,3 1\n", "line 3: dblclick wants a control id and a client pixel x,y"},
      {"command Nothing\ndialog 1001\ndblclick 1026\n", "line 3: dblclick wants a control id and a client pixel x,y"},
      {"command Nothing\ndialog 1001\nwheel 1065 4,3 0\n", "line 3: wheel wants a control id, a client pixel x,y and a delta"},
      {"command Nothing\ndialog 1001\nwheel 1065 4,3 40000\n", "line 3: wheel wants"},
      {"command Nothing\ndialog 1001\nwheel 1065 4,3\n", "line 3: wheel wants"},
      {"command Nothing\ndialog 1001\nwait -1\n", "line 3: wait wants milliseconds from 0 to 600000"},
      {"command Nothing\ndialog 1001\nwait 600001\n", "line 3: wait wants milliseconds"},
      {"command Nothing\ndialog 1001\npicture\n", "line 3: picture wants a file"},
      {"command Nothing\ndialog 1001\npicture \"\"\n", "line 3: picture wants a file"},
      {"command Nothing\ndialog 1001\npress OK\n", "line 3: press wants a button id"},
      {"command Nothing\nmsgbox\n", "line 2: msgbox wants a button id"},
      // A dialog line answers a command like any other answer.
      {"\ndialog 1001\n", "line 2: an answer must follow a command line"},
      {"command Point\ndialog 1001\n", "line 2: the module asks for a point (\"Bod:\") but the script answers dialog"},
      {"command Point\nmsgbox 1\n", "line 2: the module asks for a point (\"Bod:\") but the script answers msgbox"},
      // Lines the module never met.
      {"command Nothing\ndialog 1001\npress 1\n",
       "line 2: the module shows no dialog where the script expects dialog 1001 (the command ended)"},
      {"command Nothing\nmsgbox 6\n", "line 2: the module shows no message box where the script answers one"},
      {"command Nothing\nset 1004 \"2\"\n", "line 2: no dialog is open for \"set 1004 \"2\"\" (the command ended)"},
  };
  for (const auto& c : cases) expectScriptError(c.text, c.expected);
}

// GetTextStylesA answers the host's styles and the drawing's; the layer
// operations that show windows are served only where the host program
// installed them.
TEST_F(DialogLines, TextStylesAndLayersComeFromTheDrawing) {
  auto record = [&](const char16_t* table, const char16_t* name) {
    ChainBuilder b;
    b.text(0, table).text(2, name);
    drawing().tableRecords().push_back({table, b.build()});
  };
  record(u"STYLE", u"ISO");
  record(u"STYLE", u"standard");  // the host's STANDARD under another case
  record(u"LAYER", u"KOTY");
  record(u"LAYER", u"\u0160RAFY");
  ASSERT_TRUE(run("textstyle Technick\xc3\xa9\n")) << host().error();

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
  int seen[3] = {0, 0, 0};
  host().windowOperations.layerDialog = [&](int a, int b, int c) {
    seen[0] = a, seen[1] = b, seen[2] = c;
    return 1;
  };
  void* combo = nullptr;
  host().windowOperations.fillLayerCombo = [&](void* window, int mode) {
    combo = window;
    return mode;
  };
  EXPECT_EQ(api().VdRcLayerDlg(2, 0, 1), 1);
  EXPECT_EQ(seen[0], 2);
  EXPECT_EQ(seen[2], 1);
  int dummy = 0;
  EXPECT_EQ(api().VdRcFillComboLayer(&dummy, 2), 2);
  EXPECT_EQ(combo, &dummy);
  host().reset();
  EXPECT_TRUE(host().windowOperations.layerDialog) << "a reset keeps what the host program installed";
  host().windowOperations = {};
}

}  // namespace
