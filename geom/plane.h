#pragma once
// Unbounded plane: an origin and a unit normal, with the in-plane axes it was
// built from.
#include "geom/line3d.h"

class GcGePlane {
public:
  GcGePlane() = default;
  GcGePlane(const GcGePoint3d& origin, const GcGeVector3d& normal);
  GcGePlane(const GcGePoint3d& origin, const GcGeVector3d& uAxis, const GcGeVector3d& vAxis);

  static const GcGePlane kXYPlane;

  GcGePoint3d pointOnPlane() const { return mOrigin; }
  GcGeVector3d normal() const { return mNormal; }
  void getCoordSystem(GcGePoint3d& origin, GcGeVector3d& u, GcGeVector3d& v) const {
    origin = mOrigin;
    u = mU;
    v = mV;
  }
  double signedDistanceTo(const GcGePoint3d& p) const { return (p - mOrigin).dotProduct(mNormal); }
  double distanceTo(const GcGePoint3d& p) const { return std::abs(signedDistanceTo(p)); }
  GcGePoint3d closestPointTo(const GcGePoint3d& p) const { return p - mNormal * signedDistanceTo(p); }
  bool isOn(const GcGePoint3d& p, const GcGeTol& tol = GcGeContext::gTol) const {
    return distanceTo(p) <= tol.equalPointAt(std::max(p.magnitude(), mOrigin.magnitude()));
  }
  // Meeting point of the plane and the line. False when the line is parallel
  // to the plane (within equalVector), including a line lying in it.
  bool intersectWith(const GcGeLine3d& line, GcGePoint3d& result,
                     const GcGeTol& tol = GcGeContext::gTol) const;
  // Degenerate when the normal has no length.
  bool isValid() const { return mNormal.lengthSqrd() > 0.0; }

private:
  GcGePoint3d mOrigin;
  GcGeVector3d mNormal = GcGeVector3d::kZAxis;
  GcGeVector3d mU = GcGeVector3d::kXAxis;
  GcGeVector3d mV = GcGeVector3d::kYAxis;
};
