#include "geom/intr_line_line.h"

#include "geom/mathutils.h"

#include <algorithm>
#include <limits>

namespace vdgeom {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Parameter of the foot of p on the piece's line.
double project(const LinearSpan& s, const GcGePoint2d& p) {
  return (p - s.origin).dotProduct(s.dir) / s.dir.lengthSqrd();
}

// Parameter of the nearest point of the piece to p.
double clampedProject(const LinearSpan& s, const GcGePoint2d& p) {
  const double l2 = s.dir.lengthSqrd();
  if (l2 == 0.0)
    return std::isfinite(s.lo) ? s.lo : (std::isfinite(s.hi) ? s.hi : 0.0);
  return clampTo(project(s, p), s.lo, s.hi);
}

// Distances are compared squared on this hot path: the same decisions
// without a hypot per point.
bool within(const GcGePoint2d& p, const GcGePoint2d& q, double eps) { return (p - q).lengthSqrd() <= eps * eps; }

bool isPointLike(const LinearSpan& s, double eps) {
  if (!s.isBounded())
    return false;
  const double span = s.hi - s.lo;
  return s.dir.lengthSqrd() * span * span <= eps * eps;
}

LineLineIntr pointHit(const GcGePoint2d& p, double ta, double tb) {
  LineLineIntr r;
  r.kind = LineLineKind::Point;
  r.point = p;
  r.ta = ta;
  r.tb = tb;
  return r;
}

LineLineIntr swapped(LineLineIntr r) {
  std::swap(r.ta, r.tb);
  std::swap(r.taEnd, r.tbEnd);
  if (r.kind == LineLineKind::Overlap && r.ta > r.taEnd) {
    std::swap(r.ta, r.taEnd);
    std::swap(r.tb, r.tbEnd);
  }
  return r;
}

// Collinear pieces: the common part of their intervals, measured on a.
LineLineIntr collinear(const LinearSpan& a, const LinearSpan& b, double eps) {
  // Affine map from b's parameter to a's: ta = k0 + k1 * tb.
  const double la2 = a.dir.lengthSqrd();
  const double k0 = project(a, b.origin);
  const double k1 = b.dir.dotProduct(a.dir) / la2;
  double bLo = k0 + k1 * b.lo, bHi = k0 + k1 * b.hi;
  if (!std::isfinite(b.lo))
    bLo = k1 > 0 ? -kInf : kInf;
  if (!std::isfinite(b.hi))
    bHi = k1 > 0 ? kInf : -kInf;
  if (bLo > bHi)
    std::swap(bLo, bHi);
  const double tolA = eps / std::sqrt(la2);
  const double lo = std::max(a.lo, bLo), hi = std::min(a.hi, bHi);
  if (lo > hi + tolA)
    return {};
  auto toB = [&](double ta) { return (ta - k0) / k1; };
  auto paramB = [&](double ta) {
    if (std::isfinite(ta))
      return clampTo(toB(ta), b.lo, b.hi);
    return (ta > 0) == (k1 > 0) ? b.hi : b.lo;
  };
  if (hi - lo <= tolA) {
    const double t = clampTo(0.5 * (lo + hi), a.lo, a.hi);
    const double tb = paramB(t);
    return pointHit(a.at(t), t, tb);
  }
  LineLineIntr r;
  r.kind = LineLineKind::Overlap;
  r.ta = lo;
  r.taEnd = hi;
  r.tb = paramB(lo);
  r.tbEnd = paramB(hi);
  r.point = std::isfinite(lo) ? a.at(lo) : (std::isfinite(hi) ? a.at(hi) : a.origin);
  return r;
}

// A point piece against a straight piece.
LineLineIntr pointOnSpan(const LinearSpan& pt, const LinearSpan& s, double eps) {
  const GcGePoint2d p = pt.at(pt.lo);
  const double t = clampedProject(s, p);
  if (!within(s.at(t), p, eps))
    return {};
  return pointHit(p, pt.lo, t);
}

// Last resort for touching ends: an end of one piece within eps of the other.
LineLineIntr endTouch(const LinearSpan& a, const LinearSpan& b, double eps) {
  for (double ta : {a.lo, a.hi}) {
    if (!std::isfinite(ta))
      continue;
    const GcGePoint2d p = a.at(ta);
    const double tb = clampedProject(b, p);
    if (within(b.at(tb), p, eps))
      return pointHit(p, ta, tb);
  }
  for (double tb : {b.lo, b.hi}) {
    if (!std::isfinite(tb))
      continue;
    const GcGePoint2d p = b.at(tb);
    const double ta = clampedProject(a, p);
    if (within(a.at(ta), p, eps))
      return pointHit(p, ta, tb);
  }
  return {};
}

// b is bounded: decide by the signed distances of b's ends from line a.
LineLineIntr boundedAgainst(const LinearSpan& a, const LinearSpan& b, double eps) {
  const double la = std::sqrt(a.dir.lengthSqrd());
  const GcGePoint2d b0 = b.at(b.lo), b1 = b.at(b.hi);
  const double s0 = a.dir.crossProduct(b0 - a.origin) / la;
  const double s1 = a.dir.crossProduct(b1 - a.origin) / la;
  if (std::abs(s0) <= eps && std::abs(s1) <= eps)
    return collinear(a, b, eps);
  double tb;
  if (std::abs(s0) <= eps)
    tb = b.lo;
  else if (std::abs(s1) <= eps)
    tb = b.hi;
  else if ((s0 < 0) != (s1 < 0))
    tb = b.lo + (b.hi - b.lo) * (s0 / (s0 - s1));
  else
    return endTouch(a, b, eps);
  const GcGePoint2d p = b.at(tb);
  const double ta = project(a, p);
  const double tolA = eps / la;
  if (ta < a.lo - tolA || ta > a.hi + tolA)
    return endTouch(a, b, eps);
  return pointHit(p, clampTo(ta, a.lo, a.hi), tb);
}

} // namespace

LineLineIntr intrLinearLinear(const LinearSpan& a, const LinearSpan& b, double eps, double angleEps) {
  const bool aPoint = isPointLike(a, eps), bPoint = isPointLike(b, eps);
  if (aPoint && bPoint) {
    const GcGePoint2d pa = a.at(a.lo), pb = b.at(b.lo);
    return within(pa, pb, eps) ? pointHit(pa, a.lo, b.lo) : LineLineIntr{};
  }
  if (aPoint)
    return pointOnSpan(a, b, eps);
  if (bPoint)
    return swapped(pointOnSpan(b, a, eps));
  if (b.isBounded())
    return boundedAgainst(a, b, eps);
  if (a.isBounded())
    return swapped(boundedAgainst(b, a, eps));

  // Both unbounded on at least one side.
  const double la = a.dir.length(), lb = b.dir.length();
  const double cross = a.dir.crossProduct(b.dir);
  if (std::abs(cross) <= angleEps * la * lb) {
    const double dist = std::abs(a.dir.crossProduct(b.origin - a.origin)) / la;
    return dist <= eps ? collinear(a, b, eps) : LineLineIntr{};
  }
  const GcGeVector2d w = b.origin - a.origin;
  const double ta = w.crossProduct(b.dir) / cross;
  const double tb = w.crossProduct(a.dir) / cross;
  if (ta < a.lo - eps / la || ta > a.hi + eps / la || tb < b.lo - eps / lb || tb > b.hi + eps / lb)
    return endTouch(a, b, eps);
  const double ca = clampTo(ta, a.lo, a.hi), cb = clampTo(tb, b.lo, b.hi);
  return pointHit(a.at(ca), ca, cb);
}

} // namespace vdgeom
