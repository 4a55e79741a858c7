#include "geom/plane.h"

const GcGePlane GcGePlane::kXYPlane{};

GcGePlane::GcGePlane(const GcGePoint3d& origin, const GcGeVector3d& normal)
    : mOrigin(origin), mNormal(normal.normal()) {
  mU = mNormal.perpVector();
  mV = mNormal.crossProduct(mU);
}

GcGePlane::GcGePlane(const GcGePoint3d& origin, const GcGeVector3d& u, const GcGeVector3d& v)
    : mOrigin(origin), mNormal(u.crossProduct(v).normal()), mU(u), mV(v) {}

bool GcGePlane::intersectWith(const GcGeLine3d& line, GcGePoint3d& result, const GcGeTol& tol) const {
  const GcGeVector3d d = line.direction();
  const double len = d.length();
  if (!isValid() || len == 0.0)
    return false;
  // The sine of the angle between line and plane is |d.n| / |d|.
  const double dn = d.dotProduct(mNormal);
  if (std::abs(dn) <= tol.equalVector() * len)
    return false;
  const double t = (mOrigin - line.pointOnLine()).dotProduct(mNormal) / dn;
  result = line.evalPoint(t);
  return true;
}
