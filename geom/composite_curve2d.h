#pragma once
// Chain of bounded curves travelled one after another. Member i occupies the
// parameter range [i, i + 1], mapped linearly onto the member's own interval,
// so the composite's interval is [0, number of members].
#include "geom/curve2d.h"

#include <memory>
#include <vector>

class GcGeCompositeCurve2d : public GcGeCurve2d {
public:
  GcGeCompositeCurve2d() = default;
  // Copies the curves; the caller keeps its own.
  explicit GcGeCompositeCurve2d(const GcGeCurve2dPtrArray& curves) { setCurveList(curves); }
  GcGeCompositeCurve2d(const GcGeCompositeCurve2d& o);
  GcGeCompositeCurve2d& operator=(const GcGeCompositeCurve2d& o);
  GcGeCompositeCurve2d(GcGeCompositeCurve2d&&) = default;
  GcGeCompositeCurve2d& operator=(GcGeCompositeCurve2d&&) = default;
  ~GcGeCompositeCurve2d() override = default;

  GcGe::EntityId gcType() const override { return GcGe::kCompositeCrv2d; }
  bool isKindOf(int kind) const override { return kind == GcGe::kCompositeCrv2d || GcGeCurve2d::isKindOf(kind); }
  GcGeEntity2d* gcCopy() const override { return new GcGeCompositeCurve2d(*this); }

  // Appends the members; the pointers stay owned by the composite and live
  // as long as it does unchanged.
  void getCurveList(GcGeCurve2dPtrArray& curves) const;
  // Replaces the members by copies of the given curves (bounded ones only:
  // an unbounded curve makes the call fail and leaves the composite as it
  // was).
  bool setCurveList(const GcGeCurve2dPtrArray& curves);
  // Takes ownership of a new last member; false (and deleted) if unbounded.
  bool append(GcGeCurve2d* curve);
  int numCurves() const { return static_cast<int>(mCurves.size()); }
  const GcGeCurve2d& curveAt(int i) const { return *mCurves[static_cast<std::size_t>(i)]; }
  // Member index and member parameter of a composite parameter.
  void globalToLocalParam(double param, int& index, double& localParam) const;
  double localToGlobalParam(int index, double localParam) const;

  bool transformBy(const GcGeMatrix2d& m) override;
  void getInterval(GcGeInterval& range) const override { range = GcGeInterval(0.0, static_cast<double>(mCurves.size())); }
  GcGePoint2d gcEvalPoint(double param) const override;
  GcGeVector2d evalDeriv(double param) const override;
  // That of the member at param.
  double magnitudeAt(double param) const override;
  double paramOf(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const override;
  double closestParamTo(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const override;
  double gcLength(double fromParam, double toParam, const GcGeTol& tol = GcGeContext::gTol) const override;
  using GcGeCurve2d::gcLength;
  double greenIntegral(double fromParam, double toParam) const override;
  GcGeCurve2d& gcReverseParam() override;
  GcGeBoundBlock2d gcOrthoBoundBlock() const override;
  using GcGeCurve2d::gcOrthoBoundBlock;
  using GcGeCurve2d::getSamplePoints;
  void getSamplePoints(double fromParam, double toParam, double approxEps, GcGePoint2dArray& points,
                       GcGeDoubleArray& params) const override;
  GcGeCurve2d* trimmedCopy(double fromParam, double toParam) const override;
  bool explode(GcGeCurve2dPtrArray& pieces) const override;
  // Offsets every member, then trims neighbours that cross at a concave
  // corner and joins those that part at a convex one (fillet arc around the
  // old corner, chamfer segment, or for two straight members with kExtend
  // their extensions). Produces one composite.
  bool getTrimmedOffset(double distance, GcGeCurve2dPtrArray& offsetCurves,
                        GcGe::OffsetCrvExtType extensionType = GcGe::kFillet,
                        const GcGeTol& tol = GcGeContext::gTol) const override;

private:
  // Member parameter for composite parameter `param` within member i.
  double toLocal(int i, double param) const;

  std::vector<std::unique_ptr<GcGeCurve2d>> mCurves;
};
