#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

#include "host/handle_erase_list.h"
#include "host_fixture.h"

using namespace vd;
using hostsim::JournalEntry;
using chaintest::chainOf;
using hosttest::HostTest;

namespace {

using DrawingTest = HostTest;

TEST_F(DrawingTest, EachNewEntityIsChecked) {
  struct Case {
    const char* what;
    OwnedChain chain;
  } cases[] = {
      {"no group 0", OwnedChain(buildValueChain(0, 8, u"0", -9))},
      {"unknown type", OwnedChain(buildValueChain(0, 0, u"SPACESHIP", 8, u"0", -9))},
      {"not an entity", OwnedChain(buildValueChain(0, 0, u"XRECORD", -9))},
      {"line without end point", chainOf([](ChainBuilder& b) { b.text(0, u"LINE").point(10, 0, 0); })},
      {"arc without end angle", chainOf([](ChainBuilder& b) { b.text(0, u"ARC").point(10, 0, 0).real(40, 1).real(50, 0); })},
      {"attribute without insert",
       chainOf([](ChainBuilder& b) { b.text(0, u"ATTRIB").point(10, 0, 0).real(40, 1).text(1, u"v").text(2, u"T"); })},
      {"code without kind", [] {
         OwnedChain c = line(0, 0, 1, 1);
         spliceChainAfter(c.get(), newValueNode(6000));
         return c;
       }()},
      {"null chain", OwnedChain()},
  };
  for (Case& c : cases) {
    api().Header_bin();
    EXPECT_EQ(api().Entmake_binW(c.chain.get(), 0), hostsim::kRtError) << c.what;
    EXPECT_FALSE(drawing().lastError().empty()) << c.what;
    api().Flush_bin(1);
  }
  EXPECT_TRUE(drawing().entities().empty());
  OwnedChain orphan = line(0, 0, 1, 1);
  EXPECT_EQ(api().Entmake_binW(orphan.get(), 0), hostsim::kRtError) << "no batch open";
}

OwnedChain insertWithAttributes() {
  return chainOf([](ChainBuilder& b) { b.text(0, u"INSERT").text(8, u"0").integer(66, 1).text(2, u"MARK").point(10, 5, 5); });
}
OwnedChain attrib(const char16_t* tag) {
  return chainOf([&](ChainBuilder& b) { b.text(0, u"ATTRIB").point(10, 5, 5).real(40, 1).text(1, u"+0.000").text(2, tag); });
}

OwnedChain lineWith(ChainPoint end) {
  return chainOf([&](ChainBuilder& b) { b.text(0, u"LINE").text(8, u"0").point(10, 0, 0).point(11, end); });
}

TEST_F(DrawingTest, NumbersThatAreNotFiniteAreRefusedNamingTheGroup) {
  const double nan = std::nan(""), inf = HUGE_VAL;
  struct Case {
    const char* what;
    OwnedChain chain;
    const char* group;  // named in the refusal; null when the chain is accepted
  };
  OwnedChain withData = lineWith({1, 1, 0});
  withData.append(chainOf([&](ChainBuilder& b) { b.extendedData(u"VDHEIGHTDIM").real(1040, nan); }));
  Case cases[] = {
      {"NaN end point", lineWith({nan, 1, 0}), "group 11"},
      {"infinite z", lineWith({1, 1, -inf}), "group 11"},
      {"infinite radius", chainOf([&](ChainBuilder& b) { b.text(0, u"CIRCLE").point(10, 0, 0).real(40, inf); }), "group 40"},
      {"NaN angle", chainOf([&](ChainBuilder& b) { b.text(0, u"TEXT").point(10, 0, 0).real(40, 1).text(1, u"x").real(50, nan); }),
       "group 50"},
      {"NaN in extended data", std::move(withData), "group 1040"},
      {"denormal coordinates are numbers", lineWith({4e-320, -1e-310, 0}), nullptr},
  };
  for (Case& c : cases) {
    for (bool inBlock : {false, true}) {
      double x = 0, y = 0, z = 0;
      api().Header_bin();
      if (inBlock) {
        ASSERT_EQ(api().BlkmakeHead_binW(u"B", 0, &x, &y, &z), kRtNorm);
      }
      int r = inBlock ? api().BlkmakeEnt_binW(c.chain.get()) : api().Entmake_binW(c.chain.get(), 0);
      std::string why = drawing().lastError();
      if (inBlock) api().BlkmakeEnd_binW(u"B");
      api().Flush_bin(1);
      if (!c.group) {
        EXPECT_EQ(r, kRtNorm) << c.what << ": " << drawing().lastError();
        continue;
      }
      EXPECT_EQ(r, hostsim::kRtError) << c.what << (inBlock ? " in a block" : "");
      EXPECT_NE(why.find(c.group), std::string::npos) << c.what << ": " << why;
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
  const double nan = std::nan("");
  OwnedChain before = line(0, 0, 1, 0), after = line(0, 1, 1, 1), bad = lineWith({nan, 0, 0});
  OwnedChain ins = insertWithAttributes(), a1 = attrib(u"A"), end(buildValueChain(0, 0, u"SEQEND", -9));
  OwnedChain a2 = chainOf([&](ChainBuilder& b) { b.text(0, u"ATTRIB").point(10, nan, 5).real(40, 1).text(1, u"v").text(2, u"B"); });
  double x = 0, y = 0, z = 0;
  struct Step {
    const char* what;
    std::function<int()> call;
    bool accepted;
  };
  auto entmake = [&](const OwnedChain& c) { return [&c, this] { return api().Entmake_binW(c.get(), 0); }; };
  auto inBlock = [&](const OwnedChain& c) { return [&c, this] { return api().BlkmakeEnt_binW(c.get()); }; };
  const Step steps[] = {
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
  for (const Step& s : steps) EXPECT_EQ(s.call(), s.accepted ? kRtNorm : hostsim::kRtError) << s.what << ": " << drawing().lastError();
  ASSERT_EQ(api().Flush_bin(1), kRtNorm);
  std::vector<vstring> made;
  for (const JournalEntry& j : drawing().journal()) {
    if (j.kind == JournalEntry::Kind::EntityAdded) made.push_back(j.name);
  }
  EXPECT_EQ(made, (std::vector<vstring>{u"LINE", u"LINE"})) << "the lines before and after, nothing of the insert";
  EXPECT_EQ(drawing().findBlock(u"BROKEN"), nullptr);
  EXPECT_EQ(drawing().blocks().size(), 1u);
}

TEST_F(DrawingTest, BlocksAreDefinedByTheBatchAndWalkedHeaderFirst) {
  const double base[3] = {1, 2, 0};
  double x = base[0], y = base[1], z = base[2];
  api().Header_bin();
  ASSERT_EQ(api().BlkmakeHead_binW(u"MARK", 2, &x, &y, &z), kRtNorm);
  OwnedChain l = line(0, 0, 1, 1), c = circle(0, 0, 1);
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
  for (int calls = 0; calls < 20; ++calls, n = api().BlknextW(0)) {
    if (!n) {
      if (!walk.empty() && walk.back() == u"-") break;
      walk.push_back(u"-");
      continue;
    }
    ChainView v(n);
    walk.push_back(std::u16string(v.type()) + u":" + std::u16string(v.text(2).value_or(u"")));
    if (v.isType(u"BLOCK") && v.text(2) == u"MARK") {
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
    n = api().BlknextW(1);
    while (n && ChainView(n).text(2) != name) {
      while (api().BlknextW(0)) {
      }
      n = api().BlknextW(0);
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
  vchar handle[32];
  EXPECT_EQ(api().GetArrowHandleW(u"Mark", handle), 1);
  EXPECT_EQ(vstring(handle), drawing().findBlock(u"MARK")->handle);
  EXPECT_EQ(api().GetArrowHandleW(u"NONE", handle), 0);
  drawing().clear();
  EXPECT_EQ(drawing().findBlock(u"MARK"), nullptr);
}

TEST_F(DrawingTest, EraseHandlesTakesAnyCaseAndReportsUnknownOnes) {
  make(line(0, 0, 1, 0));
  vstring h1 = lastHandle();
  make(line(0, 1, 1, 1));
  vstring h2 = lastHandle();
  vstring lower = h1;
  for (vchar& c : lower) c = static_cast<vchar>(c >= u'A' && c <= u'F' ? c + 32 : c);
  const vchar* handles[] = {lower.c_str(), u"FFFFF"};
  EXPECT_EQ(api().EraseHandles(handles, 2, 1), hostsim::kRtError) << "one handle was unknown";
  EXPECT_EQ(drawing().findEntity(h1), nullptr);
  EXPECT_NE(drawing().findEntity(h2), nullptr);
  EXPECT_EQ(journalCount(JournalEntry::Kind::EntityErased), 1u);
  const vchar* again[] = {h1.c_str()};
  EXPECT_EQ(api().EraseHandles(again, 1, 1), hostsim::kRtError) << "an erased entity is gone";
}

TEST_F(DrawingTest, NamedDictionariesHoldRecordsByKey) {
  EXPECT_EQ(api().DictionaryOpenW(0, u"VD_DATA", 0, 0), 0) << "absent and not to be made";
  intptr_t d = api().DictionaryOpenW(0, u"VD_DATA", 1, 0);
  ASSERT_NE(d, 0);
  OwnedChain r1(buildValueChain(0, 1, u"first", 40, 1.5, -9));
  OwnedChain r2(buildValueChain(0, 1, u"second", 70, 3, -9));
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
  ValueNode* left = api().DictionaryNextW(again, key, 1);
  ASSERT_NE(left, nullptr);
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
  ValueNode* scale = api().GetVarW(u"DIMSCALE", kRtReal);
  ASSERT_NE(scale, nullptr);
  EXPECT_EQ(ChainView(scale).real(kRtReal), 1.0);
  ValueNode* prec = api().GetVarW(u"LUPREC", kRtShort);
  ASSERT_NE(prec, nullptr);
  EXPECT_EQ(ChainView(prec).integer(kRtShort), 4);
  host().setVariable(u"UCSORG", {hostsim::Variable::Kind::Point, {1, 2, 3}});
  EXPECT_EQ(ChainView(api().GetVarW(u"UCSORG", kRtPoint3d)).point(kRtPoint3d), (ChainPoint{1, 2, 3}));
  EXPECT_EQ(ChainView(api().GetVarW(u"UCSORG", kRtPoint2d)).point(kRtPoint2d), (ChainPoint{1, 2, 3}))
      << "a 2D point is laid out as a 3D one";
  EXPECT_EQ(api().GetVarW(u"NOSUCHVAR", kRtReal), nullptr);
  // A real asked as a 16-bit integer: its integer part when that fits, refused otherwise.
  const struct {
    double real;
    std::optional<int64_t> asShort;
  } shorts[] = {{2.7, 2}, {-2.7, -2}, {32767.9, 32767}, {-32768.9, -32768}, {32768, std::nullopt},
                {-32769, std::nullopt}, {1e300, std::nullopt}, {std::nan(""), std::nullopt}, {-HUGE_VAL, std::nullopt}};
  for (const auto& c : shorts) {
    hostsim::Variable v;
    v.value[0] = c.real;
    host().setVariable(u"DIMEXO", v);
    ValueNode* n = api().GetVarW(u"DIMEXO", kRtShort);
    EXPECT_EQ(n ? ChainView(n).integer(kRtShort) : std::nullopt, c.asShort) << c.real;
  }
  ASSERT_FALSE(host().transcript().empty()) << "a refusal is written down";
  EXPECT_NE(host().transcript().back().find("DIMEXO"), std::string::npos) << host().transcript().back();
  EXPECT_EQ(api().GetVarW(u"CLAYER", kRtReal), nullptr) << "a text is no real";
}

}  // namespace
