#pragma once
// Intersection of two full circles in closed form.
#include "geom/point2d.h"

namespace vdgeom {

enum class CircleCircleKind {
  None,       // no field valid
  Tangent,    // count 1: the touching point
  Secant,     // count 2: both crossings
  Coincident, // same circle within eps; no points
};

struct CircleCircleIntr {
  CircleCircleKind kind = CircleCircleKind::None;
  int count = 0;
  GcGePoint2d point[2];
};

// Radical-line construction (Bourke, "Intersection of two circles", 1997);
// circles whose distance of centres is within eps of r0 + r1 or |r0 - r1|
// touch; circles whose points all lie within eps of the other's
// (distance of centres plus difference of radii) are one.
CircleCircleIntr intrCircleCircle(const GcGePoint2d& c0, double r0, const GcGePoint2d& c1, double r1,
                                  double eps);

} // namespace vdgeom
