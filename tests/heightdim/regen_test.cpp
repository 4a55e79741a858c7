// Regenerating height dimensions against the in-process host: marks moved
// together onto a leader line with their underlines, a copy of a base made a
// base of its own, and plan-view leaders rebuilt for the new mark. Whole
// HeightDimUpdate and HeightDimSetBase runs are the heightdim_update_* and
// heightdim_setbase_* scenarios, their drawings read back with ezdxf.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <numbers>
#include <optional>

#include "heightdim/builder.h"
#include "heightdim/edit.h"
#include "heightdim/mark_look.h"
#include "heightdim/place.h"
#include "heightdim/records.h"
#include "heightdim/regen.h"
#include "host/host_api.h"
#include "hostsim/leaders.h"
#include "tests/heightdim/builder_test_support.h"
#include "tests/heightdim/mark_drawing.h"
#include "tests/hostsim/host_fixture.h"

using namespace vd;

namespace {

class RegenTest : public hnotetest::BuilderHost {
 protected:
  void selectAll() { ASSERT_EQ(hostApi()->SSGetW(kSelectToRefresh, nullptr, nullptr, 0), kRtNorm); }
  // Selects the whole drawing, collects it into `regen` (expecting
  // `collected` marks) and runs it: the run's result.
  int rebuild(HNoteRegen& regen, size_t collected) {
    selectAll();
    EXPECT_TRUE(regen.collect());
    EXPECT_EQ(regen.remaining(), collected);
    return regen.run();
  }

  struct Seen {
    vstring handle;
    HNoteRef ref;
    ChainPoint at;
    std::vector<vstring> values;
  };
  std::vector<Seen> marks() {
    std::vector<Seen> out;
    for (const hostsim::Entity* e : drawing().entities()) {
      if (e->type() != u"INSERT") continue;
      Seen s;
      s.handle = e->handle;
      readHNoteRef(e->view(), &s.ref, true);
      s.at = e->view().point(10).value_or(ChainPoint{});
      for (const hostsim::Entity* f : drawing().followersOf(*e)) {
        if (f->type() == u"ATTRIB") s.values.emplace_back(f->view().text(1).value_or(u""));
      }
      out.push_back(std::move(s));
    }
    return out;
  }
  // The mark standing at (x, y), if any.
  std::optional<Seen> markAt(double x, double y) {
    for (Seen& s : marks())
      if (std::abs(s.at.x - x) < 1e-9 && std::abs(s.at.y - y) < 1e-9) return std::move(s);
    return std::nullopt;
  }
  // Queues the host's answer to the module's next question.
  void answer(hostsim::Answer::Kind kind, std::vector<vstring> handles = {}, double real = 0) {
    hostsim::Answer a;
    a.kind = kind;
    a.handles = std::move(handles);
    a.real = real;
    host().queueAnswer(a);
  }
};

TEST_F(RegenTest, MovedMarksKeepTheirPlacesToEachOtherAndTheirUnderlines) {
  // The heights of the drawing's LINEs, each an underline `span` long.
  auto underlines = [&](double span) {
    std::vector<double> ys;
    for (const hostsim::Entity* e : drawing().entities()) {
      if (e->type() != u"LINE") continue;
      const ChainPoint a = *e->view().point(10), b = *e->view().point(11);
      EXPECT_NEAR(std::abs(a.x - b.x), span, 1e-9);
      EXPECT_NEAR(a.y, b.y, 1e-9);
      ys.push_back(a.y);
    }
    std::sort(ys.begin(), ys.end());
    return ys;
  };
  // The base B and its dependant D (1.5 m above it) are moved together: by
  // what brings B, the first of them, to the place (here projected onto the
  // leader line y = 2000). Each mark then shows the value of where it stands.
  // Later rebuilds take each mark's underline with it: one underline a mark,
  // never the old one left beside a new one.
  struct Step {
    const char* what;
    int32_t options;
    double y;     // where B ends up; D stands 1500 above it
    double span;  // the underlines' length
  };
  const Step steps[] = {
      {"onto the leader line", kRegenValues | kRegenMove | kRegenOntoLine | kRegenUnderline, 2000, 400},
      {"an update", kRegenValues, 2000, 400},
      {"a move", kRegenValues | kRegenMove, 3000, 400},
      {"a new leader line", kRegenValues | kRegenOntoLine | kRegenUnderline, 2500, 100},
  };
  for (int type : {0, 1, 2}) {
    SCOPED_TRACE(type);
    drawing().clear();
    ASSERT_TRUE(hnotetest::writeBaseAndDependant(type, 1500, u"+1.500"));
    for (const Step& step : steps) {
      SCOPED_TRACE(step.what);
      HNoteRegen regen;
      regen.bases.load(regen.settings);
      regen.options = step.options;
      const bool first = &step == &steps[0];
      regen.place = {130, first ? 2100 : step.y};
      regen.leaderFirst = first ? HNotePoint{0, 2000} : HNotePoint{100, 2500};
      regen.leaderSecond = first ? HNotePoint{400, 2000} : HNotePoint{200, 2500};
      ASSERT_EQ(rebuild(regen, 2), 2);
      EXPECT_EQ(underlines(step.span), (std::vector<double>{step.y, step.y + 1500}));
      for (const Seen& s : marks()) {
        EXPECT_EQ(s.ref.type, type);
        const double y = s.ref.id == u"B" ? step.y : step.y + 1500;
        EXPECT_NEAR(s.at.x, 130, 1e-9);
        EXPECT_NEAR(s.at.y, y, 1e-9);
        ASSERT_FALSE(s.values.empty());
        char want[16];
        std::snprintf(want, sizeof want, "+%.3f", y / 1000);
        EXPECT_EQ(s.values[0], utf8ToUtf16(want)) << "the value is that of the new place";
      }
    }
  }
}

// A copy of a base mark carries the base's identifier. Made a base of its
// own, it takes a new one and becomes the current base: the original stays
// its dependants' base, and a dependant moved onto the copy measures from
// the copy (1 m under it). So it does when the selection of marks to move
// holds no other mark than the copy itself.
TEST_F(RegenTest, ACopyOfABaseMadeABaseTakesAnIdentifierOfItsOwn) {
  host().stringSource = &hnotetest::commandTexts;
  const struct Row {
    const char* what;
    bool moveDependant;
  } rows[] = {{"a dependant moved onto the copy", true}, {"no other mark selected", false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    std::string error;
    ASSERT_TRUE(host().loadDrawing(VD_SOURCE_DIR "/tests/scenarios/heightdim/copied_base.dxf", error)) << error;
    auto at = [&](double x, double y) {
      std::optional<Seen> s = markAt(x, y);
      if (!s) ADD_FAILURE() << "no mark at " << x << "," << y;
      return s.value_or(Seen{});
    };
    const vstring original = at(0, 0).ref.id;
    ASSERT_EQ(at(500, 1000).ref.id, original);
    const Seen before = at(0, 1500);
    answer(hostsim::Answer::Kind::Enter);
    answer(hostsim::Answer::Kind::Pick, {at(500, 1000).handle});
    answer(hostsim::Answer::Kind::Pick, {r.moveDependant ? before.handle : at(500, 1000).handle});
    EXPECT_GT(setHeightDimBase(u""), 0);
    EXPECT_EQ(host().pendingAnswers(), 0u) << "every answer asked for";
    const Seen copy = at(500, 1000), moved = at(0, 1500);
    EXPECT_EQ(at(0, 0).ref.id, original);
    EXPECT_FALSE(copy.ref.id.empty());
    EXPECT_TRUE(copy.ref.baseId.empty());
    EXPECT_NE(copy.ref.id, original) << "two bases of one identifier";
    const std::vector<std::string> current = hnotetest::entryGroups(u"Current");
    ASSERT_FALSE(current.empty());
    EXPECT_EQ(current.back(), "301 " + utf16ToUtf8(copy.ref.id)) << "the copy is the current base";
    EXPECT_EQ(moved.ref.baseId, r.moveDependant ? copy.ref.id : before.ref.baseId);
    ASSERT_FALSE(moved.values.empty());
    EXPECT_EQ(moved.values[0], r.moveDependant ? u"+0.500" : before.values[0]);
  }
}

// A walk cut short by a failed EntnextW or DictionaryNextW, once or twice
// in a row (the null and the question after it), leaves the marks as the
// command leaves them without the failure, or as they were: never rebuilt
// from a part of the selection, nor from value texts read in part (a base
// of level 0). So are the bases' entries: none is written over with the
// levels its mark shows rounded.
TEST_F(RegenTest, AWalkCutShortChangesAllOrNothing) {
  using Kind = hostsim::Answer::Kind;
  auto handleAt = [&](double x, double y) {
    const std::optional<Seen> s = markAt(x, y);
    return s ? s->handle : vstring();
  };
  // What the marks show where they stand, by base: handles change with a rebuild.
  auto shown = [&] {
    std::vector<std::string> out;
    for (const Seen& s : marks()) {
      std::string line = std::to_string(s.at.x) + "," + std::to_string(s.at.y) + " " + utf16ToUtf8(s.ref.baseId.empty() ? u"base" : u"dependant");
      for (const vstring& v : s.values) line += " " + utf16ToUtf8(v);
      out.push_back(line);
    }
    std::sort(out.begin(), out.end());
    return out;
  };
  // The entries' items from the first 91 on: a base's entry written back
  // with its old levels after a refused rebuild may gain the record's head.
  auto entries = [] {
    std::map<std::string, std::vector<std::string>> out;
    for (const std::string& key : hnotetest::entryKeys()) {
      std::vector<std::string> groups = hnotetest::entryGroups(utf8ToUtf16(key));
      groups.erase(groups.begin(), std::find_if(groups.begin(), groups.end(),
                                                [](const std::string& g) { return g.rfind("91 ", 0) == 0; }));
      out[key] = std::move(groups);
    }
    return out;
  };
  const struct Command {
    const char* what;
    std::function<void()> answers;
  } commands[] = {
      {"a copy of the base made the base of a dependant",
       [&] {
         answer(Kind::Enter);
         answer(Kind::Pick, {handleAt(500, 1000)});
         answer(Kind::Pick, {handleAt(0, 1500)});
         answer(Kind::Enter);
       }},
      {"new levels for the base", [&] { answer(Kind::Pick, {handleAt(0, 0)}, 0); answer(Kind::Real, {}, 2.5); }},
  };
  auto start = [&] {
    TearDown();
    SetUp();
    host().stringSource = &hnotetest::commandTexts;
    std::string error;
    ASSERT_TRUE(host().loadDrawing(VD_SOURCE_DIR "/tests/scenarios/heightdim/copied_base.dxf", error)) << error;
    // The copied base at 0.4 mm, which its marks show as "±0.000" as before,
    // its entry after "Current", where a dictionary walk cut short misses
    // it alone.
    const vstring id = u"0A1B2C3D-0000-4000-8000-00000000000B";
    ASSERT_TRUE(hnotetest::writeEntry(id, OwnedChain()));
    ASSERT_TRUE(hnotetest::writeEntry(id, hnotetest::baseEntry(0, 0, 0, 0, 0, 0.4, 0)));
    ASSERT_EQ(hnotetest::entryKeys(), (std::vector<std::string>{"Current", utf16ToUtf8(id)}));
  };
  for (const Command& c : commands) {
    SCOPED_TRACE(c.what);
    start();
    const std::vector<std::string> before = shown();
    const auto entriesBefore = entries();
    c.answers();
    ASSERT_GT(setHeightDimBase(u""), 0);
    const std::vector<std::string> done = shown();
    const auto entriesDone = entries();
    ASSERT_NE(done, before);
    const std::pair<HostOp, int> reads[] = {{HostOp::EntnextW, hosttest::callsOf(HostOp::EntnextW)},
                                            {HostOp::DictionaryNextW, hosttest::callsOf(HostOp::DictionaryNextW)}};
    for (const auto& [op, calls] : reads) {
      hosttest::failEachCall(op, calls, start, [&] {
        c.answers();
        setHeightDimBase(u"");
        const std::vector<std::string> after = shown();
        EXPECT_TRUE(after == done || after == before);
        const auto entriesAfter = entries();
        for (const auto& [key, groups] : entriesBefore) {
          if (key == "Current") continue;  // it names the new base, whose identifier is new each run
          auto now = entriesAfter.find(key), wanted = entriesDone.find(key);
          if (now == entriesAfter.end()) {
            EXPECT_TRUE(wanted == entriesDone.end()) << key << " removed";
          } else {
            EXPECT_TRUE(now->second == groups || (wanted != entriesDone.end() && now->second == wanted->second))
                << key << " written over: " << ::testing::PrintToString(now->second);
          }
        }
      });
    }
  }
}

// HeightDimUpdate, HeightDimEdit and HeightDim after a read of the bases
// cut short by a failed DictionaryNextW, once or twice in a row, show no
// value other than they show without the failure. The base at 0.4 mm
// shows "±0.000" on its own mark: a base taken from that mark would make a
// dependant 500.2 mm above it show "+0.500" instead of "+0.501".
TEST_F(RegenTest, ACommandAfterADictionaryWalkCutShortShowsNoWrongValue) {
  auto start = [&] {
    TearDown();
    SetUp();
    host().stringSource = &hnotetest::commandTexts;
    ASSERT_TRUE(hnotetest::writeEntry(u"Current", hnotetest::currentEntry(u"A")));
    ASSERT_TRUE(hnotetest::writeEntry(u"A", hnotetest::baseEntry(0, 0, 0, 0, 0, 0.4, 0)));
    ASSERT_TRUE(hnotetest::writeMarks(
        {{.id = u"A", .text1 = u"±0.000"}, {.id = u"D", .baseId = u"A", .y = 500.2, .text1 = u"+0.501"}}));
  };
  // Each mark's base, or "base" for a base's own mark, and its value.
  auto values = [&] {
    std::vector<std::string> out;
    for (const Seen& s : marks())
      out.push_back((s.ref.baseId.empty() ? std::string("base") : utf16ToUtf8(s.ref.baseId)) + " " +
                    (s.values.empty() ? "" : utf16ToUtf8(s.values[0])));
    std::sort(out.begin(), out.end());
    return out;
  };
  // The edit dialog answered OK as it opens; both marks picked.
  HNoteEditDialogs dialogs;
  dialogs.edit = [](const vstring&, HNoteEditChoice&) { return kEditDialogOk; };
  const struct Command {
    const char* what;
    std::function<int()> run;
  } commands[] = {
      {"HeightDimUpdate", [] { return updateHeightDims(u""); }},
      {"HeightDimEdit",
       [&] {
         hostsim::Answer pick;
         pick.kind = hostsim::Answer::Kind::Pick;
         for (const Seen& s : marks()) pick.handles.push_back(s.handle);
         host().queueAnswer(pick);
         return editHeightDims(u"", dialogs);
       }},
      {"HeightDim",
       [&] {
         hostsim::Answer point;
         point.kind = hostsim::Answer::Kind::Point;
         point.point[1] = 500.2;
         host().queueAnswer(point);
         return placeHeightDims({}, u"", nullptr).placed;
       }},
  };
  for (const Command& c : commands) {
    SCOPED_TRACE(c.what);
    start();
    const std::vector<std::string> before = values();
    ASSERT_EQ(before, (std::vector<std::string>{"A +0.501", "base ±0.000"}));
    ASSERT_GT(c.run(), 0);
    const std::vector<std::string> done = values();
    for (const std::string& v : done) ASSERT_TRUE(v == "A +0.501" || v == "base ±0.000") << v;
    hosttest::failEachCall(HostOp::DictionaryNextW, hosttest::callsOf(HostOp::DictionaryNextW), start, [&] {
      c.run();
      const std::vector<std::string> after = values();
      EXPECT_TRUE(after == before || after == done) << ::testing::PrintToString(after);
    });
  }
}

// An older block is read as its type's defaults at four times its
// reference's scales over the drawing factor, on the side its name gives; a
// reference of any other block is no mark.
TEST_F(RegenTest, OlderBlocksAndMarksWithoutTextsReadBackAsTheyStand) {
  const double f = hnoteDrawingFactor();
  struct Case {
    const char16_t* block;
    double sx, sy;
    int type;
    bool flipped;
    double width, height;  // the type's boundary mark (frame for type 3) at scale 1, mm
  };
  const Case cases[] = {
      {u"KACENAD2", 4, 4, 2, true, 3.55, 1.781},
      {u"kacenah3", 2, 3, 1, false, 3.55, 1.781},
      {u"VKOTA_UZ", 1.5, 0.5, 0, true, 3.55, 1.781},
      {u"KACENAH", -2, 2, 0, false, 3.55, 1.781},  // mirrored by the host: the leg on the left
      {u"VDHEIGHT", 2, 5, 3, false, 14.225, 6.25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16ToUtf8(c.block));
    HNoteRegenItem item;
    item.reference = ChainBuilder().text(0, u"INSERT").text(2, c.block).point(10, 5, 6).real(41, c.sx).real(42, c.sy)
                         .real(50, 0.5).build();
    HNoteData r;
    double ratio = 0;
    ASSERT_TRUE(hnoteRecordOf(item, r, ratio));
    EXPECT_EQ(r.type, c.type);
    EXPECT_EQ(r.flipped, c.flipped);
    EXPECT_DOUBLE_EQ(ratio, std::abs(c.sx) / f) << "a size; the mirror is the mark's";
    if (c.type == 0) {
      EXPECT_EQ(r.lhorzLen * ratio < 0, c.sx < 0);
    }
    EXPECT_DOUBLE_EQ(r.angle, 0.5);
    EXPECT_NEAR(c.type == 3 ? r.cxSize : r.hxLen, c.width * 4 * c.sx / f, 1e-9);
    EXPECT_NEAR(c.type == 3 ? r.cySize : r.hyLen, c.height * 4 * c.sy / f, 1e-9);
  }
  HNoteRegenItem door;
  door.reference = ChainBuilder().text(0, u"INSERT").text(2, u"DOOR").point(10, 0, 0).build();
  HNoteData r;
  double ratio = 0;
  EXPECT_FALSE(hnoteRecordOf(door, r, ratio));

  // A mark of the module's own without a stored look and without attributes:
  // no value text says that it was flipped or mirrored.
  for (int type : {0, 1}) {
    SCOPED_TRACE(type);
    drawing().clear();
    ASSERT_TRUE(hnotetest::writeMarks({{.type = type, .id = u"M", .x = 5, .y = 6, .attributes = 0}}));
    HNoteRegenItem mark;
    for (const hostsim::Entity* e : drawing().entities()) {
      if (e->type() == u"INSERT") mark.reference = OwnedChain::copyOf(e->view());
    }
    ASSERT_TRUE(hnoteRecordOf(mark, r, ratio));
    EXPECT_FALSE(r.flipped);
    EXPECT_GE(r.lhorzLen, 0);
  }
}

// A mark whose base gives no value (its entry is gone) keeps the text it
// shows, and with it the rounding mark beside that text.
TEST_F(RegenTest, AMarkThatKeepsItsTextKeepsItsRoundingMark) {
  ASSERT_TRUE(hnotetest::writeMarks({{.id = u"D", .baseId = u"GONE", .x = 5, .y = 6, .numAlign = 0.005,
                                      .roundingMark = 1, .text1 = u"+1.250", .text3 = u"!"}}));
  HNoteRegen regen;
  ASSERT_EQ(rebuild(regen, 1), 1);
  const std::vector<Seen> after = marks();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].values, (std::vector<vstring>{u"+1.250", u"", u"!"}));
}

// Plan-view marks with a leader: the module's mark, and a leader written
// here the way HeightDim leaves it (arrowhead at the picked point, second
// vertex on the frame's nearest corner, tagged with the mark's identifier and
// tied to the mark by the host).
class PlanLeaderTest : public RegenTest {
 protected:
  struct Placed {
    vstring mark, leader, id;
    GcGePoint2d corner;  // the leader's second vertex
  };
  // The frame corner of a built plan-view record nearest to `p`.
  static GcGePoint2d nearestCorner(const HNoteData& r, GcGePoint2d p) {
    const double f = hnoteDrawingFactor();
    const GcGeVector2d u(std::cos(r.angle), std::sin(r.angle));
    GcGePoint2d best;
    double d = -1;
    for (double sx : {-1.0, 1.0}) {
      for (double sy : {-1.0, 1.0}) {
        const GcGePoint2d c = GcGePoint2d(r.insertPoint.x, r.insertPoint.y) + u * (sx * r.cxSize * f / 2) +
                              u.perpVector() * (sy * r.cySize * f / 2);
        if (d < 0 || c.distanceTo(p) < d) {
          d = c.distanceTo(p);
          best = c;
        }
      }
    }
    return best;
  }
  // A plan-view mark built at `at`: the record as built.
  HNoteData planMark(GcGePoint2d at, double angle, const char16_t* value) {
    HNoteData r;
    EXPECT_TRUE(hnoteDefaults(r, 3));
    r.insertPoint = {at.x, at.y};
    r.angle = angle;
    r.valueText = value;
    EXPECT_EQ(hostApi()->Header_bin(), kRtNorm);
    EXPECT_TRUE(buildHNote(r, nullptr, false, false, GcGePoint2d(0, 0)));
    EXPECT_EQ(hostApi()->Flush_bin(1), kRtNorm);
    return r;
  }
  // A mark with its leader to `arrow`; `tie`: the host ties the leader (else
  // it only carries the mark's identifier).
  Placed markWithLeader(GcGePoint2d at, double angle, GcGePoint2d arrow, bool tie) {
    const HNoteData r = planMark(at, angle, u"+3.000");
    Placed out{lastOf(u"INSERT"), {}, r.id, nearestCorner(r, arrow)};
    ChainBuilder l;
    l.text(0, u"LEADER").text(8, u"0").integer(76, 2).point(10, arrow.x, arrow.y).point(10, out.corner.x, out.corner.y);
    l.extendedData(kAppAssocDesc).text(1000, r.id);
    OwnedChain chain = l.build();
    HostApi& api = *hostApi();
    EXPECT_EQ(api.Header_bin(), kRtNorm);
    EXPECT_EQ(api.Entmake_binW(chain.get(), 0), kRtNorm);
    EXPECT_EQ(api.Flush_bin(1), kRtNorm);
    out.leader = lastOf(u"LEADER");
    if (tie) {
      uint64_t m = hnoteHandleNumber(out.mark), l2 = hnoteHandleNumber(out.leader);
      EXPECT_EQ(api.LeaderAnno(&m, &l2, 0), 1);
    }
    return out;
  }
  vstring lastOf(const char16_t* type) {
    vstring h;
    for (const hostsim::Entity* e : drawing().entities()) h = e->type() == type ? e->handle : h;
    return h;
  }
};

TEST_F(PlanLeaderTest, TheLeaderIsRebuiltForTheNewMarkAndTiedToIt) {
  struct Case {
    const char* what;
    double angle;
    bool tied;         // the old leader is tied (else only tagged)
    bool onlyTheMark;  // the selection holds the mark alone
    bool move;         // moved by (300, -200)
  };
  const Case cases[] = {
      {"update", 0, true, false, false},
      {"moved", 0, true, false, true},
      {"turned and moved", std::numbers::pi / 2, true, false, true},
      {"leader found outside the selection", 0, true, true, false},
      {"an untied leader with the mark's identifier", 0, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    drawing().clear();
    const GcGePoint2d arrow(-400, 900);
    const Placed p = markWithLeader(GcGePoint2d(100, 200), c.angle, arrow, c.tied);
    planMark(GcGePoint2d(5000, 0), 0, u"+1.000");  // a plan-view mark without a leader gets none
    ASSERT_EQ(hosttest::ofType(drawing(), u"LEADER").size(), 1u);

    HNoteRegen regen;
    if (c.onlyTheMark) {
      OwnedChain f = ChainBuilder().text(0, u"INSERT").build();
      ASSERT_EQ(hostApi()->SSGetW(kSelectAll, nullptr, f.get(), 0), kRtNorm);
    } else {
      selectAll();
    }
    ASSERT_TRUE(regen.collect());
    ASSERT_EQ(regen.remaining(), 2u);
    regen.options = kRegenValues | (c.move ? kRegenMove : 0);
    regen.place = {400, 0};
    ASSERT_EQ(regen.run(), 2);

    const std::vector<const hostsim::Entity*> leaders = hosttest::ofType(drawing(), u"LEADER");
    ASSERT_EQ(leaders.size(), 1u) << "the old leader is erased, one new one written";
    EXPECT_EQ(drawing().findEntity(p.leader), nullptr);
    EXPECT_EQ(drawing().findEntity(p.mark), nullptr);
    vstring mark;
    for (const Seen& s : marks()) mark = s.ref.id == p.id ? s.handle : mark;
    ASSERT_FALSE(mark.empty()) << "the mark keeps its identifier";
    EXPECT_EQ(hostsim::tiedAnnotation(leaders[0]->view()), mark) << "tied to the new mark";
    std::vector<ChainPoint> v;
    for (ChainItem item : leaders[0]->view()) {
      if (item.code() == gc::kPoint0) v.push_back(*item.point());
    }
    ASSERT_EQ(v.size(), 2u);
    EXPECT_NEAR(v[0].x, arrow.x, 1e-9) << "the arrowhead stays where it pointed";
    EXPECT_NEAR(v[0].y, arrow.y, 1e-9);
    const GcGeVector2d shift = c.move ? GcGeVector2d(300, -200) : GcGeVector2d(0, 0);
    EXPECT_NEAR(v[1].x, p.corner.x + shift.x, 1e-9) << "the same corner of the frame where it is now";
    EXPECT_NEAR(v[1].y, p.corner.y + shift.y, 1e-9);
  }
}

}  // namespace
