// Marks keep what the user chose through every rebuild. For each type, with
// settings drawn at random (every field the settings dialog edits), marks
// are placed by HeightDim as a user places them; then HeightDimUpdate must
// leave the drawing as it was, entity for entity (apart from handles), and
// HeightDimSetBase twice with new levels must give every dependant the value
// of the new level and change nothing else of it. The commands run whole,
// from scripts, in this process (the native sweep's command table and
// dialog stand-ins), on the headless host.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "heightdim/records.h"
#include "heightdim/settings.h"
#include "heightdim/value_format.h"
#include "hostsim/host.h"
#include "hostsim/script.h"
#include "tests/drawing_picture.h"
#include "tests/heightdim/random_style.h"
#include "tools/native_sweep/dialog_standins.h"
#include "tools/native_sweep/module_strings.h"
#include "tools/native_sweep/native_sweep.h"

using namespace vd;

namespace {

constexpr double kUnits = 1000;

// Settings drawn from a seeded generator.
class RandomStyle : public vdtest::StyleDice {
 public:
  explicit RandomStyle(uint32_t seed) : rng_(seed) {
    pick = [this](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); };
  }

 private:
  std::mt19937 rng_;
};

std::string number(double v) { return vdtest::pictureNumber(v); }

class MarkLookTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(nsweep::loadModuleStrings(VD_SOURCE_DIR "/res/string_ids.h", VD_SOURCE_DIR "/res/strings.rc", error))
        << error;
    nsweep::installDialogStandIns();
  }
  // The settings file is written key by key, thousands of times: in memory
  // (/dev/shm where there is one, as the sweep's), not on a disk that
  // flushes every rewritten file (15 s instead of 3).
  void SetUp() override {
    ASSERT_FALSE(scratch_.path().empty());
    userData_ = scratch_.path();
    std::filesystem::create_directories(userData_ / "Dat");
  }
  void TearDown() override {
    vd::unbindHost();
    host().reset();
  }
  hostsim::Host& host() { return hostsim::Host::instance(); }

  // `style` as the settings of its type in the user's hnoteData.ini.
  void settle(const HNoteData& style) {
    HNoteDataSet set;
    set.path = utf8ToUtf16((userData_ / "Dat" / "hnoteData.ini").string());
    set.records[static_cast<size_t>(style.type)] = style;
    ASSERT_TRUE(set.save());
  }
  // A fresh host on the user data folder, with `style` as the settings of its type.
  void start(const HNoteData& style, double scale) {
    host().reset();
    host().stringSource = &nsweep::moduleString;
    host().userDataPath = utf8ToUtf16(userData_.string());
    settle(style);
    runner_ = std::make_unique<hostsim::ScriptRunner>(host(), module_);
    run("units " + number(kUnits) + "\nscale " + number(scale) + "\nlayerkey 2 KOTY\nvar VIEWCTR point 0,0\ninit\n");
  }
  void run(const std::string& script) {
    ASSERT_TRUE(runner_->runText(script)) << host().error() << "\n" << script;
  }

  std::vector<std::string> picture(bool values) { return vdtest::drawingPicture(host().drawing(), values); }

  struct Shown {
    vstring handle, baseId;
    ChainPoint at;
    double angle = 0;
    vstring value;
  };
  std::vector<Shown> marks() {
    std::vector<Shown> out;
    for (const hostsim::Entity* e : host().drawing().entities()) {
      HNoteRef ref;
      if (!e->view().isType(u"INSERT") || !readHNoteRef(e->view(), &ref, false)) continue;
      Shown s{e->handle, ref.baseId, e->view().point(10).value_or(ChainPoint{}), e->view().real(50).value_or(0), {}};
      for (const hostsim::Entity* f : host().drawing().followersOf(*e)) {
        if (f->view().isType(u"ATTRIB")) {
          s.value = vstring(f->view().text(1).value_or(u""));
          break;
        }
      }
      out.push_back(s);
    }
    return out;
  }

  nsweep::ScratchUserData scratch_{"vd-look-"};
  std::filesystem::path userData_;
  nsweep::CommandTableModule module_;
  std::unique_ptr<hostsim::ScriptRunner> runner_;
};

// What a section-view mark at `at` shows when its base at the origin has `level`:
// the offset along the mark's own up direction, in metres.
vstring expectedValue(const HNoteData& style, const ChainPoint& at, double angle, double level) {
  const bool steep = hnoteDirectionClass(style.type, angle, 0) == 1;
  const double value = (steep ? level - at.x : level + at.y) / kUnits;
  return formatHNoteValue(value, style.numAlign, style.positivePlus != 0, style.plusMinusZero != 0, style.delim).text;
}

TEST_F(MarkLookTest, SectionMarksKeepTheirLookAndFollowEveryNewLevel) {
  const int directions[] = {0, 30, 90, 180, 200, 270};
  for (uint32_t seed = 1; seed <= 24; ++seed) {
    RandomStyle random(seed);
    HNoteData style;
    const int type = static_cast<int>(seed % 3);
    ASSERT_TRUE(hnoteDefaults(style, type));
    random.fill(style);
    const int direction = directions[random.pick(6)];
    const bool mirror = type == 0 && random.coin();
    const double scale = random.coin() ? 1 : 50;
    SCOPED_TRACE(testing::Message() << "seed " << seed << ", type " << type << ", " << direction << " degrees"
                                    << (mirror ? ", mirrored" : "") << ", scale " << scale);
    start(style, scale);
    // A base at the origin and marks around it, each in its own pass.
    std::string place = "command HeightDim " + std::to_string(type) + " " + std::to_string(direction) + " 0 " +
                        (mirror ? "1" : "0") + "\npoint 0,0\nreal " + number(random.in(-3000, 3000, 250)) + "\n";
    for (int i = 0; i < 3; ++i) place += "point " + number(random.in(-4000, 4000, 125)) + "," + number(random.in(-4000, 4000, 125)) + "\n";
    run(place + "cancel\n");
    ASSERT_EQ(marks().size(), 4u);

    const std::vector<std::string> placed = picture(true);
    run("command HeightDimUpdate\n");
    EXPECT_EQ(vdtest::pictureChanges(placed, picture(true)), "") << "HeightDimUpdate changed marks that were up to date";

    // The user changes the settings: marks already placed keep theirs.
    HNoteData later = style;
    random.fill(later);
    settle(later);
    const std::vector<std::string> look = picture(false);
    for (double level : {random.in(-2000, 2000, 125), random.in(-2000, 2000, 125)}) {
      SCOPED_TRACE(testing::Message() << "new level " << level);
      vstring base;
      for (const Shown& m : marks()) base = m.baseId.empty() ? m.handle : base;
      run("command HeightDimSetBase\npick " + utf16ToUtf8(base) + "\nreal " + number(level) + "\n");
      for (const Shown& m : marks()) {
        EXPECT_EQ(m.value, expectedValue(style, m.at, m.angle, level))
            << "the mark at " << m.at.x << "," << m.at.y << " does not follow its base";
      }
      EXPECT_EQ(vdtest::pictureChanges(look, picture(false)), "") << "HeightDimSetBase changed more than the values";
      const std::vector<std::string> rebased = picture(true);
      run("command HeightDimUpdate\n");
      EXPECT_EQ(vdtest::pictureChanges(rebased, picture(true)), "") << "HeightDimUpdate after HeightDimSetBase changed the marks";
    }
    if (HasFailure()) return;
  }
}

// A mark the user mirrored with the host's own command (its reference
// scaled by -1 along one axis) is rebuilt by HeightDimUpdate as it shows:
// mirrored in its Y axis a ČSN mark's text goes to the other side, mirrored
// in its X axis a mark is flipped and its text goes below; a DIN mark's text
// stays where it is readable. The text keeps its height either way.
TEST_F(MarkLookTest, AMarkTheHostMirroredStaysMirroredThroughAnUpdate) {
  const struct Case {
    int type;
    int scaleCode;    // 41: mirrored in the mark's Y axis, 42: in its X axis
    int alongAfter;   // the side of the insertion point the value text stands on after
    int acrossAfter;  // the update, along and across the mark: 1 as placed, -1 the other
  } cases[] = {
      {0, 41, -1, 1},
      {0, 42, 1, -1},
      {1, 42, 1, -1},
      {1, 41, 1, 1},
  };
  constexpr double kScale = 50;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << ", group " << c.scaleCode << " negated");
    HNoteData style;
    ASSERT_TRUE(hnoteDefaults(style, c.type));
    style.textHeight = 3.5;
    start(style, kScale);
    run("command HeightDim " + std::to_string(c.type) + " 0 0 0\npoint 0,0\nreal 0\npoint 2000,1500\ncancel\n");
    // The dependant's reference, and where its value text stands and how high.
    auto dependant = [&]() -> const hostsim::Entity* {
      for (const Shown& m : marks())
        if (!m.baseId.empty()) return host().drawing().findEntity(m.handle);
      return nullptr;
    };
    const hostsim::Entity* mark = dependant();
    ASSERT_NE(mark, nullptr);
    vstring handle = mark->handle;
    struct Text {
      double along, across, height;
      vstring value;
    };
    auto text = [&] {
      const hostsim::Entity* e = host().drawing().findEntity(handle);
      for (const hostsim::Entity* f : host().drawing().followersOf(*e)) {
        const ChainView v = f->view();
        if (!v.isType(u"ATTRIB")) continue;
        const ChainPoint at = v.point(v.integer(72).value_or(0) != 0 ? 11 : 10).value_or(ChainPoint{});
        const ChainPoint from = e->view().point(10).value_or(ChainPoint{});
        return Text{at.x - from.x, at.y - from.y, v.real(40).value_or(0), vstring(v.text(1).value_or(u""))};
      }
      return Text{};
    };
    const Text placed = text();
    ASSERT_GT(std::abs(placed.along), 1);
    ASSERT_GT(placed.across, 0);
    ASSERT_DOUBLE_EQ(placed.height, 3.5 * kScale);

    OwnedChain mirrored = OwnedChain::copyOf(mark->view());
    mirrored.setReal(c.scaleCode, -mark->view().real(c.scaleCode).value_or(1));
    ASSERT_TRUE(host().drawing().changeEntity(handle, std::move(mirrored), mark->flatPoints));
    run("command HeightDimUpdate\n");
    ASSERT_EQ(marks().size(), 2u);
    const hostsim::Entity* rebuilt = dependant();
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_GT(rebuilt->view().real(c.scaleCode).value_or(0), 0) << "the mirror is the mark's own";
    handle = rebuilt->handle;
    const Text shown = text();
    EXPECT_EQ((shown.along > 0) == (placed.along > 0) ? 1 : -1, c.alongAfter);
    EXPECT_EQ(shown.across > 0 ? 1 : -1, c.acrossAfter);
    EXPECT_DOUBLE_EQ(shown.height, placed.height);
    EXPECT_EQ(shown.value, placed.value);
  }
}

}  // namespace
