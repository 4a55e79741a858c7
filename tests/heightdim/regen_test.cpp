// Regenerating height dimensions against the in-process host: the older
// blocks read back as current marks, values recomputed from the base (also
// with new levels), the leader-line options, and a failing host call that
// must leave the drawing as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "heightdim/records.h"
#include "heightdim/regen.h"
#include "host/host_api.h"
#include "res/string_ids.h"
#include "hostsim/number_text.h"
#include "tests/heightdim/builder_test_support.h"
#include "tests/heightdim/mark_drawing.h"

using namespace vd;

namespace {

TEST(HNoteBlockKind, NamesOfTheOlderBlocksAndTheCurrentOnes) {
  struct Case {
    const char16_t* name;
    bool mark;
    int type;
    bool flipped;
    bool current;
  };
  const Case cases[] = {
      {u"KACENAH", true, 0, false, false},  {u"kacenah1", true, 0, false, false}, {u"VKOTA_UT", true, 0, false, false},
      {u"KACENAD", true, 0, true, false},   {u"KACENAD1", true, 0, true, false},  {u"VKOTA_UZ", true, 0, true, false},
      {u"KACENAH2", true, 2, false, false}, {u"KACENAD2", true, 2, true, false},  {u"KACENAH3", true, 1, false, false},
      {u"KACENAD3", true, 1, true, false},  {u"VDHEIGHT", true, 3, false, false},
      {u"VD2D_HEIGHTDIM_1234", true, 0, false, true},
      {u"KACENAH4", false, 0, false, false}, {u"*U12", false, 0, false, false}, {u"", false, 0, false, false},
      {u"XVD2D_HEIGHTDIM_1", false, 0, false, false},
  };
  for (const Case& c : cases) {
    const std::optional<HNoteBlockKind> k = hnoteBlockKind(c.name);
    ASSERT_EQ(k.has_value(), c.mark) << utf16ToUtf8(c.name);
    if (!k) continue;
    EXPECT_EQ(k->type, c.type) << utf16ToUtf8(c.name);
    EXPECT_EQ(k->flipped, c.flipped) << utf16ToUtf8(c.name);
    EXPECT_EQ(k->current, c.current) << utf16ToUtf8(c.name);
  }
}

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
    hnotetest::Mark base, dep;
    base.id = u"B";
    base.text1 = u"±0.000";
    dep.id = u"D";
    dep.baseId = u"B";
    dep.y = dy;
    dep.text1 = dependantText;
    ASSERT_TRUE(hnotetest::writeMarks({base, dep}));
    ASSERT_TRUE(hnotetest::writeEntry(u"B", hnotetest::baseEntry(0, 0, 0, 0, 0, 0, 0)));
    ASSERT_TRUE(hnotetest::writeEntry(kHNoteCurrentKey, hnotetest::currentEntry(u"B")));
  }
};

TEST_F(RegenTest, OlderFlippedDinBlocksBecomeCurrentMarksOfTheirType) {
  olderMarks(u"KACENAD2", {{10, 20}, {30, 40}}, 4.0, u"+1.250");
  ChainBuilder l;
  l.text(0, u"LINE").text(8, u"0").point(10, 0, 0).point(11, 5, 0);
  hostApi()->Header_bin();
  OwnedChain line = l.build();
  hostApi()->Entmake_binW(line.get(), 0);
  hostApi()->Flush_bin(1);

  HNoteRegen regen;
  selectAll();
  ASSERT_EQ(regen.collect(), 2u) << "the line is no mark";
  EXPECT_EQ(regen.run(), 2);
  const std::vector<Seen> seen = marks();
  ASSERT_EQ(seen.size(), 2u) << "the old references are erased";
  for (const Seen& s : seen) {
    EXPECT_TRUE(isHNoteBlockName(s.block)) << utf16ToUtf8(s.block);
    EXPECT_EQ(s.ref.type, 2);
    EXPECT_FALSE(s.ref.id.empty());
    ASSERT_FALSE(s.values.empty());
    EXPECT_EQ(s.values[0], u"+1.250") << "without a base the shown value stays";
  }
  EXPECT_NE(seen[0].ref.id, seen[1].ref.id);
  EXPECT_DOUBLE_EQ(seen[0].at.x, 10);
  EXPECT_DOUBLE_EQ(seen[1].at.y, 40);
  // Read back again, the new marks are flipped DIN marks.
  selectAll();
  ASSERT_EQ(regen.collect(), 2u);
  int lines = 0;
  for (const hostsim::Entity* e : drawing().entities()) lines += e->type() == u"LINE";
  EXPECT_EQ(lines, 1) << "the line is left alone";
}

TEST_F(RegenTest, ReadBackFlippedFollowsTheTableAndTheValueTextsSide) {
  olderMarks(u"KACENAD2", {{0, 0}}, 4.0, u"+1.000");
  olderMarks(u"KACENAH2", {{50, 0}}, 4.0, u"+2.000");
  HNoteRegen regen;
  selectAll();
  ASSERT_EQ(regen.collect(), 2u);
  ASSERT_EQ(regen.run(), 2);
  // The rebuilt marks again: their flip is read from where the builder put the value.
  selectAll();
  HNoteRegen again;
  ASSERT_EQ(again.collect(), 2u);
  std::vector<bool> flipped;
  for (const hostsim::Entity* e : drawing().entities()) {
    if (e->type() != u"INSERT") continue;
    HNoteRegenItem item{OwnedChain::copyOf(e->view()), {}};
    for (const hostsim::Entity* f : drawing().followersOf(*e)) {
      if (f->type() == u"ATTRIB") item.attributes.push_back(OwnedChain::copyOf(f->view()));
    }
    HNoteData r;
    double ratio = 0;
    ASSERT_TRUE(hnoteRecordOf(item, r, ratio));
    EXPECT_NEAR(ratio, 1.0, 1e-12) << "the module draws at the drawing factor";
    flipped.push_back(r.flipped);
  }
  EXPECT_EQ(flipped, (std::vector<bool>{true, false}));
}

TEST_F(RegenTest, ValuesFollowTheBaseAndItsNewLevels) {
  // 1.5 m above the base: the dependant's text agrees with its base.
  baseAndDependant(1500, u"+1.500");
  struct Case {
    const char* what;
    int32_t options;
    double level;
    const char16_t* expected;
  };
  const Case cases[] = {
      {"rebuilt from the stored data", kRegenValues, 0, u"+1.500"},
      {"new level of the base", kRegenValues | kRegenNewLevels, 2000, u"+3.500"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HNoteRegen regen;
    regen.bases.load(regen.settings);
    ASSERT_NE(regen.bases.find(u"B"), nullptr);
    regen.options = c.options;
    regen.levelsOf = u"B";
    regen.level1 = c.level;
    selectAll();
    ASSERT_EQ(regen.collect(), 2u);
    ASSERT_EQ(regen.run(), 2);
    bool found = false;
    for (const Seen& s : marks()) {
      if (s.ref.id != u"D") continue;
      found = true;
      EXPECT_EQ(s.ref.baseId, u"B") << "the dependant keeps its base";
      EXPECT_EQ(s.block, hnoteBlockName(u"D")) << "and its block";
      ASSERT_FALSE(s.values.empty());
      EXPECT_EQ(s.values[0], c.expected);
    }
    EXPECT_TRUE(found);
  }
}

TEST_F(RegenTest, MovedOntoTheLeaderLineWithAnUnderline) {
  baseAndDependant(1500, u"+1.500");
  HNoteRegen regen;
  regen.bases.load(regen.settings);
  ASSERT_EQ(hostApi()->SSGetW(kSelectAll, nullptr, nullptr, 0), kRtNorm);
  // Only the dependant: the base is written first.
  ASSERT_EQ(regen.collect(), 2u);
  regen.options = kRegenValues | kRegenMove | kRegenOntoLine | kRegenUnderline;
  regen.leaderFirst = {0, 2000};
  regen.leaderSecond = {400, 2000};
  regen.place = {130, 2100};  // projected onto y = 2000
  ASSERT_EQ(regen.run(), 2);
  int underlines = 0;
  for (const hostsim::Entity* e : drawing().entities()) {
    if (e->type() != u"LINE") continue;
    ++underlines;
    const ChainPoint a = *e->view().point(10), b = *e->view().point(11);
    EXPECT_NEAR(std::abs(a.x - b.x), 400, 1e-9) << "the underline spans the leader line";
    EXPECT_NEAR(a.y, 2000, 1e-9);
    EXPECT_NEAR(b.y, 2000, 1e-9);
  }
  EXPECT_EQ(underlines, 2) << "each ČSN mark draws its underline";
  for (const Seen& s : marks()) {
    EXPECT_NEAR(s.at.x, 130, 1e-9);
    EXPECT_NEAR(s.at.y, 2000, 1e-9);
    ASSERT_FALSE(s.values.empty());
    EXPECT_EQ(s.values[0], u"+2.000") << "the value is that of the new place";
  }
}

TEST_F(RegenTest, MirroringTurnsTheCsnLegToTheOtherSide) {
  baseAndDependant(1500, u"+1.500");
  // The farthest reach of the dependant's block along its X axis, left and right.
  auto reach = [&] {
    const hostsim::Block* b = drawing().findBlock(hnoteBlockName(u"D"));
    double lo = 0, hi = 0;
    if (!b) return std::pair<double, double>(lo, hi);
    for (const auto& e : b->entities) {
      for (int code : {10, 11}) {
        if (std::optional<ChainPoint> p = e->view().point(code)) {
          lo = std::min(lo, p->x);
          hi = std::max(hi, p->x);
        }
      }
    }
    return std::pair<double, double>(lo, hi);
  };
  for (int32_t options : {int32_t{kRegenValues}, int32_t{kRegenValues | kRegenMirror}}) {
    SCOPED_TRACE(options);
    HNoteRegen regen;
    regen.bases.load(regen.settings);
    regen.options = options;
    selectAll();
    ASSERT_EQ(regen.collect(), 2u);
    ASSERT_EQ(regen.run(), 2);
    const auto [lo, hi] = reach();
    if (options & kRegenMirror) {
      EXPECT_GT(-lo, hi) << "the leg reaches left";
    } else {
      EXPECT_GT(hi, -lo) << "the leg reaches right";
    }
  }
}

bool regenTexts(int id, vstring& out) {
  if (hnotetest::attributePrompts(id, out)) return true;
  static const std::map<int, const char16_t*> texts = {
      {IDS_MSG_HEIGHTDIMS_CHANGED, u"%d objektů bylo změněno.\n"},
      {IDS_PROMPT_BASE_LEVEL, u"Zadejte %súroveň vztažného bodu <%.2f>: "},
      {IDS_PROMPT_SELECT_BASE, u"Vyberte základnu:"},
      {IDS_PROMPT_SELECT_NEW_BASE, u"Vyberte novou základnu:"},
      {IDS_PROMPT_SELECT_DIMS_TO_REBASE, u"Vyberte kóty:"},
      {IDS_MSG_NO_BASE_IN_DRAWING, u"Ve výkrese není vytvořena žádná kóta/základna"},
  };
  auto it = texts.find(id);
  if (it == texts.end()) return false;
  out = it->second;
  return true;
}

TEST_F(RegenTest, UpdateGivesACopiedBaseItsOwnIdentifierAndMeasuresItFromTheOriginal) {
  host().stringSource = &regenTexts;
  baseAndDependant(1500, u"+1.500");
  // The base copied 1 m higher: same identifier, no base identifier.
  hnotetest::Mark copy;
  copy.id = u"B";
  copy.y = 1000;
  copy.x = 300;
  copy.text1 = u"±0.000";
  ASSERT_TRUE(hnotetest::writeMarks({copy}));
  ASSERT_EQ(updateHeightDims(u""), 3);
  EXPECT_EQ(host().transcript().back(), "prompt: 3 objektů bylo změněno.\\n");
  std::map<vstring, Seen> byPlace;
  int bases = 0;
  for (const Seen& s : marks()) {
    ASSERT_FALSE(s.values.empty());
    if (s.ref.baseId.empty()) ++bases;
    if (s.at.x == 300) {
      EXPECT_NE(s.ref.id, u"B") << "the copy has an identifier of its own";
      EXPECT_EQ(s.ref.baseId, u"B") << "and measures from the original";
      EXPECT_EQ(s.values[0], u"+1.000");
      EXPECT_EQ(s.block, hnoteBlockName(s.ref.id)) << "in a block of its own";
    } else if (s.at.y == 0) {
      EXPECT_EQ(s.ref.id, u"B") << "the original keeps its identifier";
      EXPECT_EQ(s.values[0], u"±0.000");
    } else {
      EXPECT_EQ(s.ref.baseId, u"B");
      EXPECT_EQ(s.values[0], u"+1.500");
    }
  }
  EXPECT_EQ(bases, 1);
  // A second update finds nothing to repair and changes no value.
  ASSERT_EQ(updateHeightDims(u""), 3);
  int stillBases = 0;
  for (const Seen& s : marks()) stillBases += s.ref.baseId.empty();
  EXPECT_EQ(stillBases, 1);
}

TEST_F(RegenTest, UpdateOfAnEmptyDrawingChangesNothing) {
  host().stringSource = &regenTexts;
  EXPECT_EQ(updateHeightDims(u""), 0);
  EXPECT_EQ(host().transcript().back(), "prompt: 0 objektů bylo změněno.\\n");
}

class SetBaseTest : public RegenTest {
 protected:
  void SetUp() override {
    RegenTest::SetUp();
    host().stringSource = &regenTexts;
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

TEST_F(SetBaseTest, NewLevelsRebuildTheBaseAndItsUpToDateMarks) {
  struct Case {
    const char* what;
    bool enter;
    double level;
    const char16_t* base;
    const char16_t* dependant;
  };
  const Case cases[] = {
      {"Enter keeps the level", true, 0, u"±0.000", u"+1.500"},
      {"a new level", false, 2000, u"+2.000", u"+3.500"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const vstring staleHandle = handleOf(u"E");
    answer(hostsim::Answer::Kind::Pick, {handleOf(u"D"), handleOf(u"B")});
    // D is no base: asked again.
    answer(hostsim::Answer::Kind::Pick, {handleOf(u"B")});
    answer(c.enter ? hostsim::Answer::Kind::Enter : hostsim::Answer::Kind::Real, {}, c.level);
    ASSERT_EQ(setHeightDimBase(u""), 2);
    EXPECT_FALSE(host().failed()) << host().error();
    std::map<vstring, Seen> seen = byId();
    EXPECT_EQ(seen[u"B"].values.at(0), c.base);
    EXPECT_EQ(seen[u"D"].values.at(0), c.dependant);
    EXPECT_EQ(seen[u"E"].values.at(0), u"+9.999") << "a mark out of date stays as it was";
    EXPECT_EQ(handleOf(u"E"), staleHandle) << "and is not rebuilt";
    const std::vector<std::string> entry = hnotetest::entryGroups(u"B");
    ASSERT_GE(entry.size(), 3u);
    EXPECT_EQ(entry[entry.size() - 2], "41 " + hostsim::formatNumber(c.level)) << "the entry keeps the level";
  }
}

TEST_F(SetBaseTest, EnterMakesAPickedMarkTheBaseOfTheSelectedOnes) {
  answer(hostsim::Answer::Kind::Enter);
  answer(hostsim::Answer::Kind::Pick, {handleOf(u"D")});
  answer(hostsim::Answer::Kind::Pick, {handleOf(u"E")});
  ASSERT_EQ(setHeightDimBase(u""), 2);
  std::map<vstring, Seen> seen = byId();
  EXPECT_EQ(seen[u"D"].ref.baseId, u"") << "D is a base now";
  EXPECT_EQ(seen[u"D"].values.at(0), u"+1.500") << "at the level it showed";
  EXPECT_EQ(seen[u"E"].ref.baseId, u"D");
  EXPECT_EQ(seen[u"E"].values.at(0), u"+0.500") << "1 m under D, which shows +1.500";
  EXPECT_EQ(seen[u"B"].values.at(0), u"±0.000") << "the old base is left alone";
  EXPECT_FALSE(hnotetest::entryGroups(u"D").empty());
  EXPECT_EQ(host().transcript().back(), "prompt: 2 objektů bylo změněno.\\n");
}

TEST_F(SetBaseTest, ACancelAnywhereChangesNothing) {
  using K = hostsim::Answer::Kind;
  const std::vector<std::vector<K>> runs = {
      {K::Cancel}, {K::Pick, K::Cancel}, {K::Enter, K::Cancel}, {K::Enter, K::Pick, K::Cancel}};
  for (const std::vector<K>& run : runs) {
    const std::map<vstring, Seen> before = byId();
    for (K k : run) answer(k, k == K::Pick ? std::vector<vstring>{handleOf(u"B")} : std::vector<vstring>{});
    EXPECT_EQ(setHeightDimBase(u""), 0);
    std::map<vstring, Seen> after = byId();
    for (auto& [id, s] : before) EXPECT_EQ(after[id].values, s.values) << utf16ToUtf8(id);
    EXPECT_EQ(journalErased(), 0u);
  }
}

TEST_F(RegenTest, SetBaseWithoutBasesSaysSo) {
  host().stringSource = &regenTexts;
  EXPECT_EQ(setHeightDimBase(u""), 0);
  EXPECT_EQ(host().transcript().back(), "prompt: Ve výkrese není vytvořena žádná kóta/základna\\n");
}

TEST_F(RegenTest, AFailingWriteLeavesTheDrawingAsItWas) {
  olderMarks(u"KACENAH", {{0, 0}, {10, 0}}, 4.0, u"+1.000");
  for (int nth = 1; nth <= 3; ++nth) {
    SCOPED_TRACE(nth);
    const std::vector<Seen> before = marks();
    ASSERT_EQ(before.size(), 2u);
    HNoteRegen regen;
    selectAll();
    ASSERT_EQ(regen.collect(), 2u);
    host().calls.failFromNow(HostOp::Entmake_binW, nth);
    EXPECT_EQ(regen.run(), -1);
    EXPECT_TRUE(regen.eraseList.empty());
    const std::vector<Seen> after = marks();
    ASSERT_EQ(after.size(), 2u);
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(after[i].block, u"KACENAH") << "nothing was replaced";
    host().calls.reset();
  }
}

}  // namespace
