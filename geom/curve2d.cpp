#include "geom/curve2d.h"

#include "geom/line2d.h"

#include <algorithm>
#include <cmath>

bool GcGeEntity2d::mirror(const GcGeLine2d& line) { return transformBy(GcGeMatrix2d::mirroring(line)); }

bool GcGeCurve2d::isOn(const GcGePoint2d& p, double& param, const GcGeTol& tol) const {
  const double t = closestParamTo(p, tol);
  if (gcEvalPoint(t).distanceTo(p) > tol.equalPointAt(std::max(p.magnitude(), magnitudeAt(t))))
    return false;
  param = t;
  return true;
}

double GcGeCurve2d::gcLength(const GcGeTol& tol) const {
  const GcGeInterval r = interval();
  if (!r.isBounded())
    return -1.0;
  return gcLength(r.lowerBound(), r.upperBound(), tol);
}

bool GcGeCurve2d::gcSignedArea(double& area, const GcGeTol& tol) const {
  const GcGeInterval r = interval();
  if (!r.isBounded())
    return false;
  const GcGePoint2d s = gcEvalPoint(r.lowerBound()), e = gcEvalPoint(r.upperBound());
  // Green's theorem: the curve's own integral plus the closing chord e -> s.
  area = greenIntegral(r.lowerBound(), r.upperBound()) + 0.5 * e.asVector().crossProduct(s.asVector());
  return true;
}

bool GcGeCurve2d::gcArea(double& area, const GcGeTol& tol) const {
  double a = 0.0;
  if (!gcSignedArea(a, tol))
    return false;
  area = std::abs(a);
  return true;
}

bool GcGeCurve2d::gcIsClosed(const GcGeTol& tol) const {
  const GcGeInterval r = interval();
  return r.isBounded() && gcEvalPoint(r.lowerBound()).isEqualTo(gcEvalPoint(r.upperBound()), tol);
}

GcGeBoundBlock2d GcGeCurve2d::gcOrthoBoundBlock(double fromParam, double toParam) const {
  GcGeCurve2d* piece = trimmedCopy(std::min(fromParam, toParam), std::max(fromParam, toParam));
  const GcGeBoundBlock2d box = piece->gcOrthoBoundBlock();
  delete piece;
  return box;
}

bool GcGeCurve2d::getSamplePoints(int numSample, GcGePoint2dArray& points) const {
  const GcGeInterval r = interval();
  if (!r.isBounded() || numSample < 2)
    return false;
  const double lo = r.lowerBound(), step = (r.upperBound() - lo) / (numSample - 1);
  if (points.physicalLength() < points.length() + numSample)
    points.setPhysicalLength(points.length() + numSample);
  for (int i = 0; i < numSample; ++i)
    points.append(gcEvalPoint(i + 1 == numSample ? r.upperBound() : lo + i * step));
  return true;
}

void GcGeCurve2d::getSamplePoints(double approxEps, GcGePoint2dArray& points) const {
  const GcGeInterval r = interval();
  if (!r.isBounded())
    return;
  GcGeDoubleArray params;
  getSamplePoints(r.lowerBound(), r.upperBound(), approxEps, points, params);
}

void GcGeCurve2d::getSplitCurves(double param, GcGeCurve2d*& piece1, GcGeCurve2d*& piece2,
                                 const GcGeTol& tol) const {
  piece1 = piece2 = nullptr;
  const GcGeInterval r = interval();
  const double lo = r.lowerOrInf(), hi = r.upperOrInf();
  // A split within the equal-point distance of an end leaves the whole curve
  // on one side.
  const double eps = equalPointAt(param, tol);
  const bool atLo = std::isfinite(lo) && (param <= lo || gcLength(lo, param, tol) <= eps);
  const bool atHi = std::isfinite(hi) && (param >= hi || gcLength(param, hi, tol) <= eps);
  if (atLo) {
    piece2 = copyCurve();
    return;
  }
  if (atHi) {
    piece1 = copyCurve();
    return;
  }
  piece1 = trimmedCopy(lo, param);
  piece2 = trimmedCopy(param, hi);
}

bool GcGeCurve2d::hasStartPoint(GcGePoint2d& p) const {
  const GcGeInterval r = interval();
  if (!r.isBoundedBelow())
    return false;
  p = gcEvalPoint(r.lowerBound());
  return true;
}

bool GcGeCurve2d::hasEndPoint(GcGePoint2d& p) const {
  const GcGeInterval r = interval();
  if (!r.isBoundedAbove())
    return false;
  p = gcEvalPoint(r.upperBound());
  return true;
}

void deleteCurves(GcGeCurve2dPtrArray& curves) {
  for (GcGeCurve2d* c : curves)
    delete c;
  curves.removeAll();
}
