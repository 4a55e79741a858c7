#include <gtest/gtest.h>

#include <cmath>

#include "host_fixture.h"
#include "hostsim/pick.h"

using namespace vd;
using hostsim::Answer;
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
  Answer answer(Answer::Kind kind) {
    Answer a;
    a.kind = kind;
    a.line = 7;
    return a;
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
  for (Case& c : cases) {
    int r = api().SSGetW(3, nullptr, c.filter.get(), 0);
    std::vector<vstring> want;
    for (vstring* h : c.expected) want.push_back(*h);
    EXPECT_EQ(r, want.empty() ? hostsim::kRtError : kRtNorm) << c.what;
    EXPECT_EQ(selected(), want) << c.what;
  }
}

TEST_F(SelectionTest, LastMadeAndEntitiesToRefresh) {
  ASSERT_EQ(api().SSGetW(4, nullptr, nullptr, 0), kRtNorm);
  EXPECT_EQ(selected(), std::vector<vstring>{hPoly});
  ASSERT_EQ(api().SSGetW(15, nullptr, nullptr, 0), kRtNorm);
  EXPECT_EQ(selected(), std::vector<vstring>{hInsert}) << "entities that carry extended data";
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
  Answer nearArc = answer(Answer::Kind::PickAt);
  nearArc.point[0] = 5 * 0.7071 + 0.3;  // just outside the arc at 45 degrees
  nearArc.point[1] = 20 + 5 * 0.7071 + 0.3;
  Answer offArc = answer(Answer::Kind::PickAt);  // on the circle, but outside the arc's sweep
  offArc.point[0] = -5;
  offArc.point[1] = 20;
  Answer onBulge = answer(Answer::Kind::PickAt);  // the bottom of the bulge's half circle
  onBulge.point[0] = 45;
  onBulge.point[1] = -5.2;
  Answer window = answer(Answer::Kind::Window);
  window.point[0] = -1;
  window.point[1] = -3;
  window.corner[0] = 23;
  window.corner[1] = 26;
  Answer cutArc = answer(Answer::Kind::Window);  // holds one end of the arc but not the other
  cutArc.point[0] = -1;
  cutArc.point[1] = 15;
  cutArc.corner[0] = 6;
  cutArc.corner[1] = 24;
  std::vector<Case> cases;
  cases.push_back({"handles", 2, byHandle, {&hArc, &hLine}});
  cases.push_back({"one object wanted", 1, byHandle, {&hArc}});
  cases.push_back({"point near an arc", 1, nearArc, {&hArc}});
  cases.push_back({"point outside the arc's sweep", 1, offArc, {}});
  cases.push_back({"point on a bulge", 1, onBulge, {&hPoly}});
  cases.push_back({"window", 2, window, {&hLine, &hCircle, &hArc}});
  cases.push_back({"window short of an arc end", 2, cutArc, {}});
  for (Case& c : cases) {
    host().queueAnswer(c.answer);
    int r = api().SSGetW(c.mode, u"Vyberte:", nullptr, 0);
    std::vector<vstring> want;
    for (vstring* h : c.expected) want.push_back(*h);
    EXPECT_EQ(r, want.empty() ? hostsim::kRtError : kRtNorm) << c.what;
    EXPECT_EQ(selected(), want) << c.what;
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
  Answer ghost = answer(Answer::Kind::Pick);
  ghost.handles = {u"ABCDEF"};
  host().queueAnswer(ghost);
  EXPECT_NE(api().SSGetW(2, u"Vyberte:", nullptr, 0), kRtNorm);
  EXPECT_TRUE(host().failed());
  EXPECT_NE(host().error().find("ABCDEF"), std::string::npos) << host().error();
  EXPECT_NE(host().error().find("line 7"), std::string::npos) << "the script line is named";
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
  auto chain = [](auto&& build) {
    ChainBuilder b;
    build(b);
    return b.build();
  };
  std::vector<Case> cases;
  cases.push_back({"segment middle", chain([](ChainBuilder& b) { b.text(0, u"LINE").point(10, 0, 0).point(11, 10, 0); }), 5, 3, 3});
  cases.push_back({"beyond a segment end", chain([](ChainBuilder& b) { b.text(0, u"LINE").point(10, 0, 0).point(11, 10, 0); }), 13, 4, 5});
  cases.push_back({"inside a circle", chain([](ChainBuilder& b) { b.text(0, u"CIRCLE").point(10, 0, 0).real(40, 5); }), 1, 0, 4});
  // Arc angles are radians in a chain.
  cases.push_back({"arc end nearest", chain([](ChainBuilder& b) { b.text(0, u"ARC").point(10, 0, 0).real(40, 1).real(50, 0).real(51, kPi / 2); }), 1, -1, 1});
  cases.push_back({"arc top in its sweep", chain([](ChainBuilder& b) { b.text(0, u"ARC").point(10, 0, 0).real(40, 1).real(50, 0).real(51, kPi / 2); }), 0, 2, 1});
  cases.push_back({"arc start nearest", chain([](ChainBuilder& b) { b.text(0, u"ARC").point(10, 0, 0).real(40, 1).real(50, kPi / 2).real(51, kPi); }), 2, 0, std::sqrt(5.0)});
  cases.push_back({"arc through zero", chain([](ChainBuilder& b) { b.text(0, u"ARC").point(10, 0, 0).real(40, 1).real(50, 3 * kPi / 2).real(51, kPi / 2); }), 3, 0, 2});
  cases.push_back({"clockwise bulge", chain([](ChainBuilder& b) { b.text(0, u"LWPOLYLINE").point(10, 0, 0).real(42, -1).point(10, 2, 0); }), 1, 1, 0});
  cases.push_back({"text by its point", chain([](ChainBuilder& b) { b.text(0, u"TEXT").point(10, 3, 4).real(40, 1).text(1, u"x"); }), 0, 0, 5});
  for (Case& c : cases) EXPECT_NEAR(hostsim::pickDistance(c.entity, c.x, c.y), c.distance, 1e-9) << c.what;
  ChainBuilder nothing;
  nothing.text(0, u"SEQEND");
  EXPECT_LT(hostsim::pickDistance(nothing.build(), 0, 0), 0);
}

}  // namespace
