#pragma once
// Small numeric helpers shared by the curve classes and the intersections.
#include <cmath>
#include <numbers>
#include <utility>

namespace vdgeom {

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Angle reduced to [0, 2pi).
inline double normalizeAngle(double a) {
  double r = std::fmod(a, kTwoPi);
  if (r < 0.0)
    r += kTwoPi;
  // fmod of a value just below a multiple of 2pi can round up to 2pi.
  return r >= kTwoPi ? 0.0 : r;
}

// Angle reduced to [base, base + 2pi).
inline double angleFrom(double base, double a) {
  return base + normalizeAngle(a - base);
}

// Value clamped to [lo, hi].
inline double clampTo(double v, double lo, double hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

// Real roots of a*x^2 + b*x + c with the cancellation-free form
// (Numerical Recipes, 5.6). Returns the count, roots in ascending order.
inline int solveQuadratic(double a, double b, double c, double roots[2]) {
  if (a == 0.0) {
    if (b == 0.0)
      return 0;
    roots[0] = -c / b;
    return 1;
  }
  const double disc = b * b - 4.0 * a * c;
  if (disc < 0.0)
    return 0;
  const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b));
  double r0 = q / a;
  double r1 = q != 0.0 ? c / q : r0;
  if (r0 > r1)
    std::swap(r0, r1);
  roots[0] = r0;
  roots[1] = r1;
  return disc == 0.0 ? 1 : 2;
}

} // namespace vdgeom
