#include "geom/vector2d.h"

#include "geom/line2d.h"
#include "geom/mathutils.h"
#include "geom/matrix2d.h"

double GcGeVector2d::angle() const { return vdgeom::normalizeAngle(std::atan2(y, x)); }

double GcGeVector2d::angleTo(const GcGeVector2d& v) const {
  // atan2 of cross and dot keeps full precision near 0 and pi, unlike acos.
  return std::abs(std::atan2(crossProduct(v), dotProduct(v)));
}

double GcGeVector2d::angleToCcw(const GcGeVector2d& v) const {
  return vdgeom::normalizeAngle(std::atan2(crossProduct(v), dotProduct(v)));
}

GcGeVector2d GcGeVector2d::normal(const GcGeTol& tol) const {
  GcGeVector2d v = *this;
  return v.normalize(tol);
}

GcGeVector2d& GcGeVector2d::normalize(const GcGeTol& tol) {
  const double len = length();
  // A vector too short to carry a direction is left unchanged.
  if (len <= tol.equalVector() || len == 0.0)
    return *this;
  x /= len;
  y /= len;
  return *this;
}

GcGeVector2d& GcGeVector2d::rotateBy(double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return set(c * x - s * y, s * x + c * y);
}

GcGeVector2d& GcGeVector2d::mirror(const GcGeVector2d& line) {
  const GcGeVector2d d = line.normal();
  const double k = 2.0 * dotProduct(d);
  return set(k * d.x - x, k * d.y - y);
}

GcGeVector2d& GcGeVector2d::transformBy(const GcGeMatrix2d& m) { return *this = m.apply(*this); }

bool GcGeVector2d::isParallelTo(const GcGeVector2d& v, const GcGeTol& tol) const {
  const double la = length(), lb = v.length();
  if (la <= tol.equalVector() || lb <= tol.equalVector())
    return false;
  return std::abs(crossProduct(v)) <= tol.equalVector() * la * lb;
}

bool GcGeVector2d::isCodirectionalTo(const GcGeVector2d& v, const GcGeTol& tol) const {
  return isParallelTo(v, tol) && dotProduct(v) > 0.0;
}

bool GcGeVector2d::isPerpendicularTo(const GcGeVector2d& v, const GcGeTol& tol) const {
  const double la = length(), lb = v.length();
  if (la <= tol.equalVector() || lb <= tol.equalVector())
    return false;
  return std::abs(dotProduct(v)) <= tol.equalVector() * la * lb;
}
