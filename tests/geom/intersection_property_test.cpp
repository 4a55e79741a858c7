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

double side(const GcGePoint2d& a, const GcGePoint2d& b, const GcGePoint2d& p) {
  const GcGeVector2d d = b - a;
  return d.crossProduct(p - a) / d.length();
}

TEST(IntersectionProperty, SegmentSegment) {
  Gen g;
  int crossings = 0, touches = 0, overlaps = 0;
  for (int n = 0; n < 2 * kCases; ++n) {
    GcGePoint2d a0 = g.point(), a1 = g.point(), b0 = g.point(), b1 = g.point();
    switch (g.pick(5)) {
    case 0: // an end of b on a
      b0 = a0 + (a1 - a0) * g.uni(0, 1);
      break;
    case 1: { // collinear
      const GcGeVector2d d = a1 - a0;
      b0 = a0 + d * g.uni(-1, 2);
      b1 = a0 + d * g.uni(-1, 2);
      break;
    }
    case 2: { // nearly parallel, within a few tolerances
      const GcGeVector2d nrm = (a1 - a0).perpVector().normal();
      b0 = a0 + (a1 - a0) * g.uni(-0.5, 0.5) + nrm * g.uni(-3e-10, 3e-10);
      b1 = a1 + (a1 - a0) * g.uni(-0.5, 0.5) + nrm * g.uni(-3e-10, 3e-10);
      break;
    }
    case 3: // small integer grid: exact touches and collinear runs
      a0 = g.gridPoint(), a1 = g.gridPoint(), b0 = g.gridPoint(), b1 = g.gridPoint();
      break;
    default:
      break;
    }
    if (a0.isEqualTo(a1) || b0.isEqualTo(b1))
      continue;
    const GcGeLineSeg2d a(a0, a1), b(b0, b1);
    const GcGeCurveCurveInt2d cci(a, b);
    const int found = checkOnBoth(a, b, cci, n);
    ASSERT_GE(found, 0);
    overlaps += cci.overlapCount();
    // Clear proper crossing: each segment's ends lie on opposite sides of
    // the other's line, by a margin.
    const double s0 = side(a0, a1, b0), s1 = side(a0, a1, b1);
    const double s2 = side(b0, b1, a0), s3 = side(b0, b1, a1);
    const bool clear = s0 * s1 < 0 && s2 * s3 < 0 && std::min({std::abs(s0), std::abs(s1), std::abs(s2), std::abs(s3)}) > kMargin;
    if (clear) {
      ++crossings;
      ASSERT_EQ(found, 1) << "missed or doubled crossing, case " << n;
      ASSERT_FALSE(cci.isTangential(0));
    } else if (found > 0) {
      ++touches;
    }
    ASSERT_LE(found + cci.overlapCount(), 1) << "two segments meet once at most, case " << n;
  }
  // The generator must actually produce each situation.
  EXPECT_GT(crossings, kCases / 10);
  EXPECT_GT(touches, kCases / 20);
  EXPECT_GT(overlaps, kCases / 20);
}

TEST(IntersectionProperty, SegmentArc) {
  Gen g;
  int clearCount = 0;
  for (int n = 0; n < kCases; ++n) {
    const GcGePoint2d c = g.point(5);
    const double r = g.uni(0.1, 6);
    const GcGeCircArc2d arc(c, r, g.uni(0, kTwoPi), g.uni(0, kTwoPi), GcGeVector2d(g.uni(-1, 1), g.uni(-1, 1)),
                            g.pick(2) == 0);
    GcGePoint2d p0 = g.point(), p1 = g.point();
    if (g.pick(4) == 0) {
      // Near-tangent: a chord at distance r +- a few tolerances.
      const double ang = g.uni(0, kTwoPi);
      const GcGeVector2d u(std::cos(ang), std::sin(ang));
      const GcGePoint2d foot = c + u * (r + g.uni(-3e-10, 3e-10));
      p0 = foot + u.perpVector() * g.uni(-8, 0);
      p1 = foot + u.perpVector() * g.uni(0, 8);
    }
    if (p0.isEqualTo(p1))
      continue;
    const GcGeLineSeg2d s(p0, p1);
    const GcGeCurveCurveInt2d cci(s, arc);
    const int found = checkOnBoth(s, arc, cci, n);
    ASSERT_GE(found, 0);
    ASSERT_LE(found, 2);
    // Clear crossing: one end inside, one outside the circle by a margin;
    // the crossing (by bisection on the distance to the centre) lies well
    // inside the arc.
    const double f0 = p0.distanceTo(c) - r, f1 = p1.distanceTo(c) - r;
    if (f0 * f1 < 0 && std::min(std::abs(f0), std::abs(f1)) > kMargin) {
      double lo = 0, hi = 1;
      for (int it = 0; it < 80; ++it) {
        const double m = 0.5 * (lo + hi);
        ((s.gcEvalPoint(m).distanceTo(c) - r < 0) == (f0 < 0) ? lo : hi) = m;
      }
      const GcGePoint2d x = s.gcEvalPoint(lo);
      if (arc.isOn(x, GcGeTol(1e-9, 1e-9)) && x.distanceTo(arc.startPoint()) > kMargin &&
          x.distanceTo(arc.endPoint()) > kMargin) {
        ++clearCount;
        bool hit = false;
        for (int i = 0; i < found; ++i)
          hit = hit || cci.intPoint(i).distanceTo(x) < 1e-8;
        ASSERT_TRUE(hit) << "missed crossing at " << x.x << "," << x.y << " case " << n;
      }
    }
  }
  EXPECT_GT(clearCount, kCases / 20);
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

// Implicit function of an ellipse: negative inside.
double implicit(const GcGeEllipArc2d& e, const GcGePoint2d& p) {
  const GcGeVector2d v = p - e.center();
  const double u = v.dotProduct(e.majorAxis()) / e.majorRadius(), w = v.dotProduct(e.minorAxis()) / e.minorRadius();
  return u * u + w * w - 1.0;
}

GcGeEllipArc2d randomEllipse(Gen& g, bool full) {
  const double rot = g.uni(0, kTwoPi);
  const GcGeVector2d major(std::cos(rot), std::sin(rot));
  const GcGeVector2d minor = g.pick(2) ? major.perpVector() : -major.perpVector();
  const double a = g.uni(0.5, 6), b = a * g.uni(0.15, 1.0);
  if (full)
    return GcGeEllipArc2d(g.point(3), major, minor, a, b);
  return GcGeEllipArc2d(g.point(3), major, minor, a, b, g.uni(0, kTwoPi), g.uni(0, kTwoPi));
}

TEST(IntersectionProperty, SegmentEllipse) {
  Gen g;
  int clearCount = 0;
  for (int n = 0; n < kCases; ++n) {
    const bool full = g.pick(2) == 0;
    const GcGeEllipArc2d e = randomEllipse(g, full);
    const GcGePoint2d p0 = g.point(), p1 = g.point();
    const GcGeLineSeg2d s(p0, p1);
    const GcGeCurveCurveInt2d cci(s, e);
    const int found = checkOnBoth(s, e, cci, n);
    ASSERT_GE(found, 0);
    ASSERT_LE(found, 2);
    const double f0 = implicit(e, p0), f1 = implicit(e, p1);
    if (full && f0 * f1 < 0 && std::min(std::abs(f0), std::abs(f1)) > kMargin) {
      ++clearCount;
      ASSERT_EQ(found, 1) << "one end inside, one outside, case " << n;
    }
  }
  EXPECT_GT(clearCount, kCases / 25);
}

TEST(IntersectionProperty, EllipseEllipseAndCircle) {
  Gen g;
  int counted = 0;
  for (int n = 0; n < kCases; ++n) {
    const bool full = g.pick(2) == 0;
    const GcGeEllipArc2d a = randomEllipse(g, full);
    const GcGeEllipArc2d b = g.pick(3) == 0 ? GcGeEllipArc2d(GcGeCircArc2d(g.point(3), g.uni(0.3, 5)))
                                            : randomEllipse(g, full);
    const GcGeCurveCurveInt2d cci(a, b);
    const int found = checkOnBoth(a, b, cci, n);
    ASSERT_GE(found, 0);
    ASSERT_LE(found, 4);
    // Every 50th full pair: count sign changes of a's implicit function
    // along b; with all samples clear of zero this is the crossing count.
    if (full && b.gcIsClosed() && n % 50 == 0) {
      const int m = 4096;
      int changes = 0;
      double prev = implicit(a, b.gcEvalPoint(0)), minAbs = std::abs(prev);
      for (int i = 1; i <= m; ++i) {
        const double f = implicit(a, b.gcEvalPoint(kTwoPi * i / m));
        changes += (f < 0) != (prev < 0);
        minAbs = std::min(minAbs, std::abs(f));
        prev = f;
      }
      if (minAbs > 1e-3) {
        ++counted;
        int transversal = 0;
        for (int i = 0; i < found; ++i)
          transversal += cci.isTangential(i) ? 0 : 1;
        ASSERT_EQ(transversal, changes) << "case " << n;
      }
    }
  }
  EXPECT_GT(counted, kCases / 200);
}

} // namespace
