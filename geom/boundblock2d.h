#pragma once
// Bounding block of plane geometry: an axis-aligned box, or after a general
// transform a parallelogram (base point and two edge vectors).
#include "geom/matrix2d.h"

class GcGeBoundBlock2d {
public:
  GcGeBoundBlock2d() = default;
  GcGeBoundBlock2d(const GcGePoint2d& p1, const GcGePoint2d& p2) { set(p1, p2); }
  GcGeBoundBlock2d(const GcGePoint2d& base, const GcGeVector2d& dir1, const GcGeVector2d& dir2)
      : mBase(base), mDir1(dir1), mDir2(dir2), mIsBox(false) {}

  // Axis-aligned box spanned by two opposite corners in any order.
  GcGeBoundBlock2d& set(const GcGePoint2d& p1, const GcGePoint2d& p2);
  // Widens the block to contain p; a parallelogram becomes its box first.
  GcGeBoundBlock2d& extend(const GcGePoint2d& p);
  // Minimum and maximum corners of the block's axis-aligned box.
  void getMinMaxPoints(GcGePoint2d& minPt, GcGePoint2d& maxPt) const;
  void get(GcGePoint2d& base, GcGeVector2d& dir1, GcGeVector2d& dir2) const {
    base = mBase;
    dir1 = mDir1;
    dir2 = mDir2;
  }
  bool isBox() const { return mIsBox; }
  // With true, replaces a parallelogram by its axis-aligned box.
  GcGeBoundBlock2d& setToBox(bool toBox);
  GcGeBoundBlock2d& transformBy(const GcGeMatrix2d& m);
  GcGeBoundBlock2d& swell(double distance);
  bool contains(const GcGePoint2d& p, const GcGeTol& tol = GcGeContext::gTol) const;
  bool isDisjoint(const GcGeBoundBlock2d& other, const GcGeTol& tol = GcGeContext::gTol) const;

private:
  GcGePoint2d mBase;
  GcGeVector2d mDir1;
  GcGeVector2d mDir2;
  bool mIsBox = true;
};
