#include "geom/intr_line_conic.h"

#include <algorithm>

namespace vdgeom {

LineConicIntr intrLineConic(const LinearSpan& line, const ConicArc& conic, double eps) {
  LineConicIntr r;
  const double det = conic.a.crossProduct(conic.b);
  const double l2 = line.dir.lengthSqrd();
  if (det == 0.0 || l2 == 0.0)
    return r;
  // Inverse basis: coordinates (u, w) with p = c + u a + w b.
  auto toUnit = [&](const GcGeVector2d& v) {
    return GcGeVector2d(v.crossProduct(conic.b) / det, conic.a.crossProduct(v) / det);
  };
  const GcGeVector2d q0 = toUnit(line.origin - conic.c);
  const GcGeVector2d dq = toUnit(line.dir);
  const double dq2 = dq.lengthSqrd();
  // Foot of the unit-circle centre on the mapped line.
  const double tf = -q0.dotProduct(dq) / dq2;
  const GcGeVector2d foot = q0 + dq * tf;
  const double h = foot.length();
  // The conic point nearest the foot direction, back in real space.
  const GcGeVector2d dirU = h > 0.0 ? foot / h : dq.perpVector() / std::sqrt(dq2);
  const GcGePoint2d touch =
      conic.anchored ? conic.eval(std::atan2(dirU.y, dirU.x)) : conic.c + conic.a * dirU.x + conic.b * dirU.y;
  const double lineDist = std::abs(line.dir.crossProduct(touch - line.origin)) / std::sqrt(l2);
  if (lineDist <= eps) {
    r.kind = LineConicKind::Tangent;
    r.count = 1;
    r.point[0] = touch;
    r.tLine[0] = (touch - line.origin).dotProduct(line.dir) / l2;
    r.angle[0] = std::atan2(dirU.y, dirU.x);
    return r;
  }
  if (h >= 1.0)
    return r;
  const double half = std::sqrt((1.0 - h) * (1.0 + h) / dq2);
  r.kind = LineConicKind::Secant;
  r.count = 2;
  for (int i = 0; i < 2; ++i) {
    const double t = tf + (i == 0 ? -half : half);
    const GcGeVector2d q = q0 + dq * t;
    r.tLine[i] = t;
    r.angle[i] = std::atan2(q.y, q.x);
    r.point[i] = conic.eval(r.angle[i]);
  }
  return r;
}

} // namespace vdgeom
