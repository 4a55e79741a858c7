#pragma once
// Intersection of two straight pieces (segments, rays, lines).
#include "geom/point2d.h"

#include <cmath>

namespace vdgeom {

// Straight piece p(t) = origin + t * dir for t in [lo, hi]; lo and hi may be
// infinite.
struct LinearSpan {
  GcGePoint2d origin;
  GcGeVector2d dir;
  double lo = 0.0;
  double hi = 1.0;

  GcGePoint2d at(double t) const { return origin + dir * t; }
  bool isBounded() const { return std::isfinite(lo) && std::isfinite(hi); }
};

enum class LineLineKind {
  None,    // no field valid
  Point,   // point, ta (on a), tb (on b)
  Overlap, // ta..taEnd on a with ta < taEnd, matching tb..tbEnd on b
};

struct LineLineIntr {
  LineLineKind kind = LineLineKind::None;
  GcGePoint2d point;
  double ta = 0.0;
  double tb = 0.0;
  double taEnd = 0.0;
  double tbEnd = 0.0;
};

// Pieces meet where they come within eps of each other. When one piece is
// bounded the decision uses the signed distances of its ends from the other
// line (robust for nearly parallel pieces: orientation test, de Berg et al.,
// Computational Geometry, 2.1); two unbounded pieces are parallel when the
// sine of their angle is within angleEps. Pieces of length within eps are
// treated as points. An overlap shorter than eps is reported as a point.
LineLineIntr intrLinearLinear(const LinearSpan& a, const LinearSpan& b, double eps, double angleEps);

} // namespace vdgeom
