#pragma once
// Plane point value type.
#include "geom/vector2d.h"

#include <algorithm>

class GcGeMatrix2d;
class GcGeLine2d;

class GcGePoint2d {
public:
  double x = 0.0;
  double y = 0.0;

  constexpr GcGePoint2d() = default;
  constexpr GcGePoint2d(double xx, double yy) : x(xx), y(yy) {}

  static const GcGePoint2d kOrigin;

  GcGePoint2d operator+(const GcGeVector2d& v) const { return {x + v.x, y + v.y}; }
  GcGePoint2d operator-(const GcGeVector2d& v) const { return {x - v.x, y - v.y}; }
  GcGeVector2d operator-(const GcGePoint2d& p) const { return {x - p.x, y - p.y}; }
  GcGePoint2d& operator+=(const GcGeVector2d& v) { x += v.x; y += v.y; return *this; }
  GcGePoint2d& operator-=(const GcGeVector2d& v) { x -= v.x; y -= v.y; return *this; }
  bool operator==(const GcGePoint2d& p) const { return isEqualTo(p); }
  bool operator!=(const GcGePoint2d& p) const { return !isEqualTo(p); }
  double operator[](int i) const { return i == 0 ? x : y; }
  double& operator[](int i) { return i == 0 ? x : y; }

  double distanceTo(const GcGePoint2d& p) const { return std::hypot(x - p.x, y - p.y); }
  // Largest absolute coordinate: the rounding of the point scales with it.
  double magnitude() const { return std::max(std::abs(x), std::abs(y)); }
  // Equal within the equal-point distance at the larger of both magnitudes.
  bool isEqualTo(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const {
    return distanceTo(p) <= tol.equalPointAt(std::max(magnitude(), p.magnitude()));
  }
  GcGeVector2d asVector() const { return {x, y}; }
  GcGePoint2d& set(double xx, double yy) { x = xx; y = yy; return *this; }

  GcGePoint2d& transformBy(const GcGeMatrix2d& m);
  GcGePoint2d& rotateBy(double angle, const GcGePoint2d& wrt = kOrigin);
  GcGePoint2d& scaleBy(double factor, const GcGePoint2d& wrt = kOrigin);
  GcGePoint2d& mirror(const GcGeLine2d& line);
};

inline constexpr GcGePoint2d GcGePoint2d::kOrigin{0.0, 0.0};

inline GcGePoint2d midPoint(const GcGePoint2d& a, const GcGePoint2d& b) {
  return {0.5 * (a.x + b.x), 0.5 * (a.y + b.y)};
}
