#pragma once
// Intersection of any two curves: crossing and touching points, ordered
// along the first curve, with their parameters on both curves, and the
// ranges where the curves overlap.
#include "geom/curve2d.h"

#include <vector>

class GcGeCurveCurveInt2d {
public:
  GcGeCurveCurveInt2d() = default;
  // Computes at once. The curves are referenced, not copied: they must
  // outlive the object for curve1() and curve2() to stay valid.
  GcGeCurveCurveInt2d(const GcGeCurve2d& curve1, const GcGeCurve2d& curve2,
                      const GcGeTol& tol = GcGeContext::gTol) {
    set(curve1, curve2, tol);
  }
  GcGeCurveCurveInt2d& set(const GcGeCurve2d& curve1, const GcGeCurve2d& curve2,
                           const GcGeTol& tol = GcGeContext::gTol);

  const GcGeCurve2d* curve1() const { return mCurve1; }
  const GcGeCurve2d* curve2() const { return mCurve2; }
  GcGeTol tolerance() const { return mTol; }

  // Isolated points, ascending in the parameter of curve 1. Points inside an
  // overlap range are not repeated here.
  int numIntPoints() const { return static_cast<int>(mHits.size()); }
  GcGePoint2d intPoint(int i) const { return hit(i).point; }
  void getIntParams(int i, double& param1, double& param2) const {
    param1 = hit(i).param1;
    param2 = hit(i).param2;
  }
  double intParam1(int i) const { return hit(i).param1; }
  double intParam2(int i) const { return hit(i).param2; }
  // The curves touch without crossing there (within the tolerance).
  bool isTangential(int i) const { return hit(i).tangent; }
  // Index of the point that comes k-th along curve 2.
  int indexAlongCurve2(int k) const { return mOrder2.at(static_cast<std::size_t>(k)); }

  // Ranges where the curves coincide, ascending along curve 1.
  int overlapCount() const { return static_cast<int>(mOverlaps.size()); }
  void getOverlapRanges(int i, GcGeInterval& range1, GcGeInterval& range2) const;
  // Whether the curves run the same way through overlap i.
  bool isOverlapCodirectional(int i) const { return overlap(i).codirectional; }

  // The same intersection seen from curve 2.
  GcGeCurveCurveInt2d& swapCurves();

  struct Hit {
    GcGePoint2d point;
    double param1 = 0.0;
    double param2 = 0.0;
    bool tangent = false;
    // The equal-point distance the contact was decided with.
    double tol = 0.0;
  };
  struct Overlap {
    double lo1 = 0.0, hi1 = 0.0; // on curve 1, lo1 <= hi1
    double lo2 = 0.0, hi2 = 0.0; // on curve 2, lo2 <= hi2
    bool codirectional = true;
  };

private:
  const Hit& hit(int i) const { return mHits.at(static_cast<std::size_t>(i)); }
  const Overlap& overlap(int i) const { return mOverlaps.at(static_cast<std::size_t>(i)); }
  void finish();

  const GcGeCurve2d* mCurve1 = nullptr;
  const GcGeCurve2d* mCurve2 = nullptr;
  GcGeTol mTol;
  std::vector<Hit> mHits;
  std::vector<Overlap> mOverlaps;
  std::vector<int> mOrder2;
};
