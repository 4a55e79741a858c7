#pragma once
// Space point value type.
#include "geom/vector3d.h"

#include <algorithm>
#include <cmath>

class GcGeMatrix3d;

class GcGePoint3d {
public:
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  constexpr GcGePoint3d() = default;
  constexpr GcGePoint3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

  static const GcGePoint3d kOrigin;

  GcGePoint3d operator+(const GcGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
  GcGePoint3d operator-(const GcGeVector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
  GcGeVector3d operator-(const GcGePoint3d& p) const { return {x - p.x, y - p.y, z - p.z}; }
  GcGePoint3d& operator+=(const GcGeVector3d& v) { x += v.x; y += v.y; z += v.z; return *this; }
  GcGePoint3d& operator-=(const GcGeVector3d& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
  bool operator==(const GcGePoint3d& p) const { return isEqualTo(p); }
  bool operator!=(const GcGePoint3d& p) const { return !isEqualTo(p); }
  double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
  double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }

  double distanceTo(const GcGePoint3d& p) const { return (*this - p).length(); }
  // Largest absolute coordinate: the rounding of the point scales with it.
  double magnitude() const { return std::max({std::abs(x), std::abs(y), std::abs(z)}); }
  // Equal within the equal-point distance at the larger of both magnitudes.
  bool isEqualTo(const GcGePoint3d& p, const GcGeTol& tol = GcGeContext::gTol) const {
    return distanceTo(p) <= tol.equalPointAt(std::max(magnitude(), p.magnitude()));
  }
  GcGeVector3d asVector() const { return {x, y, z}; }
  GcGePoint3d& set(double xx, double yy, double zz) { x = xx; y = yy; z = zz; return *this; }
  GcGePoint3d& transformBy(const GcGeMatrix3d& m);
  GcGePoint3d& rotateBy(double angle, const GcGeVector3d& axis, const GcGePoint3d& wrt = kOrigin);
};

inline constexpr GcGePoint3d GcGePoint3d::kOrigin{0.0, 0.0, 0.0};
