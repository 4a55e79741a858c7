// Marks keep what the user chose through every rebuild. For each type, with
// settings drawn at random (every field the settings dialog edits), marks
// are placed by HeightDim as a user places them; then HeightDimUpdate must
// leave the drawing as it was, entity for entity (apart from handles), and
// HeightDimSetBase twice with new levels must give every dependant the value
// of the new level and change nothing else of it. The commands run whole,
// from scripts, in this process (the native sweep's command table and
// dialog stand-ins), on the headless host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <iterator>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "heightdim/records.h"
#include "heightdim/settings.h"
#include "heightdim/value_format.h"
#include "host/terminator_shapes.h"
#include "hostsim/host.h"
#include "hostsim/script.h"
#include "tools/native_sweep/dialog_standins.h"
#include "tools/native_sweep/module_strings.h"
#include "tools/native_sweep/native_sweep.h"

using namespace vd;

namespace {

constexpr double kUnits = 1000;
const vstring kRoundingTag = u"ZAOKROUHLENÍ";

std::map<int, vstring>& moduleStrings() {
  static std::map<int, vstring> strings;
  return strings;
}
bool moduleString(int id, vstring& out) {
  auto it = moduleStrings().find(id);
  if (it == moduleStrings().end()) return false;
  out = it->second;
  return true;
}

// Settings as a user may choose them: every field the dialog edits, off its
// default, in numbers with few digits so that the file gives them back exactly.
class RandomStyle {
 public:
  explicit RandomStyle(uint32_t seed) : rng_(seed) {}
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool coin() { return pick(2) == 1; }
  double in(double lo, double hi, double step) {
    const int steps = static_cast<int>(std::lround((hi - lo) / step));
    return lo + step * pick(steps + 1);
  }
  int32_t colour() {
    switch (pick(4)) {
      case 0: return 256;
      case 1: return 0x01000000 | (pick(256) << 16) | (pick(256) << 8) | pick(256);
      default: return 1 + pick(255);
    }
  }
  void fill(HNoteData& r) {
    const vstring layers[] = {u"*", u"KOTY", u"Výšky", u"0"};
    r.layer = layers[pick(4)];
    r.layerText = layers[pick(4)];
    r.textStyle = coin() ? u"STANDARD" : u"ISOCP";
    r.colorText = colour();
    r.colorDim = colour();
    r.textHeight = in(0.5, 8, 0.25);
    r.textWidth = in(0.4, 1.6, 0.1);
    r.backgroundMask = coin();
    r.backgroundMaskDwg = coin();
    r.backgroundMaskColor = 1 + pick(255);
    r.delim = coin() ? u"," : u".";
    const double steps[] = {0.001, 0.005, 0.01, 0.05, 0.1};
    r.numAlign = steps[pick(5)];
    r.positivePlus = pick(2);
    r.plusMinusZero = pick(2);
    r.roundingMark = pick(2);
    r.lvertLen = in(2, 15, 0.5);
    r.lhorzLen = in(5, 25, 0.25);
    r.arrowIndex = pick(6);
    r.hxLen = in(1, 6, 0.25);
    r.hyLen = in(0.5, 4, 0.25);
    r.textDistX = in(-2, 3, 0.25);
    r.textDistY = in(0.25, 2, 0.25);
    r.underlineDraw = coin();
    r.underlineLength = in(2, 20, 0.5);
    r.cxSize = in(5, 30, 0.5);
    r.cySize = in(3, 12, 0.5);
    r.hSize = in(0.25, 3, 0.25);
    r.arrowName = vstring(standardTerminators()[static_cast<size_t>(pick(static_cast<int>(standardTerminators().size())))].name);
    r.insPt = pick(7);
  }

 private:
  std::mt19937 rng_;
};

// The lines of `after` that `before` lacks and those it lost, a few of each:
// empty when the two pictures agree.
std::string changes(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  std::vector<std::string> lost, gained;
  std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(lost));
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(gained));
  std::string out;
  for (size_t i = 0; i < lost.size() && i < 3; ++i) out += "\n  was: " + lost[i];
  for (size_t i = 0; i < gained.size() && i < 3; ++i) out += "\n  now: " + gained[i];
  return out;
}

std::string number(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.10g", v);
  return text;
}

class MarkLookTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(nsweep::readModuleStrings(VD_SOURCE_DIR "/res/string_ids.h", VD_SOURCE_DIR "/res/strings.rc",
                                          moduleStrings(), error))
        << error;
    nsweep::installDialogStandIns();
  }
  void SetUp() override {
    userData_ = std::filesystem::temp_directory_path() / ("vd-look-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                                          "-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
    std::filesystem::remove_all(userData_);
    std::filesystem::create_directories(userData_ / "Dat");
  }
  void TearDown() override {
    vd::unbindHost();
    host().reset();
    std::filesystem::remove_all(userData_);
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
    host().stringSource = &moduleString;
    host().userDataPath = utf8ToUtf16(userData_.string());
    settle(style);
    runner_ = std::make_unique<hostsim::ScriptRunner>(host(), module_);
    run("units " + number(kUnits) + "\nscale " + number(scale) + "\nlayerkey 2 KOTY\nvar VIEWCTR point 0,0\ninit\n");
  }
  void run(const std::string& script) {
    ASSERT_TRUE(runner_->runText(script)) << host().error() << "\n" << script;
  }

  // Every live entity and block member as text, without the names and
  // handles a rebuild gives anew, sorted. `values`: the value texts and what
  // moves with their length (the rounding mark) too; else they show as "*".
  std::vector<std::string> picture(bool values) {
    std::vector<std::string> out;
    auto text = [&](vd::ChainView chain, const std::string& where) {
      const bool rounding = chain.text(2).value_or(u"") == kRoundingTag;
      const bool textEntity = chain.isType(u"ATTRIB") || chain.isType(u"ATTDEF");
      std::string line = where;
      for (vd::ChainItem item : chain) {
        const int code = item.code();
        if (code == -1 || code == 5 || code == 330 || code == 340) continue;
        line += " " + std::to_string(code) + "=";
        if (!values && textEntity && (code == 1 || (rounding && (code == 10 || code == 11)))) {
          line += "*";
        } else if (auto t = item.text()) {
          line += utf16ToUtf8(*t);
        } else if (auto r = item.real()) {
          line += number(std::abs(*r) < 1e-9 ? 0.0 : *r);
        } else if (auto i = item.integer()) {
          line += std::to_string(*i);
        } else if (auto p = item.point()) {
          line += number(p->x) + "," + number(p->y) + "," + number(p->z);
        }
      }
      out.push_back(line);
    };
    for (const hostsim::Entity* e : host().drawing().entities()) {
      text(e->view(), "entity");
      for (const hostsim::Entity* f : host().drawing().followersOf(*e)) text(f->view(), "follower");
    }
    for (const auto& b : host().drawing().blocks()) {
      for (const auto& e : b->entities) text(e->view(), "in " + utf16ToUtf8(b->name));
    }
    std::sort(out.begin(), out.end());
    return out;
  }

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
    EXPECT_EQ(changes(placed, picture(true)), "") << "HeightDimUpdate changed marks that were up to date";

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
      EXPECT_EQ(changes(look, picture(false)), "") << "HeightDimSetBase changed more than the values";
      const std::vector<std::string> rebased = picture(true);
      run("command HeightDimUpdate\n");
      EXPECT_EQ(changes(rebased, picture(true)), "") << "HeightDimUpdate after HeightDimSetBase changed the marks";
    }
    if (HasFailure()) return;
  }
}

TEST_F(MarkLookTest, PlanMarksKeepTheirFrameTextPositionAndLeader) {
  for (uint32_t seed = 101; seed <= 112; ++seed) {
    RandomStyle random(seed);
    HNoteData style;
    ASSERT_TRUE(hnoteDefaults(style, 3));
    random.fill(style);
    const int options = random.pick(3) * 2 + (random.coin() ? 1 : 0);  // frame end 0, 2 or 4; a leader
    const int direction = random.coin() ? 0 : 200;
    SCOPED_TRACE(testing::Message() << "seed " << seed << ", options " << options << ", " << direction
                                    << " degrees");
    start(style, random.coin() ? 1 : 100);
    std::string place = "command HeightDim 3 " + std::to_string(direction) + " " + std::to_string(options) +
                        "\ndialog 1002\nset 1004 \"" + (random.coin() ? "+1,250" : "-0.5") + "\"\npress 1\npoint 1500,-700\n";
    if (options & 1) place += "point 400,900\n";
    run(place);
    ASSERT_EQ(host().drawing().entities().size(), (options & 1) ? 2u : 1u);
    const std::vector<std::string> placed = picture(true);
    run("command HeightDimUpdate\n");
    EXPECT_EQ(changes(placed, picture(true)), "") << "HeightDimUpdate changed the plan-view mark";
    if (HasFailure()) return;
  }
}

}  // namespace
