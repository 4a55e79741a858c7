#pragma once
// B-spline and NURBS curves as drawings store splines: the curve of control
// points, knots and weights, the curve a spline through fit points stands
// for, and the points along a curve that draw it.
#include "geom/point2d.h"
#include "geom/vector2d.h"

#include <optional>
#include <span>
#include <vector>

namespace GDI {

struct spline_curve {
  int degree = 3;
  std::vector<double> knots;         // controls.size() + degree + 1 values, never decreasing
  std::vector<GcGePoint2d> controls;
  std::vector<double> weights;       // empty (all 1) or one positive weight per control point

  // The parameter range the curve is drawn over: knots[degree] to
  // knots[controls.size()].
  double first() const { return knots[static_cast<std::size_t>(degree)]; }
  double last() const { return knots[controls.size()]; }
};

// What a drawing gives for a curve by its control points, made into a curve
// that can be evaluated: the degree cut to what the points allow (at least
// 1), weights used only when there is a positive finite one for every point,
// and the knots used when they fit (as many as the points and the degree ask,
// finite, never decreasing, a range of positive length). When they do not,
// uniform knots take their place: clamped to the end points, or for a closed
// curve periodic (the first `degree` points repeated at the end). Points
// that are not finite are left out. Nothing with fewer than two points.
std::optional<spline_curve> make_spline(int degree, std::vector<double> knots, std::vector<GcGePoint2d> controls,
                                        std::vector<double> weights, bool closed);

// The point at parameter u (de Boor's algorithm on the weighted points),
// u held to the curve's range.
GcGePoint2d spline_point(const spline_curve& curve, double u);

// Points along the curve from its start to its end, each knot span cut until
// the middle of every piece lies within `tolerance` of its chord (at least
// four pieces a span; a span stops being cut at 4096 points, the curve at 200,000).
std::vector<GcGePoint2d> spline_points(const spline_curve& curve, double tolerance);

// The curve a spline through fit points stands for: a B-spline of the degree
// (cut to what the points allow) through every point, at parameters spaced
// by chord length, with the knots averaged from them (global interpolation,
// Piegl and Tiller, The NURBS Book, 9.2.1). Given end tangents (any length;
// only their direction counts), the curve leaves and reaches the end points
// in their directions, with a length of the whole chord (9.2.2). Repeated
// and non-finite points are left out; nothing with fewer than two points.
std::optional<spline_curve> interpolate_spline(std::span<const GcGePoint2d> fit, int degree,
                                               const GcGeVector2d* start_tangent = nullptr,
                                               const GcGeVector2d* end_tangent = nullptr);

} // namespace GDI
