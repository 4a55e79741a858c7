#include <gtest/gtest.h>

#include "host/handle_erase_list.h"
#include "host_fixture.h"

using namespace vd;
using hostsim::JournalEntry;
using hosttest::HostTest;

namespace {

using DrawingTest = HostTest;

TEST_F(DrawingTest, NothingIsVisibleBeforeTheFlush) {
  ASSERT_EQ(api().Header_bin(), kRtNorm);
  OwnedChain a = line(0, 0, 10, 0), b = circle(5, 5, 2);
  EXPECT_EQ(api().Entmake_binW(a.get(), 0), kRtNorm);
  EXPECT_EQ(api().Entmake_binW(b.get(), 0), kRtNorm);
  EXPECT_NE(api().SSGetW(3, nullptr, nullptr, 0), kRtNorm) << "a batch is not part of the drawing";
  EXPECT_TRUE(drawing().journal().empty());
  ASSERT_EQ(api().Flush_bin(1), kRtNorm);
  ASSERT_EQ(api().SSGetW(3, nullptr, nullptr, 0), kRtNorm);
  std::vector<vstring> handles = selected();
  ASSERT_EQ(handles.size(), 2u);
  EXPECT_NE(handles[0], handles[1]);
  for (const vstring& h : handles) {
    EXPECT_EQ(hostsim::normalHandle(h), h) << "handles are upper-case hexadecimal";
  }
  // The host copied what it was given: the module's chains are its own to release.
  ValueNode* first = api().EntnextW(1, 0);
  EXPECT_NE(first, a.get());
  EXPECT_EQ(ChainView(first).head()->code, -1) << "an entity chain begins with its entity name";
  EXPECT_EQ(ChainView(first).type(), u"LINE");
  EXPECT_EQ(ChainView(first).point(11), (ChainPoint{10, 0, 0}));
  ASSERT_EQ(journalCount(JournalEntry::Kind::EntityAdded), 2u);
  EXPECT_EQ(drawing().journal()[0].handle, handles[0]);
  EXPECT_EQ(drawing().journal()[0].name, u"LINE");
  EXPECT_EQ(api().Flush_bin(1), hostsim::kRtError) << "a flush needs an open batch";
}

TEST_F(DrawingTest, EachNewEntityIsChecked) {
  struct Case {
    const char* what;
    OwnedChain chain;
  };
  std::vector<Case> cases;
  cases.push_back({"no group 0", OwnedChain(buildValueChain(0, 8, u"0", -9))});
  cases.push_back({"unknown type", OwnedChain(buildValueChain(0, 0, u"SPACESHIP", 8, u"0", -9))});
  cases.push_back({"not an entity", OwnedChain(buildValueChain(0, 0, u"XRECORD", -9))});
  {
    ChainBuilder b;
    b.text(0, u"LINE").point(10, 0, 0);
    cases.push_back({"line without end point", b.build()});
  }
  {
    ChainBuilder b;
    b.text(0, u"ARC").point(10, 0, 0).real(40, 1).real(50, 0);
    cases.push_back({"arc without end angle", b.build()});
  }
  {
    ChainBuilder b;
    b.text(0, u"ATTRIB").point(10, 0, 0).real(40, 1).text(1, u"v").text(2, u"T");
    cases.push_back({"attribute without insert", b.build()});
  }
  {
    OwnedChain c = line(0, 0, 1, 1);
    spliceChainAfter(c.get(), newValueNode(6000));
    cases.push_back({"code without kind", std::move(c)});
  }
  cases.push_back({"null chain", OwnedChain()});
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
  ChainBuilder b;
  b.text(0, u"INSERT").text(8, u"0").integer(66, 1).text(2, u"MARK").point(10, 5, 5);
  return b.build();
}
OwnedChain attrib(const char16_t* tag) {
  ChainBuilder b;
  b.text(0, u"ATTRIB").point(10, 5, 5).real(40, 1).text(1, u"+0.000").text(2, tag);
  return b.build();
}

TEST_F(DrawingTest, AttributesFollowTheirInsertAndGoWithIt) {
  api().Header_bin();
  OwnedChain ins = insertWithAttributes(), a1 = attrib(u"A"), a2 = attrib(u"B"), end(buildValueChain(0, 0, u"SEQEND", -9));
  OwnedChain after = line(0, 0, 1, 0);
  ASSERT_EQ(api().Entmake_binW(ins.get(), 0), kRtNorm);
  ASSERT_EQ(api().Entmake_binW(a1.get(), 0), kRtNorm);
  EXPECT_EQ(api().Entmake_binW(after.get(), 0), hostsim::kRtError) << "the insert is not ended yet";
  ASSERT_EQ(api().Entmake_binW(a2.get(), 0), kRtNorm);
  ASSERT_EQ(api().Entmake_binW(end.get(), 0), kRtNorm);
  ASSERT_EQ(api().Entmake_binW(after.get(), 0), kRtNorm);
  ASSERT_EQ(api().Flush_bin(1), kRtNorm);
  ASSERT_EQ(api().SSGetW(3, nullptr, nullptr, 0), kRtNorm);
  std::vector<vstring> top = selected();
  ASSERT_EQ(top.size(), 2u) << "followers are not selected on their own";
  const hostsim::Entity* insert = drawing().findEntity(top[0]);
  ASSERT_NE(insert, nullptr);
  EXPECT_EQ(drawing().followersOf(*insert).size(), 3u);
  EXPECT_EQ(journalCount(JournalEntry::Kind::EntityAdded), 5u);

  const vchar* handles[] = {top[0].c_str()};
  EXPECT_EQ(api().EraseHandles(handles, 1, 1), kRtNorm);
  EXPECT_EQ(journalCount(JournalEntry::Kind::EntityErased), 4u) << "the insert and its three followers";
  EXPECT_EQ(drawing().entities().size(), 1u);
}

TEST_F(DrawingTest, AFlushDropsAnUnfinishedComplexEntity) {
  api().Header_bin();
  OwnedChain ins = insertWithAttributes(), a1 = attrib(u"A");
  api().Entmake_binW(ins.get(), 0);
  api().Entmake_binW(a1.get(), 0);
  EXPECT_EQ(api().Flush_bin(1), kRtNorm);
  EXPECT_TRUE(drawing().entities().empty());
  EXPECT_TRUE(drawing().journal().empty());
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

  std::vector<std::u16string> walk;
  for (ValueNode* n = api().BlknextW(1); n; n = api().BlknextW(0)) {
    ChainView v(n);
    walk.push_back(std::u16string(v.type()) + u":" + std::u16string(v.text(2).value_or(u"")));
    if (v.isType(u"BLOCK") && v.text(2) == u"MARK") {
      EXPECT_EQ(v.point(10), (ChainPoint{1, 2, 0}));
      EXPECT_EQ(v.integer(70), 2);
    }
  }
  EXPECT_EQ(walk, (std::vector<std::u16string>{u"BLOCK:MARK", u"LINE:", u"CIRCLE:", u"BLOCK:SECOND"}));
  EXPECT_EQ(journalCount(JournalEntry::Kind::BlockDefined), 2u);

  // A redefinition replaces the block of that name.
  api().Header_bin();
  api().BlkmakeHead_binW(u"mark", 0, &x, &y, &z);
  api().BlkmakeEnt_binW(l.get());
  api().BlkmakeEnd_binW(u"mark");
  api().Flush_bin(1);
  ASSERT_EQ(drawing().blocks().size(), 2u);
  EXPECT_EQ(drawing().findBlock(u"MARK")->entities.size(), 1u);
  vchar handle[32];
  EXPECT_EQ(api().GetArrowHandleW(u"Mark", handle), 1);
  EXPECT_EQ(vstring(handle), drawing().findBlock(u"MARK")->handle);
  EXPECT_EQ(api().GetArrowHandleW(u"NONE", handle), 0);
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

TEST_F(DrawingTest, RewritingAnEntityIsANewOneAndTheErasureOfTheOld) {
  make(line(0, 0, 1, 0, u"OLD"));
  vstring old = lastHandle();
  ASSERT_EQ(api().SSGetW(3, nullptr, nullptr, 0), kRtNorm);
  api().Header_bin();
  HandleEraseList erase;
  for (ValueNode* n = api().EntnextW(1, 0); n; n = api().EntnextW(0, 0)) {
    OwnedChain repl(buildValueChain(0, 8, u"NEW", -9));
    ASSERT_EQ(mergeValueChain(n, repl.get(), 0, nullptr), 1);
    erase.add(n);
  }
  ASSERT_EQ(api().Flush_bin(1), kRtNorm);
  EXPECT_EQ(erase.flush(), kRtNorm);
  std::vector<const hostsim::Entity*> now = drawing().entities();
  ASSERT_EQ(now.size(), 1u);
  EXPECT_NE(now[0]->handle, old);
  EXPECT_EQ(now[0]->view().layer(), u"NEW");
  EXPECT_EQ(now[0]->view().point(11), (ChainPoint{1, 0, 0}));
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
  hostsim::Variable org;
  org.kind = hostsim::Variable::Kind::Point;
  org.value[0] = 1;
  org.value[1] = 2;
  org.value[2] = 3;
  host().setVariable(u"UCSORG", org);
  EXPECT_EQ(ChainView(api().GetVarW(u"UCSORG", kRtPoint3d)).point(kRtPoint3d), (ChainPoint{1, 2, 3}));
  EXPECT_EQ(ChainView(api().GetVarW(u"UCSORG", kRtPoint2d)).point(kRtPoint2d), (ChainPoint{1, 2, 3}))
      << "a 2D point is laid out as a 3D one";
  EXPECT_EQ(api().GetVarW(u"NOSUCHVAR", kRtReal), nullptr);
  EXPECT_EQ(api().GetVarW(u"CLAYER", kRtReal), nullptr) << "a text is no real";
}

}  // namespace
