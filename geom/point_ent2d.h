#pragma once
// A single point as a geometry object (kind 2), so that points travel in the
// same containers as curves.
#include "geom/entity2d.h"

class GcGePointEnt2d : public GcGeEntity2d {
public:
  GcGePointEnt2d() = default;
  explicit GcGePointEnt2d(const GcGePoint2d& p) : mPoint(p) {}

  GcGe::EntityId gcType() const override { return GcGe::kPointEnt2d; }
  bool isKindOf(int kind) const override { return kind == GcGe::kPointEnt2d || GcGeEntity2d::isKindOf(kind); }
  GcGeEntity2d* gcCopy() const override { return new GcGePointEnt2d(*this); }
  bool transformBy(const GcGeMatrix2d& m) override { mPoint.transformBy(m); return true; }
  bool isOn(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const override {
    return mPoint.isEqualTo(p, tol);
  }

  GcGePoint2d point2d() const { return mPoint; }
  GcGePointEnt2d& set(const GcGePoint2d& p) { mPoint = p; return *this; }

private:
  GcGePoint2d mPoint;
};
