// Curve-curve intersections on hand-made cases: crossing, touching,
// overlapping, and nearly parallel or nearly tangent on both sides of the
// tolerance. Every case also runs with the curves swapped and reversed.
#include "geom_test_util.h"

#include "geom/curve_curve_int2d.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace geomtest;
using vdgeom::kPi;
using vdgeom::kTwoPi;

namespace {

struct Expected {
  GcGePoint2d point;
  bool tangent = false;
};

struct Case {
  std::string name;
  CurvePtr a, b;
  std::vector<Expected> points; // ascending along a
  int overlaps = 0;
  // First overlap range on a, when there is one.
  double overlapLo = 0.0, overlapHi = 0.0;
};

const double in = 5e-11;  // half the default equal-point tolerance
const double out = 2e-10; // twice it

std::vector<Case> cases() {
  const double s = std::sqrt(0.5), e45 = std::sqrt(0.8);
  return {
      // Segments.
      {"segments cross", seg(0, 0, 2, 2), seg(0, 2, 2, 0), {{{1, 1}}}},
      {"segment end on another's interior", seg(0, 0, 2, 0), seg(1, 0, 1, 3), {{{1, 0}}}},
      {"segments share an end", seg(0, 0, 1, 0), seg(1, 0, 2, 1), {{{1, 0}}}},
      {"collinear overlap", seg(0, 0, 3, 0), seg(1, 0, 5, 0), {}, 1, 1.0 / 3, 1.0},
      {"collinear, touching ends", seg(0, 0, 1, 0), seg(1, 0, 2, 0), {{{1, 0}}}},
      {"collinear, apart", seg(0, 0, 1, 0), seg(2, 0, 3, 0), {}},
      {"parallel just inside tolerance", seg(0, 0, 10, 0), seg(2, in, 12, in), {}, 1, 0.2, 1.0},
      {"parallel just outside tolerance", seg(0, 0, 10, 0), seg(2, out, 12, out), {}},
      {"nearly parallel crossing", seg(0, 0, 10, 0), seg(0, -1e-6, 10, 1e-6), {{{5, 0}}}},
      {"tilt within tolerance is overlap", seg(0, 0, 10, 0), seg(0, -in, 10, in), {}, 1, 0.0, 1.0},
      {"gap just inside tolerance", seg(0, 0, 1, 0), seg(1 + in, -1, 1 + in, 1), {{{1, 0}}}},
      {"gap just outside tolerance", seg(0, 0, 1, 0), seg(1 + out, -1, 1 + out, 1), {}},
      {"ray and line", std::make_shared<GcGeRay2d>(GcGePoint2d(0, 0), GcGeVector2d(1, 1)),
       std::make_shared<GcGeLine2d>(GcGePoint2d(0, 4), GcGeVector2d(1, -1)), {{{2, 2}}}},
      {"ray pointing away", std::make_shared<GcGeRay2d>(GcGePoint2d(0, 0), GcGeVector2d(-1, -1)),
       std::make_shared<GcGeLine2d>(GcGePoint2d(0, 4), GcGeVector2d(1, -1)), {}},
      // Segment and circular arc.
      {"segment through circle", seg(-2, 0, 2, 0), circle(0, 0, 1), {{{-1, 0}}, {{1, 0}}}},
      {"segment tangent to circle", seg(-2, 1, 2, 1), circle(0, 0, 1), {{{0, 1}, true}}},
      {"near-tangent inside tolerance", seg(-2, 1 - in, 2, 1 - in), circle(0, 0, 1), {{{0, 1}, true}}},
      {"near-tangent outside tolerance", seg(-2, 1 + out, 2, 1 + out), circle(0, 0, 1), {}},
      {"shallow secant", seg(-2, 1 - 1e-6, 2, 1 - 1e-6), circle(0, 0, 1),
       {{{-std::sqrt(2e-6 - 1e-12), 1 - 1e-6}}, {{std::sqrt(2e-6 - 1e-12), 1 - 1e-6}}}},
      {"arc ends on the segment", seg(-2, 0, 2, 0), arc(0, 0, 1, 0, kPi), {{{-1, 0}}, {{1, 0}}}},
      {"arc clear of the segment", seg(-2, 0, 2, 0), arc(0, 0, 1, 0.1, kPi - 0.1), {}},
      {"arc across the seam", seg(0.9, -2, 0.9, 2), arc(0, 0, 1, 5.5, 0.5),
       {{{0.9, -std::sqrt(0.19)}}, {{0.9, std::sqrt(0.19)}}}},
      {"clockwise arc", seg(0, 0, 2, 2), arc(0, 0, 1, 0, kPi / 2, true, {0, 1}), {{{s, s}}}},
      {"clockwise arc, other quadrant", seg(0, 0, -2, 2), arc(0, 0, 1, 0, kPi / 2, true, {0, 1}), {}},
      // Two circular arcs.
      {"circles cross", circle(0, 0, 1), circle(1, 0, 1),
       {{{0.5, std::sqrt(0.75)}}, {{0.5, -std::sqrt(0.75)}}}},
      {"circles touch outside", circle(0, 0, 1), circle(2, 0, 1), {{{1, 0}, true}}},
      {"circles touch inside", circle(0, 0, 2), circle(1, 0, 1), {{{2, 0}, true}}},
      {"circles apart just outside tolerance", circle(0, 0, 1), circle(2 + out, 0, 1), {}},
      {"circles overlap just inside tolerance", circle(0, 0, 1), circle(2 - in, 0, 1), {{{1, 0}, true}}},
      {"arcs of one circle overlap", arc(0, 0, 1, 0, kPi), arc(0, 0, 1, kPi / 2, 3 * kPi / 2), {}, 1, kPi / 2, kPi},
      {"arcs of one circle overlap across the seam", arc(0, 0, 1, 5.5, 0.5), arc(0, 0, 1, 0.2, 1.0), {}, 1,
       kTwoPi + 0.2, kTwoPi + 0.5},
      {"arcs of one circle share an end", arc(0, 0, 1, 0, 1), arc(0, 0, 1, 1, 2), {{{std::cos(1.0), std::sin(1.0)}}}},
      {"arcs of one circle run opposite ways", arc(0, 0, 1, 0, kPi), arc(0, 0, 1, 0, kPi, true, {-1, 0}), {}, 1, 0,
       kPi},
      {"two half circles close a circle", arc(0, 0, 1, 0, kPi), arc(0, 0, 1, kPi, kTwoPi), {{{1, 0}}, {{-1, 0}}}},
      // Centres 0.7 eps apart and radii 0.7 eps apart: 1.4 eps apart on one
      // side, so two circles touching on the other, not one circle.
      {"circles 1.4 eps apart are two", circle(0, 0, 1), circle(0.7e-10, 0, 1 + 0.7e-10), {{{-1, 0}, true}}},
      {"circles 0.9 eps apart are one", circle(0, 0, 1), circle(0.45e-10, 0, 1 + 0.45e-10), {}, 1, 0, kTwoPi},
      // A radius of 1e7 given with a turned reference vector: the radius is
      // the one given, not recomputed from the unit vector.
      {"arcs of one circle of radius 1e7 overlap", arc(0, 0, 1e7, 0.1, 1.6, false, {1, 0}),
       arc(0, 0, 1e7, -1.0, 0.5, false, {1, 3}), {}, 1, std::atan2(3.0, 1.0) - 1.0, 1.6},
      // The tangent point lies 1e-6 inside the arc, whose start lies within
      // eps of the line too: one contact (the fillet case), at the start.
      {"tangent a hair inside an arc's start", seg(-2, 1, 2, 1), arc(0, 0, 1, kPi / 2 - 1e-6, kPi),
       {{{std::sin(1e-6), 1}, true}}},
      // Ellipses.
      {"segment through ellipse", seg(-3, 0, 3, 0), ellipse(0, 0, 2, 1, 0), {{{-2, 0}}, {{2, 0}}}},
      {"segment tangent to ellipse", seg(-3, 1, 3, 1), ellipse(0, 0, 2, 1, 0), {{{0, 1}, true}}},
      {"segment near-tangent to ellipse, inside tolerance", seg(-3, 1 - in, 3, 1 - in), ellipse(0, 0, 2, 1, 0),
       {{{0, 1}, true}}},
      {"segment near-tangent to ellipse, outside tolerance", seg(-3, 1 + out, 3, 1 + out), ellipse(0, 0, 2, 1, 0), {}},
      {"circle touches ellipse, inside tolerance", ellipse(0, 0, 2, 1, 0), circle(0, 2 - in, 1), {{{0, 1}, true}}},
      {"circle clear of ellipse, outside tolerance", ellipse(0, 0, 2, 1, 0), circle(0, 2 + out, 1), {}},
      {"ellipses touch end to end, inside tolerance", ellipse(0, 0, 2, 1, 0), ellipse(4 - in, 0, 2, 1, 0),
       {{{2, 0}, true}}},
      {"ellipses apart end to end, outside tolerance", ellipse(0, 0, 2, 1, 0), ellipse(4 + out, 0, 2, 1, 0), {}},
      {"segment tangent to rotated ellipse", seg(-3, 2, 3, 2), ellipse(0, 0, 2, 1, kPi / 2), {{{0, 2}, true}}},
      {"ellipse and circle cross four times", ellipse(0, 0, 2, 1, 0), circle(0, 0, 1.5),
       {{{std::sqrt(5.0 / 3), std::sqrt(7.0 / 12)}}, {{-std::sqrt(5.0 / 3), std::sqrt(7.0 / 12)}},
        {{-std::sqrt(5.0 / 3), -std::sqrt(7.0 / 12)}}, {{std::sqrt(5.0 / 3), -std::sqrt(7.0 / 12)}}}},
      {"ellipse touches circle inside", ellipse(0, 0, 2, 1, 0), circle(0, 0, 1), {{{0, 1}, true}, {{0, -1}, true}}},
      {"crossed ellipses", ellipse(0, 0, 2, 1, 0), ellipse(0, 0, 2, 1, kPi / 2),
       {{{e45, e45}}, {{-e45, e45}}, {{-e45, -e45}}, {{e45, -e45}}}},
      {"ellipse arcs of one ellipse overlap", ellipse(0, 0, 2, 1, 0.3, 0, 3), ellipse(0, 0, 2, 1, 0.3, 2, 5), {}, 1,
       2, 3},
      {"one ellipse with flipped axes", ellipse(1, 1, 2, 1, 0.3, 0, 2), ellipse(1, 1, 2, 1, 0.3 + kPi, 3, 5), {}, 1,
       0, 5 - kPi},
      // Composites.
      {"rounded rectangle and a crossing segment", roundedRect(10, 6, 1.5), seg(-1, 3, 11, 3),
       {{{10, 3}}, {{0, 3}}}},
      {"segment through a joint of side and arc", roundedRect(10, 6, 1.5), seg(8, 1.5, 12, 1.5), {{{10, 1.5}}}},
      {"segment along a side", roundedRect(10, 6, 1.5), seg(-5, 0, 15, 0), {}, 1, 0, 1},
      {"overlap across a joint is one range", composite({seg(0, 0, 5, 0), seg(5, 0, 10, 0), seg(10, 0, 10, 5)}),
       seg(2, 0, 8, 0), {}, 1, 0.4, 1.6},
      {"composites cross each other", roundedRect(10, 6, 1.5), composite({seg(5, -2, 5, 8), arc(5, 9.5, 1.5, 3 * kPi / 2, 5 * kPi / 2)}),
       {{{5, 0}}, {{5, 6}}}},
  };
}

// Within tol, plus the rounding of the coordinates (cases at 1e7).
bool near(const GcGePoint2d& p, const GcGePoint2d& q, double tol) {
  const double m = std::max({std::abs(p.x), std::abs(p.y), std::abs(q.x), std::abs(q.y)});
  return p.distanceTo(q) <= tol + 1e-15 * m;
}

void checkConsistent(const GcGeCurveCurveInt2d& cci, const GcGeCurve2d& a, const GcGeCurve2d& b) {
  for (int i = 0; i < cci.numIntPoints(); ++i) {
    double p1 = 0.0, p2 = 0.0;
    cci.getIntParams(i, p1, p2);
    EXPECT_TRUE(near(a.gcEvalPoint(p1), cci.intPoint(i), 1e-9)) << "param on curve 1 of point " << i;
    EXPECT_TRUE(near(b.gcEvalPoint(p2), cci.intPoint(i), 1e-9)) << "param on curve 2 of point " << i;
    if (i > 0) {
      EXPECT_LE(cci.intParam1(i - 1), p1) << "points ascend along curve 1";
    }
  }
  for (int k = 1; k < cci.numIntPoints(); ++k)
    EXPECT_LE(cci.intParam2(cci.indexAlongCurve2(k - 1)), cci.intParam2(cci.indexAlongCurve2(k)));
}

TEST(CurveCurveInt, TableOfCasesBothWaysRound) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const GcGeCurveCurveInt2d cci(*c.a, *c.b);
    ASSERT_EQ(cci.numIntPoints(), static_cast<int>(c.points.size()));
    ASSERT_EQ(cci.overlapCount(), c.overlaps);
    for (int i = 0; i < cci.numIntPoints(); ++i) {
      EXPECT_TRUE(near(cci.intPoint(i), c.points[static_cast<std::size_t>(i)].point, 1e-9))
          << "point " << i << " at " << cci.intPoint(i).x << "," << cci.intPoint(i).y;
      EXPECT_EQ(cci.isTangential(i), c.points[static_cast<std::size_t>(i)].tangent) << "point " << i;
    }
    checkConsistent(cci, *c.a, *c.b);
    if (c.overlaps > 0) {
      GcGeInterval r1, r2;
      cci.getOverlapRanges(0, r1, r2);
      EXPECT_NEAR(r1.lowerBound(), c.overlapLo, 1e-9);
      EXPECT_NEAR(r1.upperBound(), c.overlapHi, 1e-9);
      // Both ranges cover the same stretch of plane.
      const GcGePoint2d ends1[2] = {c.a->gcEvalPoint(r1.lowerBound()), c.a->gcEvalPoint(r1.upperBound())};
      const GcGePoint2d ends2[2] = {c.b->gcEvalPoint(r2.lowerBound()), c.b->gcEvalPoint(r2.upperBound())};
      const bool same = near(ends1[0], ends2[0], 1e-9) && near(ends1[1], ends2[1], 1e-9);
      const bool flipped = near(ends1[0], ends2[1], 1e-9) && near(ends1[1], ends2[0], 1e-9);
      EXPECT_TRUE(same || flipped);
      EXPECT_EQ(cci.isOverlapCodirectional(0), same);
    }
    // The same point set whichever curve is first and whichever way each one runs.
    CurvePtr ra(c.a->copyCurve()), rb(c.b->copyCurve());
    ra->gcReverseParam();
    rb->gcReverseParam();
    const std::pair<CurvePtr, CurvePtr> variants[] = {{c.b, c.a}, {ra, c.b}, {c.a, rb}, {rb, ra}};
    for (const auto& [x, y] : variants) {
      const GcGeCurveCurveInt2d other(*x, *y);
      ASSERT_EQ(other.numIntPoints(), static_cast<int>(c.points.size()));
      EXPECT_EQ(other.overlapCount(), c.overlaps);
      for (const Expected& e : c.points) {
        bool found = false;
        for (int i = 0; i < other.numIntPoints(); ++i)
          found = found || (near(other.intPoint(i), e.point, 1e-9) && other.isTangential(i) == e.tangent);
        EXPECT_TRUE(found) << "missing " << e.point.x << "," << e.point.y;
      }
      checkConsistent(other, *x, *y);
    }
  }
}

TEST(CurveCurveInt, MemberIntersectWith) {
  const GcGeCircArc2d c({0, 0}, 1);
  int n = 0;
  GcGePoint2d p1, p2;
  ASSERT_TRUE(c.intersectWith(GcGeLine2d({0, 0}, GcGeVector2d(1, 0)), n, p1, p2));
  EXPECT_EQ(n, 2);
  EXPECT_TRUE(p1.isEqualTo({1, 0}) || p1.isEqualTo({-1, 0}));
  EXPECT_FALSE(c.intersectWith(GcGeCircArc2d({0, 0}, 1, 0, 1), n, p1, p2)) << "overlap is no crossing";
  GcGePoint2d p;
  EXPECT_TRUE(GcGeLineSeg2d(GcGePoint2d(0, 0), GcGePoint2d(2, 2)).intersectWith(GcGeLineSeg2d(GcGePoint2d(0, 2), GcGePoint2d(2, 0)), p));
  EXPECT_TRUE(p.isEqualTo({1, 1}));
  EXPECT_FALSE(GcGeLineSeg2d(GcGePoint2d(0, 0), GcGePoint2d(1, 0)).intersectWith(GcGeLineSeg2d(GcGePoint2d(0, 0), GcGePoint2d(2, 0)), p));
}

} // namespace
