// The bases of the height dimensions: their dictionary entries, Load bases
// with its drawing walk and up-to-date flags, Store base, Set current base
// and the purge, on drawings written by the mark generator.
#include <gtest/gtest.h>

#include <numbers>

#include "heightdim/bases.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "tests/heightdim/mark_drawing.h"
#include "tests/hostsim/host_fixture.h"
#include "tests/heightdim/records_test_support.h"

using namespace vd;
using hnotetest::entryGroups;
using hnotetest::entryKeys;
using hnotetest::Mark;
using Groups = std::vector<std::string>;

namespace {

constexpr double kPi = std::numbers::pi;

class BasesTest : public hosttest::HostTest {
 protected:
  static void entries(std::initializer_list<std::pair<const char16_t*, OwnedChain>> list) {
    for (const auto& [key, chain] : list) ASSERT_TRUE(hnotetest::writeEntry(key, chain));
  }
  // Bases A, B and C, all at the origin on level 0, and "Current" naming A.
  static void threeBases() {
    entries({{u"A", hnotetest::baseEntry(0, 0, 0, 0, 0, 0, 0)},
             {u"B", hnotetest::baseEntry(0, 0, 0, 0, 0, 0, 0)},
             {u"C", hnotetest::baseEntry(0, 0, 0, 0, 0, 0, 0)},
             {u"Current", hnotetest::currentEntry(u"A")}});
  }
  static Mark mark(const char16_t* id, const char16_t* baseId, double x, double y, const char16_t* text,
                   double angle = 0) {
    return Mark{.id = id, .baseId = baseId, .x = x, .y = y, .angle = angle, .text1 = text};
  }
  static std::vector<std::string> ids(const HNoteBases& bases) {
    std::vector<std::string> out;
    for (const HNoteBase& b : bases.list()) out.push_back(utf16ToUtf8(b.id));
    return out;
  }
};

TEST_F(BasesTest, MarksJoinTheirBasesWithUpToDateFlags) {
  entries({{u"A", hnotetest::baseEntry(0, 0, 100, 200, 0, 1500, 0)},
           {u"B", hnotetest::baseEntry(1, 0, 0, 0, 0, 0, 0)},
           {u"Current", hnotetest::currentEntry(u"A")}});
  ASSERT_TRUE(hnotetest::writeMarks({
      mark(u"A", u"", 100, 200, u"+1.500"),                // the base mark itself
      mark(u"D1", u"A", 130, 450, u"+1.750"),              // near horizontal: the level plus the Y offset
      mark(u"D2", u"A", 130, 450, u"+1.470", kPi / 2),     // near vertical: the level minus the X offset
      mark(u"D3", u"A", 130, 450, u"+1.700"),              // edited text: not what the base gives
      {.id = u"D4", .baseId = u"A", .x = 130, .y = 450, .rotation = 0.3, .text1 = u"+1.750"},  // another UCS
      {.type = 1, .id = u"E1", .baseId = u"B", .y = -250, .text1 = u"-0.250"},
      mark(u"O", u"GONE", 0, 0, u"+0.000"),                // its base is not in the dictionary
      {.type = 3, .id = u"P", .text1 = u"12.5"},
  }));
  ASSERT_TRUE(hnotetest::writeMarks(
      {{.id = u"D5", .baseId = u"A", .x = 100, .y = -1300, .numAlign = 0.01, .text1 = u"±0,000"}}));

  // Each mark is compared in its own format: D5, written with a comma, is as
  // up to date as those written with a point, whatever separator the
  // settings hold now. D3 shows another value than its base gives, D4 was
  // placed in another UCS.
  // The marks of a base in order, those not up to date marked so.
  auto marksOf = [](const HNoteBase* base) {
    std::vector<std::string> out;
    for (const HNoteNode& n : base ? base->dimensions : std::vector<HNoteNode>{})
      out.push_back(utf16ToUtf8(n.ref.id) + (n.upToDate ? "" : " stale"));
    return out;
  };
  for (const char16_t* separator : {u".", u","}) {
    SCOPED_TRACE(utf16ToUtf8(separator));
    HNoteDataSet settings;
    for (HNoteData& r : settings.records) r.delim = separator;
    HNoteBases bases;
    HNoteLoadReport report;
    ASSERT_TRUE(bases.load(settings, &report));
    EXPECT_EQ(ids(bases), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(bases.currentId(), u"A");
    ASSERT_NE(bases.current(), nullptr);
    EXPECT_EQ(bases.current()->id, u"A");
    EXPECT_EQ(report.purged, 0);
    EXPECT_EQ(report.basesFromMarks, 0);
    EXPECT_EQ(marksOf(bases.find(u"A")), (std::vector<std::string>{"A", "D1", "D2", "D3 stale", "D4 stale", "D5"}));
    EXPECT_EQ(marksOf(bases.find(u"B")), std::vector<std::string>{"E1"});
  }

  // What a node holds, from the reference and its attributes.
  HNoteBases bases;
  ASSERT_TRUE(bases.load(HNoteDataSet()));
  const HNoteBase* a = bases.find(u"A");
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->dimensions.size(), 6u);
  EXPECT_EQ(a->dimensions[5].delim, vstring(u",")) << "the separator its text shows";
  const HNoteNode& d2 = a->dimensions[2];
  EXPECT_EQ(d2.insertPoint, (HNotePoint{130, 450}));
  EXPECT_DOUBLE_EQ(d2.angle, kPi / 2);
  EXPECT_EQ(d2.valueText, u"+1.470");
  EXPECT_DOUBLE_EQ(d2.level1, 1470);
  const hostsim::Entity* e = host().drawing().findEntity(d2.handle);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->type(), u"INSERT");
  EXPECT_EQ(d2.entity[0], e->chain.view().find(-1)->v.name[0]);
  EXPECT_EQ(bases.find(u"GONE"), nullptr);
  EXPECT_EQ(bases.find(u"a"), nullptr) << "identifiers compare exactly";
}

TEST_F(BasesTest, EntriesWithItemsOutOfOrderAreSkipped) {
  auto entry = [](std::initializer_list<int> codes) {
    ChainBuilder b;
    b.text(0, u"XRECORD").text(100, u"AcDbXrecord").integer(280, 1);
    for (int code : codes) {
      if (code == 10) b.point(10, 1, 2);
      else if (code == 41) b.real(41, 1);
      else if (code == 1) b.text(1, u"note");
      else b.integer(code, 1);
    }
    return b.build();
  };
  entries({{u"SWAPPED", entry({91, 71, 10, 71, 41, 41, 41})},
           {u"SHORT", entry({91, 71, 71, 10, 41, 41})},
           {u"NO91", entry({71, 71, 10, 41, 41, 41})},
           {u"LEAD", entry({1, 91, 71, 71, 10, 41, 41, 41})},  // what stands before the first 91 does not count
           {u"Current", hnotetest::currentEntry(u"LEAD")}});
  ASSERT_TRUE(hnotetest::writeMarks({mark(u"L", u"LEAD", 1, 2, u"+0.001")}));
  HNoteBases bases;
  HNoteLoadReport report;
  ASSERT_TRUE(bases.load(HNoteDataSet(), &report));
  EXPECT_EQ(report.entriesSkipped, 3);
  EXPECT_EQ(ids(bases), std::vector<std::string>{"LEAD"});
  EXPECT_EQ(bases.find(u"LEAD")->point, (HNotePoint{1, 2}));
  // Skipped entries are not the module's to remove.
  EXPECT_EQ(entryKeys(), (std::vector<std::string>{"SWAPPED", "SHORT", "NO91", "LEAD", "Current"}));
}

// Unused bases leave the drawing's dictionary, and "Current" moves to a base
// in use: a mutant that purged the wrong entries survived every other test.
TEST_F(BasesTest, PurgeRemovesUnusedBasesAndMovesCurrent) {
  struct Case {
    const char* what;
    std::vector<Mark> marks;
    std::vector<std::string> bases;  // listed and kept in the dictionary, with "Current" while it names one
    const char16_t* current;
    int purged;
  } cases[] = {
      {"the current base is unused: the first base in use becomes current",
       {mark(u"DB", u"B", 0, 0, u"±0.000"), mark(u"C2", u"C", 0, 0, u"±0.000")},
       {"B", "C"}, u"B", 1},
      {"a base used only by its own mark stays",
       {mark(u"A", u"", 0, 0, u"±0.000")},
       {"A"}, u"A", 2},
      {"no base in use: Current goes too",
       {mark(u"DX", u"GONE", 0, 0, u"±0.000")},
       {}, u"", 3},
      // Without a selection the host may have failed: nothing is taken for unused.
      {"no marks at all: nothing purged", {}, {"A", "B", "C"}, u"A", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    threeBases();
    ASSERT_TRUE(hnotetest::writeMarks(c.marks));
    HNoteBases bases;
    HNoteLoadReport report;
    EXPECT_EQ(bases.load(HNoteDataSet(), &report), !c.marks.empty()) << "false when no mark could be walked";
    EXPECT_EQ(report.purged, c.purged);
    EXPECT_EQ(bases.currentId(), c.current);
    EXPECT_EQ(report.currentMoved, vstring(c.current) != u"A");
    EXPECT_EQ(ids(bases), c.bases);
    std::vector<std::string> keys = c.bases;
    if (*c.current) {
      keys.push_back("Current");
      EXPECT_EQ(entryGroups(u"Current").back(), "301 " + utf16ToUtf8(c.current));
    }
    EXPECT_EQ(entryKeys(), keys);
  }
}

// A failed DictionaryNextW looks like the dictionary's end, and so do two
// in a row (the null and the question after it). Failing each call of the
// read in turn, once and twice in a row: a list counted as whole is what a
// read without the failure gives, and no entry is overwritten by a base
// made of its own mark, which shows the level 0.4 rounded to "+0.000".
TEST_F(BasesTest, ADictionaryWalkCutShortKeepsNoListAndOverwritesNoEntry) {
  auto start = [&] {
    SetUp();
    entries({{u"Current", hnotetest::currentEntry(u"A")},
             {u"A", hnotetest::baseEntry(0, 0, 0, 0, 0, 0.4, 0)},
             {u"B", hnotetest::baseEntry(0, 0, 0, 0, 0, 0.4, 0)}});
    ASSERT_TRUE(hnotetest::writeMarks({mark(u"A", u"", 0, 0, u"+0.000"), mark(u"B", u"", 0, 0, u"+0.000")}));
  };
  start();
  const Groups a = entryGroups(u"A"), b = entryGroups(u"B");
  HNoteBases clean;
  ASSERT_TRUE(clean.load(HNoteDataSet()));
  ASSERT_TRUE(clean.whole());
  hosttest::failEachCall(HostOp::DictionaryNextW, hosttest::callsOf(HostOp::DictionaryNextW), start, [&] {
    HNoteBases bases;
    bases.load(HNoteDataSet());
    if (bases.whole()) {
      EXPECT_EQ(ids(bases), ids(clean));
      EXPECT_EQ(bases.currentId(), clean.currentId());
    }
    EXPECT_EQ(entryGroups(u"A"), a);
    EXPECT_EQ(entryGroups(u"B"), b);
  });
}

TEST_F(BasesTest, StoreAndSetCurrent) {
  HNoteBases bases;
  EXPECT_FALSE(bases.setCurrent(u"NOPE"));
  EXPECT_EQ(host().drawing().findDictionary(u"TR2D_HEIGHTDIM"), nullptr) << "nothing written for an unknown base";

  const HNoteBase base{.type = 2, .id = u"N", .level1 = 1200, .point = {-3, 4.5}, .angle = kPi, .dimensions = {{}}};
  ASSERT_TRUE(bases.store(base));
  EXPECT_EQ(entryGroups(u"N"), (Groups{"0 XRECORD", "100 AcDbXrecord", "280 1", "91 1", "71 2", "71 0", "10 -3,4.5,0",
                                        "41 3.1415926535897931", "41 1200", "41 0"}));
  ASSERT_TRUE(bases.setCurrent(u"N"));
  EXPECT_EQ(entryGroups(u"Current"), (Groups{"0 XRECORD", "100 AcDbXrecord", "280 1", "91 1", "301 N"}));
  EXPECT_EQ(bases.current()->id, u"N");

  // New levels stored again keep the marks found for the base.
  HNoteBase raised = base;
  raised.level1 = 1300;
  raised.dimensions.clear();
  ASSERT_TRUE(bases.store(raised));
  EXPECT_EQ(entryGroups(u"N")[8], "41 1300");
  EXPECT_EQ(bases.find(u"N")->dimensions.size(), 1u);
  EXPECT_EQ(bases.list().size(), 1u);

  EXPECT_FALSE(bases.store(HNoteBase{})) << "a base without an identifier";

  host().calls.failFromNow(HostOp::DictionaryAddW, 1);
  HNoteBase refused = base;
  refused.id = u"R";
  EXPECT_FALSE(bases.store(refused));
  EXPECT_EQ(bases.find(u"R"), nullptr) << "a base the host refused is not listed";
}

}  // namespace
