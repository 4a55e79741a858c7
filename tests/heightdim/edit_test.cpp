// HeightDimEdit against the in-process host, its dialogs replaced by
// recorders that answer what each case gives: the dialog loop, a cancel at
// each prompt (nothing written, the temporary line always erased once it
// was drawn), a refused temporary line, the UCS of the points, and the
// option bits of each choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "heightdim/edit.h"
#include "heightdim/records.h"
#include "heightdim/regen.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "res/string_ids.h"
#include "tests/heightdim/builder_test_support.h"
#include "tests/heightdim/mark_drawing.h"
#include "tests/store/store_test_support.h"

using namespace vd;
using hostsim::Answer;

namespace {

// What a case answers: the results of the edit dialog in turn (its check
// boxes the same each time), what the settings dialog does each time it
// shows, and the answers at the command line.
struct Script {
  HNoteEditChoice choice;
  std::vector<int> editResults = {kEditDialogOk};
  // Per showing of the settings dialog: the ČSN rounding step it sets in
  // the set, and whether it closes with OK.
  std::vector<std::pair<double, bool>> settings;
  std::vector<Answer> answers;
};

Answer point(double x, double y) {
  Answer a;
  a.kind = Answer::Kind::Point;
  a.point[0] = x;
  a.point[1] = y;
  return a;
}
Answer cancel() { return Answer{}; }
Answer enter() {
  Answer a;
  a.kind = Answer::Kind::Enter;
  return a;
}

class EditTest : public hnotetest::BuilderHost {
 protected:
  void SetUp() override {
    BuilderHost::SetUp();
    host().stringSource = &hnotetest::commandTexts;
    // Base B at 0,0 (level 0) and its dependant D 1.5 m above it.
    ASSERT_TRUE(hnotetest::writeBaseAndDependant(0, 1500, u"+1.500"));
  }

  // Runs the command on the script; the count it answers.
  int run(const Script& s) {
    std::deque<int> results(s.editResults.begin(), s.editResults.end());
    std::deque<std::pair<double, bool>> settings(s.settings.begin(), s.settings.end());
    for (const Answer& a : s.answers) host().queueAnswer(a);
    HNoteEditDialogs dialogs;
    dialogs.edit = [&](const vstring& iniPath, HNoteEditChoice& choice) {
      ++editShown;
      EXPECT_EQ(iniPath, path()) << "the dialog keeps its choice in the settings file";
      choice = s.choice;
      if (results.empty()) return -1;
      const int r = results.front();
      results.pop_front();
      return r;
    };
    dialogs.settings = [&](HNoteDataSet& set) {
      ++settingsShown;
      if (settings.empty()) return false;
      const auto [step, ok] = settings.front();
      settings.pop_front();
      set.records[0].numAlign = step;
      return ok;
    };
    return editHeightDims(path(), dialogs);
  }

  vstring path() const { return dir.host("hnoteData.ini"); }

  // The handles in the drawing, in order.
  std::vector<vstring> live() {
    std::vector<vstring> out;
    for (const hostsim::Entity* e : drawing().entities()) out.push_back(e->handle);
    return out;
  }
  // The command texts the host was sent.
  // The command texts the host was sent since `since`.
  std::vector<std::string> sent() {
    std::vector<std::string> out;
    const std::string tag = "host command: ";
    const std::vector<std::string>& t = host().transcript();
    for (size_t i = since; i < t.size(); ++i) {
      if (t[i].rfind(tag, 0) == 0) out.push_back(t[i].substr(tag.size()));
    }
    return out;
  }
  // Whether the transcript since `since` holds the text.
  bool shown(const std::string& text) {
    const std::vector<std::string>& t = host().transcript();
    for (size_t i = since; i < t.size(); ++i) {
      if (t[i].find(text) != std::string::npos) return true;
    }
    return false;
  }
  // From here on.
  void fromNow() {
    since = host().transcript().size();
    host().clearAnswers();
    editShown = settingsShown = 0;
  }
  // The first value text of the mark with this identifier; empty when none.
  vstring valueOf(vstring_view id) {
    for (const hostsim::Entity* e : drawing().entities()) {
      HNoteRef ref;
      if (e->type() != u"INSERT" || !readHNoteRef(e->view(), &ref, true) || ref.id != id) continue;
      for (const hostsim::Entity* f : drawing().followersOf(*e)) {
        if (f->type() == u"ATTRIB") return vstring(f->view().text(1).value_or(u""));
      }
    }
    return {};
  }
  // A pick of the marks with these identifiers (a rebuilt mark has a new handle).
  Answer pick(std::vector<vstring> ids) {
    Answer a;
    a.kind = Answer::Kind::Pick;
    for (const hostsim::Entity* e : drawing().entities()) {
      HNoteRef ref;
      if (e->type() != u"INSERT" || !readHNoteRef(e->view(), &ref, true)) continue;
      if (std::find(ids.begin(), ids.end(), ref.id) != ids.end()) a.handles.push_back(e->handle);
    }
    return a;
  }

  vdtest::ScratchDir dir;
  size_t since = 0;
  int editShown = 0;
  int settingsShown = 0;
};

const std::string kLine = "_LINE\\n-500,3000,0\\n500,3000,0\\n\\n";
const std::string kErase = "_ERASE\\n_L\\n\\n";

TEST_F(EditTest, ACancelAtAnyPromptWritesNothingAndTheTemporaryLineAlwaysGoes) {
  HNoteEditChoice line, move;
  line.drawLeader = true;
  line.moveToLeader = true;
  move.moveToLeader = true;
  struct Case {
    const char* what;
    HNoteEditChoice choice;
    std::vector<Answer> answers;
    std::vector<std::string> sent;
  };
  const Case cases[] = {
      {"first point of the line", line, {cancel()}, {}},
      {"second point", line, {point(-500, 3000), cancel()}, {}},
      {"place on the line", line, {point(-500, 3000), point(500, 3000), cancel()}, {kLine, kErase}},
      {"selection after the line", line, {point(-500, 3000), point(500, 3000), point(0, 3000), cancel()},
       {kLine, kErase}},
      {"empty selection after the line", line, {point(-500, 3000), point(500, 3000), point(0, 3000), enter()},
       {kLine, kErase}},
      {"the one place of a move", move, {cancel()}, {}},
      {"selection without points", HNoteEditChoice{}, {cancel()}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<vstring> before = live();
    fromNow();
    Script s;
    s.choice = c.choice;
    s.answers = c.answers;
    EXPECT_EQ(run(s), 0);
    EXPECT_EQ(sent(), c.sent);
    EXPECT_EQ(live(), before) << "nothing written, nothing erased, no line left";
    EXPECT_EQ(valueOf(u"D"), u"+1.500");
  }
}

TEST_F(EditTest, ARefusedTemporaryLineEndsTheCommandWithoutErasingTheLastEntity) {
  // Were the erase sent, "_L" would take the drawing's last entity: the dependant.
  HNoteEditChoice line;
  line.drawLeader = true;
  const std::vector<vstring> before = live();
  fromNow();
  host().calls.failFromNow(HostOp::CommandW, 1);
  Script s;
  s.choice = line;
  s.answers = {point(-500, 3000), point(500, 3000)};
  EXPECT_EQ(run(s), 0);
  EXPECT_EQ(live(), before);
  EXPECT_FALSE(shown("Umístění výškové kóty")) << "no place is asked for a line that is not there";
  EXPECT_FALSE(shown("_ERASE"));
}

TEST_F(EditTest, PointsAreTakenIntoTheUcsForTheTemporaryLineAndTheMarks) {
  // The user system lies 1000 to the right of the world's.
  hostsim::Variable origin;
  origin.kind = hostsim::Variable::Kind::Point;
  origin.value[0] = 1000;
  host().setVariable(u"UCSORG", origin);
  HNoteEditChoice line;
  line.drawLeader = true;
  line.moveToLeader = true;
  fromNow();
  Script s;
  s.choice = line;
  s.answers = {point(500, 3000), point(1500, 3000), point(1100, 3100), pick({u"D"})};
  EXPECT_EQ(run(s), 1);
  EXPECT_EQ(sent(), (std::vector<std::string>{kLine, kErase})) << "the line is typed in user coordinates";
  EXPECT_EQ(valueOf(u"D"), u"+3.000") << "moved onto the line 3 m above the base";
  int underlines = 0;
  for (const hostsim::Entity* e : drawing().entities()) {
    if (e->type() != u"LINE") continue;
    ++underlines;
    const ChainPoint a = *e->view().point(10), b = *e->view().point(11);
    EXPECT_NEAR(std::abs(a.x - b.x), 1000, 1e-9);
    EXPECT_NEAR(a.y, 3000, 1e-9);
  }
  EXPECT_EQ(underlines, 1) << "the underline, and no temporary line";
}

TEST_F(EditTest, TheDialogLoopGoesThroughTheSettingsAndOnWithTheLastResult) {
  HNoteEditChoice restyle;
  restyle.applySettings = true;
  struct Case {
    const char* what;
    std::vector<int> results;
    std::vector<std::pair<double, bool>> settings;
    int editShown;
    int settingsShown;
    bool selects;
    const char16_t* value;  // of D after the command
  };
  const Case cases[] = {
      {"OK", {kEditDialogOk}, {}, 1, 0, true, u"+1.500"},
      {"Cancel goes on", {kEditDialogCancel}, {}, 1, 0, true, u"+1.500"},
      {"result 3 goes on", {kEditDialogClosed}, {}, 1, 0, true, u"+1.500"},
      {"no dialog", {-1}, {}, 1, 0, false, u"+1.500"},
      // The cases run in order on one settings file, none there yet. A step
      // of 1 m rounds 1.5 m to 2.
      {"settings cancelled, no file: the defaults", {kEditDialogSettings, kEditDialogOk}, {{1.0, false}}, 2, 1, true,
       u"+1.500"},
      {"settings saved", {kEditDialogSettings, kEditDialogOk}, {{1.0, true}}, 2, 1, true, u"+2.000"},
      {"settings cancelled are read back as saved", {kEditDialogSettings, kEditDialogOk}, {{0.1, false}}, 2, 1, true,
       u"+2.000"},
      {"twice through the settings", {kEditDialogSettings, kEditDialogSettings, kEditDialogOk}, {{1.0, true}, {0.001, true}},
       3, 2, true, u"+1.500"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fromNow();
    Script s;
    s.choice = restyle;
    s.editResults = c.results;
    s.settings = c.settings;
    s.answers = {pick({u"B", u"D"})};
    const int count = run(s);
    EXPECT_EQ(editShown, c.editShown);
    EXPECT_EQ(settingsShown, c.settingsShown);
    EXPECT_EQ(shown("Vyberte výškové kóty:"), c.selects);
    EXPECT_EQ(count, c.selects ? 2 : 0);
    EXPECT_EQ(valueOf(u"D"), c.value);
  }
}

TEST(HNoteEditOptions, EachCheckBoxAddsItsBits) {
  struct Case {
    bool line, move, mirror, settings;
    int32_t options;
  };
  const Case cases[] = {
      {false, false, false, false, kRegenValues},
      {false, false, false, true, kRegenValues | kRegenSettings},
      {false, true, false, false, kRegenValues | kRegenMove},
      {true, false, false, false, kRegenValues | kRegenUnderline},
      {true, true, false, false, kRegenValues | kRegenOntoLine | kRegenUnderline},
      {false, false, true, false, kRegenValues | kRegenMirror},
      {true, true, true, true, kRegenValues | kRegenSettings | kRegenOntoLine | kRegenUnderline | kRegenMirror},
  };
  for (const Case& c : cases) {
    HNoteEditChoice choice;
    choice.drawLeader = c.line;
    choice.moveToLeader = c.move;
    choice.mirrorMarks = c.mirror;
    choice.applySettings = c.settings;
    EXPECT_EQ(hnoteEditOptions(choice), c.options) << c.line << c.move << c.mirror << c.settings;
  }
}

}  // namespace
