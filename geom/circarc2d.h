#pragma once
// Circular arc. The parameter is the angle in radians measured from the
// reference vector, counter-clockwise, or clockwise for a clockwise arc:
// p(t) = centre + r (cos t * ref + sin t * side), side = perp(ref) or
// -perp(ref). The interval is [startAng, endAng] with startAng in [0, 2pi)
// and 0 <= endAng - startAng <= 2pi, so an arc across the reference
// direction has endAng beyond 2pi. An arc built through points (three
// points, or two and a bulge) starts at angle 0 on its reference and keeps
// its two end points exactly; its points are measured from its start, so a
// nearly straight arc loses nothing to its far centre.
#include "geom/conic_arc.h"
#include "geom/curve2d.h"

class GcGeLinearEnt2d;

class GcGeCircArc2d : public GcGeCurve2d {
public:
  // Unit circle at the origin.
  GcGeCircArc2d();
  // Full circle, counter-clockwise from the x axis.
  GcGeCircArc2d(const GcGePoint2d& center, double radius);
  // Arc from startAng to endAng (endAng below startAng wraps once round);
  // angles from refVec, clockwise when isClockWise.
  GcGeCircArc2d(const GcGePoint2d& center, double radius, double startAng, double endAng,
                const GcGeVector2d& refVec = GcGeVector2d::kXAxis, bool isClockWise = false);
  // Arc through three points, from start through mid to end (the unit circle
  // when there is none: see set).
  GcGeCircArc2d(const GcGePoint2d& start, const GcGePoint2d& mid, const GcGePoint2d& end);

  GcGe::EntityId gcType() const override { return GcGe::kCircArc2d; }
  bool isKindOf(int kind) const override { return kind == GcGe::kCircArc2d || GcGeCurve2d::isKindOf(kind); }
  GcGeEntity2d* gcCopy() const override { return new GcGeCircArc2d(*this); }

  GcGePoint2d center() const { return mCenter; }
  double radius() const { return mRadius; }
  double startAng() const { return mStart; }
  double endAng() const { return mEnd; }
  GcGeVector2d refVec() const { return mRef; }
  bool isClockWise() const { return mClockWise; }
  bool isClosed(const GcGeTol& tol = GcGeContext::gTol) const { return gcIsClosed(tol); }

  GcGeCircArc2d& setCenter(const GcGePoint2d& c) { mCenter = c; mPinned = false; return *this; }
  GcGeCircArc2d& setRadius(double r) { mRadius = r; mPinned = false; return *this; }
  GcGeCircArc2d& setAngles(double startAng, double endAng);
  GcGeCircArc2d& setRefVec(const GcGeVector2d& v);
  GcGeCircArc2d& setToComplement();
  GcGeCircArc2d& set(const GcGePoint2d& center, double radius);
  GcGeCircArc2d& set(const GcGePoint2d& center, double radius, double startAng, double endAng,
                     const GcGeVector2d& refVec = GcGeVector2d::kXAxis, bool isClockWise = false);
  // Through three points; false (arc unchanged) when they are collinear
  // (the sine of the turn at mid within equal-vector) or two coincide. The
  // ends are kept exactly.
  bool set(const GcGePoint2d& start, const GcGePoint2d& mid, const GcGePoint2d& end,
           const GcGeTol& tol = GcGeContext::gTol);
  // From start to end with the bulge tan(sweep / 4), positive counter-
  // clockwise, as polylines store their arcs; centre and radius from the
  // closed form, the ends kept exactly. False (arc unchanged) when the ends
  // coincide or the arc would not leave its chord by more than its own
  // equal-point distance (a bulge so small that the member is straight).
  bool setFromBulge(const GcGePoint2d& start, const GcGePoint2d& end, double bulge,
                    const GcGeTol& tol = GcGeContext::gTol);

  // Crossings with a straight curve or another arc: count 0, 1 or 2; false
  // when there are none or the curves overlap.
  bool intersectWith(const GcGeLinearEnt2d& line, int& count, GcGePoint2d& p1, GcGePoint2d& p2,
                     const GcGeTol& tol = GcGeContext::gTol) const;
  bool intersectWith(const GcGeCircArc2d& arc, int& count, GcGePoint2d& p1, GcGePoint2d& p2,
                     const GcGeTol& tol = GcGeContext::gTol) const;
  // Whether p lies inside the full circle.
  bool isInside(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const {
    return p.distanceTo(mCenter) < mRadius - equalPointAt(mStart, tol);
  }

  vdgeom::ConicArc conic() const;

  bool transformBy(const GcGeMatrix2d& m) override;
  void getInterval(GcGeInterval& range) const override { range = GcGeInterval(mStart, mEnd); }
  GcGePoint2d gcEvalPoint(double t) const override { return conic().eval(t); }
  GcGeVector2d evalDeriv(double t) const override { return conic().deriv(t); }
  // The centre's magnitude plus the radius.
  double magnitudeAt(double param) const override { return mCenter.magnitude() + mRadius; }
  double paramOf(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const override;
  double closestParamTo(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const override;
  double gcLength(double fromParam, double toParam, const GcGeTol& tol = GcGeContext::gTol) const override {
    return std::abs(toParam - fromParam) * mRadius;
  }
  using GcGeCurve2d::gcLength;
  double greenIntegral(double fromParam, double toParam) const override {
    return vdgeom::conicGreen(conic(), fromParam, toParam);
  }
  bool gcIsClosed(const GcGeTol& tol = GcGeContext::gTol) const override;
  GcGeCurve2d& gcReverseParam() override;
  GcGeBoundBlock2d gcOrthoBoundBlock() const override { return vdgeom::conicExtents(conic(), mStart, mEnd); }
  using GcGeCurve2d::gcOrthoBoundBlock;
  using GcGeCurve2d::getSamplePoints;
  void getSamplePoints(double fromParam, double toParam, double approxEps, GcGePoint2dArray& points,
                       GcGeDoubleArray& params) const override;
  GcGeCurve2d* trimmedCopy(double fromParam, double toParam) const override;
  bool getTrimmedOffset(double distance, GcGeCurve2dPtrArray& offsetCurves,
                        GcGe::OffsetCrvExtType extensionType = GcGe::kFillet,
                        const GcGeTol& tol = GcGeContext::gTol) const override;

private:
  GcGePoint2d mCenter;
  double mRadius = 1.0;
  double mStart = 0.0;
  double mEnd = vdgeom::kTwoPi;
  GcGeVector2d mRef = GcGeVector2d::kXAxis;
  bool mClockWise = false;
  // Of a pinned arc: the part from `from` to `to`, pinned, starting at 0.
  void pinTo(double from, double to);
  // The pinned arc from s to e with the bulge (closed form); false, the arc
  // unchanged, when the numbers overflow.
  bool pinThroughBulge(const GcGePoint2d& s, const GcGePoint2d& e, double bulge);

  // Built through its end points: they are kept here and mStart is 0.
  bool mPinned = false;
  GcGePoint2d mStartPt;
  GcGePoint2d mEndPt;
};

// A polyline member from a to b with the bulge tan(sweep / 4), positive
// counter-clockwise: an arc that starts and ends exactly at a and b; a segment
// for bulge 0, equal points, or a bulge too small to bend the member beyond
// the arc's equal-point distance. The caller owns the curve.
GcGeCurve2d* bulgedMember(const GcGePoint2d& a, const GcGePoint2d& b, double bulge);
// Bulge of an arc member: tan(sweep / 4), negative when clockwise.
double bulgeOf(const GcGeCircArc2d& arc);
