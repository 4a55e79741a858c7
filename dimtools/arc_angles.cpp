#include "dimtools/arc_angles.h"

#include <cmath>
#include <numbers>

namespace vd::dim {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Angle in [0, 2pi) of the (x, y) part of v; 0 for none.
double frameAngle(double x, double y) {
  double r = std::sqrt(x * x + y * y);
  if (r == 0.0) return 0.0;
  double angle = std::asin(y / r);
  if (x < 0.0) angle = std::numbers::pi - angle;
  if (angle < 0.0) angle += kTwoPi;
  return angle;
}

bool isZero(const GcGeVector3d& v) { return v.isZeroLength(); }

}  // namespace

std::optional<double> parallelRatio(const GcGeVector3d& u, const GcGeVector3d& w) {
  double sum = 0.0, low = 0.0, high = 0.0;
  int taken = 0;
  for (int i = 0; i < 3; ++i) {
    double ratio;
    if (w[i] != 0.0) {
      if (u[i] == 0.0) return std::nullopt;
      ratio = w[i] / u[i];
    } else if (u[i] != 0.0) {
      ratio = 0.0;
    } else {
      continue;
    }
    if (taken == 0) low = high = ratio;
    low = std::min(low, ratio);
    high = std::max(high, ratio);
    sum += ratio;
    ++taken;
  }
  if (taken == 0) return 1.0;
  if (high - low > kParallelRatioTolerance) return std::nullopt;
  return sum / taken;
}

bool pointsSameWay(const GcGeVector3d& u, const GcGeVector3d& w) {
  std::optional<double> ratio = parallelRatio(u, w);
  return ratio && *ratio > 0.0;
}

double planarAngle(const GcGeVector3d& a, const GcGeVector3d& b, const GcGeVector3d& n, int sense) {
  if (std::optional<double> ratio = parallelRatio(a, b)) return *ratio > 0.0 ? 0.0 : std::numbers::pi;
  GcGeVector3d x = a.normal();
  GcGeVector3d z = n.normal();
  GcGeVector3d y = z.crossProduct(x);
  double angle = frameAngle(b.dotProduct(x), b.dotProduct(y)) - frameAngle(a.dotProduct(x), a.dotProduct(y));
  if (angle < 0.0) angle += kTwoPi;
  return sense < 1 ? kTwoPi - angle : angle;
}

double sweepAngle(const GcGeVector3d& a, const GcGeVector3d& b, const GcGeVector3d& m) {
  if (std::optional<double> ratio = parallelRatio(a, b)) {
    if (*ratio <= 0.0) return std::numbers::pi;
    return pointsSameWay(a, m) ? 0.0 : kTwoPi;
  }
  GcGeVector3d n = a.crossProduct(b);
  double turn = planarAngle(a, b, n, 1);
  return turn > planarAngle(a, m, n, 1) ? turn : kTwoPi - turn;
}

int orientation(const GcGeVector3d& a, const GcGeVector3d& b, const GcGeVector3d& m, const GcGeVector3d& n) {
  if (isZero(a) || isZero(b) || isZero(m) || isZero(n)) return 0;
  if (std::optional<double> ratio = parallelRatio(a, b)) {
    if (*ratio > 0.0 || pointsSameWay(a, m) || pointsSameWay(b, m)) return 0;
    std::optional<double> side = parallelRatio(n, a.crossProduct(m));
    if (!side || *side == 0.0) return 0;
    return *side > 0.0 ? 1 : -1;
  }
  double t = sweepAngle(a, b, m);
  return std::abs(planarAngle(a, b, n, -1) - t) > std::abs(planarAngle(a, b, n, 1) - t) ? 1 : -1;
}

}  // namespace vd::dim
