#include "geom/circarc2d.h"

#include "geom/curve_curve_int2d.h"
#include "geom/linear_ent2d.h"

#include <algorithm>

using vdgeom::kPi;
using vdgeom::kTwoPi;

namespace {
// Start reduced to [0, 2pi), sweep to [0, 2pi]; an end below the start wraps
// once round.
void normalizeRange(double start, double end, double& outStart, double& outEnd) {
  double sweep = end - start;
  if (sweep < 0.0)
    sweep += kTwoPi * std::ceil(-sweep / kTwoPi);
  sweep = std::min(sweep, kTwoPi);
  outStart = vdgeom::normalizeAngle(start);
  outEnd = outStart + sweep;
}
} // namespace

GcGeCircArc2d::GcGeCircArc2d() = default;

GcGeCircArc2d::GcGeCircArc2d(const GcGePoint2d& center, double radius) { set(center, radius); }

GcGeCircArc2d::GcGeCircArc2d(const GcGePoint2d& center, double radius, double startAng, double endAng,
                             const GcGeVector2d& refVec, bool isClockWise) {
  set(center, radius, startAng, endAng, refVec, isClockWise);
}

GcGeCircArc2d::GcGeCircArc2d(const GcGePoint2d& start, const GcGePoint2d& mid, const GcGePoint2d& end) {
  set(start, mid, end);
}

GcGeCircArc2d& GcGeCircArc2d::set(const GcGePoint2d& center, double radius) {
  return set(center, radius, 0.0, kTwoPi);
}

GcGeCircArc2d& GcGeCircArc2d::set(const GcGePoint2d& center, double radius, double startAng, double endAng,
                                  const GcGeVector2d& refVec, bool isClockWise) {
  mCenter = center;
  mRadius = radius;
  mClockWise = isClockWise;
  setRefVec(refVec);
  return setAngles(startAng, endAng);
}

GcGeCircArc2d& GcGeCircArc2d::setAngles(double startAng, double endAng) {
  normalizeRange(startAng, endAng, mStart, mEnd);
  return *this;
}

GcGeCircArc2d& GcGeCircArc2d::setRefVec(const GcGeVector2d& v) {
  const double len = v.length();
  mRef = len > 0.0 ? v / len : GcGeVector2d::kXAxis;
  return *this;
}

GcGeCircArc2d& GcGeCircArc2d::setToComplement() {
  const double sweep = mEnd - mStart;
  if (sweep >= kTwoPi)
    return *this;
  return setAngles(mEnd, mEnd + (kTwoPi - sweep));
}

bool GcGeCircArc2d::set(const GcGePoint2d& s, const GcGePoint2d& m, const GcGePoint2d& e, const GcGeTol& tol) {
  // Circumcentre from the perpendicular bisectors (Cramer's rule).
  const GcGeVector2d a = m - s, b = e - s;
  const double d = 2.0 * a.crossProduct(b);
  const double scale = std::max(a.lengthSqrd(), b.lengthSqrd());
  if (s.isEqualTo(m, tol) || m.isEqualTo(e, tol) || s.isEqualTo(e, tol) ||
      std::abs(d) <= tol.equalVector() * scale)
    return false;
  const double a2 = a.lengthSqrd(), b2 = b.lengthSqrd();
  const GcGeVector2d off((b.y * a2 - a.y * b2) / d, (a.x * b2 - b.x * a2) / d);
  const GcGePoint2d c = s + off;
  const bool cw = d < 0.0; // s -> m -> e turns clockwise
  const double r = off.length();
  // Reference at the start point: the arc starts at angle 0.
  set(c, r, 0.0, kTwoPi, s - c, cw);
  const double t = vdgeom::normalizeAngle(vdgeom::conicAngleOf(conic(), e));
  mEnd = t;
  return true;
}

vdgeom::ConicArc GcGeCircArc2d::conic() const {
  const GcGeVector2d side = mClockWise ? -mRef.perpVector() : mRef.perpVector();
  return {mCenter, mRef * mRadius, side * mRadius, mStart, mEnd};
}

bool GcGeCircArc2d::transformBy(const GcGeMatrix2d& m) {
  if (!m.isUniScaledOrtho())
    return false;
  const GcGeVector2d ref = m.apply(mRef);
  mCenter = m.apply(mCenter);
  mRadius *= ref.length();
  mRef = ref / ref.length();
  // A reflection swaps the sense of rotation; the angles stay.
  if (m.det() < 0.0)
    mClockWise = !mClockWise;
  return true;
}

double GcGeCircArc2d::paramOf(const GcGePoint2d& p, const GcGeTol&) const {
  const vdgeom::ConicArc c = conic();
  return vdgeom::conicParamInRange(c, vdgeom::conicAngleOf(c, p));
}

double GcGeCircArc2d::closestParamTo(const GcGePoint2d& p, const GcGeTol& tol) const {
  if (p.distanceTo(mCenter) == 0.0)
    return mStart;
  const double t = paramOf(p, tol);
  if (t >= mStart && t <= mEnd)
    return t;
  return p.distanceTo(gcEvalPoint(mStart)) <= p.distanceTo(gcEvalPoint(mEnd)) ? mStart : mEnd;
}

bool GcGeCircArc2d::gcIsClosed(const GcGeTol& tol) const { return (mEnd - mStart) * mRadius >= kTwoPi * mRadius - tol.equalPoint(); }

GcGeCurve2d& GcGeCircArc2d::gcReverseParam() {
  // p'(s) = p(-s): same reference, opposite sense, angles negated.
  mClockWise = !mClockWise;
  const double sweep = mEnd - mStart;
  mStart = vdgeom::normalizeAngle(-mEnd);
  mEnd = mStart + sweep;
  return *this;
}

void GcGeCircArc2d::getSamplePoints(double from, double to, double approxEps, GcGePoint2dArray& points,
                                    GcGeDoubleArray& params) const {
  // Sagitta r (1 - cos(step/2)) <= eps gives the largest step; a quarter turn
  // at most so that coarse tolerances still give a recognisable arc.
  double step = kPi / 2;
  if (approxEps > 0.0 && approxEps < mRadius)
    step = std::min(step, 2.0 * std::acos(1.0 - approxEps / mRadius));
  vdgeom::conicSample(conic(), from, to, step, points, params);
}

GcGeCurve2d* GcGeCircArc2d::trimmedCopy(double from, double to) const {
  GcGeCircArc2d* arc = new GcGeCircArc2d(*this);
  arc->setAngles(std::max(from, mStart), std::min(to, mEnd));
  return arc;
}

bool GcGeCircArc2d::getTrimmedOffset(double distance, GcGeCurve2dPtrArray& out, GcGe::OffsetCrvExtType,
                                     const GcGeTol& tol) const {
  // Left of travel is towards the centre on a counter-clockwise arc.
  const double r = mClockWise ? mRadius + distance : mRadius - distance;
  if (r <= tol.equalPoint())
    return false;
  GcGeCircArc2d* arc = new GcGeCircArc2d(*this);
  arc->mRadius = r;
  out.append(arc);
  return true;
}

bool GcGeCircArc2d::intersectWith(const GcGeLinearEnt2d& line, int& count, GcGePoint2d& p1, GcGePoint2d& p2,
                                  const GcGeTol& tol) const {
  const GcGeCurveCurveInt2d cci(*this, line, tol);
  count = cci.numIntPoints();
  if (count > 0)
    p1 = cci.intPoint(0);
  if (count > 1)
    p2 = cci.intPoint(1);
  return count > 0;
}

bool GcGeCircArc2d::intersectWith(const GcGeCircArc2d& arc, int& count, GcGePoint2d& p1, GcGePoint2d& p2,
                                  const GcGeTol& tol) const {
  const GcGeCurveCurveInt2d cci(*this, arc, tol);
  count = cci.overlapCount() > 0 ? 0 : cci.numIntPoints();
  if (count > 0)
    p1 = cci.intPoint(0);
  if (count > 1)
    p2 = cci.intPoint(1);
  return count > 0;
}
