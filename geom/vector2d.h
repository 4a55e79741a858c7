#pragma once
// Plane vector value type.
#include "geom/tol.h"

#include <cmath>

class GcGeMatrix2d;

class GcGeVector2d {
public:
  double x = 0.0;
  double y = 0.0;

  constexpr GcGeVector2d() = default;
  constexpr GcGeVector2d(double xx, double yy) : x(xx), y(yy) {}

  static const GcGeVector2d kIdentity;
  static const GcGeVector2d kXAxis;
  static const GcGeVector2d kYAxis;

  GcGeVector2d operator+(const GcGeVector2d& v) const { return {x + v.x, y + v.y}; }
  GcGeVector2d operator-(const GcGeVector2d& v) const { return {x - v.x, y - v.y}; }
  GcGeVector2d operator-() const { return {-x, -y}; }
  GcGeVector2d operator*(double s) const { return {x * s, y * s}; }
  GcGeVector2d operator/(double s) const { return {x / s, y / s}; }
  GcGeVector2d& operator+=(const GcGeVector2d& v) { x += v.x; y += v.y; return *this; }
  GcGeVector2d& operator-=(const GcGeVector2d& v) { x -= v.x; y -= v.y; return *this; }
  GcGeVector2d& operator*=(double s) { x *= s; y *= s; return *this; }
  GcGeVector2d& operator/=(double s) { x /= s; y /= s; return *this; }
  friend GcGeVector2d operator*(double s, const GcGeVector2d& v) { return v * s; }
  bool operator==(const GcGeVector2d& v) const { return isEqualTo(v); }
  bool operator!=(const GcGeVector2d& v) const { return !isEqualTo(v); }
  double operator[](int i) const { return i == 0 ? x : y; }
  double& operator[](int i) { return i == 0 ? x : y; }

  double dotProduct(const GcGeVector2d& v) const { return x * v.x + y * v.y; }
  // z component of the 3D cross product: positive when v lies counter-clockwise.
  double crossProduct(const GcGeVector2d& v) const { return x * v.y - y * v.x; }
  double length() const { return std::hypot(x, y); }
  double lengthSqrd() const { return x * x + y * y; }

  // Direction angle from the x axis in [0, 2pi).
  double angle() const;
  // Unsigned angle to v in [0, pi].
  double angleTo(const GcGeVector2d& v) const;
  // Counter-clockwise angle from this vector to v in [0, 2pi).
  double angleToCcw(const GcGeVector2d& v) const;

  // The vector turned counter-clockwise by a right angle.
  GcGeVector2d perpVector() const { return {-y, x}; }
  GcGeVector2d normal(const GcGeTol& tol = GcGeContext::gTol) const;
  GcGeVector2d& normalize(const GcGeTol& tol = GcGeContext::gTol);
  GcGeVector2d& negate() { x = -x; y = -y; return *this; }
  GcGeVector2d& rotateBy(double angle);
  GcGeVector2d& mirror(const GcGeVector2d& line);
  // Applies the linear part of the matrix (vectors ignore translation).
  GcGeVector2d& transformBy(const GcGeMatrix2d& m);
  GcGeVector2d& set(double xx, double yy) { x = xx; y = yy; return *this; }

  bool isZeroLength(const GcGeTol& tol = GcGeContext::gTol) const {
    return length() <= tol.equalVector();
  }
  bool isUnitLength(const GcGeTol& tol = GcGeContext::gTol) const {
    return std::abs(length() - 1.0) <= tol.equalVector();
  }
  bool isEqualTo(const GcGeVector2d& v, const GcGeTol& tol = GcGeContext::gTol) const {
    return (*this - v).length() <= tol.equalVector();
  }
  // Parallel when the sine of the angle between them is within equalVector;
  // a zero vector is parallel to nothing.
  bool isParallelTo(const GcGeVector2d& v, const GcGeTol& tol = GcGeContext::gTol) const;
  bool isCodirectionalTo(const GcGeVector2d& v, const GcGeTol& tol = GcGeContext::gTol) const;
  bool isPerpendicularTo(const GcGeVector2d& v, const GcGeTol& tol = GcGeContext::gTol) const;
};

inline constexpr GcGeVector2d GcGeVector2d::kIdentity{1.0, 1.0};
inline constexpr GcGeVector2d GcGeVector2d::kXAxis{1.0, 0.0};
inline constexpr GcGeVector2d GcGeVector2d::kYAxis{0.0, 1.0};
