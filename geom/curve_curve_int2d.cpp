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
#include <new>
#include <numeric>
#include <type_traits>

using namespace vdgeom;

namespace {

// A simple piece of a curve (a composite is flattened into its members) and
// the affine map from its own parameter to the parameter of the whole
// curve: global = a + b * local.
struct Prim {
  enum Kind { Linear, Circle, Ellipse } kind = Linear;
  LinearSpan lin;
  ConicArc arc;
  // A circle's radius as the curve holds it: |arc.a| carries the rounding of
  // the unit reference vector, a few units in the last place of the radius.
  double radius = 0.0;
  // Magnitude of the values the piece's points are computed from (the
  // curve's magnitudeAt): the equal-point distance of a pair of pieces is
  // taken at the larger of theirs.
  double mag = 0.0;
  double a = 0.0;
  double b = 1.0;

  double lo() const { return kind == Linear ? lin.lo : arc.t0; }
  double hi() const { return kind == Linear ? lin.hi : arc.t1; }
  GcGePoint2d eval(double t) const { return kind == Linear ? lin.at(t) : arc.eval(t); }
  double global(double t) const { return a + b * t; }
};

// Relative size of a unit in the last place of a double.
constexpr double kRelRounding = std::numeric_limits<double>::epsilon();

// A non-composite curve as a piece; false for curves that are not pieces.
bool makePrim(const GcGeCurve2d& c, double a, double b, Prim& p) {
  p.a = a;
  p.b = b;
  if (c.isKindOf(GcGe::kLinearEnt2d)) {
    const auto& l = static_cast<const GcGeLinearEnt2d&>(c);
    p.kind = Prim::Linear;
    p.lin = {l.pointOnLine(), l.direction(), l.lowerParam(), l.upperParam()};
    // As GcGeLinearEnt2d::magnitudeAt: the larger end, or the base point.
    p.mag = p.lin.isBounded() ? std::max(p.lin.at(p.lin.lo).magnitude(), p.lin.at(p.lin.hi).magnitude())
                              : p.lin.origin.magnitude();
    return true;
  }
  if (c.isKindOf(GcGe::kCircArc2d)) {
    const auto& arc = static_cast<const GcGeCircArc2d&>(c);
    p.kind = Prim::Circle;
    p.arc = arc.conic();
    p.radius = arc.radius();
    p.mag = arc.magnitudeAt(arc.startAng());
    return true;
  }
  if (c.isKindOf(GcGe::kEllipArc2d)) {
    const auto& e = static_cast<const GcGeEllipArc2d&>(c);
    // Taken for a circle only when its radii agree to rounding: a circle of
    // the mean radius would stray from the ellipse by half their difference,
    // which the distances decided later do not allow for.
    const bool circular = std::abs(e.majorRadius() - e.minorRadius()) <= 4 * kRelRounding * e.majorRadius();
    p.kind = circular ? Prim::Circle : Prim::Ellipse;
    p.arc = e.conic();
    p.radius = 0.5 * (e.majorRadius() + e.minorRadius());
    p.mag = e.magnitudeAt(e.startAng());
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
// traffic on the hot path, and leaves its unused slots unconstructed so that
// making one costs nothing.
template <class T, int N>
class FixedList {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                "slots are copied in and dropped without running any code");

public:
  void push_back(const T& v) {
    if (mSize < N)
      ::new (static_cast<void*>(mStorage + mSize++ * sizeof(T))) T(v);
  }
  int size() const { return mSize; }
  void clear() { mSize = 0; }
  void truncate(int n) { mSize = n < mSize ? n : mSize; }
  T& operator[](int i) { return begin()[i]; }
  const T* begin() const { return std::launder(reinterpret_cast<const T*>(mStorage)); }
  const T* end() const { return begin() + mSize; }
  T* begin() { return std::launder(reinterpret_cast<T*>(mStorage)); }
  T* end() { return begin() + mSize; }

private:
  alignas(T) unsigned char mStorage[N * sizeof(T)];
  int mSize = 0;
};

// Made by aggregate initialization, which sets the flags not named to false.
struct RawHit {
  GcGePoint2d point;
  double t1, t2;
  bool tangent;
  // Whether t1 (t2) is an end of its piece the contact was settled at.
  bool endP, endQ;
  // Added for an end that touches the other piece: its tangency is unknown.
  bool fromTouch;
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
// lies within eps of the hit point (`snapped` tells which).
bool acceptParam(const Prim& p, double t, const GcGePoint2d& pt, double eps, double& out, bool& snapped) {
  const double lo = p.lo(), hi = p.hi();
  snapped = false;
  if (t >= lo && t <= hi) {
    out = t;
    return true;
  }
  const double end = t < lo ? lo : hi;
  if (!std::isfinite(end) || (p.eval(end) - pt).lengthSqrd() > eps * eps)
    return false;
  out = end;
  snapped = true;
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
    if (q.x == p.arc.c.x && q.y == p.arc.c.y)
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
  const double la2 = p.arc.a.lengthSqrd(), lb2 = p.arc.b.lengthSqrd();
  const double d2 = (q - p.arc.c).lengthSqrd();
  const double outer = std::sqrt(std::max(la2, lb2)) + eps, inner = std::sqrt(std::min(la2, lb2)) - eps;
  return d2 > outer * outer || (inner > 0.0 && d2 < inner * inner);
}

// Distance from q to the piece, or infinity when it is certainly farther
// than eps.
double distanceWithin(const Prim& p, const GcGePoint2d& q, double eps) {
  if (farFrom(p, q, eps))
    return std::numeric_limits<double>::infinity();
  return p.eval(closestOn(p, q)).distanceTo(q);
}

// Adds a contact the closed forms found at pt with parameters tp and tq
// (either may lie just outside its piece). A contact just beyond an end is a
// contact at that end when the end itself lies within eps of the other
// piece: the contact then sits at the end, with the other parameter its
// nearest point, so that wherever it is finally placed it is within eps of
// both.
void addHit(const Prim& p, const Prim& q, const GcGePoint2d& pt, double tp, double tq, bool tangent, double eps,
            RawHits& hits) {
  RawHit h{pt, 0.0, 0.0, tangent};
  if (!acceptParam(p, tp, pt, eps, h.t1, h.endP) || !acceptParam(q, tq, pt, eps, h.t2, h.endQ))
    return;
  if (h.endP) {
    h.point = p.eval(h.t1);
    if (distanceWithin(q, h.point, eps) > eps)
      return;
    if (!h.endQ)
      h.t2 = closestOn(q, h.point);
  }
  if (h.endQ) {
    const GcGePoint2d e = q.eval(h.t2);
    if (distanceWithin(p, e, eps) > eps)
      return;
    if (!h.endP) {
      h.point = e;
      h.t1 = closestOn(p, e);
    }
  }
  hits.push_back(h);
}

// Whether q lies within eps of the piece, with the parameter of its nearest
// point; straight pieces and circles answer without a square root where
// they can.
bool touchesWithin(const Prim& p, const GcGePoint2d& q, double eps, double& u) {
  if (p.kind == Prim::Linear) {
    // Off the line by more than eps: no need to find the nearest point.
    const double side = p.lin.dir.crossProduct(q - p.lin.origin);
    if (side * side > eps * eps * p.lin.dir.lengthSqrd())
      return false;
    u = closestOn(p, q);
    const GcGeVector2d d = p.lin.at(u) - q;
    return d.lengthSqrd() <= eps * eps;
  }
  if (farFrom(p, q, eps))
    return false;
  u = closestOn(p, q);
  return (p.eval(u) - q).lengthSqrd() <= eps * eps;
}

// An end of one piece that lies within eps of the other.
struct Touch {
  GcGePoint2d point;
  double tp, tq; // parameters on p and q
  bool ofP;      // an end of p (else of q)
};

// Whether hit h and touch t are one contact: the stretch of the touching
// piece between them stays within eps of the other piece. A crossing next to
// an end (a line through a polyline vertex, a tangent beside the end of a
// fillet arc) is found by the closed forms a little off the end, by more than
// eps along the curves when they meet at a small angle; it is the same point.
// Between two distinct contacts the curves part by more than eps: their
// distance peaks halfway for lines and circles, and the quarters cover the
// rest.
bool sameContact(const Prim& p, const Prim& q, const RawHit& h, const Touch& t, double eps) {
  if (h.point.distanceTo(t.point) <= eps)
    return true;
  const Prim& x = t.ofP ? p : q;
  const Prim& y = t.ofP ? q : p;
  const double from = t.ofP ? h.t1 : h.t2, to = t.ofP ? t.tp : t.tq;
  for (double f : {0.5, 0.25, 0.75})
    if (distanceWithin(y, x.eval(from + f * (to - from)), eps) > eps)
      return false;
  return true;
}

// Settles the contacts of one pair of pieces: a contact next to an end of
// either piece moves to that end (exactly its parameter, so that a split
// leaves no sliver and both members at a joint report one point), ends that
// touch the other piece and were not found are added (grazing contacts the
// closed forms place just outside a range), and what then coincides is one
// contact.
void settleContacts(const Prim& p, const Prim& q, double eps, RawHits& hits, int first) {
  // Two straight pieces that do not meet by the closed form do not touch
  // either: it looks at their ends itself.
  if (hits.size() == first && p.kind == Prim::Linear && q.kind == Prim::Linear)
    return;
  FixedList<Touch, 4> touches;
  for (bool ofP : {true, false}) {
    const Prim& x = ofP ? p : q;
    const Prim& y = ofP ? q : p;
    for (double t : {x.lo(), x.hi()}) {
      if (!std::isfinite(t))
        continue;
      const GcGePoint2d pt = x.eval(t);
      double u = 0.0;
      if (!touchesWithin(y, pt, eps, u))
        continue;
      touches.push_back(ofP ? Touch{pt, t, u, true} : Touch{pt, u, t, false});
    }
  }
  for (const Touch& t : touches) {
    bool merged = false;
    for (int i = first; i < hits.size() && !merged; ++i) {
      RawHit& h = hits[i];
      if (!sameContact(p, q, h, t, eps))
        continue;
      merged = true;
      bool& atEnd = t.ofP ? h.endP : h.endQ;
      if (atEnd)
        continue;
      if (t.ofP ? h.endQ : h.endP) {
        // Already at an end of the other piece: this end joins it only where
        // the two ends meet (a shared vertex); along a long grazing contact
        // the contact stays where it is.
        if (h.point.distanceTo(t.point) <= eps) {
          atEnd = true;
          (t.ofP ? h.t1 : h.t2) = t.ofP ? t.tp : t.tq;
        }
        continue;
      }
      atEnd = true;
      h.t1 = t.tp;
      h.t2 = t.tq;
      h.point = t.point;
    }
    if (!merged) {
      RawHit h{t.point, t.tp, t.tq, false};
      h.endP = t.ofP;
      h.endQ = !t.ofP;
      h.fromTouch = true;
      hits.push_back(h);
    }
  }
  // Contacts moved onto one end are one.
  int kept = first;
  for (int i = first; i < hits.size(); ++i) {
    RawHit h = hits[i];
    bool dup = false;
    for (int k = first; k < kept && !dup; ++k) {
      RawHit& known = hits[k];
      const bool sameEnd = (h.endP && known.endP && h.t1 == known.t1) || (h.endQ && known.endQ && h.t2 == known.t2);
      if (!sameEnd && known.point.distanceTo(h.point) > eps)
        continue;
      dup = true;
      if (known.fromTouch) {
        const bool endP = known.endP || h.endP, endQ = known.endQ || h.endQ;
        known = h;
        known.endP = endP;
        known.endQ = endQ;
      } else if (!h.fromTouch) {
        known.tangent = known.tangent && h.tangent;
      }
    }
    if (!dup)
      hits[kept++] = h;
  }
  hits.truncate(kept);
}

// Puts each contact on the piece whose points are the more precise (the
// smaller magnitude), so that both curves' isOn accept it: on that piece by
// its own measure, and within eps of the other. A crossing of the closed
// forms lies on both to rounding and keeps its parameter; a contact decided
// by the tolerance (a touch, a contact at an end) moves to its nearest point
// on that piece, no farther than eps from where it was, which was on (or
// within eps of) the other piece. Settled ends stay where they are.
void placeOnTighter(const Prim& p, const Prim& q, RawHits& hits, int first) {
  const bool onP = p.mag <= q.mag;
  const Prim& x = onP ? p : q;
  // A crossing computed about the looser piece is off the tighter one by the
  // looser one's rounding: that matters only where the magnitudes are far
  // apart (a nearly straight arc with its far centre).
  const bool apart = onP ? 4.0 * p.mag < q.mag : 4.0 * q.mag < p.mag;
  for (int i = first; i < hits.size(); ++i) {
    RawHit& h = hits[i];
    const bool decided = h.tangent || h.endP || h.endQ || h.fromTouch;
    if (!decided && !apart)
      continue;
    double& t = onP ? h.t1 : h.t2;
    const bool atEnd = onP ? h.endP : h.endQ;
    if (!atEnd && decided)
      t = closestOn(x, h.point);
    h.point = x.eval(t);
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

// The equal-point distance of a pair of pieces.
double pairTol(const Prim& p, const Prim& q, const GcGeTol& tol) { return tol.equalPointAt(std::max(p.mag, q.mag)); }

void intersectPrims(const Prim& p, const Prim& q, const GcGeTol& tol, RawHits& hits,
                    RawOverlaps& overlaps) {
  const double eps = pairTol(p, q, tol);
  if (p.kind != Prim::Linear && q.kind == Prim::Linear) {
    RawHits mine;
    RawOverlaps none;
    intersectPrims(q, p, tol, mine, none);
    for (RawHit h : mine) {
      std::swap(h.t1, h.t2);
      std::swap(h.endP, h.endQ);
      hits.push_back(h);
    }
    return;
  }
  const int first = hits.size();
  if (p.kind == Prim::Linear && q.kind == Prim::Linear) {
    const LineLineIntr r = intrLinearLinear(p.lin, q.lin, eps, tol.equalVector());
    if (r.kind == LineLineKind::Overlap) {
      overlaps.push_back({r.ta, r.taEnd, std::min(r.tb, r.tbEnd), std::max(r.tb, r.tbEnd), r.tb <= r.tbEnd});
      return;
    }
    if (r.kind == LineLineKind::Point)
      hits.push_back({r.point, r.ta, r.tb, false});
  } else if (p.kind == Prim::Linear) {
    const LineConicIntr r = intrLineConic(p.lin, q.arc, eps);
    for (int i = 0; i < r.count; ++i)
      addHit(p, q, r.point[i], r.tLine[i], conicParamOfAngle(q, r.angle[i]), r.kind == LineConicKind::Tangent, eps,
             hits);
  } else if (p.kind == Prim::Circle && q.kind == Prim::Circle) {
    const CircleCircleIntr r = intrCircleCircle(p.arc.c, p.radius, q.arc.c, q.radius, eps);
    if (r.kind == CircleCircleKind::Coincident) {
      conicOverlap(p, q, eps, hits, overlaps);
      return;
    }
    for (int i = 0; i < r.count; ++i)
      addHit(p, q, r.point[i], conicParamOfAngle(p, conicAngleOf(p.arc, r.point[i])),
             conicParamOfAngle(q, conicAngleOf(q.arc, r.point[i])), r.kind == CircleCircleKind::Tangent, eps, hits);
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
      // A touching point is decided by a first-order distance; where the
      // conics are only a few tolerances big that can be off, so the point
      // must also lie within eps of both by the true distance.
      if (h.tangent && (distanceWithin(p, h.point, eps) > eps || distanceWithin(q, h.point, eps) > eps))
        continue;
      const double ap = swap ? h.angle2 : h.angle1, aq = swap ? h.angle1 : h.angle2;
      addHit(p, q, h.point, conicParamOfAngle(p, ap), conicParamOfAngle(q, aq), h.tangent, eps, hits);
    }
  }
  settleContacts(p, q, eps, hits, first);
  placeOnTighter(p, q, hits, first);
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
  RawHits hits;
  RawOverlaps overlaps;
  // With many pieces, pairs whose boxes (each widened by its own equal-point
  // distance) are apart are skipped; one pair is cheaper to intersect than
  // to box.
  const bool cull = !(p1.isSingle && p2.isSingle);
  std::vector<Box> boxes2;
  if (cull)
    for (const Prim& b : p2)
      boxes2.push_back(boxOf(b, tol.equalPointAt(b.mag)));
  for (const Prim& a : p1) {
    const Box boxA = cull ? boxOf(a, tol.equalPointAt(a.mag)) : Box{};
    for (const Prim& b : p2) {
      if (cull && boxA.isDisjoint(boxes2[static_cast<std::size_t>(&b - p2.begin())]))
        continue;
      hits.clear();
      overlaps.clear();
      intersectPrims(a, b, tol, hits, overlaps);
      const double pairEps = pairTol(a, b, tol);
      for (const RawHit& h : hits) {
        // Contacts at a joint of a composite (or at the seam of a closed one)
        // are found by the members on both sides, each settled at its own
        // end of the joint.
        bool dup = false;
        for (Hit& known : mHits) {
          if (known.point.distanceTo(h.point) <= std::max(known.tol, pairEps)) {
            known.tangent = known.tangent && h.tangent;
            dup = true;
            break;
          }
        }
        if (!dup)
          mHits.push_back({h.point, a.global(h.t1), b.global(h.t2), h.tangent, pairEps});
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
  // Points that fall within an overlap, or on one of its ends, are part of it.
  mHits.erase(std::remove_if(mHits.begin(), mHits.end(),
                             [&](const Hit& h) {
                               for (const Overlap& o : mOverlaps) {
                                 if (h.param1 >= o.lo1 && h.param1 <= o.hi1)
                                   return true;
                                 if (mCurve1 && (mCurve1->gcEvalPoint(o.lo1).distanceTo(h.point) <= h.tol ||
                                                 mCurve1->gcEvalPoint(o.hi1).distanceTo(h.point) <= h.tol))
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
