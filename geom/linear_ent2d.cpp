#include "geom/linear_ent2d.h"

#include "geom/intr_line_line.h"
#include "geom/mathutils.h"

#include <algorithm>

const GcGeLine2d GcGeLine2d::kXAxis{GcGePoint2d::kOrigin, GcGeVector2d::kXAxis};
const GcGeLine2d GcGeLine2d::kYAxis{GcGePoint2d::kOrigin, GcGeVector2d::kYAxis};

GcGeLine2d GcGeLinearEnt2d::getLine() const { return GcGeLine2d(mOrigin, mDir); }

GcGeLine2d GcGeLinearEnt2d::perpLineThrough(const GcGePoint2d& p) const { return GcGeLine2d(p, mDir.perpVector()); }

bool GcGeLinearEnt2d::isColinearTo(const GcGeLinearEnt2d& o, const GcGeTol& tol) const {
  if (!isParallelTo(o, tol))
    return false;
  return getLine().isOn(o.mOrigin, tol);
}

bool GcGeLinearEnt2d::intersectWith(const GcGeLinearEnt2d& o, GcGePoint2d& p, const GcGeTol& tol) const {
  const double eps = tol.equalPointAt(std::max(magnitudeAt(mLo), o.magnitudeAt(o.mLo)));
  const vdgeom::LineLineIntr r = vdgeom::intrLinearLinear({mOrigin, mDir, mLo, mHi}, {o.mOrigin, o.mDir, o.mLo, o.mHi},
                                                          eps, tol.equalVector());
  if (r.kind != vdgeom::LineLineKind::Point)
    return false;
  p = r.point;
  return true;
}

bool GcGeLinearEnt2d::transformBy(const GcGeMatrix2d& m) {
  mOrigin = m.apply(mOrigin);
  mDir = m.apply(mDir);
  return true;
}

void GcGeLinearEnt2d::getInterval(GcGeInterval& range) const {
  const bool below = std::isfinite(mLo), above = std::isfinite(mHi);
  if (below && above)
    range = GcGeInterval(mLo, mHi);
  else if (below)
    range = GcGeInterval(true, mLo);
  else if (above)
    range = GcGeInterval(false, mHi);
  else
    range = GcGeInterval();
}

double GcGeLinearEnt2d::magnitudeAt(double t) const {
  if (std::isfinite(mLo) && std::isfinite(mHi))
    return std::max(gcEvalPoint(mLo).magnitude(), gcEvalPoint(mHi).magnitude());
  return std::isfinite(t) ? std::max(mOrigin.magnitude(), gcEvalPoint(t).magnitude()) : mOrigin.magnitude();
}

double GcGeLinearEnt2d::paramOf(const GcGePoint2d& p, const GcGeTol&) const {
  const double l2 = mDir.lengthSqrd();
  return l2 == 0.0 ? (std::isfinite(mLo) ? mLo : 0.0) : (p - mOrigin).dotProduct(mDir) / l2;
}

double GcGeLinearEnt2d::closestParamTo(const GcGePoint2d& p, const GcGeTol& tol) const {
  return vdgeom::clampTo(paramOf(p, tol), mLo, mHi);
}

double GcGeLinearEnt2d::greenIntegral(double from, double to) const {
  return 0.5 * gcEvalPoint(from).asVector().crossProduct(gcEvalPoint(to).asVector());
}

GcGeCurve2d& GcGeLinearEnt2d::gcReverseParam() {
  if (std::isfinite(mLo) && std::isfinite(mHi)) {
    mOrigin = gcEvalPoint(mHi);
    mDir = -mDir;
    mHi = mHi - mLo;
    mLo = 0.0;
    return *this;
  }
  mDir = -mDir;
  const double lo = -mHi;
  mHi = -mLo;
  mLo = lo;
  return *this;
}

GcGeBoundBlock2d GcGeLinearEnt2d::gcOrthoBoundBlock() const {
  // An unbounded line has no finite extents: its finite end (or the origin)
  // stands for it.
  const GcGePoint2d a = std::isfinite(mLo) ? gcEvalPoint(mLo) : (std::isfinite(mHi) ? gcEvalPoint(mHi) : mOrigin);
  const GcGePoint2d b = std::isfinite(mHi) ? gcEvalPoint(mHi) : a;
  return GcGeBoundBlock2d(a, b);
}

void GcGeLinearEnt2d::getSamplePoints(double from, double to, double, GcGePoint2dArray& points,
                                      GcGeDoubleArray& params) const {
  points.append(gcEvalPoint(from));
  params.append(from);
  if (to != from) {
    points.append(gcEvalPoint(to));
    params.append(to);
  }
}

GcGeCurve2d* GcGeLinearEnt2d::trimmedCopy(double from, double to) const {
  from = std::max(from, mLo);
  to = std::min(to, mHi);
  const bool lo = std::isfinite(from), hi = std::isfinite(to);
  if (lo && hi)
    return new GcGeLineSeg2d(gcEvalPoint(from), gcEvalPoint(to));
  if (lo)
    return new GcGeRay2d(gcEvalPoint(from), mDir);
  if (hi) {
    // Keep the direction of travel: a ray ending at `to` is stored as
    // origin + t * dir for t <= 0.
    GcGeRay2d* ray = new GcGeRay2d(gcEvalPoint(to), -mDir);
    ray->gcReverseParam();
    return ray;
  }
  return new GcGeLine2d(mOrigin, mDir);
}

bool GcGeLinearEnt2d::getTrimmedOffset(double distance, GcGeCurve2dPtrArray& out, GcGe::OffsetCrvExtType,
                                       const GcGeTol& tol) const {
  const double len = mDir.length();
  if (len == 0.0)
    return false;
  GcGeLinearEnt2d* copy = static_cast<GcGeLinearEnt2d*>(gcCopy());
  copy->mOrigin += mDir.perpVector() * (distance / len);
  out.append(copy);
  return true;
}
