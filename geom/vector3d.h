#pragma once
// Space vector value type.
#include "geom/tol.h"

#include <cmath>

class GcGeMatrix3d;

class GcGeVector3d {
public:
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  constexpr GcGeVector3d() = default;
  constexpr GcGeVector3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

  static const GcGeVector3d kIdentity;
  static const GcGeVector3d kXAxis;
  static const GcGeVector3d kYAxis;
  static const GcGeVector3d kZAxis;

  GcGeVector3d operator+(const GcGeVector3d& v) const { return {x + v.x, y + v.y, z + v.z}; }
  GcGeVector3d operator-(const GcGeVector3d& v) const { return {x - v.x, y - v.y, z - v.z}; }
  GcGeVector3d operator-() const { return {-x, -y, -z}; }
  GcGeVector3d operator*(double s) const { return {x * s, y * s, z * s}; }
  GcGeVector3d operator/(double s) const { return {x / s, y / s, z / s}; }
  GcGeVector3d& operator+=(const GcGeVector3d& v) { x += v.x; y += v.y; z += v.z; return *this; }
  GcGeVector3d& operator-=(const GcGeVector3d& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
  GcGeVector3d& operator*=(double s) { x *= s; y *= s; z *= s; return *this; }
  GcGeVector3d& operator/=(double s) { x /= s; y /= s; z /= s; return *this; }
  friend GcGeVector3d operator*(double s, const GcGeVector3d& v) { return v * s; }
  bool operator==(const GcGeVector3d& v) const { return isEqualTo(v); }
  bool operator!=(const GcGeVector3d& v) const { return !isEqualTo(v); }
  double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
  double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }

  double dotProduct(const GcGeVector3d& v) const { return x * v.x + y * v.y + z * v.z; }
  GcGeVector3d crossProduct(const GcGeVector3d& v) const {
    return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
  }
  double length() const { return std::sqrt(lengthSqrd()); }
  double lengthSqrd() const { return x * x + y * y + z * z; }

  // Unsigned angle to v in [0, pi].
  double angleTo(const GcGeVector3d& v) const;
  // Angle to v in [0, 2pi), counter-clockwise seen from the tip of reference.
  double angleTo(const GcGeVector3d& v, const GcGeVector3d& reference) const;

  // Some vector perpendicular to this one: the arbitrary-axis choice, which
  // turns the z axis into the x axis (0, 1, 0) x n or (0, 0, 1) x n.
  GcGeVector3d perpVector() const;
  GcGeVector3d normal(const GcGeTol& tol = GcGeContext::gTol) const;
  GcGeVector3d& normalize(const GcGeTol& tol = GcGeContext::gTol);
  GcGeVector3d& negate() { x = -x; y = -y; z = -z; return *this; }
  // Right-handed rotation about axis.
  GcGeVector3d& rotateBy(double angle, const GcGeVector3d& axis);
  GcGeVector3d& transformBy(const GcGeMatrix3d& m);
  GcGeVector3d& set(double xx, double yy, double zz) { x = xx; y = yy; z = zz; return *this; }

  bool isZeroLength(const GcGeTol& tol = GcGeContext::gTol) const { return length() <= tol.equalVector(); }
  bool isUnitLength(const GcGeTol& tol = GcGeContext::gTol) const {
    return std::abs(length() - 1.0) <= tol.equalVector();
  }
  bool isEqualTo(const GcGeVector3d& v, const GcGeTol& tol = GcGeContext::gTol) const {
    return (*this - v).length() <= tol.equalVector();
  }
  bool isParallelTo(const GcGeVector3d& v, const GcGeTol& tol = GcGeContext::gTol) const;
  bool isCodirectionalTo(const GcGeVector3d& v, const GcGeTol& tol = GcGeContext::gTol) const;
  bool isPerpendicularTo(const GcGeVector3d& v, const GcGeTol& tol = GcGeContext::gTol) const;
};

inline constexpr GcGeVector3d GcGeVector3d::kIdentity{1.0, 1.0, 1.0};
inline constexpr GcGeVector3d GcGeVector3d::kXAxis{1.0, 0.0, 0.0};
inline constexpr GcGeVector3d GcGeVector3d::kYAxis{0.0, 1.0, 0.0};
inline constexpr GcGeVector3d GcGeVector3d::kZAxis{0.0, 0.0, 1.0};
