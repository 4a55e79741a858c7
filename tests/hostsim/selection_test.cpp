#include <gtest/gtest.h>

#include <cmath>

#include "host_fixture.h"
#include "hostsim/pick.h"

using namespace vd;
using hostsim::Answer;
using chaintest::chainOf;
using hosttest::HostTest;

namespace {

const double kPi = std::acos(-1.0);

class SelectionTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    make(line(0, 0, 10, 0, u"Walls"));
    hLine = lastHandle();
    make(circle(20, 0, 2));
    hCircle = lastHandle();
    ChainBuilder arc;
    arc.text(0, u"ARC").text(8, u"DIM").point(10, 0, 20).real(40, 5).real(50, 0).real(51, kPi / 2).integer(62, 1);
    make(arc.build());
    hArc = lastHandle();
    defineBlock(u"MARK");
    ChainBuilder ins;
    ins.text(0, u"INSERT").text(8, u"DIM").text(2, u"MARK").point(10, 30, 30).extendedData(u"VDHNOTEDATA").integer(1070, 1);
    make(ins.build());
    hInsert = lastHandle();
    ChainBuilder poly;  // a half circle of radius 5 from (40,0) to (50,0) bulging down
    poly.text(0, u"LWPOLYLINE").integer(90, 2).integer(70, 0).point(10, 40, 0).real(42, 1).point(10, 50, 0);
    make(poly.build());
    hPoly = lastHandle();
  }
  // An answer of script line 7; a point (x, y), and a window's other corner (cx, cy).
  static Answer answer(Answer::Kind kind, double x = 0, double y = 0, double cx = 0, double cy = 0) {
    Answer a;
    a.kind = kind;
    a.line = 7;
    a.point[0] = x;
    a.point[1] = y;
    a.corner[0] = cx;
    a.corner[1] = cy;
    return a;
  }
  // The selection an SSGetW answered with `result`: the handles expected, or none and an error.
  void expectSelected(int result, const std::vector<vstring*>& expected, const char* what) {
    std::vector<vstring> want;
    for (vstring* h : expected) want.push_back(*h);
    EXPECT_EQ(result, want.empty() ? hostsim::kRtError : kRtNorm) << what;
    EXPECT_EQ(selected(), want) << what;
  }
  vstring hLine, hCircle, hArc, hInsert, hPoly;
};

TEST_F(SelectionTest, FiltersKeepMatchingEntities) {
  struct Case {
    const char* what;
    OwnedChain filter;
    std::vector<vstring*> expected;
  };
  std::vector<Case> cases;
  cases.push_back({"types listed with commas", OwnedChain(buildValueChain(0, 0, u"INSERT,LINE,LEADER", -9)), {&hLine, &hInsert}});
  cases.push_back({"types without regard to case", OwnedChain(buildValueChain(0, 0, u"circle", -9)), {&hCircle}});
  cases.push_back({"layer", OwnedChain(buildValueChain(0, 8, u"WALLS", -9)), {&hLine}});
  cases.push_back({"type and layer", OwnedChain(buildValueChain(0, 0, u"ARC,INSERT", 8, u"DIM", -9)), {&hArc, &hInsert}});
  cases.push_back({"colour by layer when absent", OwnedChain(buildValueChain(0, 62, 256, -9)), {&hLine, &hCircle, &hInsert, &hPoly}});
  cases.push_back({"colour given", OwnedChain(buildValueChain(0, 62, 1, -9)), {&hArc}});
  cases.push_back({"extended data of an application", OwnedChain(buildValueChain(0, -3, 1001, u"vdhnotedata", -9)), {&hInsert}});
  cases.push_back({"extended data of another", OwnedChain(buildValueChain(0, -3, 1001, u"OTHER", -9)), {}});
  cases.push_back({"real value", OwnedChain(buildValueChain(0, 40, 2.0, -9)), {&hCircle}});
  for (Case& c : cases) expectSelected(api().SSGetW(3, nullptr, c.filter.get(), 0), c.expected, c.what);
}

TEST_F(SelectionTest, LastMadeAndEntitiesToRefresh) {
  ASSERT_EQ(api().SSGetW(4, nullptr, nullptr, 0), kRtNorm);
  EXPECT_EQ(selected(), std::vector<vstring>{hPoly});
  ASSERT_EQ(api().SSGetW(15, nullptr, nullptr, 0), kRtNorm);
  EXPECT_EQ(selected(), (std::vector<vstring>{hLine, hCircle, hArc, hInsert, hPoly}))
      << "every entity, also those without extended data";
  OwnedChain inserts(buildValueChain(0, 0, u"INSERT", -9));
  ASSERT_EQ(api().SSGetW(15, nullptr, inserts.get(), 0), kRtNorm);
  EXPECT_EQ(selected(), std::vector<vstring>{hInsert}) << "the filter applies";
  EXPECT_EQ(api().SSGetW(9, nullptr, nullptr, 0), hostsim::kRtError);
  EXPECT_EQ(api().EntnextW(1, 0), nullptr) << "a failed selection leaves an empty set";
}

TEST_F(SelectionTest, ScriptedPicks) {
  struct Case {
    const char* what;
    int mode;
    Answer answer;
    std::vector<vstring*> expected;
  };
  Answer byHandle = answer(Answer::Kind::Pick);
  byHandle.handles = {hArc, hLine};
  const Answer window = answer(Answer::Kind::Window, -1, -3, 23, 26);
  const Case cases[] = {
      {"handles", 2, byHandle, {&hArc, &hLine}},
      {"one object wanted", 1, byHandle, {&hArc}},
      // Just outside the arc at 45 degrees.
      {"point near an arc", 1, answer(Answer::Kind::PickAt, 5 * 0.7071 + 0.3, 20 + 5 * 0.7071 + 0.3), {&hArc}},
      {"point on the circle outside the arc's sweep", 1, answer(Answer::Kind::PickAt, -5, 20), {}},
      {"point at the bottom of a bulge's half circle", 1, answer(Answer::Kind::PickAt, 45, -5.2), {&hPoly}},
      {"window", 2, window, {&hLine, &hCircle, &hArc}},
      {"window holding one end of an arc but not the other", 2, answer(Answer::Kind::Window, -1, 15, 6, 24), {}},
  };
  for (const Case& c : cases) {
    host().queueAnswer(c.answer);
    expectSelected(api().SSGetW(c.mode, u"Vyberte:", nullptr, 0), c.expected, c.what);
    EXPECT_FALSE(host().failed()) << c.what << ": " << host().error();
  }
  // A filter applies to what was picked.
  host().queueAnswer(window);
  OwnedChain onlyCircles(buildValueChain(0, 0, u"CIRCLE", -9));
  ASSERT_EQ(api().SSGetW(2, u"Vyberte:", onlyCircles.get(), 0), kRtNorm);
  EXPECT_EQ(selected(), std::vector<vstring>{hCircle});
}

TEST_F(SelectionTest, CancelAndUnknownHandles) {
  host().queueAnswer(answer(Answer::Kind::Cancel));
  EXPECT_EQ(api().SSGetW(2, u"Vyberte:", nullptr, 0), kRtCancel);
  EXPECT_FALSE(host().failed());
  // Enter is an empty selection, not a cancel.
  host().queueAnswer(answer(Answer::Kind::Enter));
  EXPECT_EQ(api().SSGetW(1, u"Vyberte:", nullptr, 0), hostsim::kRtError);
  EXPECT_FALSE(host().failed());
  EXPECT_EQ(host().transcript().back(), "select? Vyberte: -> enter");
  Answer ghost = answer(Answer::Kind::Pick);
  ghost.handles = {u"ABCDEF"};
  host().queueAnswer(ghost);
  EXPECT_NE(api().SSGetW(2, u"Vyberte:", nullptr, 0), kRtNorm);
  EXPECT_TRUE(host().failed());
  EXPECT_NE(host().error().find("ABCDEF"), std::string::npos) << host().error();
  EXPECT_NE(host().error().find("line 7"), std::string::npos) << "the script line is named";
}

TEST_F(SelectionTest, EnterAtAPointPromptGivesNoPoint) {
  host().queueAnswer(answer(Answer::Kind::Enter));
  double p[3] = {7, 7, 7};
  EXPECT_EQ(api().GetPointW(nullptr, u"Bod:", p), kRtNone);
  EXPECT_FALSE(host().failed());
  EXPECT_EQ(p[0], 7) << "no point is written";
  EXPECT_EQ(host().transcript().back(), "point? Bod: -> enter");
}

TEST_F(SelectionTest, APickAnswersNoOtherRequest) {
  Answer pick = answer(Answer::Kind::Pick);
  pick.handles = {hLine};
  host().queueAnswer(pick);
  double p[3];
  EXPECT_EQ(api().GetPointW(nullptr, u"Bod:", p), kRtCancel);
  EXPECT_TRUE(host().failed());
}

TEST(PickGeometry, DistancesToOutlines) {
  struct Case {
    const char* what;
    OwnedChain entity;
    double x, y, distance;
  };
  auto segment = chainOf([](ChainBuilder& b) { b.text(0, u"LINE").point(10, 0, 0).point(11, 10, 0); });
  // Arc angles are radians in a chain.
  auto arc = [](double start, double end) {
    return chainOf([&](ChainBuilder& b) { b.text(0, u"ARC").point(10, 0, 0).real(40, 1).real(50, start).real(51, end); });
  };
  const Case cases[] = {
      {"segment middle", OwnedChain::copyOf(segment), 5, 3, 3},
      {"beyond a segment end", OwnedChain::copyOf(segment), 13, 4, 5},
      {"inside a circle", chainOf([](ChainBuilder& b) { b.text(0, u"CIRCLE").point(10, 0, 0).real(40, 5); }), 1, 0, 4},
      {"arc end nearest", arc(0, kPi / 2), 1, -1, 1},
      {"arc top in its sweep", arc(0, kPi / 2), 0, 2, 1},
      {"arc start nearest", arc(kPi / 2, kPi), 2, 0, std::sqrt(5.0)},
      {"arc through zero", arc(3 * kPi / 2, kPi / 2), 3, 0, 2},
      {"clockwise bulge", chainOf([](ChainBuilder& b) { b.text(0, u"LWPOLYLINE").point(10, 0, 0).real(42, -1).point(10, 2, 0); }),
       1, 1, 0},
      {"text by its point", chainOf([](ChainBuilder& b) { b.text(0, u"TEXT").point(10, 3, 4).real(40, 1).text(1, u"x"); }), 0, 0, 5},
  };
  for (const Case& c : cases) EXPECT_NEAR(hostsim::pickDistance(c.entity, c.x, c.y), c.distance, 1e-9) << c.what;
  EXPECT_LT(hostsim::pickDistance(chainOf([](ChainBuilder& b) { b.text(0, u"SEQEND"); }), 0, 0), 0);
}

}  // namespace
