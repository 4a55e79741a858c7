// Command texts the host runs (CommandW) and its interaction that places an
// angular dimension on an arc (DimArcEntry).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <tuple>

#include "host_fixture.h"
#include "hostsim/number_text.h"

using namespace vd;
using hostsim::Answer;
using hostsim::JournalEntry;
using hosttest::HostTest;

namespace {

constexpr double kPi = 3.14159265358979323846;

class CommandTextTest : public HostTest {
 protected:
  // The live LINEs of the drawing as "x0,y0,z0-x1,y1,z1 on LAYER".
  std::vector<std::string> lines() {
    std::vector<std::string> out;
    auto n = [](const ChainPoint& p) {
      return hostsim::formatNumber(p.x) + "," + hostsim::formatNumber(p.y) + "," + hostsim::formatNumber(p.z);
    };
    for (const hostsim::Entity* e : ofType(u"LINE"))
      out.push_back(n(*e->view().point(10)) + "-" + n(*e->view().point(11)) + " on " + utf16ToUtf8(vstring(e->view().layer())));
    return out;
  }
  // An arc about (cx, cy) of radius r from a to b degrees.
  vstring makeArc(double cx, double cy, double r, double a, double b) {
    make(ChainBuilder().text(0, u"ARC").text(8, u"0").point(10, cx, cy).real(40, r).real(50, a * kPi / 180)
             .real(51, b * kPi / 180).build());
    return lastHandle();
  }
  static Answer pick(const vstring& handle) {
    Answer a = answer(Answer::Kind::Pick);
    a.handles = {handle};
    return a;
  }
  void answers(const std::vector<Answer>& list) {
    for (const Answer& a : list) host().queueAnswer(a);
  }
};

TEST_F(CommandTextTest, LineDrawsFromPointToPoint) {
  const std::tuple<const char16_t*, int, std::vector<std::string>> cases[] = {
      {u"_LINE\n1,2,0\n4,6,0\n\n", 1, {"1,2,0-4,6,0 on 0"}},  // two points, as a module sends them
      {u"_line\n0,0\n5,0\n5,5\n\n", 1, {"0,0,0-5,0,0 on 0", "5,0,0-5,5,0 on 0"}},
      {u"LINE\n-1.5,2e1,3\n0,0,0", 1, {"-1.5,20,3-0,0,0 on 0"}},  // no underscore, without the last empty token
      {u"_LINE\n1,1,1\n\n", 1, {}},                         // one point draws nothing
      {u"_LINE\n0,0,0\n3,x,0\n4,4,0\n\n", 0, {}},           // a point that does not read ends the text
      {u"_LINE\n0,0,0,0\n1,1\n\n", 0, {}},                  // four coordinates are no point
      {u"_CIRCLE\n0,0\n5\n", 0, {}},                         // an unknown command draws nothing
  };
  for (const auto& [text, result, expected] : cases) {
    SCOPED_TRACE(utf16ToUtf8(text));
    host().reset();
    EXPECT_EQ(api().CommandW(text), result);
    EXPECT_EQ(lines(), expected);
    EXPECT_EQ(transcriptHas("not understood"), result == 0);
    EXPECT_EQ(journalCount(JournalEntry::Kind::EntityAdded), expected.size());
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
  for (const char16_t* name : {u"FREE", u"USED", u"OUTER"}) defineBlock(name);
  ASSERT_EQ(make(ChainBuilder().text(0, u"INSERT").text(8, u"0").text(2, u"used").point(10, 0, 0).build()), kRtNorm);
  // OUTER, which nothing uses, holds a reference to FREE.
  double o = 0;
  OwnedChain inner = ChainBuilder().text(0, u"INSERT").text(8, u"0").text(2, u"FREE").point(10, 0, 0).build();
  api().Header_bin();
  ASSERT_EQ(api().BlkmakeHead_binW(u"OUTER", 0, &o, &o, &o), kRtNorm);
  ASSERT_EQ(api().BlkmakeEnt_binW(inner.get()), kRtNorm);
  ASSERT_EQ(api().BlkmakeEnd_binW(u"OUTER"), kRtNorm);
  ASSERT_EQ(api().Flush_bin(1), kRtNorm);
  const std::tuple<const char16_t*, int, std::array<bool, 3>> cases[] = {  // answer; USED, FREE, OUTER stay
      {u"_-PURGE\n_B\nUSED\n_N\n", 1, {true, true, true}},     // a reference uses it
      {u"_-PURGE\n_B\nFREE\n_N\n", 1, {true, true, true}},     // OUTER holds a reference to it
      {u"_-PURGE\n_B\nouter\n_N\n", 1, {true, true, false}},   // names without regard to case
      {u"_-PURGE\n_B\nFREE\n_N\n", 1, {true, false, false}},   // now nothing uses it
      {u"_-PURGE\n_B\nNONE\n_N\n", 1, {true, false, false}},   // no such block: nothing happens
      {u"_-PURGE\n_LA\nUSED\n_N\n", 0, {true, false, false}},  // layers are not purged here
  };
  for (const auto& [text, result, stay] : cases) {
    EXPECT_EQ(api().CommandW(text), result) << utf16ToUtf8(text);
    const std::array<bool, 3> stayed = {drawing().findBlock(u"USED") != nullptr, drawing().findBlock(u"FREE") != nullptr,
                                        drawing().findBlock(u"OUTER") != nullptr};
    EXPECT_EQ(stayed, stay) << utf16ToUtf8(text);
  }
  EXPECT_EQ(journalCount(JournalEntry::Kind::BlockRemoved), 2u);
}

TEST_F(CommandTextTest, WrongPicksAreAskedAgainAndCancelLeavesNothing) {
  const vstring arc = makeArc(0, 0, 5, 0, 90);
  make(line(20, 0, 30, 0));
  const vstring straight = lastHandle();
  // A polyline: a straight piece from (0,0) to (10,0), then a half circle
  // (bulge 1, counter-clockwise) to (10,10): centre (10,5), radius 5.
  make(ChainBuilder().text(0, u"LWPOLYLINE").text(8, u"0").integer(90, 3).integer(70, 0).point(10, 0, 0).real(42, 0)
           .point(10, 10, 0).real(42, 1).point(10, 10, 10).real(42, 0).build());
  const vstring poly = lastHandle();
  // A line, the straight piece of the polyline, then the arc.
  answers({pick(straight), answer(Answer::Kind::PickAt, 2, 0.1), pick(arc), answer(Answer::Kind::Point, 3, 3)});
  EXPECT_EQ(api().DimArcEntry(1, 0), kRtNorm) << host().error();
  EXPECT_TRUE(transcriptHas("host: Nesprávný") || transcriptHas("host: Wrong selection"));
  EXPECT_EQ(api().DimArcEntryExit(), 1);
  EXPECT_TRUE(ofType(u"DIMENSION").empty());
  const Answer cancel;
  const std::tuple<const char*, std::vector<Answer>, int> cases[] = {
      {"at the pick", {cancel}, 0},
      {"at the location", {pick(arc), cancel}, 0},
      {"at the second limit point",
       {pick(arc), answer(Answer::Kind::Point, 3, 3), answer(Answer::Kind::Point, 5, 0), cancel}, 1},
  };
  for (const auto& [what, list, limits] : cases) {
    const size_t before = drawing().entities().size();
    answers(list);
    EXPECT_LT(api().DimArcEntry(1, limits), 0) << what;
    EXPECT_EQ(drawing().entities().size(), before) << what;
    EXPECT_EQ(api().DimArcEntryExit(), 0) << what;
  }
  EXPECT_NE(drawing().findEntity(poly), nullptr);
}

TEST_F(CommandTextTest, DimUpdateGivesTheLastDimensionTheCurrentStyle) {
  answers({pick(makeArc(0, 0, 5, 0, 90)), answer(Answer::Kind::Point, 3, 3)});
  ASSERT_EQ(api().DimArcEntry(1, 0), kRtNorm);
  api().DimArcEntryExit();
  // A dimension of another style with an override of its own.
  make(ChainBuilder().text(0, u"DIMENSION").text(8, u"0").point(10, 0, 0).integer(70, 1).text(3, u"OLD").point(13, 0, 0)
           .point(14, 1, 0).extendedData(u"ACAD").text(1000, u"DSTYLE").text(1002, u"{").integer(1070, 40)
           .real(1040, 2.0).text(1002, u"}").build());
  const vstring dim = lastHandle();
  hostsim::Variable style;
  style.kind = hostsim::Variable::Kind::String;
  style.text = u"KOTY";
  host().setVariable(u"DIMSTYLE", style);
  EXPECT_EQ(api().CommandW(u"_dim1\n_update\n_L\n\n"), 1);
  ChainView d = drawing().findEntity(dim)->view();
  EXPECT_EQ(d.text(3).value_or(u""), u"KOTY");
  EXPECT_FALSE(d.extendedData(u"ACAD")) << "the dimension's own overrides go";
  EXPECT_EQ(journalCount(JournalEntry::Kind::EntityChanged), 1u);
  // The last entity is no dimension: noted, nothing changes.
  make(line(0, 0, 1, 1));
  EXPECT_EQ(api().CommandW(u"_dim1\n_update\n_L\n\n"), 1);
  EXPECT_TRUE(transcriptHas("is no dimension"));
  EXPECT_EQ(journalCount(JournalEntry::Kind::EntityChanged), 1u);
  EXPECT_EQ(api().CommandW(u"_dim1\n_stretch\n\n"), 0);
}

}  // namespace
