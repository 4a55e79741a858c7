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

}  // namespace
