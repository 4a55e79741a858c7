#pragma once
// Intersection of two full ellipses (or an ellipse and a circle).
#include "geom/conic_arc.h"

namespace vdgeom {

enum class ConicConicKind {
  None,       // no field valid
  Points,     // count 1..4 hits
  Coincident, // the same conic within eps; no hits
};

struct ConicHit {
  GcGePoint2d point;
  double angle1 = 0.0; // conic angle on the first conic, (-pi, pi]
  double angle2 = 0.0; // conic angle on the second conic, [0, 2pi)
  bool tangent = false;
};

struct ConicConicIntr {
  ConicConicKind kind = ConicConicKind::None;
  int count = 0;
  ConicHit hits[4];
};

// The second conic is mapped into the frame where the first is the unit
// circle; there g(t) = |q(t)|^2 - 1 is a trigonometric polynomial of degree
// 2 with at most four roots. Its critical points (roots of g', found by
// sampling and safeguarded Newton) split the turn into monotone pieces, each holding
// at most one root, found the same way; a critical point where g comes
// within eps (in real distance) of zero is a tangency.
// The conics are one when the samples of each lie within eps of the other.
ConicConicIntr intrConicConic(const ConicArc& e1, const ConicArc& e2, double eps);

} // namespace vdgeom
