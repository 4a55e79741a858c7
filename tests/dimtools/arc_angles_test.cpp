// The angle operations against rotations computed independently: b and m
// are a turned by known angles about a known normal.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "dimtools/arc_angles.h"

using namespace vd::dim;
using V = GcGeVector3d;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * kPi;

// v turned by `angle` about the unit axis k (Rodrigues' formula).
V turned(const V& v, const V& k, double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  V kxv{k.y * v.z - k.z * v.y, k.z * v.x - k.x * v.z, k.x * v.y - k.y * v.x};
  double kv = k.x * v.x + k.y * v.y + k.z * v.z;
  return v * c + kxv * s + k * (kv * (1 - c));
}

TEST(ArcAngles, RandomRotationsAboutRandomNormals) {
  std::mt19937_64 rng(20261206);
  std::uniform_real_distribution<double> coord(-1.0, 1.0), scale(0.01, 100.0), turn(0.0, kTwoPi);
  // The asin of the frame angle loses digits near a quarter turn: about
  // the square root of the double's precision.
  constexpr double kTol = 1e-6;
  constexpr double kMargin = 1e-4;  // keeps cases off the boundaries where the answer flips
  int checked = 0;
  while (checked < 100000) {
    V k{coord(rng), coord(rng), coord(rng)};
    V r{coord(rng), coord(rng), coord(rng)};
    double kl = k.length();
    if (kl < 0.1) continue;
    V unitK = k / kl;
    V a = r - unitK * r.dotProduct(unitK);
    if (a.length() < 0.1) continue;
    double theta = turn(rng), phi = turn(rng);
    if (theta < kMargin || theta > kTwoPi - kMargin || std::abs(theta - kPi) < kMargin) continue;
    if (phi < kMargin || std::abs(phi - theta) < kMargin || phi > kTwoPi - kMargin) continue;
    V b = turned(a, unitK, theta) * scale(rng);
    V m = turned(a, unitK, phi) * scale(rng);
    V n = k * scale(rng);
    a *= scale(rng);

    ASSERT_NEAR(planarAngle(a, b, n, 1), theta, kTol) << checked;
    ASSERT_NEAR(planarAngle(a, b, n, -1), kTwoPi - theta, kTol) << checked;
    ASSERT_NEAR(planarAngle(a, b, -n, 1), kTwoPi - theta, kTol) << checked;
    // The sweep from a to b through m: counter-clockwise about k when m
    // comes before b that way, else the other way round.
    bool counterClockwise = phi < theta;
    ASSERT_NEAR(sweepAngle(a, b, m), counterClockwise ? theta : kTwoPi - theta, kTol) << checked;
    ASSERT_EQ(orientation(a, b, m, n), counterClockwise ? 1 : -1) << checked;
    ASSERT_EQ(orientation(a, b, m, -n), counterClockwise ? -1 : 1) << checked;
    ++checked;
  }
}

TEST(ArcAngles, ParallelAndOppositeDirections) {
  const V x{2, 0, 0}, x2{5, 0, 0}, minusX{-1, 0, 0}, y{0, 3, 0}, z{0, 0, 1};
  const V diag{1, 1, 1}, diag2{3, 3, 3}, minusDiag{-2, -2, -2};
  for (int sense : {1, -1}) {
    EXPECT_EQ(planarAngle(x, x2, z, sense), 0.0);
    EXPECT_EQ(planarAngle(diag, diag2, z, sense), 0.0);
    EXPECT_EQ(planarAngle(x, minusX, z, sense), kPi);
    EXPECT_EQ(planarAngle(diag, minusDiag, y, sense), kPi);
  }
  EXPECT_EQ(sweepAngle(x, x2, x), 0.0);
  EXPECT_EQ(sweepAngle(x, x2, y), kTwoPi);
  EXPECT_EQ(sweepAngle(x, x2, minusX), kTwoPi);
  EXPECT_EQ(sweepAngle(x, minusX, y), kPi);
  EXPECT_EQ(sweepAngle(diag, minusDiag, x), kPi);
  // Opposite ends: the sense is that of the turn from a to m about n.
  EXPECT_EQ(orientation(x, minusX, y, z), 1);
  EXPECT_EQ(orientation(x, minusX, y, -z), -1);
  EXPECT_EQ(orientation(x, minusX, -y, z), -1);
  EXPECT_EQ(orientation(x, minusX, y, V{0, 1, 1}), 0);  // n not along a x m
  EXPECT_EQ(orientation(x, minusX, x2, z), 0);          // m along a
  EXPECT_EQ(orientation(x, minusX, minusX, z), 0);      // m along b
  EXPECT_EQ(orientation(x, x2, y, z), 0);               // a and b the same way
  // Any vector of zero length.
  EXPECT_EQ(orientation(V{}, y, x, z), 0);
  EXPECT_EQ(orientation(x, V{}, y, z), 0);
  EXPECT_EQ(orientation(x, y, V{}, z), 0);
  EXPECT_EQ(orientation(x, y, diag, V{}), 0);
  // A quarter turn, both senses.
  EXPECT_NEAR(planarAngle(x, y, z, 1), kPi / 2, 1e-12);
  EXPECT_NEAR(planarAngle(x, y, z, 0), 3 * kPi / 2, 1e-12);
  EXPECT_NEAR(planarAngle(x, y, -z, 1), 3 * kPi / 2, 1e-12);
}

}  // namespace
