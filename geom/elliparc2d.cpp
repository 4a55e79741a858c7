#include "geom/elliparc2d.h"

#include <algorithm>

using vdgeom::kPi;
using vdgeom::kTwoPi;

GcGeEllipArc2d::GcGeEllipArc2d() = default;

GcGeEllipArc2d::GcGeEllipArc2d(const GcGeCircArc2d& arc) {
  const vdgeom::ConicArc c = arc.conic();
  set(arc.center(), c.a, c.b, arc.radius(), arc.radius(), arc.startAng(), arc.endAng());
}

GcGeEllipArc2d::GcGeEllipArc2d(const GcGePoint2d& center, const GcGeVector2d& majorAxis,
                               const GcGeVector2d& minorAxis, double majorRadius, double minorRadius) {
  set(center, majorAxis, minorAxis, majorRadius, minorRadius);
}

GcGeEllipArc2d::GcGeEllipArc2d(const GcGePoint2d& center, const GcGeVector2d& majorAxis,
                               const GcGeVector2d& minorAxis, double majorRadius, double minorRadius,
                               double startAng, double endAng) {
  set(center, majorAxis, minorAxis, majorRadius, minorRadius, startAng, endAng);
}

GcGeEllipArc2d& GcGeEllipArc2d::set(const GcGePoint2d& center, const GcGeVector2d& majorAxis,
                                    const GcGeVector2d& minorAxis, double majorRadius, double minorRadius,
                                    double startAng, double endAng) {
  mCenter = center;
  mMajor = majorAxis.normal();
  // Only the side of the minor axis is taken from the argument: the axes are
  // kept exactly perpendicular.
  mMinor = majorAxis.crossProduct(minorAxis) < 0.0 ? -mMajor.perpVector() : mMajor.perpVector();
  mMajorRadius = majorRadius;
  mMinorRadius = minorRadius;
  return setAngles(startAng, endAng);
}

GcGeEllipArc2d& GcGeEllipArc2d::setAngles(double startAng, double endAng) {
  double sweep = endAng - startAng;
  if (sweep < 0.0)
    sweep += kTwoPi * std::ceil(-sweep / kTwoPi);
  sweep = std::min(sweep, kTwoPi);
  mStart = vdgeom::normalizeAngle(startAng);
  mEnd = mStart + sweep;
  return *this;
}

vdgeom::ConicArc GcGeEllipArc2d::conic() const {
  return {mCenter, mMajor * mMajorRadius, mMinor * mMinorRadius, mStart, mEnd};
}

bool GcGeEllipArc2d::transformBy(const GcGeMatrix2d& m) {
  const GcGeVector2d a = m.apply(mMajor * mMajorRadius), b = m.apply(mMinor * mMinorRadius);
  if (a.crossProduct(b) == 0.0)
    return false;
  // Principal axes of c + a cos t + b sin t lie at the t0 that maximises
  // |a cos t + b sin t|: tan 2 t0 = 2 a.b / (|a|^2 - |b|^2).
  double t0 = 0.5 * std::atan2(2.0 * a.dotProduct(b), a.lengthSqrd() - b.lengthSqrd());
  GcGeVector2d major = a * std::cos(t0) + b * std::sin(t0);
  GcGeVector2d minor = b * std::cos(t0) - a * std::sin(t0);
  if (minor.lengthSqrd() > major.lengthSqrd()) {
    // Shift by a quarter turn so the first axis is the longer one.
    const GcGeVector2d old = major;
    major = minor;
    minor = -old;
    t0 += kPi / 2;
  }
  mCenter = m.apply(mCenter);
  mMajorRadius = major.length();
  mMinorRadius = minor.length();
  mMajor = major / mMajorRadius;
  mMinor = minor / mMinorRadius;
  // Points keep their place: new parameter = old parameter - t0.
  const double sweep = mEnd - mStart;
  mStart = vdgeom::normalizeAngle(mStart - t0);
  mEnd = mStart + sweep;
  return true;
}

double GcGeEllipArc2d::paramOf(const GcGePoint2d& p, const GcGeTol&) const {
  const vdgeom::ConicArc c = conic();
  return vdgeom::conicParamInRange(c, vdgeom::conicAngleOf(c, p));
}

double GcGeEllipArc2d::closestParamTo(const GcGePoint2d& p, const GcGeTol&) const {
  return vdgeom::conicClosestParam(conic(), p, mStart, mEnd);
}

bool GcGeEllipArc2d::gcIsClosed(const GcGeTol& tol) const {
  return gcEvalPoint(mStart).isEqualTo(gcEvalPoint(mEnd), tol) && mEnd - mStart > kPi;
}

GcGeCurve2d& GcGeEllipArc2d::gcReverseParam() {
  // p'(s) = p(-s): the minor axis flips and the angles are negated.
  mMinor = -mMinor;
  const double sweep = mEnd - mStart;
  mStart = vdgeom::normalizeAngle(-mEnd);
  mEnd = mStart + sweep;
  return *this;
}

void GcGeEllipArc2d::getSamplePoints(double from, double to, double approxEps, GcGePoint2dArray& points,
                                     GcGeDoubleArray& params) const {
  // The chord over a parameter step h strays at most h^2/8 * max|p''| from
  // the curve, and max|p''| is the major radius.
  double step = kPi / 4;
  if (approxEps > 0.0 && mMajorRadius > 0.0)
    step = std::min(step, std::sqrt(8.0 * approxEps / mMajorRadius));
  vdgeom::conicSample(conic(), from, to, step, points, params);
}

GcGeCurve2d* GcGeEllipArc2d::trimmedCopy(double from, double to) const {
  GcGeEllipArc2d* arc = new GcGeEllipArc2d(*this);
  arc->setAngles(std::max(from, mStart), std::min(to, mEnd));
  return arc;
}
