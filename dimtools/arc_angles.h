// Angles between directions about an arc's centre, as the arc-dimension
// commands measure them: plane angles about a normal in a chosen sense, the
// sweep from one direction to another through a third, and the sense in
// which such a sweep turns.
#pragma once
#include <optional>

#include "geom/vector3d.h"

namespace vd::dim {

// Ratios of components agree within this for vectors to count as parallel.
inline constexpr double kParallelRatioTolerance = 1e-10;

// w = ratio * u: the ratio, or nothing when the vectors are not parallel.
// Components are compared exactly with zero: where w has one, u must have one
// too (ratio w/u); where only u has one the ratio is 0; where neither has one
// the component says nothing. The result is the mean of the ratios taken, 1
// when none was (both zero).
std::optional<double> parallelRatio(const GcGeVector3d& u, const GcGeVector3d& w);
// Parallel and pointing the same way (a positive ratio).
bool pointsSameWay(const GcGeVector3d& u, const GcGeVector3d& w);

// Angle in [0, 2pi] from a to b turning counter-clockwise about n, or
// clockwise (2pi minus it) when `sense` is below 1. Parallel vectors give 0
// when they point the same way and pi when opposite, whatever the sense.
double planarAngle(const GcGeVector3d& a, const GcGeVector3d& b, const GcGeVector3d& n, int sense);

// Length of the sweep from a to b that passes m: the turn from a to b about
// a x b when m lies on it, the rest of the full turn when not. For parallel a
// and b: 0 when m points their way too, 2pi when a and b agree but m does not,
// pi when they are opposite.
double sweepAngle(const GcGeVector3d& a, const GcGeVector3d& b, const GcGeVector3d& m);

// +1 when the sweep from a through m to b turns counter-clockwise about n, -1
// when clockwise, 0 when any vector is of zero length or the sweep has no
// sense (a and b pointing the same way, or m along one of them).
int orientation(const GcGeVector3d& a, const GcGeVector3d& b, const GcGeVector3d& m, const GcGeVector3d& n);

}  // namespace vd::dim
