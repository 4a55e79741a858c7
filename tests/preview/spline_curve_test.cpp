// B-spline and NURBS curves of drawing splines, against closed forms that do
// not share the evaluator's code: Bernstein polynomials for clamped curves
// without inner knots, the uniform cubic B-spline segment formula, and the
// circle a rational quadratic with the right weight is.
#include <gtest/gtest.h>

#include "preview/spline_curve.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace GDI;

namespace {

const double kPi = std::acos(-1.0);

// A Bezier curve as the sum of its Bernstein polynomials.
GcGePoint2d bernstein(const std::vector<GcGePoint2d>& p, double t) {
  const std::size_t n = p.size() - 1;
  double x = 0, y = 0;
  for (std::size_t i = 0; i <= n; ++i) {
    double binomial = 1;
    for (std::size_t k = 1; k <= i; ++k)
      binomial = binomial * static_cast<double>(n - i + k) / static_cast<double>(k);
    const double b = binomial * std::pow(t, static_cast<double>(i)) * std::pow(1 - t, static_cast<double>(n - i));
    x += b * p[i].x;
    y += b * p[i].y;
  }
  return {x, y};
}

// The uniform cubic B-spline segment of four points at t in [0, 1].
GcGePoint2d uniformCubic(const GcGePoint2d* p, double t) {
  const double b0 = (1 - t) * (1 - t) * (1 - t) / 6, b1 = (3 * t * t * t - 6 * t * t + 4) / 6,
               b2 = (-3 * t * t * t + 3 * t * t + 3 * t + 1) / 6, b3 = t * t * t / 6;
  return {b0 * p[0].x + b1 * p[1].x + b2 * p[2].x + b3 * p[3].x, b0 * p[0].y + b1 * p[1].y + b2 * p[2].y + b3 * p[3].y};
}

double distanceToPolyline(const std::vector<GcGePoint2d>& line, const GcGePoint2d& p) {
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t i = 1; i < line.size(); ++i) {
    const GcGeVector2d ab = line[i] - line[i - 1];
    const double len2 = ab.lengthSqrd();
    const double t = len2 > 0 ? std::clamp((p - line[i - 1]).dotProduct(ab) / len2, 0.0, 1.0) : 0.0;
    best = std::min(best, p.distanceTo(line[i - 1] + ab * t));
  }
  return best;
}

} // namespace

TEST(SplineCurve, WeightsMakeACircle) {
  // A quarter of the unit circle: the middle weight is cos 45 degrees.
  const std::vector<GcGePoint2d> p = {{1, 0}, {1, 1}, {0, 1}};
  auto curve = make_spline(2, {0, 0, 0, 1, 1, 1}, p, {1, std::sqrt(0.5), 1}, false);
  ASSERT_TRUE(curve);
  for (double t = 0; t <= 1.0; t += 0.05)
    EXPECT_NEAR(spline_point(*curve, t).asVector().length(), 1.0, 1e-12) << t;
  // Weights that are not all positive numbers are left out: a parabola.
  for (const std::vector<double>& bad : {std::vector<double>{1, 0, 1}, std::vector<double>{1, -1, 1},
                                         std::vector<double>{1, std::nan(""), 1}, std::vector<double>{1, 2}}) {
    auto plain = make_spline(2, {0, 0, 0, 1, 1, 1}, p, bad, false);
    ASSERT_TRUE(plain);
    EXPECT_TRUE(plain->weights.empty());
    EXPECT_NEAR(spline_point(*plain, 0.5).distanceTo(bernstein(p, 0.5)), 0.0, 1e-12);
  }
}

TEST(SplineCurve, KnotsThatDoNotFitAndClosedCurves) {
  const std::vector<GcGePoint2d> p = {{0, 0}, {3, 5}, {7, 4}, {9, -1}, {4, -3}, {1, -2}};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* what;
    std::vector<double> knots;
  } cases[] = {
      {"too few", {0, 0, 0, 0, 1, 1, 1, 1}}, {"decreasing", {0, 0, 0, 0, 2, 1, 3, 3, 3, 3}},
      {"not a number", {0, 0, 0, 0, nan, 2, 3, 3, 3, 3}}, {"an empty range", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    auto curve = make_spline(3, c.knots, p, {}, false);
    ASSERT_TRUE(curve) << c.what;
    EXPECT_EQ(curve->knots, (std::vector<double>{0, 0, 0, 0, 1, 2, 3, 3, 3, 3})) << c.what << ": clamped uniform";
    EXPECT_TRUE(spline_point(*curve, curve->first()).isEqualTo(p.front())) << c.what;
    EXPECT_TRUE(spline_point(*curve, curve->last()).isEqualTo(p.back())) << c.what;
  }
  // Closed without fitting knots: periodic, each span the uniform cubic of
  // four points taken round the polygon, and it closes on itself.
  auto closed = make_spline(3, {}, p, {}, true);
  ASSERT_TRUE(closed);
  ASSERT_EQ(closed->controls.size(), p.size() + 3);
  for (std::size_t span = 0; span < p.size(); ++span) {
    const GcGePoint2d four[] = {p[span], p[(span + 1) % p.size()], p[(span + 2) % p.size()], p[(span + 3) % p.size()]};
    for (double t : {0.0, 0.4, 0.9})
      EXPECT_NEAR(spline_point(*closed, closed->first() + static_cast<double>(span) + t).distanceTo(uniformCubic(four, t)),
                  0.0, 1e-12)
          << span << " " << t;
  }
  EXPECT_TRUE(spline_point(*closed, closed->first()).isEqualTo(spline_point(*closed, closed->last())));
  // Degree cut to what the points allow; points that are not numbers left out.
  auto two = make_spline(5, {}, {{0, 0}, {nan, 1}, {2, 2}}, {}, false);
  ASSERT_TRUE(two);
  EXPECT_EQ(two->degree, 1);
  EXPECT_TRUE(spline_point(*two, 0.5 * (two->first() + two->last())).isEqualTo(GcGePoint2d(1, 1)));
  EXPECT_FALSE(make_spline(3, {}, {{0, 0}}, {}, false));
  EXPECT_EQ(make_spline(0, {}, p, {}, false)->degree, 3) << "no degree: cubic";
}

TEST(SplineCurve, InterpolationPassesThroughTheFitPoints) {
  const std::vector<GcGePoint2d> fit = {{6500, -4400}, {7000, -3500}, {7500, -4100}, {8000, -3600}, {8100, -3000}};
  const GcGeVector2d along(1, 0), upwards(0, 2);
  struct Case {
    const char* what;
    int degree;
    const GcGeVector2d* start;
    const GcGeVector2d* end;
  } cases[] = {
      {"cubic", 3, nullptr, nullptr}, {"quadratic", 2, nullptr, nullptr}, {"straight", 1, nullptr, nullptr},
      {"cubic with both end tangents", 3, &along, &upwards}, {"cubic with a start tangent", 3, &along, nullptr},
      {"cubic with an end tangent", 3, nullptr, &upwards},
  };
  for (const Case& c : cases) {
    auto curve = interpolate_spline(fit, c.degree, c.start, c.end);
    ASSERT_TRUE(curve) << c.what;
    const std::vector<GcGePoint2d> line = spline_points(*curve, 0.01);
    for (const GcGePoint2d& q : fit)
      EXPECT_LT(distanceToPolyline(line, q), 0.02) << c.what << " at " << q.x;
    EXPECT_TRUE(line.front().isEqualTo(fit.front(), GcGeTol(1e-6, 1e-6))) << c.what;
    EXPECT_TRUE(line.back().isEqualTo(fit.back(), GcGeTol(1e-6, 1e-6))) << c.what;
    // The curve leaves and reaches the ends along the tangents.
    const double h = 1e-6 * (curve->last() - curve->first());
    if (c.start) {
      const GcGeVector2d d = spline_point(*curve, curve->first() + h) - fit.front();
      EXPECT_NEAR(d.crossProduct(*c.start) / d.length(), 0.0, 1e-4) << c.what;
      EXPECT_GT(d.dotProduct(*c.start), 0.0) << c.what;
    }
    if (c.end) {
      const GcGeVector2d d = fit.back() - spline_point(*curve, curve->last() - h);
      EXPECT_NEAR(d.crossProduct(*c.end) / (d.length() * c.end->length()), 0.0, 1e-4) << c.what;
      EXPECT_GT(d.dotProduct(*c.end), 0.0) << c.what;
    }
  }
  // Repeated and non-finite fit points are left out; two points make a line.
  const double inf = std::numeric_limits<double>::infinity();
  auto line = interpolate_spline(std::vector<GcGePoint2d>{{0, 0}, {0, 0}, {inf, 1}, {4, 2}}, 3);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->degree, 1);
  EXPECT_TRUE(spline_point(*line, 0.5).isEqualTo(GcGePoint2d(2, 1)));
  EXPECT_FALSE(interpolate_spline(std::vector<GcGePoint2d>{{1, 1}, {1, 1}}, 3)) << "one point";
  EXPECT_FALSE(interpolate_spline(std::vector<GcGePoint2d>{}, 3));
  // Many points: the band solve stays exact.
  std::vector<GcGePoint2d> wave;
  for (int i = 0; i < 2000; ++i)
    wave.emplace_back(i * 0.5, std::sin(i * 0.05) * 10);
  auto long_curve = interpolate_spline(wave, 3);
  ASSERT_TRUE(long_curve);
  const std::vector<GcGePoint2d> drawn = spline_points(*long_curve, 1e-3);
  for (std::size_t i = 0; i < wave.size(); i += 97)
    EXPECT_LT(distanceToPolyline(drawn, wave[i]), 2e-3) << i;
}
