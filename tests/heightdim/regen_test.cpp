// Regenerating height dimensions against the in-process host: the older
// blocks read back as current marks, the leader-line options, cancels, plan
// leaders and a failing host call that must leave the drawing as it was.
// Whole HeightDimUpdate and HeightDimSetBase runs are the heightdim_update_*
// and heightdim_setbase_* scenarios, their drawings read back with ezdxf.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>

#include "heightdim/builder.h"
#include "heightdim/place.h"
#include "heightdim/records.h"
#include "heightdim/regen.h"
#include "host/host_api.h"
#include "res/string_ids.h"
#include "hostsim/leaders.h"
#include "tests/heightdim/builder_test_support.h"
#include "tests/heightdim/mark_drawing.h"

using namespace vd;

namespace {

class RegenTest : public hnotetest::BuilderHost {
 protected:
  // Writes an older block (a line) and references to it with a value attribute.
  void olderMarks(const char16_t* block, const std::vector<std::pair<double, double>>& at, double scale,
                  const char16_t* value) {
    double o[3] = {0, 0, 0};
    HostApi& api = *hostApi();
    ASSERT_EQ(api.Header_bin(), kRtNorm);
    ASSERT_EQ(api.BlkmakeHead_binW(block, 2, &o[0], &o[1], &o[2]), kRtNorm);
    ChainBuilder l;
    l.text(0, u"LINE").text(8, u"0").point(10, 0, 0).point(11, 1, 1);
    OwnedChain line = l.build();
    ASSERT_EQ(api.BlkmakeEnt_binW(line.get()), kRtNorm);
    ASSERT_EQ(api.BlkmakeEnd_binW(block), kRtNorm);
    for (auto [x, y] : at) {
      ChainBuilder ins;
      ins.text(0, u"INSERT").text(8, u"0").integer(66, 1).text(2, block).point(10, x, y).real(41, scale).real(42, scale)
          .real(43, scale).real(50, 0);
      OwnedChain i = ins.build();
      ASSERT_EQ(api.Entmake_binW(i.get(), 0), kRtNorm);
      ChainBuilder att;
      att.text(0, u"ATTRIB").text(8, u"0").point(10, x, y + 1).real(40, 2.5).text(1, value).text(2, u"VYSKA");
      OwnedChain a = att.build();
      ASSERT_EQ(api.Entmake_binW(a.get(), 0), kRtNorm);
      ChainBuilder end;
      end.text(0, u"SEQEND").text(8, u"0");
      OwnedChain e = end.build();
      ASSERT_EQ(api.Entmake_binW(e.get(), 0), kRtNorm);
    }
    ASSERT_EQ(api.Flush_bin(1), kRtNorm);
  }
  size_t journalErased() {
    size_t n = 0;
    for (const auto& j : drawing().journal()) n += j.kind == hostsim::JournalEntry::Kind::EntityErased;
    return n;
  }
  void selectAll() { ASSERT_EQ(hostApi()->SSGetW(kSelectToRefresh, nullptr, nullptr, 0), kRtNorm); }
  // Whether mark `id`'s block reaches farther to the negative side of its
  // base point than to the positive one, along X (`y` false: the leg of a
  // mirrored mark reaches left) or along Y (`y` true: a flipped mark is
  // drawn below its point).
  bool reachesBack(const vstring& id, bool y) {
    const hostsim::Block* b = drawing().findBlock(hnoteBlockName(id));
    if (!b) return false;
    double lo = 0, hi = 0;
    for (const auto& e : b->entities) {
      for (ChainItem item : e->view()) {
        if (item.code() != 10 && item.code() != 11) continue;
        const double v = y ? item.point()->y : item.point()->x;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      }
    }
    return -lo > hi;
  }
  bool legLeft(const vstring& id) { return reachesBack(id, false); }
  bool drawnBelow(const vstring& id) { return reachesBack(id, true); }
  // Selects the whole drawing, collects it into `regen` (expecting
  // `collected` marks) and runs it: the run's result.
  int rebuild(HNoteRegen& regen, size_t collected) {
    selectAll();
    EXPECT_EQ(regen.collect(), collected);
    return regen.run();
  }

  struct Seen {
    vstring block;
    HNoteRef ref;
    ChainPoint at;
    std::vector<vstring> values;
  };
  std::vector<Seen> marks() {
    std::vector<Seen> out;
    for (const hostsim::Entity* e : drawing().entities()) {
      if (e->type() != u"INSERT") continue;
      Seen s;
      s.block = vstring(e->view().text(2).value_or(u""));
      readHNoteRef(e->view(), &s.ref, true);
      s.at = e->view().point(10).value_or(ChainPoint{});
      for (const hostsim::Entity* f : drawing().followersOf(*e)) {
        if (f->type() == u"ATTRIB") s.values.emplace_back(f->view().text(1).value_or(u""));
      }
      out.push_back(std::move(s));
    }
    return out;
  }
  // A base "B" at (0,0) level 0 and a dependant at (0, dy), both current marks with their value texts.
  void baseAndDependant(double dy, const char16_t* dependantText) {
    ASSERT_TRUE(hnotetest::writeBaseAndDependant(0, dy, dependantText));
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

class SetBaseTest : public RegenTest {
 protected:
  void SetUp() override {
    RegenTest::SetUp();
    host().stringSource = &hnotetest::commandTexts;
    // Base B at 0 (level 0), D 1.5 m above it and up to date, E 0.5 m above
    // it showing a value that no longer agrees with B.
    baseAndDependant(1500, u"+1.500");
    hnotetest::Mark stale;
    stale.id = u"E";
    stale.baseId = u"B";
    stale.y = 500;
    stale.text1 = u"+9.999";
    ASSERT_TRUE(hnotetest::writeMarks({stale}));
  }
  vstring handleOf(const vstring& id) {
    for (const hostsim::Entity* e : drawing().entities()) {
      HNoteRef ref;
      if (e->type() == u"INSERT" && readHNoteRef(e->view(), &ref, true) && ref.id == id) return e->handle;
    }
    return {};
  }
  void answer(hostsim::Answer::Kind kind, std::vector<vstring> handles = {}, double real = 0) {
    hostsim::Answer a;
    a.kind = kind;
    a.handles = std::move(handles);
    a.real = real;
    host().queueAnswer(a);
  }
  std::map<vstring, Seen> byId() {
    std::map<vstring, Seen> out;
    for (const Seen& s : marks()) out[s.ref.id] = s;
    return out;
  }
};

// A copy of a base mark carries the base's identifier. Made a base of its
// own, it takes a new one: the original stays its dependants' base, and a
// dependant moved onto the copy measures from the copy (1 m under it).
TEST_F(SetBaseTest, ACopyOfABaseMadeABaseTakesAnIdentifierOfItsOwn) {
  std::string error;
  ASSERT_TRUE(host().loadDrawing(VD_SOURCE_DIR "/tests/scenarios/heightdim/copied_base.dxf", error)) << error;
  auto at = [&](double x, double y) {
    for (const Seen& s : marks())
      if (std::abs(s.at.x - x) < 1e-9 && std::abs(s.at.y - y) < 1e-9) return s;
    ADD_FAILURE() << "no mark at " << x << "," << y;
    return Seen{};
  };
  auto handleAt = [&](double x, double y) {
    for (const hostsim::Entity* e : drawing().entities()) {
      const ChainPoint p = e->view().point(10).value_or(ChainPoint{});
      if (e->type() == u"INSERT" && std::abs(p.x - x) < 1e-9 && std::abs(p.y - y) < 1e-9) return e->handle;
    }
    return vstring();
  };
  const vstring original = at(0, 0).ref.id;
  ASSERT_EQ(at(500, 1000).ref.id, original);
  answer(hostsim::Answer::Kind::Enter);
  answer(hostsim::Answer::Kind::Pick, {handleAt(500, 1000)});
  answer(hostsim::Answer::Kind::Pick, {handleAt(0, 1500)});
  answer(hostsim::Answer::Kind::Enter);
  EXPECT_GT(setHeightDimBase(u""), 0);
  const Seen copy = at(500, 1000), moved = at(0, 1500);
  EXPECT_EQ(at(0, 0).ref.id, original);
  EXPECT_FALSE(copy.ref.id.empty());
  EXPECT_NE(copy.ref.id, original) << "two bases of one identifier";
  EXPECT_EQ(moved.ref.baseId, copy.ref.id);
  ASSERT_FALSE(moved.values.empty());
  EXPECT_EQ(moved.values[0], u"+0.500");
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
  // `tie`: the host ties the leader (else it only carries the mark's identifier).
  Placed planMark(GcGePoint2d at, double angle, GcGePoint2d arrow, bool tie) {
    Placed out;
    HNoteData r;
    EXPECT_TRUE(hnoteDefaults(r, 3));
    r.type = 3;
    r.insertPoint = {at.x, at.y};
    r.angle = angle;
    r.valueText = u"+3.000";
    HostApi& api = *hostApi();
    EXPECT_EQ(api.Header_bin(), kRtNorm);
    EXPECT_TRUE(buildHNote(r, nullptr, false, false, GcGePoint2d(0, 0)));
    EXPECT_EQ(api.Flush_bin(1), kRtNorm);
    out.mark = lastOf(u"INSERT");
    out.id = r.id;
    out.corner = nearestCorner(r, arrow);
    ChainBuilder l;
    l.text(0, u"LEADER").text(8, u"0").integer(76, 2).point(10, arrow.x, arrow.y).point(10, out.corner.x, out.corner.y);
    l.extendedData(kAppAssocDesc).text(1000, r.id);
    OwnedChain chain = l.build();
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
  void planMarkWithout(GcGePoint2d at) {
    HNoteData r;
    ASSERT_TRUE(hnoteDefaults(r, 3));
    r.type = 3;
    r.insertPoint = {at.x, at.y};
    r.valueText = u"+1.000";
    ASSERT_EQ(hostApi()->Header_bin(), kRtNorm);
    ASSERT_TRUE(buildHNote(r, nullptr, false, false, GcGePoint2d(0, 0)));
    ASSERT_EQ(hostApi()->Flush_bin(1), kRtNorm);
  }
  vstring lastOf(const char16_t* type) {
    vstring h;
    for (const hostsim::Entity* e : drawing().entities()) h = e->type() == type ? e->handle : h;
    return h;
  }
  std::vector<const hostsim::Entity*> all(const char16_t* type) {
    std::vector<const hostsim::Entity*> out;
    for (const hostsim::Entity* e : drawing().entities()) {
      if (e->type() == type) out.push_back(e);
    }
    return out;
  }
  static std::vector<ChainPoint> vertices(const hostsim::Entity* leader) {
    std::vector<ChainPoint> out;
    for (ChainItem item : leader->view()) {
      if (item.code() == gc::kPoint0) out.push_back(*item.point());
    }
    return out;
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
    const Placed p = planMark(GcGePoint2d(100, 200), c.angle, arrow, c.tied);
    // A plan-view mark without a leader beside it gets none.
    planMarkWithout(GcGePoint2d(5000, 0));
    const size_t leadersBefore = all(u"LEADER").size();
    ASSERT_EQ(leadersBefore, 1u);

    HNoteRegen regen;
    if (c.onlyTheMark) {
      ChainBuilder filter;
      filter.text(0, u"INSERT");
      OwnedChain f = filter.build();
      ASSERT_EQ(hostApi()->SSGetW(kSelectAll, nullptr, f.get(), 0), kRtNorm);
    } else {
      selectAll();
    }
    ASSERT_EQ(regen.collect(), 2u);
    regen.options = kRegenValues | (c.move ? kRegenMove : 0);
    regen.place = {400, 0};
    ASSERT_EQ(regen.run(), 2);

    const std::vector<const hostsim::Entity*> leaders = all(u"LEADER");
    ASSERT_EQ(leaders.size(), 1u) << "the old leader is erased, one new one written";
    EXPECT_EQ(drawing().findEntity(p.leader), nullptr);
    EXPECT_EQ(drawing().findEntity(p.mark), nullptr);
    const hostsim::Entity* mark = nullptr;
    for (const hostsim::Entity* e : all(u"INSERT")) {
      HNoteRef ref;
      if (readHNoteRef(e->view(), &ref, true) && ref.id == p.id) mark = e;
    }
    ASSERT_NE(mark, nullptr) << "the mark keeps its identifier";
    EXPECT_EQ(hostsim::tiedAnnotation(leaders[0]->view()), mark->handle) << "tied to the new mark";
    const std::vector<ChainPoint> v = vertices(leaders[0]);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_NEAR(v[0].x, arrow.x, 1e-9) << "the arrowhead stays where it pointed";
    EXPECT_NEAR(v[0].y, arrow.y, 1e-9);
    const GcGeVector2d shift = c.move ? GcGeVector2d(300, -200) : GcGeVector2d(0, 0);
    EXPECT_NEAR(v[1].x, p.corner.x + shift.x, 1e-9) << "the same corner of the frame where it is now";
    EXPECT_NEAR(v[1].y, p.corner.y + shift.y, 1e-9);
  }
}

}  // namespace
