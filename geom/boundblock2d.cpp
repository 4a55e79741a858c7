#include "geom/boundblock2d.h"

#include <algorithm>

GcGeBoundBlock2d& GcGeBoundBlock2d::set(const GcGePoint2d& p1, const GcGePoint2d& p2) {
  mBase.set(std::min(p1.x, p2.x), std::min(p1.y, p2.y));
  mDir1.set(std::abs(p2.x - p1.x), 0.0);
  mDir2.set(0.0, std::abs(p2.y - p1.y));
  mIsBox = true;
  return *this;
}

void GcGeBoundBlock2d::getMinMaxPoints(GcGePoint2d& minPt, GcGePoint2d& maxPt) const {
  const GcGePoint2d c[4] = {mBase, mBase + mDir1, mBase + mDir2, mBase + mDir1 + mDir2};
  minPt = maxPt = c[0];
  for (const GcGePoint2d& p : c) {
    minPt.set(std::min(minPt.x, p.x), std::min(minPt.y, p.y));
    maxPt.set(std::max(maxPt.x, p.x), std::max(maxPt.y, p.y));
  }
}

GcGeBoundBlock2d& GcGeBoundBlock2d::setToBox(bool toBox) {
  if (!toBox || mIsBox)
    return *this;
  GcGePoint2d lo, hi;
  getMinMaxPoints(lo, hi);
  return set(lo, hi);
}

GcGeBoundBlock2d& GcGeBoundBlock2d::extend(const GcGePoint2d& p) {
  GcGePoint2d lo, hi;
  getMinMaxPoints(lo, hi);
  return set({std::min(lo.x, p.x), std::min(lo.y, p.y)}, {std::max(hi.x, p.x), std::max(hi.y, p.y)});
}

GcGeBoundBlock2d& GcGeBoundBlock2d::transformBy(const GcGeMatrix2d& m) {
  mBase = m.apply(mBase);
  mDir1 = m.apply(mDir1);
  mDir2 = m.apply(mDir2);
  // Pure translations and axis scalings keep a box a box.
  mIsBox = mIsBox && m.entry[0][1] == 0.0 && m.entry[1][0] == 0.0;
  if (mIsBox) {
    GcGePoint2d lo, hi;
    getMinMaxPoints(lo, hi);
    set(lo, hi);
  }
  return *this;
}

GcGeBoundBlock2d& GcGeBoundBlock2d::swell(double d) {
  GcGePoint2d lo, hi;
  getMinMaxPoints(lo, hi);
  return set({lo.x - d, lo.y - d}, {hi.x + d, hi.y + d});
}

bool GcGeBoundBlock2d::contains(const GcGePoint2d& p, const GcGeTol& tol) const {
  // Coordinates of p in the (dir1, dir2) frame, checked against [0, 1] with
  // the equal-point distance converted to each edge's parameter.
  const double det = mDir1.crossProduct(mDir2);
  const GcGeVector2d v = p - mBase;
  const double e = tol.equalPointAt(std::max({p.magnitude(), mBase.magnitude(), (mBase + mDir1 + mDir2).magnitude()}));
  if (det == 0.0) {
    GcGePoint2d lo, hi;
    getMinMaxPoints(lo, hi);
    return p.x >= lo.x - e && p.x <= hi.x + e && p.y >= lo.y - e && p.y <= hi.y + e;
  }
  const double a = v.crossProduct(mDir2) / det;
  const double b = mDir1.crossProduct(v) / det;
  const double ea = e / std::max(mDir1.length(), e), eb = e / std::max(mDir2.length(), e);
  return a >= -ea && a <= 1 + ea && b >= -eb && b <= 1 + eb;
}

bool GcGeBoundBlock2d::isDisjoint(const GcGeBoundBlock2d& o, const GcGeTol& tol) const {
  GcGePoint2d lo1, hi1, lo2, hi2;
  getMinMaxPoints(lo1, hi1);
  o.getMinMaxPoints(lo2, hi2);
  const double e = tol.equalPointAt(std::max({lo1.magnitude(), hi1.magnitude(), lo2.magnitude(), hi2.magnitude()}));
  return lo1.x > hi2.x + e || lo2.x > hi1.x + e || lo1.y > hi2.y + e || lo2.y > hi1.y + e;
}
