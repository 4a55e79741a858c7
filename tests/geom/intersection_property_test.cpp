// Randomised properties of curve-curve intersection: every reported point
// lies on both curves at its reported parameters, overlap ranges lie on
// both curves, and clear crossings (decided independently of the code under
// test) are never missed.
#include "geom_test_util.h"
#include "oracle.h"

#include "geom/curve_curve_int2d.h"

#include <gtest/gtest.h>


using namespace geomtest;
using vdgeom::kPi;
using vdgeom::kTwoPi;

namespace {

constexpr int kCases = 100000;
// Reported points may sit up to the equal-point tolerance off a curve, plus
// rounding of coordinates of size ~10.
constexpr double kOnTol = 2.5e-10;
// A crossing is "clear" when the deciding quantities are this far from 0.
constexpr double kMargin = 1e-7;

struct Gen : oracle::Rng {
  Gen() : Rng(20261206) {}
  GcGePoint2d point(double r = 10) { return {uni(-r, r), uni(-r, r)}; }
  GcGePoint2d gridPoint() { return {double(pick(7) - 3), double(pick(7) - 3)}; }
};

// Checks the properties shared by all pairs; returns the number of points.
int checkOnBoth(const GcGeCurve2d& a, const GcGeCurve2d& b, const GcGeCurveCurveInt2d& cci, int caseNo) {
  const GcGeInterval ia = a.interval(), ib = b.interval();
  for (int i = 0; i < cci.numIntPoints(); ++i) {
    double p1 = 0.0, p2 = 0.0;
    cci.getIntParams(i, p1, p2);
    const GcGePoint2d p = cci.intPoint(i);
    EXPECT_TRUE(ia.contains(p1) && ib.contains(p2)) << "case " << caseNo << " params " << p1 << " " << p2;
    const double d1 = a.gcEvalPoint(p1).distanceTo(p), d2 = b.gcEvalPoint(p2).distanceTo(p);
    if (d1 > kOnTol || d2 > kOnTol) {
      ADD_FAILURE() << "case " << caseNo << " point " << i << " (" << p.x << ", " << p.y << ") off curve 1 by "
                    << d1 << ", off curve 2 by " << d2;
      return -1;
    }
  }
  for (int i = 0; i < cci.overlapCount(); ++i) {
    GcGeInterval r1, r2;
    cci.getOverlapRanges(i, r1, r2);
    for (double t : {r1.lowerBound(), 0.5 * (r1.lowerBound() + r1.upperBound()), r1.upperBound()}) {
      if (b.distanceTo(a.gcEvalPoint(t)) > kOnTol) {
        ADD_FAILURE() << "case " << caseNo << " overlap " << i << " leaves curve 2 at " << t;
        return -1;
      }
    }
  }
  return cci.numIntPoints();
}

TEST(IntersectionProperty, ArcArc) {
  Gen g;
  int clearCount = 0;
  for (int n = 0; n < kCases; ++n) {
    const GcGePoint2d c0 = g.point(4);
    const double r0 = g.uni(0.2, 5);
    GcGePoint2d c1 = g.point(4);
    double r1 = g.uni(0.2, 5);
    if (g.pick(5) == 0) {
      // Nearly touching circles, inside or outside.
      const double ang = g.uni(0, kTwoPi), dist = g.pick(2) ? r0 + r1 : std::abs(r0 - r1);
      c1 = c0 + GcGeVector2d(std::cos(ang), std::sin(ang)) * (dist + g.uni(-3e-10, 3e-10));
    } else if (g.pick(6) == 0) {
      c1 = c0; // same circle: overlaps
      r1 = r0;
    }
    const bool full = g.pick(3) == 0;
    const GcGeCircArc2d a = full ? GcGeCircArc2d(c0, r0)
                                 : GcGeCircArc2d(c0, r0, g.uni(0, kTwoPi), g.uni(0, kTwoPi),
                                                 GcGeVector2d(g.uni(-1, 1), g.uni(-1, 1)), g.pick(2) == 0);
    const GcGeCircArc2d b = full ? GcGeCircArc2d(c1, r1)
                                 : GcGeCircArc2d(c1, r1, g.uni(0, kTwoPi), g.uni(0, kTwoPi),
                                                 GcGeVector2d(g.uni(-1, 1), g.uni(-1, 1)), g.pick(2) == 0);
    const GcGeCurveCurveInt2d cci(a, b);
    const int found = checkOnBoth(a, b, cci, n);
    ASSERT_GE(found, 0);
    ASSERT_LE(found, 2);
    const double d = c0.distanceTo(c1);
    if (full && d > std::abs(r0 - r1) + kMargin && d < r0 + r1 - kMargin) {
      ++clearCount;
      ASSERT_EQ(found, 2) << "full circles that cross twice, case " << n;
      ASSERT_FALSE(cci.isTangential(0) || cci.isTangential(1));
    }
  }
  EXPECT_GT(clearCount, kCases / 10);
}

} // namespace
