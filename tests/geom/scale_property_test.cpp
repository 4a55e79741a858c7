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

} // namespace
