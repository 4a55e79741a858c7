#include "geom/intr_circle_circle.h"

#include <algorithm>
#include <cmath>

namespace vdgeom {

CircleCircleIntr intrCircleCircle(const GcGePoint2d& c0, double r0, const GcGePoint2d& c1, double r1,
                                  double eps) {
  CircleCircleIntr r;
  const GcGeVector2d v = c1 - c0;
  const double d = v.length();
  // The circles' points in one direction are d + |r0 - r1| apart at most:
  // one circle when that is within eps.
  if (d + std::abs(r0 - r1) <= eps) {
    r.kind = CircleCircleKind::Coincident;
    return r;
  }
  if (d == 0.0)
    return r;
  const GcGeVector2d u = v / d;
  const double sum = r0 + r1, diff = std::abs(r0 - r1);
  if (d > sum + eps || d < diff - eps)
    return r;
  if (std::abs(d - sum) <= eps) {
    r.kind = CircleCircleKind::Tangent;
    r.count = 1;
    r.point[0] = midPoint(c0 + u * r0, c1 - u * r1);
    return r;
  }
  if (std::abs(d - diff) <= eps) {
    r.kind = CircleCircleKind::Tangent;
    r.count = 1;
    // The touching point lies on the far side of the smaller circle.
    const GcGeVector2d side = r0 >= r1 ? u : -u;
    r.point[0] = midPoint(c0 + side * r0, c1 + side * r1);
    return r;
  }
  // The radical line is measured from the smaller circle's centre, with the
  // differences of squares as products: a huge circle (a nearly straight arc)
  // then costs the crossing no more than the rounding of its own points.
  const bool fromFirst = r0 <= r1;
  const double rs = fromFirst ? r0 : r1, rb = fromFirst ? r1 : r0;
  const double a = ((d - rb) * (d + rb) + rs * rs) / (2.0 * d);
  const double h = std::sqrt(std::max(0.0, (rs - a) * (rs + a)));
  const GcGePoint2d m = fromFirst ? c0 + u * a : c1 - u * a;
  r.kind = CircleCircleKind::Secant;
  r.count = 2;
  r.point[0] = m - u.perpVector() * h;
  r.point[1] = m + u.perpVector() * h;
  return r;
}

} // namespace vdgeom
