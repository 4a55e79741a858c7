#include "geom/vector3d.h"

#include "geom/mathutils.h"
#include "geom/matrix3d.h"
#include "geom/point3d.h"

double GcGeVector3d::angleTo(const GcGeVector3d& v) const {
  return std::atan2(crossProduct(v).length(), dotProduct(v));
}

double GcGeVector3d::angleTo(const GcGeVector3d& v, const GcGeVector3d& reference) const {
  const GcGeVector3d c = crossProduct(v);
  const double a = std::atan2(c.length(), dotProduct(v));
  if (c.dotProduct(reference) < 0.0)
    return vdgeom::normalizeAngle(-a);
  return a;
}

GcGeVector3d GcGeVector3d::perpVector() const {
  // Arbitrary-axis rule: use the world y axis unless the vector is close to
  // the z axis, then the world z axis (threshold 1/64).
  const double lim = 1.0 / 64.0;
  const GcGeVector3d n = normal();
  if (std::abs(n.x) < lim && std::abs(n.y) < lim)
    return kYAxis.crossProduct(n).normal();
  return kZAxis.crossProduct(n).normal();
}

GcGeVector3d GcGeVector3d::normal(const GcGeTol& tol) const {
  GcGeVector3d v = *this;
  return v.normalize(tol);
}

GcGeVector3d& GcGeVector3d::normalize(const GcGeTol& tol) {
  const double len = length();
  if (len <= tol.equalVector() || len == 0.0)
    return *this;
  return *this /= len;
}

GcGeVector3d& GcGeVector3d::rotateBy(double angle, const GcGeVector3d& axis) {
  GcGeMatrix3d m;
  m.setToRotation(angle, axis);
  return *this = m.apply(*this);
}

GcGeVector3d& GcGeVector3d::transformBy(const GcGeMatrix3d& m) { return *this = m.apply(*this); }

bool GcGeVector3d::isParallelTo(const GcGeVector3d& v, const GcGeTol& tol) const {
  const double la = length(), lb = v.length();
  if (la <= tol.equalVector() || lb <= tol.equalVector())
    return false;
  return crossProduct(v).length() <= tol.equalVector() * la * lb;
}

bool GcGeVector3d::isCodirectionalTo(const GcGeVector3d& v, const GcGeTol& tol) const {
  return isParallelTo(v, tol) && dotProduct(v) > 0.0;
}

bool GcGeVector3d::isPerpendicularTo(const GcGeVector3d& v, const GcGeTol& tol) const {
  const double la = length(), lb = v.length();
  if (la <= tol.equalVector() || lb <= tol.equalVector())
    return false;
  return std::abs(dotProduct(v)) <= tol.equalVector() * la * lb;
}

GcGePoint3d& GcGePoint3d::transformBy(const GcGeMatrix3d& m) { return *this = m.apply(*this); }

GcGePoint3d& GcGePoint3d::rotateBy(double angle, const GcGeVector3d& axis, const GcGePoint3d& wrt) {
  GcGeMatrix3d m;
  m.setToRotation(angle, axis, wrt);
  return *this = m.apply(*this);
}
