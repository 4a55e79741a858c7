#include <gtest/gtest.h>

#include <string>

#include "host_fixture.h"
#include "hostsim/number_text.h"

using namespace vd;
using hostsim::JournalEntry;
using hosttest::HostTest;

namespace {

class CommandTextTest : public HostTest {
 protected:
  // The live LINEs of the drawing as "x0,y0-x1,y1 on LAYER".
  std::vector<std::string> lines() {
    std::vector<std::string> out;
    for (const hostsim::Entity* e : drawing().entities()) {
      ChainView v = e->view();
      if (!v.isType(u"LINE")) continue;
      ChainPoint a = *v.point(10), b = *v.point(11);
      auto n = [](double x) { return hostsim::formatNumber(x); };
      out.push_back(n(a.x) + "," + n(a.y) + "," + n(a.z) + "-" + n(b.x) + "," + n(b.y) + "," + n(b.z) + " on " +
                    utf16ToUtf8(vstring(v.layer())));
    }
    return out;
  }
  bool transcriptHas(const std::string& part) {
    for (const std::string& l : host().transcript()) {
      if (l.find(part) != std::string::npos) return true;
    }
    return false;
  }
};

TEST_F(CommandTextTest, LineDrawsFromPointToPoint) {
  struct Case {
    const char* what;
    const char16_t* text;
    int answer;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"two points, as a module sends them", u"_LINE\n1,2,0\n4,6,0\n\n", 1, {"1,2,0-4,6,0 on 0"}},
      {"three points make two lines", u"_line\n0,0\n5,0\n5,5\n\n", 1, {"0,0,0-5,0,0 on 0", "5,0,0-5,5,0 on 0"}},
      {"no underscore, without the last empty token", u"LINE\n-1.5,2e1,3\n0,0,0", 1, {"-1.5,20,3-0,0,0 on 0"}},
      {"one point draws nothing", u"_LINE\n1,1,1\n\n", 1, {}},
      {"a point that does not read ends the text", u"_LINE\n0,0,0\n3,x,0\n4,4,0\n\n", 0, {}},
      {"four coordinates are no point", u"_LINE\n0,0,0,0\n1,1\n\n", 0, {}},
      {"an unknown command draws nothing", u"_CIRCLE\n0,0\n5\n", 0, {}},
  };
  for (const Case& c : cases) {
    host().reset();
    EXPECT_EQ(api().CommandW(c.text), c.answer) << c.what;
    EXPECT_EQ(lines(), c.expected) << c.what;
    EXPECT_EQ(transcriptHas("not understood"), c.answer == 0) << c.what;
    EXPECT_EQ(journalCount(JournalEntry::Kind::EntityAdded), c.expected.size()) << c.what;
  }
}

TEST_F(CommandTextTest, EraseLastTakesTheEntityMadeLast) {
  make(circle(0, 0, 1));
  const vstring circleHandle = lastHandle();
  ASSERT_EQ(api().CommandW(u"_LINE\n0,0,0\n9,0,0\n\n"), 1);
  ASSERT_EQ(lines().size(), 1u);
  // The temporary line goes, the circle made before it stays.
  EXPECT_EQ(api().CommandW(u"_ERASE\n_L\n\n"), 1);
  EXPECT_TRUE(lines().empty());
  ASSERT_EQ(drawing().entities().size(), 1u);
  EXPECT_EQ(drawing().entities()[0]->handle, circleHandle);
  // "_L" twice is still one object; the circle is now the last one.
  EXPECT_EQ(api().CommandW(u"_ERASE\n_L\n_L\n\n"), 1);
  EXPECT_TRUE(drawing().entities().empty());
  EXPECT_EQ(journalCount(JournalEntry::Kind::EntityErased), 2u);
  // Nothing left to erase: the command runs and erases nothing.
  EXPECT_EQ(api().CommandW(u"_ERASE\n_L\n\n"), 1);
  EXPECT_TRUE(transcriptHas("ERASE found nothing"));
  // Other objects than the last are not understood, and nothing is erased.
  make(circle(0, 0, 1));
  EXPECT_EQ(api().CommandW(u"_ERASE\n_ALL\n\n"), 0);
  EXPECT_EQ(drawing().entities().size(), 1u);
}

TEST_F(CommandTextTest, PurgeRemovesABlockOnlyWhenNothingUsesIt) {
  defineBlock(u"FREE");
  defineBlock(u"USED");
  defineBlock(u"OUTER");
  vd::ChainBuilder ref;
  ref.text(0, u"INSERT").text(8, u"0").text(2, u"used").point(10, 0, 0);
  ASSERT_EQ(make(ref.build()), vd::kRtNorm);
  // OUTER, which nothing uses, holds a reference to FREE.
  double o = 0;
  api().Header_bin();
  ASSERT_EQ(api().BlkmakeHead_binW(u"OUTER", 0, &o, &o, &o), vd::kRtNorm);
  vd::ChainBuilder inner;
  inner.text(0, u"INSERT").text(8, u"0").text(2, u"FREE").point(10, 0, 0);
  vd::OwnedChain innerChain = inner.build();
  ASSERT_EQ(api().BlkmakeEnt_binW(innerChain.get()), vd::kRtNorm);
  ASSERT_EQ(api().BlkmakeEnd_binW(u"OUTER"), vd::kRtNorm);
  ASSERT_EQ(api().Flush_bin(1), vd::kRtNorm);
  struct Case {
    const char16_t* text;
    int answer;
    bool usedStays, freeStays, outerStays;
  };
  const Case cases[] = {
      {u"_-PURGE\n_B\nUSED\n_N\n", 1, true, true, true},    // a reference uses it
      {u"_-PURGE\n_B\nFREE\n_N\n", 1, true, true, true},    // OUTER holds a reference to it
      {u"_-PURGE\n_B\nouter\n_N\n", 1, true, true, false},  // names without regard to case
      {u"_-PURGE\n_B\nFREE\n_N\n", 1, true, false, false},  // now nothing uses it
      {u"_-PURGE\n_B\nNONE\n_N\n", 1, true, false, false},  // no such block: nothing happens
      {u"_-PURGE\n_LA\nUSED\n_N\n", 0, true, false, false}, // layers are not purged here
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16ToUtf8(c.text));
    EXPECT_EQ(api().CommandW(c.text), c.answer);
    EXPECT_EQ(drawing().findBlock(u"USED") != nullptr, c.usedStays);
    EXPECT_EQ(drawing().findBlock(u"FREE") != nullptr, c.freeStays);
    EXPECT_EQ(drawing().findBlock(u"OUTER") != nullptr, c.outerStays);
  }
  EXPECT_EQ(journalCount(JournalEntry::Kind::BlockRemoved), 2u);
}

}  // namespace
