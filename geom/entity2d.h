#pragma once
// Root of the plane geometry objects, with the kind values callers test.
#include "geom/matrix2d.h"

namespace GcGe {
// Kind values of isKindOf and gcType. The numbers are fixed: callers store
// and compare them.
enum EntityId {
  kEntity2d = 1,
  kPointEnt2d = 2,
  kCircArc2d = 10,
  kCurve2d = 14,
  kEllipArc2d = 16,
  kLine2d = 18,
  kLinearEnt2d = 20,
  kLineSeg2d = 22,
  kRay2d = 26,
  kCompositeCrv2d = 46,
};

// How getTrimmedOffset joins offset pieces that part at a convex corner.
enum OffsetCrvExtType {
  kFillet,  // an arc around the original corner
  kChamfer, // a straight segment between the two piece ends
  kExtend,  // both pieces extended until they meet (arcs as by kFillet)
};
} // namespace GcGe

class GcGeLine2d;

class GcGeEntity2d {
public:
  virtual ~GcGeEntity2d() = default;

  virtual GcGe::EntityId gcType() const = 0;
  // True when this object is of the given kind or derives from it.
  virtual bool isKindOf(int kind) const { return kind == GcGe::kEntity2d; }
  // A new object of the same type and value; the caller owns it.
  virtual GcGeEntity2d* gcCopy() const = 0;
  // Applies the transform. Returns false and leaves the object unchanged when
  // the result is not of this type (a circle under non-uniform scaling).
  virtual bool transformBy(const GcGeMatrix2d& m) = 0;
  virtual bool isOn(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const = 0;

  bool mirror(const GcGeLine2d& line);
  bool translateBy(const GcGeVector2d& v) { return transformBy(GcGeMatrix2d::translation(v)); }
  bool rotateBy(double angle, const GcGePoint2d& wrt = GcGePoint2d::kOrigin) {
    return transformBy(GcGeMatrix2d::rotation(angle, wrt));
  }
  bool scaleBy(double factor, const GcGePoint2d& wrt = GcGePoint2d::kOrigin) {
    return transformBy(GcGeMatrix2d::scaling(factor, wrt));
  }

protected:
  GcGeEntity2d() = default;
  GcGeEntity2d(const GcGeEntity2d&) = default;
  GcGeEntity2d& operator=(const GcGeEntity2d&) = default;
};
