#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "host_fixture.h"

using namespace vd;
using hostsim::Answer;
using hosttest::HostTest;

namespace {

constexpr double kPi = 3.14159265358979323846;

class DimEntryTest : public HostTest {
 protected:
  static Answer point(double x, double y) {
    Answer a;
    a.kind = Answer::Kind::Point;
    a.point[0] = x;
    a.point[1] = y;
    return a;
  }
  static Answer pickAt(double x, double y) {
    Answer a = point(x, y);
    a.kind = Answer::Kind::PickAt;
    return a;
  }
  static Answer pick(const vstring& handle) {
    Answer a;
    a.kind = Answer::Kind::Pick;
    a.handles = {handle};
    return a;
  }
  static Answer cancel() { return Answer(); }
  void answer(std::initializer_list<Answer> answers) {
    for (const Answer& a : answers) host().queueAnswer(a);
  }
  // An arc about (cx, cy) of radius r from a to b degrees.
  vstring makeArc(double cx, double cy, double r, double a, double b) {
    ChainBuilder c;
    c.text(0, u"ARC").text(8, u"0").point(10, cx, cy).real(40, r).real(50, a * kPi / 180).real(51, b * kPi / 180);
    make(c.build());
    return lastHandle();
  }
  // A polyline: a straight piece from (0,0) to (10,0), then a half circle
  // (bulge 1, counter-clockwise) to (10,10): centre (10,5), radius 5.
  vstring makePolyline() {
    ChainBuilder c;
    c.text(0, u"LWPOLYLINE").text(8, u"0").integer(90, 3).integer(70, 0);
    c.point(10, 0, 0).real(42, 0).point(10, 10, 0).real(42, 1).point(10, 10, 10).real(42, 0);
    make(c.build());
    return lastHandle();
  }
  std::vector<const hostsim::Entity*> ofType(const char16_t* type) {
    std::vector<const hostsim::Entity*> out;
    for (const hostsim::Entity* e : drawing().entities()) {
      if (e->view().isType(type)) out.push_back(e);
    }
    return out;
  }
  ChainView dimension() {
    auto dims = ofType(u"DIMENSION");
    EXPECT_EQ(dims.size(), 1u);
    return dims.empty() ? ChainView() : dims[0]->view();
  }
  bool transcriptHas(const std::string& part) {
    for (const std::string& l : host().transcript()) {
      if (l.find(part) != std::string::npos) return true;
    }
    return false;
  }
};

TEST_F(DimEntryTest, WrongPicksAreAskedAgainAndCancelLeavesNothing) {
  const vstring arc = makeArc(0, 0, 5, 0, 90);
  make(line(20, 0, 30, 0));
  const vstring straight = lastHandle();
  const vstring poly = makePolyline();
  // A line, the straight piece of the polyline, then the arc.
  answer({pick(straight), pickAt(2, 0.1), pick(arc), point(3, 3)});
  EXPECT_EQ(api().DimArcEntry(1, 0), kRtNorm) << host().error();
  EXPECT_TRUE(transcriptHas("host: Nesprávný") || transcriptHas("host: Wrong selection"));
  EXPECT_EQ(api().DimArcEntryExit(), 1);
  EXPECT_TRUE(ofType(u"DIMENSION").empty());

  struct Case {
    const char* what;
    std::vector<Answer> answers;
    int limits;
  };
  const Case cases[] = {
      {"at the pick", {cancel()}, 0},
      {"at the location", {pick(arc), cancel()}, 0},
      {"at the second limit point", {pick(arc), point(3, 3), point(5, 0), cancel()}, 1},
  };
  for (const Case& c : cases) {
    const size_t before = drawing().entities().size();
    for (const Answer& a : c.answers) host().queueAnswer(a);
    EXPECT_LT(api().DimArcEntry(1, c.limits), 0) << c.what;
    EXPECT_EQ(drawing().entities().size(), before) << c.what;
    EXPECT_EQ(api().DimArcEntryExit(), 0) << c.what;
  }
  EXPECT_EQ(drawing().findEntity(poly) != nullptr, true);
}

TEST_F(DimEntryTest, DimUpdateGivesTheLastDimensionTheCurrentStyle) {
  const vstring arc = makeArc(0, 0, 5, 0, 90);
  answer({pick(arc), point(3, 3)});
  ASSERT_EQ(api().DimArcEntry(1, 0), kRtNorm);
  api().DimArcEntryExit();
  // A dimension of another style with an override of its own.
  ChainBuilder b;
  b.text(0, u"DIMENSION").text(8, u"0").point(10, 0, 0).integer(70, 1).text(3, u"OLD").point(13, 0, 0).point(14, 1, 0);
  b.extendedData(u"ACAD").text(1000, u"DSTYLE").text(1002, u"{").integer(1070, 40).real(1040, 2.0).text(1002, u"}");
  make(b.build());
  const vstring dim = lastHandle();
  hostsim::Variable style;
  style.kind = hostsim::Variable::Kind::String;
  style.text = u"KOTY";
  host().setVariable(u"DIMSTYLE", style);
  EXPECT_EQ(api().CommandW(u"_dim1\n_update\n_L\n\n"), 1);
  ChainView d = drawing().findEntity(dim)->view();
  EXPECT_EQ(d.text(3).value_or(u""), u"KOTY");
  EXPECT_FALSE(d.extendedData(u"ACAD")) << "the dimension's own overrides go";
  EXPECT_EQ(journalCount(hostsim::JournalEntry::Kind::EntityChanged), 1u);
  // The last entity is no dimension: noted, nothing changes.
  make(line(0, 0, 1, 1));
  EXPECT_EQ(api().CommandW(u"_dim1\n_update\n_L\n\n"), 1);
  EXPECT_TRUE(transcriptHas("is no dimension"));
  EXPECT_EQ(journalCount(hostsim::JournalEntry::Kind::EntityChanged), 1u);
  EXPECT_EQ(api().CommandW(u"_dim1\n_stretch\n\n"), 0);
}

}  // namespace
