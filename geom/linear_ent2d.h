#pragma once
// Straight curves: p(t) = origin + t * dir over an interval that is [0, 1]
// for a segment (dir = end - start), [0, inf) for a ray and unbounded for a
// line. Reversal negates dir and the interval.
#include "geom/curve2d.h"

#include <limits>

class GcGeLinearEnt2d : public GcGeCurve2d {
public:
  bool isKindOf(int kind) const override { return kind == GcGe::kLinearEnt2d || GcGeCurve2d::isKindOf(kind); }

  GcGePoint2d pointOnLine() const { return mOrigin; }
  GcGeVector2d direction() const { return mDir; }
  double lowerParam() const { return mLo; }
  double upperParam() const { return mHi; }
  // Unbounded line through this entity.
  GcGeLine2d getLine() const;
  bool isParallelTo(const GcGeLinearEnt2d& o, const GcGeTol& tol = GcGeContext::gTol) const {
    return mDir.isParallelTo(o.mDir, tol);
  }
  bool isPerpendicularTo(const GcGeLinearEnt2d& o, const GcGeTol& tol = GcGeContext::gTol) const {
    return mDir.isPerpendicularTo(o.mDir, tol);
  }
  bool isColinearTo(const GcGeLinearEnt2d& o, const GcGeTol& tol = GcGeContext::gTol) const;
  // The single crossing point; false when they do not meet in one point
  // (parallel, overlapping, or crossing outside either interval).
  bool intersectWith(const GcGeLinearEnt2d& o, GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const;
  GcGeLine2d perpLineThrough(const GcGePoint2d& p) const;

  bool transformBy(const GcGeMatrix2d& m) override;
  void getInterval(GcGeInterval& range) const override;
  GcGePoint2d gcEvalPoint(double t) const override { return mOrigin + mDir * t; }
  GcGeVector2d evalDeriv(double) const override { return mDir; }
  // A bounded piece: the larger of its ends; an unbounded one: its base point
  // or the point at param.
  double magnitudeAt(double param) const override;
  double paramOf(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const override;
  double closestParamTo(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const override;
  double gcLength(double fromParam, double toParam, const GcGeTol& tol = GcGeContext::gTol) const override {
    return std::abs(toParam - fromParam) * mDir.length();
  }
  using GcGeCurve2d::gcLength;
  double greenIntegral(double fromParam, double toParam) const override;
  GcGeCurve2d& gcReverseParam() override;
  GcGeBoundBlock2d gcOrthoBoundBlock() const override;
  using GcGeCurve2d::gcOrthoBoundBlock;
  using GcGeCurve2d::getSamplePoints;
  void getSamplePoints(double fromParam, double toParam, double approxEps, GcGePoint2dArray& points,
                       GcGeDoubleArray& params) const override;
  GcGeCurve2d* trimmedCopy(double fromParam, double toParam) const override;
  bool getTrimmedOffset(double distance, GcGeCurve2dPtrArray& offsetCurves,
                        GcGe::OffsetCrvExtType extensionType = GcGe::kFillet,
                        const GcGeTol& tol = GcGeContext::gTol) const override;

  static constexpr double kInf = std::numeric_limits<double>::infinity();

protected:
  GcGeLinearEnt2d(const GcGePoint2d& origin, const GcGeVector2d& dir, double lo, double hi)
      : mOrigin(origin), mDir(dir), mLo(lo), mHi(hi) {}

  GcGePoint2d mOrigin;
  GcGeVector2d mDir;
  double mLo;
  double mHi;
};

class GcGeLine2d : public GcGeLinearEnt2d {
public:
  GcGeLine2d() : GcGeLinearEnt2d({}, GcGeVector2d::kXAxis, -kInf, kInf) {}
  GcGeLine2d(const GcGePoint2d& point, const GcGeVector2d& dir) : GcGeLinearEnt2d(point, dir, -kInf, kInf) {}
  GcGeLine2d(const GcGePoint2d& a, const GcGePoint2d& b) : GcGeLinearEnt2d(a, b - a, -kInf, kInf) {}

  static const GcGeLine2d kXAxis;
  static const GcGeLine2d kYAxis;

  GcGeLine2d& set(const GcGePoint2d& point, const GcGeVector2d& dir) {
    *this = GcGeLine2d(point, dir);
    return *this;
  }
  GcGe::EntityId gcType() const override { return GcGe::kLine2d; }
  bool isKindOf(int kind) const override { return kind == GcGe::kLine2d || GcGeLinearEnt2d::isKindOf(kind); }
  GcGeEntity2d* gcCopy() const override { return new GcGeLine2d(*this); }
};

class GcGeRay2d : public GcGeLinearEnt2d {
public:
  GcGeRay2d() : GcGeLinearEnt2d({}, GcGeVector2d::kXAxis, 0.0, kInf) {}
  GcGeRay2d(const GcGePoint2d& start, const GcGeVector2d& dir) : GcGeLinearEnt2d(start, dir, 0.0, kInf) {}
  GcGeRay2d(const GcGePoint2d& start, const GcGePoint2d& through)
      : GcGeLinearEnt2d(start, through - start, 0.0, kInf) {}

  GcGeRay2d& set(const GcGePoint2d& start, const GcGeVector2d& dir) {
    *this = GcGeRay2d(start, dir);
    return *this;
  }
  GcGe::EntityId gcType() const override { return GcGe::kRay2d; }
  bool isKindOf(int kind) const override { return kind == GcGe::kRay2d || GcGeLinearEnt2d::isKindOf(kind); }
  GcGeEntity2d* gcCopy() const override { return new GcGeRay2d(*this); }
};

class GcGeLineSeg2d : public GcGeLinearEnt2d {
public:
  GcGeLineSeg2d() : GcGeLinearEnt2d({}, GcGeVector2d::kXAxis, 0.0, 1.0) {}
  GcGeLineSeg2d(const GcGePoint2d& start, const GcGePoint2d& end) : GcGeLinearEnt2d(start, end - start, 0.0, 1.0) {}
  GcGeLineSeg2d(const GcGePoint2d& start, const GcGeVector2d& v) : GcGeLinearEnt2d(start, v, 0.0, 1.0) {}

  GcGeLineSeg2d& set(const GcGePoint2d& start, const GcGePoint2d& end) {
    *this = GcGeLineSeg2d(start, end);
    return *this;
  }
  GcGe::EntityId gcType() const override { return GcGe::kLineSeg2d; }
  bool isKindOf(int kind) const override { return kind == GcGe::kLineSeg2d || GcGeLinearEnt2d::isKindOf(kind); }
  GcGeEntity2d* gcCopy() const override { return new GcGeLineSeg2d(*this); }

  GcGePoint2d startPoint() const { return gcEvalPoint(mLo); }
  GcGePoint2d endPoint() const { return gcEvalPoint(mHi); }
  GcGePoint2d midPoint() const { return gcEvalPoint(0.5 * (mLo + mHi)); }
  double length() const { return gcLength(mLo, mHi); }
};
