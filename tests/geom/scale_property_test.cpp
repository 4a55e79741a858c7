// The geometry library at every feature size from 1e-6 to 1e7 and at offsets
// up to 1e9 (survey coordinates in millimetres), against reference geometry
// in long double (oracle.h): points placed on a curve are on it, the points
// the library computes lie on the curves they belong to (by the library's own
// test and by the reference), intersections built to have a known answer
// have it, and nearest points are the nearest. Fixed seeds; each property
// counts its failures per scale and must have none.
#include "geom_test_util.h"
#include "oracle.h"

#include "geom/curve_curve_int2d.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

using namespace oracle;
using geomtest::CurvePtr;

namespace {

// A library curve with its reference twin, both made from the same doubles.
struct Made {
  CurvePtr curve;
  std::function<ld(P)> distTo;      // reference distance from a point
  std::function<P(ld)> pointAt;     // reference point for u in [0, 1]
  std::string what;
  // The equal-point distance the documentation gives the curve: at the
  // magnitude of its ends, or of an arc's centre plus its radius (the
  // largest over a polyline's members).
  double tol = 0;
};

double magOf(P p) { return static_cast<double>(std::max(std::abs(p.x), std::abs(p.y))); }

Made makeSegment(Rng& g, const Scale& s, P base) {
  GcGePoint2d a = nearPoint(g, base, s.size), b = nearPoint(g, base, s.size);
  while (of(a).x == of(b).x && of(a).y == of(b).y)
    b = nearPoint(g, base, s.size);
  const Segment ref{of(a), of(b)};
  return {std::make_shared<GcGeLineSeg2d>(a, b), [ref](P q) { return ref.distTo(q); },
          [ref](ld u) { return ref.at(u); }, "segment " + fmt(a) + " " + fmt(b),
          tolAt(std::max(magOf(of(a)), magOf(of(b))))};
}

// A library arc from centre, radius and angles, and the reference arc with
// those very numbers.
Made arcFrom(const GcGePoint2d& c, double r, double a0, double a1, bool cw) {
  const auto lib = std::make_shared<GcGeCircArc2d>(c, r, a0, a1, GcGeVector2d::kXAxis, cw);
  Arc ref;
  ref.c = of(c);
  ref.r = r;
  // The library keeps the start in [0, 2pi) and the sweep a1 - a0 in [0, 2pi].
  ld sweep = ld(a1) - ld(a0);
  sweep = std::min(sweep, 2 * kPi);
  ref.a0 = cw ? -ld(a0) : ld(a0);
  ref.sweep = cw ? -sweep : sweep;
  return {lib, [ref](P q) { return ref.distTo(q); }, [ref](ld u) { return ref.at(u * ref.sweep); },
          message(cw ? "cw " : "", "arc c ", fmt(c), " r ", r, " ", a0, "..", a1), tolAt(magOf(ref.c) + r)};
}

// An arc whose points run from `before` radians on one side of the absolute
// angle `at` to `after` on the other, either way round.
Made arcAround(const GcGePoint2d& c, double r, double at, double before, double after, bool cw) {
  // A clockwise arc's points lie at the negated angles.
  return cw ? arcFrom(c, r, -at - before, -at + after, true) : arcFrom(c, r, at - before, at + after, false);
}

Made makeArc(Rng& g, const Scale& s, P base, bool full = false) {
  const GcGePoint2d c = nearPoint(g, base, s.size / 2);
  const double r = s.size * g.uni(0.1, 0.5);
  const double a0 = g.uni(0, 6.283185307179586);
  const double sweep = full ? 6.283185307179586 : g.uni(0.2, 6.0);
  return arcFrom(c, r, a0, a0 + sweep, g.pick(2) == 0);
}

Made makeEllipse(Rng& g, const Scale& s, P base, bool full) {
  const GcGePoint2d c = nearPoint(g, base, s.size / 2);
  const double phi = g.uni(0, 6.283185307179586);
  const GcGeVector2d major(std::cos(phi), std::sin(phi));
  const bool cw = g.pick(2) == 0;
  const GcGeVector2d minor = cw ? -major.perpVector() : major.perpVector();
  const double A = s.size * g.uni(0.1, 0.5), B = A * g.logUni(-1.3, 0);
  const double t0 = g.uni(0, 6.283185307179586);
  const double sweep = full ? 6.283185307179586 : g.uni(0.2, 6.0);
  const auto lib = std::make_shared<GcGeEllipArc2d>(c, major, minor, A, B, t0, t0 + sweep);
  Ellipse ref;
  ref.c = of(c);
  ref.u = unit(P{major.x, major.y});
  ref.v = cw ? P{ref.u.y, -ref.u.x} : perp(ref.u);
  ref.A = A;
  ref.B = B;
  ref.t0 = t0;
  ref.t1 = full ? t0 + 2 * kPi : ld(t0) + std::min(ld(t0 + sweep) - ld(t0), 2 * kPi);
  return {lib, [ref](P q) { return ref.distTo(q); }, [ref](ld u) { return ref.at(ref.t0 + u * (ref.t1 - ref.t0)); },
          message("ellipse c ", fmt(c), " phi ", phi, " A ", A, " B ", B, " t ", t0, " + ", sweep, cw ? " cw" : ""),
          tolAt(magOf(ref.c) + A)};
}

// The circle through three points, run from a through m to b.
Arc circleThrough(P a, P m, P b) {
  const P u = m - a, v = b - a;
  const ld d = 2 * cross(u, v);
  const ld uu = dot(u, u), vv = dot(v, v);
  const P off{(v.y * uu - u.y * vv) / d, (u.x * vv - v.x * uu) / d};
  Arc arc;
  arc.c = a + off;
  arc.r = len(off);
  const P sa = off * ld(-1), sb = b - arc.c;
  arc.a0 = std::atan2(sa.y, sa.x);
  const ld ab = std::atan2(sb.y, sb.x);
  arc.sweep = d > 0 ? wrap(ab - arc.a0) : -wrap(arc.a0 - ab);
  arc.anchored = true;
  arc.p0 = a;
  return arc;
}

// A polyline of segments and arcs through three points each (the point
// halfway along a bulged member), bulges from 1e-12 to about 2.
struct Polyline {
  Made made;
  std::vector<GcGePoint2d> vertices;
  std::vector<std::function<ld(P)>> memberDist;
  std::vector<std::function<P(ld)>> memberAt;
};

Polyline makePolyline(Rng& g, const Scale& s, P base, int members) {
  Polyline out;
  std::vector<CurvePtr> parts;
  GcGePoint2d at = nearPoint(g, base, s.size / 2);
  out.vertices.push_back(at);
  std::string what = "polyline " + fmt(at);
  for (int i = 0; i < members; ++i) {
    const double ang = g.uni(0, 6.283185307179586);
    const GcGePoint2d next = rounded(of(at) + dir(ang) * ld(s.size * g.uni(0.3, 0.8)));
    double bulge = 0;
    if (g.pick(3) != 0)
      bulge = (g.pick(2) ? 1 : -1) * g.logUni(-12, 0.3);
    bool arcMade = false;
    if (bulge != 0) {
      const GcGePoint2d mid = rounded(bulgeMid(of(at), of(next), bulge));
      auto arc = std::make_shared<GcGeCircArc2d>();
      if (arc->set(at, mid, next)) {
        parts.push_back(arc);
        const Arc ref = circleThrough(of(at), of(mid), of(next));
        out.memberDist.push_back([ref](P q) { return ref.distTo(q); });
        out.memberAt.push_back([ref](ld u) { return ref.at(u * ref.sweep); });
        out.made.tol = std::max(out.made.tol, tolAt(magOf(ref.c) + static_cast<double>(ref.r)));
        arcMade = true;
      }
    }
    if (!arcMade) {
      parts.push_back(std::make_shared<GcGeLineSeg2d>(at, next));
      const Segment ref{of(at), of(next)};
      out.memberDist.push_back([ref](P q) { return ref.distTo(q); });
      out.memberAt.push_back([ref](ld u) { return ref.at(u); });
      out.made.tol = std::max(out.made.tol, tolAt(std::max(magOf(ref.a), magOf(ref.b))));
    }
    what += message(" b ", bulge, " ", fmt(next));
    at = next;
    out.vertices.push_back(at);
  }
  const auto dists = out.memberDist;
  const auto ats = out.memberAt;
  out.made.pointAt = [ats](ld u) {
    const ld x = std::clamp(u, ld(0), ld(1)) * ats.size();
    const std::size_t i = std::min(static_cast<std::size_t>(x), ats.size() - 1);
    return ats[i](x - i);
  };
  out.made.curve = geomtest::composite(parts);
  out.made.distTo = [dists](P q) {
    ld best = std::numeric_limits<ld>::infinity();
    for (const auto& d : dists)
      best = std::min(best, d(q));
    return best;
  };
  out.made.what = what;
  return out;
}

// Points put on a curve by construction are on it, by the library's test
// and with the parameter it gives; points moved off by many tolerances are
// not; the nearest point the library finds lies on the reference curve.
TEST(ScaleProperty, PointsOnAndOffCurves) {
  atEveryScale({"points on and off curves"}, 101, 60, false,
               [&](Rng& g, const Scale& s, P base, int, auto& tallies) {
    Tally& t = *tallies[0];
    std::vector<Made> curves = {makeSegment(g, s, base), makeArc(g, s, base), makeArc(g, s, base, true),
                                makeEllipse(g, s, base, g.pick(2) == 0), makePolyline(g, s, base, 3).made};
    for (const Made& m : curves) {
      if (!m.pointAt)
        continue;
      for (int k = 0; k < 6; ++k) {
        ++t.cases;
        const P exact = m.pointAt(g.uni(0, 1));
        const GcGePoint2d p = rounded(exact);
        double param = 0;
        const bool on = m.curve->isOn(p, param);
        t.check(on, [&] { return m.what + ": point " + fmt(p) + " built on it is not on it"; });
        if (!on)
          continue;
        const double curveTol = std::max(m.tol, s.tol());
        const double back = static_cast<double>(dist(of(m.curve->gcEvalPoint(param)), of(p)));
        t.check(back <= curveTol, [&] { return m.what + ": the parameter of " + fmt(p) + " is " + std::to_string(back) + " away"; });
        const GcGePoint2d c = m.curve->closestPointTo(p);
        const double off = static_cast<double>(m.distTo(of(c)));
        t.check(off <= curveTol, [&] { return m.what + ": nearest point " + fmt(c) + " is off the curve by " + std::to_string(off); });
        // Off the curve by 30 of its tolerances, in a random direction:
        // the reference distance decides.
        if (30 * curveTol > 1e-2 * s.size)
          continue;
        const GcGePoint2d q = rounded(exact + dir(g.uni(0, 2 * 3.14159265)) * ld(30 * curveTol));
        const ld dq = m.distTo(of(q));
        if (dq > 3 * curveTol)
          t.check(!m.curve->isOn(q), [&] { return m.what + ": " + fmt(q) + " is " + std::to_string(double(dq)) + " off but on"; });
      }
    }
  });
}

// Every point an intersection reports lies on both curves, by the library's
// own test (a split cuts where that test holds) and by the reference, and
// its parameters give it back.
TEST(ScaleProperty, IntersectionPointsLieOnBothCurves) {
  atEveryScale({"intersection points on both curves"}, 202, 500, false,
               [&](Rng& g, const Scale& s, P base, int, auto& tallies) {
    Tally& t = *tallies[0];
    auto make = [&](int kind) -> Made {
      switch (kind) {
      case 0:
        return makeSegment(g, s, base);
      case 1:
        return makeArc(g, s, base, g.pick(3) == 0);
      case 2:
        return makeEllipse(g, s, base, g.pick(2) == 0);
      default:
        return makePolyline(g, s, base, 2 + g.pick(3)).made;
      }
    };
    const Made a = make(g.pick(4)), b = make(g.pick(4));
    const GcGeCurveCurveInt2d cci(*a.curve, *b.curve);
    ++t.cases;
    for (int i = 0; i < cci.numIntPoints(); ++i) {
      const GcGePoint2d p = cci.intPoint(i);
      double p1 = 0, p2 = 0;
      cci.getIntParams(i, p1, p2);
      auto what = [&](const std::string& msg) { return a.what + " x " + b.what + ": point " + fmt(p) + " " + msg; };
      t.check(a.curve->isOn(p) && b.curve->isOn(p), [&] {
        return what(message("fails the library's own isOn: ", a.curve->distanceTo(p),
                            " from the first (its tolerance there ", a.curve->equalPointAt(a.curve->closestParamTo(p)),
                            "), ", b.curve->distanceTo(p), " from the second (",
                            b.curve->equalPointAt(b.curve->closestParamTo(p)), ")"));
      });
      // A contact is decided at the looser tolerance of the two curves.
      const double pairTol = std::max({a.tol, b.tol, s.tol()});
      const double da = static_cast<double>(a.distTo(of(p))), db = static_cast<double>(b.distTo(of(p)));
      t.check(da <= 2 * pairTol && db <= 2 * pairTol,
              [&] { return what("is " + std::to_string(da) + " and " + std::to_string(db) + " off the curves"); });
      const double e1 = a.curve->gcEvalPoint(p1).distanceTo(p), e2 = b.curve->gcEvalPoint(p2).distanceTo(p);
      t.check(e1 <= 2 * pairTol && e2 <= 2 * pairTol,
              [&] { return what("has parameters " + std::to_string(e1) + " and " + std::to_string(e2) + " away"); });
    }
  });
}

// Runs the intersection both ways round and reports the points of the
// first curve's view.
struct BothWays {
  int count = -1;     // equal both ways, or -1
  int overlaps = -1;
  std::vector<GcGePoint2d> points;
  std::vector<bool> tangent;
};
BothWays intersectBothWays(const GcGeCurve2d& a, const GcGeCurve2d& b) {
  const GcGeCurveCurveInt2d ab(a, b), ba(b, a);
  BothWays r;
  if (ab.numIntPoints() == ba.numIntPoints())
    r.count = ab.numIntPoints();
  if (ab.overlapCount() == ba.overlapCount())
    r.overlaps = ab.overlapCount();
  for (int i = 0; i < ab.numIntPoints(); ++i) {
    r.points.push_back(ab.intPoint(i));
    r.tangent.push_back(ab.isTangential(i));
  }
  return r;
}

// A segment through two points of a circle (extended past them) crosses it
// exactly there; a segment along the tangent at a point touches it once.
TEST(ScaleProperty, ChordsAndTangentsOfCircles) {
  atEveryScale({"chords of circles", "tangents of circles"}, 303, 400, true,
               [&](Rng& g, const Scale& s, P base, int, auto& tallies) {
    Tally &tc = *tallies[0], &tt = *tallies[1];
    const GcGePoint2d c = nearPoint(g, base, s.size / 2);
    const double r = s.size * g.uni(0.1, 0.5);
    const double alpha = g.uni(0, 6.283185307179586);
    const double beta = alpha + g.uni(0.3, 6.283185307179586 - 0.3);
    const P pa = of(c) + dir(alpha) * ld(r), pb = of(c) + dir(beta) * ld(r);
    const ld k = g.uni(0.05, 1.0);
    const GcGePoint2d s0 = rounded(pa - (pb - pa) * k), s1 = rounded(pb + (pb - pa) * k);
    // An arc that holds both crossings well inside, or the whole circle.
    const bool full = g.pick(3) == 0;
    const double a0 = alpha - g.uni(0.05, 0.25);
    const Made arc = full ? arcFrom(c, r, 0, 6.283185307179586, false) : arcFrom(c, r, a0, beta + g.uni(0.05, 0.25), false);
    const GcGeLineSeg2d seg(s0, s1);
    // The exact crossings of the rounded segment with the circle.
    ld tx[2];
    ++tc.cases;
    if (lineCircle(of(s0), of(s1), of(c), r, tx) != 2)
      return;
    const BothWays hits = intersectBothWays(seg, *arc.curve);
    auto what = [&] { return arc.what + " x segment " + fmt(s0) + " " + fmt(s1); };
    tc.check(hits.count == 2 && hits.overlaps == 0, [&] {
      return what() + ": " + std::to_string(hits.count) + " points, " + std::to_string(hits.overlaps) + " overlaps";
    });
    if (hits.count == 2) {
      const P x0 = of(s0) + (of(s1) - of(s0)) * tx[0], x1 = of(s0) + (of(s1) - of(s0)) * tx[1];
      // Crossings at an angle of at least ~0.15 rad: a point off its place
      // along the segment by more than a few tolerances is wrong.
      const double d0 = static_cast<double>(dist(of(hits.points[0]), x0));
      const double d1 = static_cast<double>(dist(of(hits.points[1]), x1));
      tc.check(d0 <= 20 * s.tol() && d1 <= 20 * s.tol() && !hits.tangent[0] && !hits.tangent[1],
               [&] { return what() + ": crossings " + std::to_string(d0) + " and " + std::to_string(d1) + " off"; });
    }

    // Tangent at the point at angle alpha.
    ++tt.cases;
    const P tan = perp(dir(alpha));
    const ld reach = ld(r) * g.uni(0.1, 1.0);
    const GcGeLineSeg2d touch(rounded(pa - tan * reach), rounded(pa + tan * reach * ld(g.uni(0.1, 1.0))));
    const Made circle = arcAround(c, r, alpha, g.uni(0.2, 1.0), g.uni(0.2, 1.0), g.pick(2) == 0);
    const BothWays th = intersectBothWays(touch, *circle.curve);
    tt.check(th.count == 1 && th.overlaps == 0 && th.tangent[0],
             [&] { return circle.what + ": the tangent at " + std::to_string(alpha) + " meets it " + std::to_string(th.count) + " times"; });
  });
}

// A segment through a vertex of a polyline meets it once there, however the
// members on either side are made; a line tangent to an arc at its end (the
// fillet case) touches it once, at the end.
TEST(ScaleProperty, OneContactAtAJointOrAnArcEnd) {
  atEveryScale({"segments through a polyline vertex", "tangents at an arc end"}, 404, 400, true,
               [&](Rng& g, const Scale& s, P base, int, auto& tallies) {
    Tally &tj = *tallies[0], &tf = *tallies[1];
    Polyline poly = makePolyline(g, s, base, 3);
    const int vi = 1 + g.pick(2);
    const GcGePoint2d v = poly.vertices[static_cast<std::size_t>(vi)];
    const auto& comp = static_cast<const GcGeCompositeCurve2d&>(*poly.made.curve);
    // A direction well away from both members' tangents at the vertex.
    const double ang =
        angleAcross(g, comp.curveAt(vi - 1).evalDeriv(comp.curveAt(vi - 1).interval().upperBound()).normal(),
                    comp.curveAt(vi).evalDeriv(comp.curveAt(vi).interval().lowerBound()).normal());
    const ld k0 = s.size * g.uni(0.05, 0.5), k1 = s.size * g.uni(0.05, 0.5);
    const GcGeLineSeg2d line(rounded(of(v) - dir(ang) * k0), rounded(of(v) + dir(ang) * k1));
    ++tj.cases;
    for (bool swapped : {false, true}) {
      const GcGeCurveCurveInt2d cci(swapped ? static_cast<const GcGeCurve2d&>(line) : comp,
                                    swapped ? static_cast<const GcGeCurve2d&>(comp) : line);
      int nearV = 0;
      double worst = 0;
      for (int i = 0; i < cci.numIntPoints(); ++i) {
        const double d = cci.intPoint(i).distanceTo(v);
        if (d <= 1e-3 * s.size) {
          ++nearV;
          worst = std::max(worst, d);
        }
      }
      tj.check(nearV == 1 && worst <= 2 * s.tol() && cci.overlapCount() == 0, [&] {
        return poly.made.what + (swapped ? " (swapped)" : "") + ": segment through vertex " + std::to_string(vi) +
               " meets it " + std::to_string(nearV) + " times there, worst " + std::to_string(worst);
      });
    }

    // Fillet: an arc whose start is tangent to a line along its start
    // direction; also a tangent a hair inside the arc's end.
    ++tf.cases;
    const GcGePoint2d c = nearPoint(g, base, s.size / 2);
    const double r = s.size * g.uni(0.1, 0.5);
    const double a0 = g.uni(0, 6.283185307179586), sweep = g.uni(0.2, 3.0);
    const bool cw = g.pick(2) == 0;
    const Made arc = arcFrom(c, r, a0, a0 + sweep, cw);
    const double inset = g.pick(2) == 0 ? 0.0 : g.logUni(-9, -6);
    const ld at = cw ? -(ld(a0) + inset) : ld(a0) + inset;
    const P tp = of(c) + dir(at) * ld(r), td = perp(dir(at));
    const GcGeLineSeg2d tangent(rounded(tp - td * ld(r * g.uni(0.2, 1.0))), rounded(tp + td * ld(r * g.uni(0.2, 1.0))));
    const BothWays fh = intersectBothWays(tangent, *arc.curve);
    const double off = fh.count >= 1 ? static_cast<double>(dist(of(fh.points[0]), tp)) : -1;
    tf.check(fh.count == 1 && fh.overlaps == 0, [&] {
      return arc.what + ": tangent " + std::to_string(inset) + " inside its start meets it " + std::to_string(fh.count) +
             " times (first " + std::to_string(off) + " from the touch)";
    });
  });
}

// Two arcs of one circle overlap at every radius and offset; two circles
// whose points are more than the tolerance apart somewhere are not one.
TEST(ScaleProperty, SameCircleAndNearlyCoincidentCircles) {
  atEveryScale({"arcs of one circle", "circles a little more than the tolerance apart"}, 505, 300, true,
               [&](Rng& g, const Scale& s, P base, int, auto& tallies) {
    Tally &ts = *tallies[0], &tn = *tallies[1];
    const GcGePoint2d c = nearPoint(g, base, s.size / 2);
    const double r = s.size * g.uni(0.1, 0.5);
    const double a0 = g.uni(0, 6.0), b0 = a0 + g.uni(0.1, 1.0);
    // Arcs of the same circle, one with its reference turned: the same
    // point set must be recognised however the arc is described.
    const GcGeCircArc2d one(c, r, a0, a0 + 1.5);
    const double turn = g.uni(0, 6.0);
    const GcGeCircArc2d two(c, r, b0 - turn, b0 - turn + 1.5, GcGeVector2d(std::cos(turn), std::sin(turn)));
    ++ts.cases;
    const BothWays o = intersectBothWays(one, two);
    ts.check(o.overlaps == 1 && o.count == 0, [&] {
      return message("circle ", fmt(c), " r ", r, ": arcs ", a0, " and ", b0, " give ", o.overlaps, " overlaps, ",
                     o.count, " points");
    });
    // Full circles whose centres and radii each differ by 0.7 of the
    // tolerance: 1.4 tolerances apart on one side, so not one circle; they
    // touch on the other side.
    ++tn.cases;
    const double e = 0.7 * oracle::tolAt(std::max(std::abs(c.x), std::abs(c.y)) + r);
    const double ang = g.uni(0, 6.283185307179586);
    const GcGePoint2d c2 = rounded(of(c) + dir(ang) * ld(e));
    const double r2 = r + e;
    const ld gap = std::abs(dist(of(c), of(c2)) + (ld(r2) - ld(r)));
    if (gap < 1.2 * oracle::tolAt(std::max(std::abs(c.x), std::abs(c.y)) + r))
      return;
    const BothWays nc = intersectBothWays(GcGeCircArc2d(c, r), GcGeCircArc2d(c2, r2));
    tn.check(nc.overlaps == 0, [&] {
      return message("circles ", fmt(c), " r ", r, " and ", fmt(c2), " r ", r2, " (", double(gap),
                     " apart) count as one");
    });
  });
}

// A segment through two points of an ellipse crosses it exactly twice.
TEST(ScaleProperty, ChordsOfEllipses) {
  atEveryScale({"chords of ellipses"}, 606, 300, true,
               [&](Rng& g, const Scale& s, P base, int, auto& tallies) {
    Tally& t = *tallies[0];
    Made e = makeEllipse(g, s, base, true);
    const ld u0 = g.uni(0, 1), u1 = u0 + g.uni(0.08, 0.92);
    const P pa = e.pointAt(u0), pb = e.pointAt(u1 - (u1 > 1 ? 1 : 0));
    if (dist(pa, pb) < 0.05 * s.size)
      return;
    const ld k = g.uni(0.05, 1.0);
    const GcGeLineSeg2d seg(rounded(pa - (pb - pa) * k), rounded(pb + (pb - pa) * k));
    ++t.cases;
    const BothWays h = intersectBothWays(seg, *e.curve);
    t.check(h.count == 2 && h.overlaps == 0, [&] { return e.what + ": chord meets it " + std::to_string(h.count) + " times"; });
  });
}

// The nearest point on a curve is the nearest: at most a tolerance farther
// than the reference's nearest distance, and on the curve. Queries anywhere
// around the curve and close to the start of closed ellipses, where their
// parameter wraps round.
TEST(ScaleProperty, NearestPoints) {
  atEveryScale({"nearest points"}, 707, 40, false,
               [&](Rng& g, const Scale& s, P base, int n, auto& tallies) {
    Tally& t = *tallies[0];
    const int kind = n % 4;
    const Made m = kind == 0 ? makeEllipse(g, s, base, true)
                             : kind == 1 ? makeEllipse(g, s, base, false)
                                         : kind == 2 ? makeArc(g, s, base) : makePolyline(g, s, base, 3).made;
    for (int k = 0; k < 40; ++k) {
      P q;
      if (k % 2 == 0) {
        q = base + P{g.uni(-s.size, s.size), g.uni(-s.size, s.size)};
      } else {
        // Close to the curve's start, on either side.
        const P p0 = m.pointAt(g.pick(2) ? g.uni(0, 1e-3) : 1 - g.uni(0, 1e-3));
        q = p0 + dir(g.uni(0, 6.3)) * ld(s.size * g.logUni(-4, -0.5));
      }
      const GcGePoint2d qd = rounded(q);
      ++t.cases;
      const GcGePoint2d c = m.curve->closestPointTo(qd);
      const ld want = m.distTo(of(qd));
      const ld got = dist(of(c), of(qd));
      const ld onCurve = m.distTo(of(c));
      const double curveTol = std::max(m.tol, s.tol());
      t.check(got <= want + 2 * curveTol && onCurve <= 2 * curveTol, [&] {
        return message(m.what, ": nearest to ", fmt(qd), " is ", fmt(c), " at ", double(got), ", the reference ",
                       double(want), " (answer ", double(onCurve), " off the curve)");
      });
    }
  });
}

// An arc through three points starts and ends exactly at the outer two,
// however flat (bulges down to 1e-12) and wherever it lies.
TEST(ScaleProperty, ArcsThroughThreePointsKeepTheirEnds) {
  atEveryScale({"arcs through three points"}, 808, 300, false,
               [&](Rng& g, const Scale& s, P base, int, auto& tallies) {
    Tally& t = *tallies[0];
    const GcGePoint2d a = nearPoint(g, base, s.size / 2);
    const GcGePoint2d b = rounded(of(a) + dir(g.uni(0, 6.3)) * ld(s.size * g.uni(0.3, 1.0)));
    const double bulge = (g.pick(2) ? 1 : -1) * g.logUni(-12, 0.5);
    const GcGePoint2d mid = rounded(bulgeMid(of(a), of(b), bulge));
    GcGeCircArc2d arc;
    ++t.cases;
    if (!arc.set(a, mid, b))
      return;
    t.check(arc.startPoint().x == a.x && arc.startPoint().y == a.y && arc.endPoint().x == b.x &&
                arc.endPoint().y == b.y,
            [&] {
              return message("arc ", fmt(a), " ", fmt(mid), " ", fmt(b), " (bulge ", bulge, ") runs from ",
                             fmt(arc.startPoint()), " to ", fmt(arc.endPoint()));
            });
    const Arc ref = circleThrough(of(a), of(mid), of(b));
    const GcGePoint2d half = arc.gcEvalPoint(0.5 * (arc.startAng() + arc.endAng()));
    const double off = static_cast<double>(ref.distTo(of(half)));
    t.check(off <= s.tol(), [&] { return "arc through " + fmt(mid) + ": its middle is " + std::to_string(off) + " off"; });
  });
}

} // namespace
