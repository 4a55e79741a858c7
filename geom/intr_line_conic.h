#pragma once
// Intersection of a straight line with a full circle or ellipse.
#include "geom/conic_arc.h"
#include "geom/intr_line_line.h"

namespace vdgeom {

enum class LineConicKind {
  None,    // no field valid
  Tangent, // count 1: the touching point
  Secant,  // count 2: two crossings in ascending line parameter
};

struct LineConicIntr {
  LineConicKind kind = LineConicKind::None;
  int count = 0;
  GcGePoint2d point[2];
  double tLine[2] = {0.0, 0.0};  // parameter on the line
  double angle[2] = {0.0, 0.0};  // conic angle in (-pi, pi]
};

// The conic is mapped to the unit circle by the inverse of its (a, b) basis,
// where the line stays a line (an affine map), and the quadratic is solved
// there. Tangency is decided in real distance: the line passes within eps
// of the conic's touching point.
LineConicIntr intrLineConic(const LinearSpan& line, const ConicArc& conic, double eps);

} // namespace vdgeom
