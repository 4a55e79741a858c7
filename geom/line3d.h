#pragma once
// Unbounded line in space: a point and a direction.
#include "geom/point3d.h"

class GcGeLine3d {
public:
  GcGeLine3d() : mDir(GcGeVector3d::kXAxis) {}
  GcGeLine3d(const GcGePoint3d& point, const GcGeVector3d& dir) : mPoint(point), mDir(dir) {}
  static GcGeLine3d through(const GcGePoint3d& a, const GcGePoint3d& b) { return {a, b - a}; }

  GcGeLine3d& set(const GcGePoint3d& point, const GcGeVector3d& dir) {
    mPoint = point;
    mDir = dir;
    return *this;
  }
  GcGePoint3d pointOnLine() const { return mPoint; }
  GcGeVector3d direction() const { return mDir; }
  GcGePoint3d evalPoint(double t) const { return mPoint + mDir * t; }
  GcGePoint3d closestPointTo(const GcGePoint3d& p) const {
    const double l2 = mDir.lengthSqrd();
    return l2 == 0.0 ? mPoint : mPoint + mDir * ((p - mPoint).dotProduct(mDir) / l2);
  }
  bool isOn(const GcGePoint3d& p, const GcGeTol& tol = GcGeContext::gTol) const {
    return closestPointTo(p).isEqualTo(p, tol);
  }

private:
  GcGePoint3d mPoint;
  GcGeVector3d mDir;
};
