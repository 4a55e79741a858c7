#pragma once
// Elliptical arc. The parameter is the eccentric angle: p(t) = centre +
// majorRadius cos t * majorAxis + minorRadius sin t * minorAxis, with unit,
// perpendicular axes; minorAxis = -perp(majorAxis) makes the arc run
// clockwise. The interval is [startAng, endAng] as for circular arcs.
#include "geom/circarc2d.h"

class GcGeEllipArc2d : public GcGeCurve2d {
public:
  GcGeEllipArc2d();
  explicit GcGeEllipArc2d(const GcGeCircArc2d& arc);
  GcGeEllipArc2d(const GcGePoint2d& center, const GcGeVector2d& majorAxis, const GcGeVector2d& minorAxis,
                 double majorRadius, double minorRadius);
  GcGeEllipArc2d(const GcGePoint2d& center, const GcGeVector2d& majorAxis, const GcGeVector2d& minorAxis,
                 double majorRadius, double minorRadius, double startAng, double endAng);

  GcGe::EntityId gcType() const override { return GcGe::kEllipArc2d; }
  bool isKindOf(int kind) const override { return kind == GcGe::kEllipArc2d || GcGeCurve2d::isKindOf(kind); }
  GcGeEntity2d* gcCopy() const override { return new GcGeEllipArc2d(*this); }

  GcGePoint2d center() const { return mCenter; }
  double majorRadius() const { return mMajorRadius; }
  double minorRadius() const { return mMinorRadius; }
  GcGeVector2d majorAxis() const { return mMajor; }
  GcGeVector2d minorAxis() const { return mMinor; }
  double startAng() const { return mStart; }
  double endAng() const { return mEnd; }
  bool isClockWise() const { return mMajor.crossProduct(mMinor) < 0.0; }
  bool isCircular(const GcGeTol& tol = GcGeContext::gTol) const {
    return std::abs(mMajorRadius - mMinorRadius) <= equalPointAt(mStart, tol);
  }

  GcGeEllipArc2d& set(const GcGePoint2d& center, const GcGeVector2d& majorAxis, const GcGeVector2d& minorAxis,
                      double majorRadius, double minorRadius, double startAng = 0.0,
                      double endAng = vdgeom::kTwoPi);
  GcGeEllipArc2d& setAngles(double startAng, double endAng);

  vdgeom::ConicArc conic() const;

  // Any affine map takes an ellipse to an ellipse: the images of the axes
  // are conjugate semi-diameters, turned back into principal axes.
  bool transformBy(const GcGeMatrix2d& m) override;
  void getInterval(GcGeInterval& range) const override { range = GcGeInterval(mStart, mEnd); }
  GcGePoint2d gcEvalPoint(double t) const override { return conic().eval(t); }
  GcGeVector2d evalDeriv(double t) const override { return conic().deriv(t); }
  // The centre's magnitude plus the larger radius.
  double magnitudeAt(double param) const override {
    return mCenter.magnitude() + std::max(mMajorRadius, mMinorRadius);
  }
  double paramOf(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const override;
  double closestParamTo(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const override;
  double gcLength(double fromParam, double toParam, const GcGeTol& tol = GcGeContext::gTol) const override {
    return std::abs(vdgeom::conicLength(conic(), fromParam, toParam));
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
  // The offset of an ellipse is no ellipse: not offered.
  bool getTrimmedOffset(double distance, GcGeCurve2dPtrArray& offsetCurves,
                        GcGe::OffsetCrvExtType extensionType = GcGe::kFillet,
                        const GcGeTol& tol = GcGeContext::gTol) const override {
    return false;
  }

private:
  GcGePoint2d mCenter;
  GcGeVector2d mMajor = GcGeVector2d::kXAxis;
  GcGeVector2d mMinor = GcGeVector2d::kYAxis;
  double mMajorRadius = 1.0;
  double mMinorRadius = 1.0;
  double mStart = 0.0;
  double mEnd = vdgeom::kTwoPi;
};
