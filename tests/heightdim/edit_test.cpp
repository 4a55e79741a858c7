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
