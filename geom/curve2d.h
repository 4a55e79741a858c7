#pragma once
// Parametric plane curve: the operations every curve kind offers.
#include "geom/arrays.h"
#include "geom/boundblock2d.h"
#include "geom/entity2d.h"
#include "geom/interval.h"

class GcGeCurve2d : public GcGeEntity2d {
public:
  bool isKindOf(int kind) const override { return kind == GcGe::kCurve2d || GcGeEntity2d::isKindOf(kind); }
  GcGeCurve2d* copyCurve() const { return static_cast<GcGeCurve2d*>(gcCopy()); }

  virtual void getInterval(GcGeInterval& range) const = 0;
  GcGeInterval interval() const { GcGeInterval r; getInterval(r); return r; }
  virtual GcGePoint2d gcEvalPoint(double param) const = 0;
  // First derivative with respect to the parameter.
  virtual GcGeVector2d evalDeriv(double param) const = 0;
  // Parameter of the curve point nearest to p (p is expected on the curve).
  virtual double paramOf(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const = 0;
  // Parameter of the curve point nearest to p within the curve's interval.
  virtual double closestParamTo(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const = 0;
  GcGePoint2d closestPointTo(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const {
    return gcEvalPoint(closestParamTo(p, tol));
  }
  double distanceTo(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const {
    return closestPointTo(p, tol).distanceTo(p);
  }
  // Largest absolute coordinate of the values the point at param is computed
  // from (the ends of a segment; the centre's coordinates plus the radius of
  // an arc): the rounding of the point, and so the relative part of the
  // equal-point distance on the curve, scales with it (tol.h).
  virtual double magnitudeAt(double param) const = 0;
  // The equal-point distance for points of the curve near param.
  double equalPointAt(double param, const GcGeTol& tol = GcGeContext::gTol) const {
    return tol.equalPointAt(magnitudeAt(param));
  }
  // Within the equal-point distance of the curve, taken at the magnitude of
  // the point and of the curve where it is nearest.
  bool isOn(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const override {
    double param = 0.0;
    return isOn(p, param, tol);
  }
  // Also gives the parameter of the point when it lies on the curve.
  bool isOn(const GcGePoint2d& p, double& param, const GcGeTol& tol = GcGeContext::gTol) const;
  bool isOn(double param, const GcGeTol& tol = GcGeContext::gTol) const { return interval().contains(param); }

  // Arc length between two parameters (absolute value).
  virtual double gcLength(double fromParam, double toParam, const GcGeTol& tol = GcGeContext::gTol) const = 0;
  // Length of the whole bounded curve; -1 for an unbounded one.
  double gcLength(const GcGeTol& tol = GcGeContext::gTol) const;
  // Area enclosed by the curve and, when open, the chord from its end back to
  // its start; positive when that loop runs counter-clockwise.
  bool gcSignedArea(double& area, const GcGeTol& tol = GcGeContext::gTol) const;
  // Unsigned value of gcSignedArea; false for unbounded curves.
  bool gcArea(double& area, const GcGeTol& tol = GcGeContext::gTol) const;
  // Integral of (x dy - y dx)/2 along the curve between two parameters.
  virtual double greenIntegral(double fromParam, double toParam) const = 0;
  virtual bool gcIsClosed(const GcGeTol& tol = GcGeContext::gTol) const;
  // Reverses the direction of travel; the curve keeps its points.
  virtual GcGeCurve2d& gcReverseParam() = 0;

  // Exact axis-aligned extents of the bounded curve (a box).
  virtual GcGeBoundBlock2d gcOrthoBoundBlock() const = 0;
  GcGeBoundBlock2d gcOrthoBoundBlock(double fromParam, double toParam) const;

  // numSample points spread evenly in parameter over the bounded curve,
  // both ends included. False for unbounded curves or fewer than 2 samples.
  bool getSamplePoints(int numSample, GcGePoint2dArray& points) const;
  // Points from fromParam to toParam so that no chord strays more than
  // approxEps from the curve; both ends included. Appends to the arrays.
  virtual void getSamplePoints(double fromParam, double toParam, double approxEps,
                               GcGePoint2dArray& points, GcGeDoubleArray& params) const = 0;
  void getSamplePoints(double approxEps, GcGePoint2dArray& points) const;

  // Splits at param into the part before and the part after; a part of zero
  // parameter length comes back as null. The caller owns both.
  void getSplitCurves(double param, GcGeCurve2d*& piece1, GcGeCurve2d*& piece2,
                      const GcGeTol& tol = GcGeContext::gTol) const;
  // The curve restricted to [fromParam, toParam] (inside its interval), new.
  virtual GcGeCurve2d* trimmedCopy(double fromParam, double toParam) const = 0;
  // Pieces of a composite curve, as new curves owned by the caller. False
  // for curves that do not break into pieces.
  virtual bool explode(GcGeCurve2dPtrArray& pieces) const { return false; }
  // The curve moved sideways by distance, to the left of the direction of
  // travel for a positive distance, trimmed or joined at the corners of a
  // composite. Appends new curves owned by the caller; false when no offset
  // exists (an arc shrunk to nothing, an elliptical arc).
  virtual bool getTrimmedOffset(double distance, GcGeCurve2dPtrArray& offsetCurves,
                                GcGe::OffsetCrvExtType extensionType = GcGe::kFillet,
                                const GcGeTol& tol = GcGeContext::gTol) const = 0;

  bool hasStartPoint(GcGePoint2d& p) const;
  bool hasEndPoint(GcGePoint2d& p) const;
  GcGePoint2d startPoint() const { return gcEvalPoint(interval().lowerBound()); }
  GcGePoint2d endPoint() const { return gcEvalPoint(interval().upperBound()); }

protected:
  GcGeCurve2d() = default;
  GcGeCurve2d(const GcGeCurve2d&) = default;
  GcGeCurve2d& operator=(const GcGeCurve2d&) = default;
};

// Deletes every curve of an owning pointer array and empties it.
void deleteCurves(GcGeCurve2dPtrArray& curves);
