#pragma once
// Per-axis scale factors of a plane transform.
#include "geom/tol.h"

#include <cmath>

class GcGeScale2d {
public:
  double sx = 1.0;
  double sy = 1.0;

  constexpr GcGeScale2d() = default;
  constexpr explicit GcGeScale2d(double s) : sx(s), sy(s) {}
  constexpr GcGeScale2d(double x, double y) : sx(x), sy(y) {}

  static const GcGeScale2d kIdentity;

  GcGeScale2d operator*(const GcGeScale2d& s) const { return {sx * s.sx, sy * s.sy}; }
  GcGeScale2d operator*(double f) const { return {sx * f, sy * f}; }
  GcGeScale2d& operator*=(const GcGeScale2d& s) { sx *= s.sx; sy *= s.sy; return *this; }
  GcGeScale2d& operator*=(double f) { sx *= f; sy *= f; return *this; }
  double operator[](int i) const { return i == 0 ? sx : sy; }
  double& operator[](int i) { return i == 0 ? sx : sy; }
  GcGeScale2d inverse() const { return {1.0 / sx, 1.0 / sy}; }
  bool isProportional(const GcGeTol& tol = GcGeContext::gTol) const {
    return std::abs(sx - sy) <= tol.equalVector();
  }
  bool isEqualTo(const GcGeScale2d& s, const GcGeTol& tol = GcGeContext::gTol) const {
    return std::abs(sx - s.sx) <= tol.equalVector() && std::abs(sy - s.sy) <= tol.equalVector();
  }
};

inline constexpr GcGeScale2d GcGeScale2d::kIdentity{1.0, 1.0};
