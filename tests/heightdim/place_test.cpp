// Placing height dimensions against the headless host in the same process:
// values in a turned UCS, the orientation table, values out of range and
// failing host calls. The plan-view dialog is a recorder that answers what
// each test gives it. Cancels, bases, the plan-view dialog and leaders are
// checked by the heightdim_* scenarios, their drawings read back by
// check_heightdims.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <map>
#include <numbers>
#include <random>

#include "heightdim/command_args.h"
#include "heightdim/place.h"
#include "host/services.h"
#include "host/ucs.h"
#include "hostsim/fault_sweep.h"
#include "hostsim/number_text.h"
#include "hostsim/script.h"
#include "tests/heightdim/builder_test_support.h"
#include "tests/heightdim/mark_drawing.h"
#include "tests/heightdim/records_test_support.h"
#include "tests/store/store_test_support.h"

using namespace vd;

namespace {

constexpr double kDeg = std::numbers::pi / 180;

// The command linked in: HeightDim parses its arguments and places marks
// with the recording dialog; the outcome of the last run is kept.
class PlaceModule : public hostsim::ModuleFace {
 public:
  bool initApp(int& result) override {
    result = 1;
    return true;
  }
  bool runCommand(const std::string& name, const std::vector<std::string>& args, int& result) override {
    if (name != "HeightDim") return false;
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::optional<heightdim::PlaceArgs> parsed = heightdim::parsePlaceArgs(static_cast<int>(argv.size()), argv.data());
    outcome = parsed ? placeHeightDims(*parsed, hnoteDataPath(), dialog()) : PlaceOutcome{};
    result = outcome.placed;
    return true;
  }
  bool omitExport(const std::string&, std::string& error) override {
    error = "not here";
    return false;
  }
  PlanViewDialog dialog() {
    return [this](const vstring&, int32_t) {
      if (answers.empty()) return std::optional<PlanViewChoice>();
      std::optional<PlanViewChoice> a = answers.front();
      answers.pop_front();
      return a;
    };
  }
  std::deque<std::optional<PlanViewChoice>> answers;
  PlaceOutcome outcome;
};

// What a mark left in the drawing.
struct SeenMark {
  vstring handle, id, baseId;
  ChainPoint at;
  double rotation = 0;
  std::vector<vstring> values;  // attribute texts in order
};

// A base entry of TR2D_HEIGHTDIM.
struct SeenBase {
  int64_t type = 0, kind = 0;
  ChainPoint point;
  double angle = 0, level1 = 0, level2 = 0;
};

// The first 1000 text of an application's extended data; empty when none.
vstring xdText(ChainView entity, const vchar* app) {
  ChainView xd = entity.extendedData(app);
  for (const ValueNode* n = xd ? xd.head()->next : nullptr; n && n->code != gc::kXdApp; n = n->next) {
    if (n->code == gc::kXdString) return vstring(*ChainItem(n).text());
  }
  return {};
}

// A world point in a UCS turned by `ucsDeg` about the origin, by hand.
ChainPoint userOf(ChainPoint w, double ucsDeg) {
  const double c = std::cos(ucsDeg * kDeg), s = std::sin(ucsDeg * kDeg);
  return {w.x * c + w.y * s, -w.x * s + w.y * c, 0};
}

std::string pointText(ChainPoint p) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "%.17g,%.17g", p.x, p.y);
  return buf;
}

// The value text of a number in metres: three decimals, "+" above zero, "±" at zero.
vstring valueText(double v) {
  const double rounded = std::round(v * 1000) / 1000;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", std::fabs(rounded));
  const std::string sign = rounded > 0 ? "+" : rounded < 0 ? "-" : "\xC2\xB1";
  return utf8ToUtf16(sign + buf);
}

class PlaceTest : public hnotetest::BuilderHost {
 protected:
  void SetUp() override { prepare(); }

  // A fresh host (the builder's layers and texts, the user data in a scratch
  // folder emptied), bound, world UCS, and a fresh recorder.
  void prepare() {
    hnotetest::BuilderHost::SetUp();
    host().stringSource = &hnotetest::commandTexts;
    host().userDataPath = dir.path().u16string();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove_all(entry, ec);
    module = PlaceModule();
  }
  bool run(const std::string& script) {
    hostsim::ScriptRunner runner(host(), module);
    const bool ok = runner.runText(script);
    EXPECT_TRUE(ok) << script << "\n" << host().error();
    return ok;
  }
  void setPoint(const char16_t* name, double x, double y) {
    hostsim::Variable v;
    v.kind = hostsim::Variable::Kind::Point;
    v.value[0] = x;
    v.value[1] = y;
    host().setVariable(name, v);
  }
  // The UCS turned by `deg` about the world origin.
  void setUcs(double deg) {
    setPoint(u"UCSXDIR", std::cos(deg * kDeg), std::sin(deg * kDeg));
    setPoint(u"UCSYDIR", -std::sin(deg * kDeg), std::cos(deg * kDeg));
  }
  std::vector<SeenMark> marks() {
    std::vector<SeenMark> out;
    for (const hostsim::Entity* e : drawing().entities()) {
      if (e->type() != u"INSERT" || !e->view().extendedData(kAppAssocDesc)) continue;
      SeenMark m;
      m.handle = e->handle;
      m.id = xdText(e->view(), kAppAssocDesc);
      m.baseId = xdText(e->view(), kAppHeightDim);
      m.at = e->view().point(gc::kPoint0).value_or(ChainPoint{});
      m.rotation = e->view().real(gc::kAngle0).value_or(0);
      for (const hostsim::Entity* f : drawing().followersOf(*e)) {
        if (f->type() == u"ATTRIB") m.values.emplace_back(f->view().text(gc::kText).value_or(u""));
      }
      out.push_back(std::move(m));
    }
    return out;
  }
  // The base entries of TR2D_HEIGHTDIM by key.
  std::map<vstring, SeenBase> bases() {
    std::map<vstring, SeenBase> out;
    const hostsim::NamedDictionary* d = drawing().findDictionary(kHNoteDictionary);
    if (!d) return out;
    for (const hostsim::DictionaryEntry& e : d->entries) {
      if (e.key == kHNoteCurrentKey) continue;
      const ValueNode* n = e.chain.view().find(91);
      SeenBase b;
      std::vector<ChainItem> items;
      for (n = n ? n->next : nullptr; n; n = n->next) items.emplace_back(n);
      if (items.size() == 6) {
        b = {*items[0].integer(), *items[1].integer(), *items[2].point(),
             *items[3].real(),    *items[4].real(),    *items[5].real()};
      }
      out[e.key] = b;
    }
    return out;
  }
  // The identifier "Current" names.
  vstring current() {
    for (const std::string& g : hnotetest::entryGroups(kHNoteCurrentKey)) {
      if (g.rfind("301 ", 0) == 0) return utf8ToUtf16(g.substr(4));
    }
    return {};
  }
  const SeenMark* markOf(const std::vector<SeenMark>& all, ChainPoint at) {
    for (const SeenMark& m : all) {
      if (std::abs(m.at.x - at.x) < 1e-6 && std::abs(m.at.y - at.y) < 1e-6) return &m;
    }
    return nullptr;
  }

  vdtest::ScratchDir dir;
  PlaceModule module;
};

// --- Values and orientation ----------------------------------------------------

TEST_F(PlaceTest, ValuesFollowTheOffsetFromTheBase) {
  struct Case {
    const char* what;
    int type, direction;
    double units, ucs;
    ChainPoint base;  // world
    double level;     // drawing units
    ChainPoint at;    // world
    const char16_t* text;
  };
  const Case cases[] = {
      {"above", 0, 0, 1000, 0, {100, 200}, 1500, {130, 450}, u"+1.750"},
      {"below, at zero", 0, 0, 1000, 0, {100, 200}, 1500, {40, -1300}, u"±0.000"},
      {"below zero", 1, 0, 1000, 0, {0, 0}, 0, {0, -250}, u"-0.250"},
      {"left, direction 90", 2, 90, 1000, 0, {100, 200}, 1500, {-400, 0}, u"+2.000"},
      {"right, direction 90", 1, 90, 1000, 0, {0, 0}, 500, {800, 50}, u"-0.300"},
      {"units 1", 0, 0, 1, 0, {0, 0}, 2, {3, 0.5}, u"+2.500"},
      {"units 1, direction 90", 0, 90, 1, 0, {0, 0}, 2, {3, 0.5}, u"-1.000"},
      {"UCS 30, above", 0, 0, 1000, 30, {100, 0}, 1000, {100, 600}, u"+1.300"},
      {"UCS 30, right, direction 90", 1, 90, 1000, 30, {0, 0}, 0, {200, 0}, u"-0.100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prepare();
    host().units = c.units;
    setUcs(c.ucs);
    const std::string args = std::to_string(c.type) + " " + std::to_string(c.direction);
    if (!run("command HeightDim " + args + "\npoint " + pointText(c.base) + "\nreal " + std::to_string(c.level) +
             "\npoint " + pointText(c.at) + "\ncancel\n"))
      continue;
    EXPECT_EQ(module.outcome.placed, 2);

    // By hand: the offset in the UCS, turned back by the UCS rotation, along
    // the direction class (Y when level, minus X when steep).
    const ChainPoint b = userOf(c.base, c.ucs), p = userOf(c.at, c.ucs);
    const double r = c.ucs * kDeg, dx = p.x - b.x, dy = p.y - b.y;
    const double along = dx * std::cos(r) + dy * std::sin(r), across = -dx * std::sin(r) + dy * std::cos(r);
    const double value = (c.direction == 90 ? c.level - along : c.level + across) / c.units;
    EXPECT_EQ(valueText(value), c.text) << "the table's text is the hand computation's";

    const std::vector<SeenMark> all = marks();
    ASSERT_EQ(all.size(), 2u);
    const SeenMark* base = markOf(all, b);
    const SeenMark* mark = markOf(all, p);
    ASSERT_TRUE(base && mark) << "the marks stand at the picked points in the UCS";
    EXPECT_EQ(base->values, (std::vector<vstring>{valueText(c.level / c.units), u"", u""}));
    EXPECT_EQ(mark->values, (std::vector<vstring>{c.text, u"", u""}));
    EXPECT_NEAR(mark->rotation, (c.direction + c.ucs) * kDeg, 1e-12);
    EXPECT_EQ(base->baseId, u"");
    EXPECT_EQ(mark->baseId, base->id);
    EXPECT_EQ(current(), base->id);
    const SeenBase entry = bases()[base->id];
    EXPECT_NEAR(entry.point.x, b.x, 1e-9);
    EXPECT_NEAR(entry.point.y, b.y, 1e-9);
    EXPECT_EQ(entry.level1, c.level);
    EXPECT_EQ(entry.type, c.type);
  }
}

// --- Bases -----------------------------------------------------------------------

// A pass reads the bases from the drawing only when the last one left them
// unsure; otherwise it goes on with what the last pass held and wrote. After
// every pass, on random drawings (bases with and without entries, marks of
// bases that are gone, unused entries, "Current" naming any of these or
// nothing) and random passes (marks, new bases of one or two levels, a
// picked mark's base made current), what the next pass starts from is what
// a fresh read gives, and once kept no pass walks the drawing again.

TEST_F(PlaceTest, BasesKeptBetweenPassesAreWhatAFreshReadGives) {
  int checked = 0, keptWalks = 0;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    prepare();
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto coordinate = [&] { return (pick(200) - 100) * 25.0; };

    std::vector<hnotetest::Mark> marks;
    std::vector<vstring> baseIds;
    const int bases = pick(4);
    for (int i = 0; i < bases; ++i) {
      hnotetest::Mark m;
      m.type = pick(3);
      m.id = u"B" + utf8ToUtf16(std::to_string(i));
      m.baseKind = m.type == 0 ? pick(2) : 0;
      m.x = coordinate();
      m.y = coordinate();
      m.text1 = valueText(pick(5));
      if (m.baseKind) m.text2 = valueText(pick(5));
      marks.push_back(m);
      baseIds.push_back(m.id);
      // Some bases have no entry: the first read that walks the marks makes one.
      if (pick(4)) {
        ASSERT_TRUE(hnotetest::writeEntry(
            m.id, hnotetest::baseEntry(m.type, m.baseKind, m.x, m.y, 0, pick(5) * 1000.0, pick(5) * 1000.0)));
      }
    }
    for (int i = pick(6); i > 0; --i) {
      hnotetest::Mark m;
      m.type = pick(3);
      m.id = u"D" + utf8ToUtf16(std::to_string(i));
      m.baseId = baseIds.empty() || !pick(4) ? vstring(u"GONE") : baseIds[static_cast<size_t>(pick(static_cast<int>(baseIds.size())))];
      m.x = coordinate();
      m.y = coordinate();
      m.text1 = valueText(pick(5));
      marks.push_back(m);
    }
    ASSERT_TRUE(marks.empty() || hnotetest::writeMarks(marks));
    ASSERT_TRUE(pick(3) != 0 || hnotetest::writeEntry(u"UNUSED", hnotetest::baseEntry(0, 0, 0, 0, 0, 0, 0)));
    // "Current" names a base, one that is gone, or nothing.
    const int current = pick(static_cast<int>(baseIds.size()) + 2);
    const bool named = current <= static_cast<int>(baseIds.size());
    const vstring currentId = current < static_cast<int>(baseIds.size()) ? baseIds[static_cast<size_t>(current)] : u"GONE";
    ASSERT_TRUE(!named || hnotetest::writeEntry(kHNoteCurrentKey, hnotetest::currentEntry(currentId)));
    drawing().beginBatch();
    for (int i = pick(4); i > 0; --i) {
      ChainBuilder b;
      b.text(0, u"LINE").text(8, u"0").point(10, coordinate(), coordinate()).point(11, coordinate(), coordinate());
      OwnedChain line = b.build();
      drawing().addEntity(line.get());
    }
    drawing().flush();
    std::vector<vstring> markHandles;
    for (const SeenMark& m : this->marks()) markHandles.push_back(m.handle);

    const int type = pick(3);
    std::string script = "command HeightDim " + std::to_string(type) + " " + std::to_string(pick(3) * 90) + "\n";
    auto newBase = [&] {
      const bool two = type == 0 && pick(3) == 0;
      if (two) script += "keyword Dvě\n";
      script += "point " + pointText({coordinate(), coordinate(), 0}) + "\n";
      for (int level = 0; level < (two ? 2 : 1); ++level)
        script += pick(3) ? "real " + std::to_string(pick(9) * 250) + "\n" : std::string("enter\n");
    };
    // A pass without a current base asks for a new one at once.
    if (current >= static_cast<int>(baseIds.size())) newBase();
    for (int pass = pick(6) + 1; pass > 0; --pass) {
      const int what = pick(5);
      if (what == 0) {
        script += "keyword Základnu\n";
        newBase();
      } else if (what == 1 && !markHandles.empty()) {
        script += "keyword Existující\npick " +
                  utf16ToUtf8(markHandles[static_cast<size_t>(pick(static_cast<int>(markHandles.size())))]) + "\n";
        script += "point " + pointText({coordinate(), coordinate(), 0}) + "\n";
      } else {
        script += "point " + pointText({coordinate(), coordinate(), 0}) + "\n";
      }
    }
    script += "cancel\n";

    // Walks of the drawing by the module once a pass has kept the bases; the
    // check's own read is left out.
    bool kept = false;
    size_t seenUpTo = 0;
    auto walksSince = [&](size_t from) {
      int n = 0;
      for (size_t i = from; i < host().transcript().size(); ++i)
        n += host().transcript()[i].rfind("host: all entities", 0) == 0;
      return n;
    };
    setHNoteKeptBasesCheck([&](const HNoteBases& keptBases) {
      if (kept) keptWalks += walksSince(seenUpTo);
      kept = true;
      ++checked;
      HNoteBases fresh;
      fresh.load(HNoteDataSet());
      EXPECT_EQ(hnotetest::basesText(keptBases), hnotetest::basesText(fresh)) << script;
      seenUpTo = host().transcript().size();
    });
    run(script);
    if (kept) keptWalks += walksSince(seenUpTo);
    setHNoteKeptBasesCheck(nullptr);
  }
  EXPECT_GT(checked, 100) << "passes that kept their bases";
  EXPECT_EQ(keptWalks, 0) << "a pass walked the drawing though the last one kept its bases";
}

// --- Cancels ---------------------------------------------------------------------

// A level or point that would make a mark show more than a million metres
// (or no number at all) is refused with a message, and nothing is written.
std::vector<vstring>& shownErrors() {
  static std::vector<vstring> shown;
  return shown;
}

TEST_F(PlaceTest, AValueOutOfRangeIsRefusedWithAMessage) {
  struct Case {
    const char* what;
    bool withBase;
    std::string script;
  } cases[] = {
      {"a base level of two million metres", false, "command HeightDim 0\npoint 0,0\nreal 2e9\n"},
      {"a base level just in range", false, "command HeightDim 0\npoint 0,0\nreal 1e9\ncancel\n"},
      {"a mark far above its base", true, "command HeightDim 0\npoint 0,1e300\n"},
      {"a mark at infinity's edge", true, "command HeightDim 1\npoint 1e308,1e308\n"},
  };
  setErrorBoxSink([](const vstring& text) { shownErrors().push_back(text); });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prepare();
    shownErrors().clear();
    if (c.withBase) {
      ASSERT_TRUE(run("command HeightDim 0\npoint 0,0\nreal 1000\ncancel\n"));
    }
    const size_t entities = drawing().entities().size();
    if (!run(c.script)) continue;
    const bool refused = std::string(c.what).find("just in range") == std::string::npos;
    EXPECT_EQ(module.outcome.failed, refused);
    EXPECT_EQ(drawing().entities().size() > entities, !refused) << "a mark was written";
    EXPECT_EQ(shownErrors(), refused ? std::vector<vstring>{u"mimo rozsah ±1e+06 m"} : std::vector<vstring>{});
  }
  setErrorBoxSink(nullptr);
}

// --- Failing host calls ----------------------------------------------------------

// --- Plan view ---------------------------------------------------------------------

}  // namespace
