// The drawing through the host table: the checks of new entities, blocks,
// erasing, dictionaries, variables and selections.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

#include "host_fixture.h"

using namespace vd;
using hostsim::JournalEntry;
using chaintest::chainOf;
using hosttest::HostTest;

namespace {

using DrawingTest = HostTest;
const double kPi = std::acos(-1.0), nan = std::nan("");

OwnedChain lineWith(ChainPoint end) {
  return ChainBuilder().text(0, u"LINE").text(8, u"0").point(10, 0, 0).point(11, end).build();
}

TEST_F(DrawingTest, EachNewEntityIsChecked) {
  OwnedChain withoutKind = line(0, 0, 1, 1);
  spliceChainAfter(withoutKind.get(), newValueNode(6000));
  OwnedChain cases[] = {
      OwnedChain(buildValueChain(0, 8, u"0", -9)),                     // no group 0
      OwnedChain(buildValueChain(0, 0, u"SPACESHIP", 8, u"0", -9)),    // unknown type
      OwnedChain(buildValueChain(0, 0, u"XRECORD", -9)),               // not an entity
      ChainBuilder().text(0, u"LINE").point(10, 0, 0).build(),         // without end point
      ChainBuilder().text(0, u"ARC").point(10, 0, 0).real(40, 1).real(50, 0).build(),  // without end angle
      ChainBuilder().text(0, u"ATTRIB").point(10, 0, 0).real(40, 1).text(1, u"v").text(2, u"T").build(),  // no insert
      std::move(withoutKind),
      OwnedChain(),
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    api().Header_bin();
    EXPECT_EQ(api().Entmake_binW(cases[i].get(), 0), hostsim::kRtError) << i;
    EXPECT_FALSE(drawing().lastError().empty()) << i;
    api().Flush_bin(1);
  }
  EXPECT_TRUE(drawing().entities().empty());
  OwnedChain orphan = line(0, 0, 1, 1);
  EXPECT_EQ(api().Entmake_binW(orphan.get(), 0), hostsim::kRtError) << "no batch open";
}

TEST_F(DrawingTest, NumbersThatAreNotFiniteAreRefusedNamingTheGroup) {
  const double inf = HUGE_VAL;
  OwnedChain withData = lineWith({1, 1, 0});
  withData.append(chainOf([&](ChainBuilder& b) { b.extendedData(u"VDHEIGHTDIM").real(1040, nan); }));
  const struct {
    OwnedChain chain;
    const char* group;  // named in the refusal; null when the chain is accepted
  } cases[] = {
      {lineWith({nan, 1, 0}), "group 11"},
      {lineWith({1, 1, -inf}), "group 11"},
      {ChainBuilder().text(0, u"CIRCLE").point(10, 0, 0).real(40, inf).build(), "group 40"},
      {ChainBuilder().text(0, u"TEXT").point(10, 0, 0).real(40, 1).text(1, u"x").real(50, nan).build(), "group 50"},
      {std::move(withData), "group 1040"},
      {lineWith({4e-320, -1e-310, 0}), nullptr},  // denormal coordinates are numbers
  };
  for (const auto& c : cases) {
    for (bool inBlock : {false, true}) {
      SCOPED_TRACE(std::string(c.group ? c.group : "denormal") + (inBlock ? " in a block" : ""));
      double x = 0, y = 0, z = 0;
      api().Header_bin();
      if (inBlock) {
        ASSERT_EQ(api().BlkmakeHead_binW(u"B", 0, &x, &y, &z), kRtNorm);
      }
      int r = inBlock ? api().BlkmakeEnt_binW(c.chain.get()) : api().Entmake_binW(c.chain.get(), 0);
      std::string why = drawing().lastError();
      if (inBlock) api().BlkmakeEnd_binW(u"B");
      api().Flush_bin(1);
      EXPECT_EQ(r, c.group ? hostsim::kRtError : kRtNorm) << why;
      EXPECT_TRUE(!c.group || why.find(c.group) != std::string::npos) << why;
    }
  }
  EXPECT_EQ(drawing().entities().size(), 1u) << "only the denormal line";

  double x = nan, y = 0, z = 0;
  api().Header_bin();
  EXPECT_EQ(api().BlkmakeHead_binW(u"NANBASE", 0, &x, &y, &z), hostsim::kRtError);
  EXPECT_NE(drawing().lastError().find("base point"), std::string::npos) << drawing().lastError();
  api().Flush_bin(1);
  EXPECT_EQ(drawing().findBlock(u"NANBASE"), nullptr);

  intptr_t d = api().DictionaryOpenW(0, u"VD_DATA", 1, 0);
  OwnedChain bad(buildValueChain(0, 1, u"level", 40, nan, -9)), good(buildValueChain(0, 1, u"level", 40, 1.0, -9));
  ASSERT_EQ(api().DictionaryAddW(d, u"Current", good.get(), 0), 1);
  EXPECT_EQ(api().DictionaryAddW(d, u"Current", bad.get(), 0), 0);
  EXPECT_NE(host().transcript().back().find("group 40"), std::string::npos) << host().transcript().back();
  vchar key[hostsim::kDictionaryKeyChars];
  ValueNode* kept = api().DictionaryNextW(d, key, 1);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(ChainView(kept).real(40), 1.0) << "the refused write left the entry as it was";
  api().DictionaryClose(d, 0);
}

TEST_F(DrawingTest, ARefusedEntityRejectsTheComplexEntityOrBlockItWasPartOf) {
  defineBlock(u"MARK");
  OwnedChain before = line(0, 0, 1, 0), after = line(0, 1, 1, 1), bad = lineWith({nan, 0, 0});
  OwnedChain ins = ChainBuilder().text(0, u"INSERT").text(8, u"0").integer(66, 1).text(2, u"MARK").point(10, 5, 5).build();
  OwnedChain a1 = ChainBuilder().text(0, u"ATTRIB").point(10, 5, 5).real(40, 1).text(1, u"+0.000").text(2, u"A").build();
  OwnedChain a2 = ChainBuilder().text(0, u"ATTRIB").point(10, nan, 5).real(40, 1).text(1, u"v").text(2, u"B").build();
  OwnedChain end(buildValueChain(0, 0, u"SEQEND", -9));
  double x = 0, y = 0, z = 0;
  auto entmake = [&](const OwnedChain& c) { return [&c, this] { return api().Entmake_binW(c.get(), 0); }; };
  auto inBlock = [&](const OwnedChain& c) { return [&c, this] { return api().BlkmakeEnt_binW(c.get()); }; };
  const struct {
    const char* what;
    std::function<int()> call;
    bool accepted;
  } steps[] = {
      {"a line before", entmake(before), true},
      {"a refused line alone", entmake(bad), false},
      {"an insert", entmake(ins), true},
      {"its first attribute", entmake(a1), true},
      {"a refused attribute", entmake(a2), false},
      {"the end of a rejected insert", entmake(end), false},
      {"a block", [&] { return api().BlkmakeHead_binW(u"BROKEN", 0, &x, &y, &z); }, true},
      {"its first member", inBlock(before), true},
      {"a refused member", inBlock(bad), false},
      {"a member of a rejected block", inBlock(after), false},
      {"the end of a rejected block", [&] { return api().BlkmakeEnd_binW(u"BROKEN"); }, false},
      {"a line after", entmake(after), true},
  };
  api().Header_bin();
  for (const auto& s : steps) EXPECT_EQ(s.call(), s.accepted ? kRtNorm : hostsim::kRtError) << s.what << ": " << drawing().lastError();
  ASSERT_EQ(api().Flush_bin(1), kRtNorm);
  std::vector<vstring> made;
  for (const JournalEntry& j : drawing().journal())
    if (j.kind == JournalEntry::Kind::EntityAdded) made.push_back(j.name);
  EXPECT_EQ(made, (std::vector<vstring>{u"LINE", u"LINE"})) << "the lines before and after, nothing of the insert";
  EXPECT_EQ(drawing().findBlock(u"BROKEN"), nullptr);
  EXPECT_EQ(drawing().blocks().size(), 1u);
}

TEST_F(DrawingTest, BlocksAreDefinedByTheBatchAndWalkedHeaderFirst) {
  double x = 1, y = 2, z = 0;
  OwnedChain l = line(0, 0, 1, 1), c = circle(0, 0, 1);
  api().Header_bin();
  ASSERT_EQ(api().BlkmakeHead_binW(u"MARK", 2, &x, &y, &z), kRtNorm);
  ASSERT_EQ(api().BlkmakeEnt_binW(l.get()), kRtNorm);
  ASSERT_EQ(api().BlkmakeEnt_binW(c.get()), kRtNorm);
  EXPECT_EQ(api().BlkmakeEnd_binW(u"OTHER"), hostsim::kRtError) << "the end names the open block";
  ASSERT_EQ(api().BlkmakeEnd_binW(u"MARK"), kRtNorm);
  ASSERT_EQ(api().BlkmakeHead_binW(u"SECOND", 0, &x, &y, &z), kRtNorm);
  ASSERT_EQ(api().BlkmakeEnd_binW(u"SECOND"), kRtNorm);
  EXPECT_EQ(api().BlknextW(1), nullptr) << "nothing before the flush";
  ASSERT_EQ(api().Flush_bin(1), kRtNorm);
  EXPECT_TRUE(drawing().entities().empty()) << "block entities are not drawing entities";
  api().Header_bin();
  ASSERT_EQ(api().BlkmakeHead_binW(u"THIRD", 0, &x, &y, &z), kRtNorm);
  ASSERT_EQ(api().BlkmakeEnt_binW(c.get()), kRtNorm);
  ASSERT_EQ(api().BlkmakeEnd_binW(u"THIRD"), kRtNorm);
  ASSERT_EQ(api().Flush_bin(1), kRtNorm);

  // Each block ends with a null; the call after it gives the next header, and
  // two nulls in a row end the walk.
  std::vector<std::u16string> walk;
  ValueNode* n = api().BlknextW(1);
  for (int calls = 0; calls < 20 && (n || walk.empty() || walk.back() != u"-"); ++calls, n = api().BlknextW(0)) {
    ChainView v(n);
    walk.push_back(n ? std::u16string(v.type()) + u":" + std::u16string(v.text(2).value_or(u"")) : u"-");
    if (n && v.isType(u"BLOCK") && v.text(2) == u"MARK") {
      EXPECT_EQ(v.point(10), (ChainPoint{1, 2, 0}));
      EXPECT_EQ(v.integer(70), 2);
    }
  }
  EXPECT_EQ(walk, (std::vector<std::u16string>{u"BLOCK:MARK", u"LINE:", u"CIRCLE:", u"-", u"BLOCK:SECOND", u"-",
                                               u"BLOCK:THIRD", u"CIRCLE:", u"-"}));
  EXPECT_EQ(api().BlknextW(0), nullptr) << "the walk stays ended";
  EXPECT_EQ(journalCount(JournalEntry::Kind::BlockDefined), 3u);

  // A caller copying a block until null gets its entities and nothing of the blocks after it.
  for (const auto& [name, count] : {std::pair<const char16_t*, size_t>{u"MARK", 2}, {u"SECOND", 0}, {u"THIRD", 1}}) {
    for (n = api().BlknextW(1); n && ChainView(n).text(2) != name; n = api().BlknextW(0))
      while (api().BlknextW(0)) {
      }
    ASSERT_NE(n, nullptr) << "no header of " << utf16ToUtf8(name);
    std::vector<OwnedChain> copied;
    for (ValueNode* e = api().BlknextW(0); e; e = api().BlknextW(0)) copied.push_back(OwnedChain::copyOf(e));
    EXPECT_EQ(copied.size(), count) << utf16ToUtf8(name);
  }

  // A redefinition replaces the block of that name, found in any case, and
  // the block takes the name as the last definition spells it.
  api().Header_bin();
  api().BlkmakeHead_binW(u"mark", 0, &x, &y, &z);
  api().BlkmakeEnt_binW(l.get());
  api().BlkmakeEnd_binW(u"mark");
  api().Flush_bin(1);
  ASSERT_EQ(drawing().blocks().size(), 3u);
  EXPECT_EQ(drawing().findBlock(u"MARK")->entities.size(), 1u);
  EXPECT_EQ(drawing().findBlock(u"mArK")->name, u"mark");
  EXPECT_EQ(drawing().findBlock(u"MARKS"), nullptr);
  uint64_t handle = 0;
  EXPECT_EQ(api().GetArrowHandleW(u"Mark", &handle), 1);
  EXPECT_EQ(hostsim::handleText(handle), drawing().findBlock(u"MARK")->handle);
  EXPECT_EQ(api().GetArrowHandleW(u"NONE", &handle), 0);
  drawing().clear();
  EXPECT_EQ(drawing().findBlock(u"MARK"), nullptr);
}

TEST_F(DrawingTest, EraseHandlesTakesAnyCaseAndReportsUnknownOnes) {
  make(line(0, 0, 1, 0));
  vstring h1 = lastHandle(), lower = h1;
  make(line(0, 1, 1, 1));
  for (vchar& c : lower) c = static_cast<vchar>(c >= u'A' && c <= u'F' ? c + 32 : c);
  const vchar* handles[] = {lower.c_str(), u"FFFFF"};
  EXPECT_EQ(api().EraseHandles(handles, 2, 1), hostsim::kRtError) << "one handle was unknown";
  EXPECT_EQ(drawing().findEntity(h1), nullptr);
  EXPECT_NE(drawing().findEntity(lastHandle()), nullptr);
  EXPECT_EQ(journalCount(JournalEntry::Kind::EntityErased), 1u);
  const vchar* again[] = {h1.c_str()};
  EXPECT_EQ(api().EraseHandles(again, 1, 1), hostsim::kRtError) << "an erased entity is gone";
}

TEST_F(DrawingTest, NamedDictionariesHoldRecordsByKey) {
  EXPECT_EQ(api().DictionaryOpenW(0, u"VD_DATA", 0, 0), 0) << "absent and not to be made";
  intptr_t d = api().DictionaryOpenW(0, u"VD_DATA", 1, 0);
  ASSERT_NE(d, 0);
  OwnedChain r1(buildValueChain(0, 1, u"first", 40, 1.5, -9)), r2(buildValueChain(0, 1, u"second", 70, 3, -9));
  EXPECT_EQ(api().DictionaryAddW(d, u"Base1", r1.get(), 0), 1);
  EXPECT_EQ(api().DictionaryAddW(d, u"Current", r2.get(), 0), 1);
  EXPECT_EQ(api().DictionaryAddW(d, u"Base1", r2.get(), 0), 1) << "replaces";
  EXPECT_EQ(api().DictionaryClose(d, 0), 1);
  EXPECT_EQ(api().DictionaryClose(d, 0), 0) << "closed once";

  intptr_t again = api().DictionaryOpenW(0, u"vd_data", 0, 0);
  ASSERT_NE(again, 0) << "names compare without regard to case";
  vchar key[hostsim::kDictionaryKeyChars];
  std::vector<std::pair<vstring, vstring>> seen;
  for (ValueNode* n = api().DictionaryNextW(again, key, 1); n; n = api().DictionaryNextW(again, key, 0))
    seen.emplace_back(key, vstring(ChainView(n).text(1).value_or(u"")));
  EXPECT_EQ(seen, (std::vector<std::pair<vstring, vstring>>{{u"Base1", u"second"}, {u"Current", u"second"}}));
  EXPECT_EQ(api().DictionaryAddW(again, u"Base1", nullptr, 0), 1) << "a null chain removes the key";
  ASSERT_NE(api().DictionaryNextW(again, key, 1), nullptr);
  EXPECT_EQ(vstring(key), u"Current");
  EXPECT_EQ(api().DictionaryNextW(again, key, 0), nullptr);
  api().DictionaryClose(again, 0);
  EXPECT_EQ(api().DictionaryAddW(again, u"X", r1.get(), 0), 0) << "a closed dictionary takes nothing";
  EXPECT_EQ(journalCount(JournalEntry::Kind::DictionaryCreated), 1u);
  EXPECT_EQ(journalCount(JournalEntry::Kind::DictionaryWritten), 3u);
  EXPECT_EQ(journalCount(JournalEntry::Kind::DictionaryRemoved), 1u);
  EXPECT_EQ(drawing().openDictionaryCount(), 0u);
}

TEST_F(DrawingTest, SystemVariablesComeInTheKindAsked) {
  EXPECT_EQ(ChainView(api().GetVarW(u"DIMSCALE", kRtReal)).real(kRtReal), 1.0);
  EXPECT_EQ(ChainView(api().GetVarW(u"LUPREC", kRtShort)).integer(kRtShort), 4);
  host().setVariable(u"UCSORG", {hostsim::Variable::Kind::Point, {1, 2, 3}});
  EXPECT_EQ(ChainView(api().GetVarW(u"UCSORG", kRtPoint3d)).point(kRtPoint3d), (ChainPoint{1, 2, 3}));
  EXPECT_EQ(ChainView(api().GetVarW(u"UCSORG", kRtPoint2d)).point(kRtPoint2d), (ChainPoint{1, 2, 3}))
      << "a 2D point is laid out as a 3D one";
  EXPECT_EQ(api().GetVarW(u"NOSUCHVAR", kRtReal), nullptr);
  EXPECT_EQ(api().GetVarW(u"CLAYER", kRtReal), nullptr) << "a text is no real";
  // A real asked as a 16-bit integer: its integer part when that fits, refused otherwise.
  const struct {
    double real;
    std::optional<int64_t> asShort;
  } shorts[] = {{2.7, 2}, {-2.7, -2}, {32767.9, 32767}, {-32768.9, -32768}, {32768, std::nullopt},
                {-32769, std::nullopt}, {1e300, std::nullopt}, {nan, std::nullopt}, {-HUGE_VAL, std::nullopt}};
  for (const auto& c : shorts) {
    hostsim::Variable v;
    v.value[0] = c.real;
    host().setVariable(u"DIMEXO", v);
    ValueNode* n = api().GetVarW(u"DIMEXO", kRtShort);
    EXPECT_EQ(n ? ChainView(n).integer(kRtShort) : std::nullopt, c.asShort) << c.real;
  }
  EXPECT_TRUE(transcriptHas("GetVarW DIMEXO as a 16-bit integer refused")) << "a refusal is written down";
}

class SelectionTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    make(line(0, 0, 10, 0, u"Walls"));
    make(circle(20, 0, 2));
    make(ChainBuilder().text(0, u"ARC").text(8, u"DIM").point(10, 0, 20).real(40, 5).real(50, 0).real(51, kPi / 2)
             .integer(62, 1).build());
    defineBlock(u"MARK");
    make(ChainBuilder().text(0, u"INSERT").text(8, u"DIM").text(2, u"MARK").point(10, 30, 30)
             .extendedData(u"VDHNOTEDATA").integer(1070, 1).build());
    // A half circle of radius 5 from (40,0) to (50,0) bulging down.
    make(ChainBuilder().text(0, u"LWPOLYLINE").integer(90, 2).integer(70, 0).point(10, 40, 0).real(42, 1)
             .point(10, 50, 0).build());
    for (const hostsim::Entity* e : drawing().entities()) h.push_back(e->handle);
  }
  std::vector<vstring> h;  // line, circle, arc, insert, polyline
};

TEST_F(SelectionTest, FiltersKeepMatchingEntities) {
  const struct {
    OwnedChain filter;
    std::vector<int> expected;  // indexes of h
  } cases[] = {
      {OwnedChain(buildValueChain(0, 0, u"INSERT,LINE,LEADER", -9)), {0, 3}},  // types listed with commas
      {OwnedChain(buildValueChain(0, 0, u"circle", -9)), {1}},                 // without regard to case
      {OwnedChain(buildValueChain(0, 8, u"WALLS", -9)), {0}},
      {OwnedChain(buildValueChain(0, 0, u"ARC,INSERT", 8, u"DIM", -9)), {2, 3}},
      {OwnedChain(buildValueChain(0, 62, 256, -9)), {0, 1, 3, 4}},  // colour by layer when absent
      {OwnedChain(buildValueChain(0, 62, 1, -9)), {2}},
      {OwnedChain(buildValueChain(0, -3, 1001, u"vdhnotedata", -9)), {3}},
      {OwnedChain(buildValueChain(0, -3, 1001, u"OTHER", -9)), {}},
      {OwnedChain(buildValueChain(0, 40, 2.0, -9)), {1}},
  };
  for (const auto& c : cases) {
    std::vector<vstring> want;
    for (int i : c.expected) want.push_back(h[i]);
    EXPECT_EQ(api().SSGetW(3, nullptr, c.filter.get(), 0), want.empty() ? hostsim::kRtError : kRtNorm);
    EXPECT_EQ(selected(), want);
  }
}

TEST_F(SelectionTest, LastMadeAndEntitiesToRefresh) {
  ASSERT_EQ(api().SSGetW(4, nullptr, nullptr, 0), kRtNorm);
  EXPECT_EQ(selected(), std::vector<vstring>{h[4]});
  ASSERT_EQ(api().SSGetW(15, nullptr, nullptr, 0), kRtNorm);
  EXPECT_EQ(selected(), h) << "every entity, also those without extended data";
  OwnedChain inserts(buildValueChain(0, 0, u"INSERT", -9));
  ASSERT_EQ(api().SSGetW(15, nullptr, inserts.get(), 0), kRtNorm);
  EXPECT_EQ(selected(), std::vector<vstring>{h[3]}) << "the filter applies";
  EXPECT_EQ(api().SSGetW(9, nullptr, nullptr, 0), hostsim::kRtError);
  EXPECT_EQ(api().EntnextW(1, 0), nullptr) << "a failed selection leaves an empty set";
}

}  // namespace
