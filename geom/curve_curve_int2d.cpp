#include "geom/curve_curve_int2d.h"

#include "geom/circarc2d.h"
#include "geom/composite_curve2d.h"
#include "geom/elliparc2d.h"
#include "geom/intr_circle_circle.h"
#include "geom/intr_conic_conic.h"
#include "geom/intr_line_conic.h"
#include "geom/intr_line_line.h"
#include "geom/linear_ent2d.h"

#include <algorithm>
#include <limits>
#include <numeric>

using namespace vdgeom;

namespace {

// A simple piece of a curve (a composite is flattened into its members) and
// the affine map from its own parameter to the parameter of the whole
// curve: global = a + b * local.
struct Prim {
  enum Kind { Linear, Circle, Ellipse } kind = Linear;
  LinearSpan lin;
  ConicArc arc;
  double a = 0.0;
  double b = 1.0;

  double lo() const { return kind == Linear ? lin.lo : arc.t0; }
  double hi() const { return kind == Linear ? lin.hi : arc.t1; }
  GcGePoint2d eval(double t) const { return kind == Linear ? lin.at(t) : arc.eval(t); }
  double global(double t) const { return a + b * t; }
};

// A non-composite curve as a piece; false for curves that are not pieces.
bool makePrim(const GcGeCurve2d& c, double a, double b, Prim& p) {
  p.a = a;
  p.b = b;
  if (c.isKindOf(GcGe::kLinearEnt2d)) {
    const auto& l = static_cast<const GcGeLinearEnt2d&>(c);
    p.kind = Prim::Linear;
    p.lin = {l.pointOnLine(), l.direction(), l.lowerParam(), l.upperParam()};
    return true;
  }
  if (c.isKindOf(GcGe::kCircArc2d)) {
    p.kind = Prim::Circle;
    p.arc = static_cast<const GcGeCircArc2d&>(c).conic();
    return true;
  }
  if (c.isKindOf(GcGe::kEllipArc2d)) {
    const auto& e = static_cast<const GcGeEllipArc2d&>(c);
    p.kind = e.isCircular() ? Prim::Circle : Prim::Ellipse;
    p.arc = e.conic();
    return true;
  }
  return false;
}

void flatten(const GcGeCurve2d& c, double a, double b, std::vector<Prim>& out) {
  if (c.isKindOf(GcGe::kCompositeCrv2d)) {
    const auto& comp = static_cast<const GcGeCompositeCurve2d&>(c);
    for (int i = 0; i < comp.numCurves(); ++i) {
      const GcGeCurve2d& m = comp.curveAt(i);
      const GcGeInterval r = m.interval();
      const double len = r.upperBound() - r.lowerBound();
      // Member parameter t maps to i + (t - lo) / len on the composite.
      const double ma = len == 0.0 ? i : i - r.lowerBound() / len;
      const double mb = len == 0.0 ? 0.0 : 1.0 / len;
      flatten(m, a + b * ma, b * mb, out);
    }
    return;
  }
  Prim p;
  if (makePrim(c, a, b, p))
    out.push_back(p);
}

// Fixed-capacity list for the few results of one pair of pieces: avoids heap
// traffic on the hot path.
template <class T, int N>
class FixedList {
public:
  void push_back(const T& v) {
    if (mSize < N)
      mItems[mSize++] = v;
  }
  int size() const { return mSize; }
  void clear() { mSize = 0; }
  void truncate(int n) { mSize = n < mSize ? n : mSize; }
  T& operator[](int i) { return mItems[i]; }
  const T* begin() const { return mItems; }
  const T* end() const { return mItems + mSize; }
  T* begin() { return mItems; }
  T* end() { return mItems + mSize; }

private:
  T mItems[N];
  int mSize = 0;
};

struct RawHit {
  GcGePoint2d point;
  double t1, t2;
  bool tangent;
};
struct RawOverlap {
  double lo1, hi1, lo2, hi2;
  bool codirectional;
};

using RawHits = FixedList<RawHit, 16>;
using RawOverlaps = FixedList<RawOverlap, 4>;

// The pieces of one curve: a single piece needs no heap.
struct PrimList {
  Prim single;
  std::vector<Prim> many;
  bool isSingle = false;
  const Prim* begin() const { return isSingle ? &single : many.data(); }
  const Prim* end() const { return isSingle ? &single + 1 : many.data() + many.size(); }
};

// Axis-aligned box of a piece, widened by eps; infinite for unbounded ones.
struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool isDisjoint(const Box& o) const { return x0 > o.x1 || o.x0 > x1 || y0 > o.y1 || o.y0 > y1; }
};

Box boxOf(const Prim& p, double eps) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  GcGePoint2d lo, hi;
  if (p.kind == Prim::Linear) {
    if (!p.lin.isBounded())
      return {-inf, -inf, inf, inf};
    const GcGePoint2d a = p.lin.at(p.lin.lo), b = p.lin.at(p.lin.hi);
    lo.set(std::min(a.x, b.x), std::min(a.y, b.y));
    hi.set(std::max(a.x, b.x), std::max(a.y, b.y));
  } else {
    conicExtents(p.arc, p.arc.t0, p.arc.t1).getMinMaxPoints(lo, hi);
  }
  return {lo.x - eps, lo.y - eps, hi.x + eps, hi.y + eps};
}

void flattenTop(const GcGeCurve2d& c, PrimList& out) {
  if (c.isKindOf(GcGe::kCompositeCrv2d))
    flatten(c, 0.0, 1.0, out.many);
  else
    out.isSingle = makePrim(c, 0.0, 1.0, out.single);
}

// Parameter of a hit on a piece: inside its range, or snapped to an end that
// lies within eps of the hit point.
bool acceptParam(const Prim& p, double t, const GcGePoint2d& pt, double eps, double& out) {
  const double lo = p.lo(), hi = p.hi();
  if (t >= lo && t <= hi) {
    out = t;
    return true;
  }
  const double end = t < lo ? lo : hi;
  if (!std::isfinite(end) || p.eval(end).distanceTo(pt) > eps)
    return false;
  out = end;
  return true;
}

double conicParamOfAngle(const Prim& p, double angle) { return conicParamInRange(p.arc, angle); }

// Nearest parameter of a piece to q.
double closestOn(const Prim& p, const GcGePoint2d& q) {
  if (p.kind == Prim::Linear) {
    const double l2 = p.lin.dir.lengthSqrd();
    const double t = l2 == 0.0 ? p.lin.lo : (q - p.lin.origin).dotProduct(p.lin.dir) / l2;
    return clampTo(t, p.lin.lo, p.lin.hi);
  }
  if (p.kind == Prim::Circle) {
    if (q.distanceTo(p.arc.c) == 0.0)
      return p.arc.t0;
    const double t = conicParamInRange(p.arc, conicAngleOf(p.arc, q));
    if (t >= p.arc.t0 && t <= p.arc.t1)
      return t;
    return q.distanceTo(p.arc.eval(p.arc.t0)) <= q.distanceTo(p.arc.eval(p.arc.t1)) ? p.arc.t0 : p.arc.t1;
  }
  return conicClosestParam(p.arc, q, p.arc.t0, p.arc.t1);
}

// Cheap exact rejection before a nearest-point search: every point of a
// conic lies between its smallest and largest semi-axis from the centre.
bool farFrom(const Prim& p, const GcGePoint2d& q, double eps) {
  if (p.kind == Prim::Linear)
    return false;
  const double la = p.arc.a.length(), lb = p.arc.b.length();
  const double d = q.distanceTo(p.arc.c);
  return d > std::max(la, lb) + eps || d < std::min(la, lb) - eps;
}

// Ends of one piece that lie within eps of the other and were not found as
// crossings: grazing contacts that the closed forms place just outside a
// range.
void addEndTouches(const Prim& p, const Prim& q, double eps, bool pIsFirst, RawHits& hits) {
  for (double t : {p.lo(), p.hi()}) {
    if (!std::isfinite(t))
      continue;
    const GcGePoint2d pt = p.eval(t);
    bool known = false;
    for (const RawHit& h : hits)
      known = known || h.point.distanceTo(pt) <= eps;
    if (known || farFrom(q, pt, eps))
      continue;
    const double u = closestOn(q, pt);
    if (q.eval(u).distanceTo(pt) > eps)
      continue;
    hits.push_back(pIsFirst ? RawHit{pt, t, u, false} : RawHit{pt, u, t, false});
  }
}

// Overlap of two arcs of one conic. The angle on p of q's point at u is
// sigma * u + delta.
void conicOverlap(const Prim& p, const Prim& q, double eps, RawHits& hits,
                  RawOverlaps& overlaps) {
  const bool same = (p.arc.a.crossProduct(p.arc.b) > 0) == (q.arc.a.crossProduct(q.arc.b) > 0);
  const double sigma = same ? 1.0 : -1.0;
  const double delta = conicAngleOf(p.arc, q.arc.eval(0.0));
  double b0 = sigma * q.arc.t0 + delta, b1 = sigma * q.arc.t1 + delta;
  if (b0 > b1)
    std::swap(b0, b1);
  const double len2 = b1 - b0;
  const double start = angleFrom(p.arc.t0, b0);
  const double minR = std::min(p.arc.a.length(), p.arc.b.length());
  auto toQ = [&](double x) {
    const double u = conicParamInRange(q.arc, sigma * (x - delta));
    return clampTo(u, q.arc.t0, q.arc.t1);
  };
  for (double s : {start, start - kTwoPi}) {
    const double lo = std::max(p.arc.t0, s), hi = std::min(p.arc.t1, s + len2);
    if (hi < lo - eps / minR)
      continue;
    if ((hi - lo) * minR <= eps) {
      const double t = clampTo(0.5 * (lo + hi), p.arc.t0, p.arc.t1);
      hits.push_back({p.arc.eval(t), t, toQ(t), false});
      continue;
    }
    double u0 = toQ(lo), u1 = toQ(hi);
    // A full turn maps both ends to one value: spread it over q's range.
    if (std::abs(u1 - u0) < (hi - lo) * 0.5) {
      u0 = sigma > 0 ? q.arc.t0 : q.arc.t1;
      u1 = sigma > 0 ? q.arc.t1 : q.arc.t0;
    }
    overlaps.push_back({lo, hi, std::min(u0, u1), std::max(u0, u1), same});
  }
}

void intersectPrims(const Prim& p, const Prim& q, const GcGeTol& tol, RawHits& hits,
                    RawOverlaps& overlaps) {
  const double eps = tol.equalPoint();
  if (p.kind == Prim::Linear && q.kind == Prim::Linear) {
    const LineLineIntr r = intrLinearLinear(p.lin, q.lin, eps, tol.equalVector());
    if (r.kind == LineLineKind::Point)
      hits.push_back({r.point, r.ta, r.tb, false});
    else if (r.kind == LineLineKind::Overlap)
      overlaps.push_back({r.ta, r.taEnd, std::min(r.tb, r.tbEnd), std::max(r.tb, r.tbEnd), r.tb <= r.tbEnd});
    return;
  }
  if (p.kind != Prim::Linear && q.kind == Prim::Linear) {
    RawHits mine;
    RawOverlaps none;
    intersectPrims(q, p, tol, mine, none);
    for (RawHit h : mine) {
      std::swap(h.t1, h.t2);
      hits.push_back(h);
    }
    return;
  }
  const int first = hits.size();
  if (p.kind == Prim::Linear) {
    const LineConicIntr r = intrLineConic(p.lin, q.arc, eps);
    for (int i = 0; i < r.count; ++i) {
      double t1 = 0.0, t2 = 0.0;
      if (acceptParam(p, r.tLine[i], r.point[i], eps, t1) &&
          acceptParam(q, conicParamOfAngle(q, r.angle[i]), r.point[i], eps, t2))
        hits.push_back({r.point[i], t1, t2, r.kind == LineConicKind::Tangent});
    }
  } else if (p.kind == Prim::Circle && q.kind == Prim::Circle) {
    const double rp = p.arc.a.length(), rq = q.arc.a.length();
    const CircleCircleIntr r = intrCircleCircle(p.arc.c, rp, q.arc.c, rq, eps);
    if (r.kind == CircleCircleKind::Coincident) {
      conicOverlap(p, q, eps, hits, overlaps);
      return;
    }
    for (int i = 0; i < r.count; ++i) {
      double t1 = 0.0, t2 = 0.0;
      if (acceptParam(p, conicParamOfAngle(p, conicAngleOf(p.arc, r.point[i])), r.point[i], eps, t1) &&
          acceptParam(q, conicParamOfAngle(q, conicAngleOf(q.arc, r.point[i])), r.point[i], eps, t2))
        hits.push_back({r.point[i], t1, t2, r.kind == CircleCircleKind::Tangent});
    }
  } else {
    // Map into the frame of the rounder conic: its unit-circle distances are
    // closest to real ones.
    auto ratio = [](const ConicArc& c) {
      const double la = c.a.length(), lb = c.b.length();
      return std::min(la, lb) / std::max(la, lb);
    };
    const bool swap = ratio(q.arc) > ratio(p.arc);
    const ConicConicIntr r = swap ? intrConicConic(q.arc, p.arc, eps) : intrConicConic(p.arc, q.arc, eps);
    if (r.kind == ConicConicKind::Coincident) {
      conicOverlap(p, q, eps, hits, overlaps);
      return;
    }
    for (int i = 0; i < r.count; ++i) {
      const ConicHit& h = r.hits[i];
      const double ap = swap ? h.angle2 : h.angle1, aq = swap ? h.angle1 : h.angle2;
      double t1 = 0.0, t2 = 0.0;
      if (acceptParam(p, conicParamOfAngle(p, ap), h.point, eps, t1) &&
          acceptParam(q, conicParamOfAngle(q, aq), h.point, eps, t2))
        hits.push_back({h.point, t1, t2, h.tangent});
    }
  }
  // The end checks compare with the crossings of this pair only.
  RawHits found;
  for (int i = first; i < hits.size(); ++i)
    found.push_back(hits[i]);
  addEndTouches(p, q, eps, true, found);
  addEndTouches(q, p, eps, false, found);
  hits.truncate(first);
  for (const RawHit& h : found)
    hits.push_back(h);
}

} // namespace

GcGeCurveCurveInt2d& GcGeCurveCurveInt2d::set(const GcGeCurve2d& c1, const GcGeCurve2d& c2, const GcGeTol& tol) {
  mCurve1 = &c1;
  mCurve2 = &c2;
  mTol = tol;
  mHits.clear();
  mOverlaps.clear();
  PrimList p1, p2;
  flattenTop(c1, p1);
  flattenTop(c2, p2);
  const double eps = tol.equalPoint();
  RawHits hits;
  RawOverlaps overlaps;
  // With many pieces, pairs whose boxes are apart are skipped; one pair is
  // cheaper to intersect than to box.
  const bool cull = !(p1.isSingle && p2.isSingle);
  std::vector<Box> boxes2;
  if (cull)
    for (const Prim& b : p2)
      boxes2.push_back(boxOf(b, eps));
  for (const Prim& a : p1) {
    const Box boxA = cull ? boxOf(a, eps) : Box{};
    for (const Prim& b : p2) {
      if (cull && boxA.isDisjoint(boxes2[static_cast<std::size_t>(&b - p2.begin())]))
        continue;
      hits.clear();
      overlaps.clear();
      intersectPrims(a, b, tol, hits, overlaps);
      for (const RawHit& h : hits) {
        // Crossings at a joint of a composite are found by both members.
        bool dup = false;
        for (Hit& known : mHits) {
          if (known.point.distanceTo(h.point) <= eps) {
            known.tangent = known.tangent && h.tangent;
            dup = true;
            break;
          }
        }
        if (!dup)
          mHits.push_back({h.point, a.global(h.t1), b.global(h.t2), h.tangent});
      }
      for (const RawOverlap& o : overlaps) {
        double lo2 = b.global(o.lo2), hi2 = b.global(o.hi2);
        if (lo2 > hi2)
          std::swap(lo2, hi2);
        mOverlaps.push_back({a.global(o.lo1), a.global(o.hi1), lo2, hi2, o.codirectional});
      }
    }
  }
  finish();
  return *this;
}

void GcGeCurveCurveInt2d::finish() {
  const double pTol = tol::kParamJoin;
  // Overlaps split at composite joints are joined again.
  std::sort(mOverlaps.begin(), mOverlaps.end(), [](const Overlap& x, const Overlap& y) { return x.lo1 < y.lo1; });
  std::vector<Overlap> merged;
  for (const Overlap& o : mOverlaps) {
    if (!merged.empty()) {
      Overlap& m = merged.back();
      const bool touch1 = std::abs(o.lo1 - m.hi1) <= pTol;
      const bool touch2 = std::abs(o.lo2 - m.hi2) <= pTol || std::abs(o.hi2 - m.lo2) <= pTol;
      if (touch1 && touch2 && o.codirectional == m.codirectional) {
        m.hi1 = std::max(m.hi1, o.hi1);
        m.lo2 = std::min(m.lo2, o.lo2);
        m.hi2 = std::max(m.hi2, o.hi2);
        continue;
      }
    }
    merged.push_back(o);
  }
  mOverlaps.swap(merged);
  // Points that fall within an overlap are part of it.
  const double eps = mTol.equalPoint();
  mHits.erase(std::remove_if(mHits.begin(), mHits.end(),
                             [&](const Hit& h) {
                               for (const Overlap& o : mOverlaps) {
                                 if (h.param1 >= o.lo1 - pTol && h.param1 <= o.hi1 + pTol)
                                   return true;
                                 if (mCurve1 && (mCurve1->gcEvalPoint(o.lo1).distanceTo(h.point) <= eps ||
                                                 mCurve1->gcEvalPoint(o.hi1).distanceTo(h.point) <= eps))
                                   return true;
                               }
                               return false;
                             }),
              mHits.end());
  std::sort(mHits.begin(), mHits.end(), [](const Hit& x, const Hit& y) { return x.param1 < y.param1; });
  mOrder2.resize(mHits.size());
  std::iota(mOrder2.begin(), mOrder2.end(), 0);
  std::sort(mOrder2.begin(), mOrder2.end(), [&](int x, int y) {
    return mHits[static_cast<std::size_t>(x)].param2 < mHits[static_cast<std::size_t>(y)].param2;
  });
}

void GcGeCurveCurveInt2d::getOverlapRanges(int i, GcGeInterval& range1, GcGeInterval& range2) const {
  const Overlap& o = overlap(i);
  range1 = GcGeInterval(o.lo1, o.hi1);
  range2 = GcGeInterval(o.lo2, o.hi2);
}

GcGeCurveCurveInt2d& GcGeCurveCurveInt2d::swapCurves() {
  std::swap(mCurve1, mCurve2);
  for (Hit& h : mHits)
    std::swap(h.param1, h.param2);
  for (Overlap& o : mOverlaps) {
    std::swap(o.lo1, o.lo2);
    std::swap(o.hi1, o.hi2);
  }
  finish();
  return *this;
}
