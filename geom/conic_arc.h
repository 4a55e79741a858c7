#pragma once
// Pure math of an elliptical or circular arc given by conjugate semi-axes:
// p(t) = c + a cos t + b sin t for t in [t0, t1]. Circular and elliptical
// arcs both reduce to this form, so extents, areas and projections are
// written once.
#include "geom/arrays.h"
#include "geom/boundblock2d.h"
#include "geom/mathutils.h"

namespace vdgeom {

struct ConicArc {
  GcGePoint2d c;
  GcGeVector2d a; // p(0) - c
  GcGeVector2d b; // p(pi/2) - c
  double t0 = 0.0;
  double t1 = kTwoPi;
  // An arc built through its end points keeps them (then t0 is 0): p(t0) and
  // p(t1) are exactly p0 and p1, and points are measured from p0 as
  // p0 + a (cos t - 1) + b sin t, so that a nearly straight arc, whose centre
  // lies far off, keeps the precision of its ends.
  bool anchored = false;
  GcGePoint2d p0;
  GcGePoint2d p1;

  GcGePoint2d eval(double t) const { return anchored ? evalAnchored(t) : c + a * std::cos(t) + b * std::sin(t); }
  // eval of an anchored arc (kept apart so that the common case stays one
  // sincos).
  GcGePoint2d evalAnchored(double t) const;
  GcGeVector2d deriv(double t) const { return b * std::cos(t) - a * std::sin(t); }
  GcGeVector2d deriv2(double t) const { return -(a * std::cos(t) + b * std::sin(t)); }
};

// Angle of p in the (a, b) frame of the full conic, in (-pi, pi]: exact for
// points on the conic, the projection along rays from c otherwise. Measured
// from p0 on an anchored arc.
double conicAngleOf(const ConicArc& arc, const GcGePoint2d& p);

// The angle t' = t + 2k*pi nearest to [t0, t1]: inside when possible, else
// the representative closer to either end.
double conicParamInRange(const ConicArc& arc, double angle);

// Exact axis-aligned extents over [from, to]: both ends plus every axis
// extreme t = atan2(b.x, a.x) (+pi) and atan2(b.y, a.y) (+pi) inside.
GcGeBoundBlock2d conicExtents(const ConicArc& arc, double from, double to);

// Integral of (x dy - y dx)/2 from `from` to `to` in closed form.
double conicGreen(const ConicArc& arc, double from, double to);

// Arc length from `from` to `to` (signed), adaptive Gauss-Kronrod (7, 15)
// on |p'(t)|.
double conicLength(const ConicArc& arc, double from, double to);

// Appends points and parameters from `from` to `to` in equal parameter steps of
// at most maxStep, both ends included (the ends as eval gives them).
void conicSample(const ConicArc& arc, double from, double to, double maxStep, GcGePoint2dArray& points,
                 GcGeDoubleArray& params);

// Parameter in [from, to] of the point nearest to q: dense samples, Newton on
// (p - q).p' = 0 (safeguarded) from every sample nearer than its neighbours,
// ends included; on a whole turn the samples wrap round, so that a nearest
// point just before the end of the parameter range is found from a sample
// just after its start.
double conicClosestParam(const ConicArc& arc, const GcGePoint2d& q, double from, double to);

} // namespace vdgeom
