#include "geom/circarc2d.h"

#include "geom/curve_curve_int2d.h"
#include "geom/linear_ent2d.h"
#include "geom/lineseg2d.h"

#include <algorithm>
#include <cmath>
#include <memory>

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
  mPinned = false;
  return *this;
}

GcGeCircArc2d& GcGeCircArc2d::setRefVec(const GcGeVector2d& v) {
  const double len = v.length();
  mRef = len > 0.0 ? v / len : GcGeVector2d::kXAxis;
  mPinned = false;
  return *this;
}

GcGeCircArc2d& GcGeCircArc2d::setToComplement() {
  const double sweep = mEnd - mStart;
  if (sweep >= kTwoPi)
    return *this;
  return setAngles(mEnd, mEnd + (kTwoPi - sweep));
}

bool GcGeCircArc2d::set(const GcGePoint2d& s, const GcGePoint2d& m, const GcGePoint2d& e, const GcGeTol& tol) {
  // Collinear when the sine of the turn at m is within equal-vector.
  const GcGeVector2d u = m - s, w = e - m;
  const double cross = u.crossProduct(w);
  const double scale = std::max(u.lengthSqrd(), (e - s).lengthSqrd());
  if (s.isEqualTo(m, tol) || m.isEqualTo(e, tol) || s.isEqualTo(e, tol) ||
      std::abs(2.0 * cross) <= tol.equalVector() * scale)
    return false;
  // The sweep is twice the turn of the direction at m, from s -> m to
  // m -> e (inscribed angle); the bulge is the tangent of its half, found
  // without cancellation as |u x w| / (|u| |w| + u.w).
  const double along = u.length() * w.length() + u.dotProduct(w);
  return along > 0.0 && pinThroughBulge(s, e, cross / along);
}

bool GcGeCircArc2d::setFromBulge(const GcGePoint2d& s, const GcGePoint2d& e, double bulge, const GcGeTol& tol) {
  if (!std::isfinite(bulge) || bulge == 0.0 || s.isEqualTo(e, tol))
    return false;
  GcGeCircArc2d arc;
  if (!arc.pinThroughBulge(s, e, bulge))
    return false;
  // Straight within the arc's own tolerance (its centre's magnitude plus its
  // radius, about chord / (4 |bulge|)): no arc.
  if (std::abs(bulge) * s.distanceTo(e) / 2 <= arc.equalPointAt(0.0, tol))
    return false;
  *this = arc;
  return true;
}

bool GcGeCircArc2d::pinThroughBulge(const GcGePoint2d& s, const GcGePoint2d& e, double bulge) {
  const GcGeVector2d chord = e - s;
  const double len = chord.length();
  // The centre lies (1 - bulge^2) / (4 bulge) chord lengths to the left of
  // the chord's middle; the radius is len (1 + bulge^2) / (4 |bulge|).
  const double k = (1.0 - bulge * bulge) / (4.0 * bulge);
  const double r = len * (1.0 + bulge * bulge) / (4.0 * std::abs(bulge));
  const GcGeVector2d toStart = chord * -0.5 - chord.perpVector() * k;
  const GcGePoint2d c = midPoint(s, e) + chord.perpVector() * k;
  const double toStartLen = toStart.length();
  if (!std::isfinite(r) || !std::isfinite(c.x) || !std::isfinite(c.y) || toStartLen == 0.0)
    return false;
  mCenter = c;
  mRadius = r;
  mRef = toStart / toStartLen;
  mClockWise = bulge < 0.0;
  mStart = 0.0;
  mEnd = 4.0 * std::atan(std::abs(bulge));
  mPinned = true;
  mStartPt = s;
  mEndPt = e;
  return true;
}

vdgeom::ConicArc GcGeCircArc2d::conic() const {
  const GcGeVector2d side = mClockWise ? -mRef.perpVector() : mRef.perpVector();
  vdgeom::ConicArc arc{mCenter, mRef * mRadius, side * mRadius, mStart, mEnd};
  if (mPinned) {
    arc.anchored = true;
    arc.p0 = mStartPt;
    arc.p1 = mEndPt;
  }
  return arc;
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
  mStartPt = m.apply(mStartPt);
  mEndPt = m.apply(mEndPt);
  return true;
}

void GcGeCircArc2d::pinTo(double from, double to) {
  // The new start is the point at `from`; the reference turns to it so that
  // the arc starts at angle 0 again.
  const vdgeom::ConicArc old = conic();
  const GcGePoint2d start = old.eval(from), end = old.eval(to);
  const GcGeVector2d ref = old.a * std::cos(from) + old.b * std::sin(from);
  mRef = ref / ref.length();
  mStart = 0.0;
  mEnd = to - from;
  mStartPt = start;
  mEndPt = end;
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

bool GcGeCircArc2d::gcIsClosed(const GcGeTol& tol) const {
  return (mEnd - mStart) * mRadius >= kTwoPi * mRadius - equalPointAt(mStart, tol);
}

GcGeCurve2d& GcGeCircArc2d::gcReverseParam() {
  if (mPinned) {
    // Start again at 0 on a reference through the old end, the other way
    // round.
    const vdgeom::ConicArc old = conic();
    const GcGeVector2d ref = old.a * std::cos(mEnd) + old.b * std::sin(mEnd);
    mRef = ref / ref.length();
    mClockWise = !mClockWise;
    std::swap(mStartPt, mEndPt);
    return *this;
  }
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
  from = std::max(from, mStart);
  to = std::min(to, mEnd);
  if (mPinned && to >= from)
    arc->pinTo(from, to);
  else
    arc->setAngles(from, to);
  return arc;
}

bool GcGeCircArc2d::getTrimmedOffset(double distance, GcGeCurve2dPtrArray& out, GcGe::OffsetCrvExtType,
                                     const GcGeTol& tol) const {
  // Left of travel is towards the centre on a counter-clockwise arc.
  const double r = mClockWise ? mRadius + distance : mRadius - distance;
  if (r <= tol.equalPointAt(mCenter.magnitude() + std::abs(r)))
    return false;
  GcGeCircArc2d* arc = new GcGeCircArc2d(*this);
  arc->setRadius(r);
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

GcGeCurve2d* bulgedMember(const GcGePoint2d& a, const GcGePoint2d& b, double bulge) {
  auto arc = std::make_unique<GcGeCircArc2d>();
  if (!arc->setFromBulge(a, b, bulge)) return new GcGeLineSeg2d(a, b);
  return arc.release();
}

double bulgeOf(const GcGeCircArc2d& arc) {
  const double b = std::tan((arc.endAng() - arc.startAng()) / 4);
  return arc.isClockWise() ? -b : b;
}
