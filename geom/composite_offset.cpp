// Offset of a composite curve: member offsets joined at the corners.
#include "geom/circarc2d.h"
#include "geom/composite_curve2d.h"
#include "geom/curve_curve_int2d.h"
#include "geom/linear_ent2d.h"

#include <memory>

namespace {

using CurvePtr = std::unique_ptr<GcGeCurve2d>;

GcGeCurve2d* trimmed(const GcGeCurve2d& c, double from, double to) { return c.trimmedCopy(from, to); }

// Arc around `corner` from a to b, turning the short way.
GcGeCurve2d* filletArc(const GcGePoint2d& corner, const GcGePoint2d& a, const GcGePoint2d& b) {
  const GcGeVector2d va = a - corner, vb = b - corner;
  const bool cw = va.crossProduct(vb) < 0.0;
  const double sweep = va.angleTo(vb);
  return new GcGeCircArc2d(corner, va.length(), 0.0, sweep, va, cw);
}

// Joins piece `prev` (ending near corner) to `next` (starting near it).
// Trims both at their crossing nearest the corner, or bridges the gap.
// Returns the bridge curve to insert between them, if any.
CurvePtr joinPieces(CurvePtr& prev, CurvePtr& next, const GcGePoint2d& corner, GcGe::OffsetCrvExtType ext,
                    const GcGeTol& tol) {
  const GcGePoint2d e = prev->endPoint(), s = next->startPoint();
  if (e.isEqualTo(s, tol))
    return nullptr;
  const GcGeCurveCurveInt2d cci(*prev, *next, tol);
  int best = -1;
  double bestD = 0.0;
  for (int i = 0; i < cci.numIntPoints(); ++i) {
    const double d = cci.intPoint(i).distanceTo(corner);
    if (best < 0 || d < bestD) {
      best = i;
      bestD = d;
    }
  }
  if (best >= 0) {
    // Concave corner: the pieces cross; cut both back to the crossing.
    double t1 = 0.0, t2 = 0.0;
    cci.getIntParams(best, t1, t2);
    prev.reset(trimmed(*prev, prev->interval().lowerBound(), t1));
    next.reset(trimmed(*next, t2, next->interval().upperBound()));
    return nullptr;
  }
  // Convex corner: the pieces part.
  if (ext == GcGe::kChamfer)
    return CurvePtr(new GcGeLineSeg2d(e, s));
  if (ext == GcGe::kExtend && prev->isKindOf(GcGe::kLinearEnt2d) && next->isKindOf(GcGe::kLinearEnt2d)) {
    const auto& l1 = static_cast<const GcGeLinearEnt2d&>(*prev);
    const auto& l2 = static_cast<const GcGeLinearEnt2d&>(*next);
    GcGePoint2d p;
    if (l1.getLine().intersectWith(l2.getLine(), p, tol)) {
      prev.reset(new GcGeLineSeg2d(prev->startPoint(), p));
      next.reset(new GcGeLineSeg2d(p, next->endPoint()));
      return nullptr;
    }
  }
  return CurvePtr(filletArc(corner, e, s));
}

} // namespace

bool GcGeCompositeCurve2d::getTrimmedOffset(double distance, GcGeCurve2dPtrArray& offsetCurves,
                                            GcGe::OffsetCrvExtType ext, const GcGeTol& tol) const {
  std::vector<CurvePtr> pieces;
  std::vector<GcGePoint2d> corners; // original start point of each kept member
  for (const auto& m : mCurves) {
    GcGeCurve2dPtrArray out;
    if (m->gcLength(tol) <= m->equalPointAt(m->interval().lowerBound(), tol))
      continue;
    if (!m->getTrimmedOffset(distance, out, ext, tol)) {
      deleteCurves(out);
      // An arc that shrinks to nothing drops out; its neighbours are joined
      // across it. Any other failure (an elliptical member) fails the whole.
      if (m->isKindOf(GcGe::kCircArc2d))
        continue;
      return false;
    }
    for (GcGeCurve2d* c : out) {
      pieces.emplace_back(c);
      corners.push_back(m->startPoint());
    }
  }
  if (pieces.empty())
    return false;
  const bool closed = gcIsClosed(tol);
  std::vector<CurvePtr> bridges(pieces.size());
  const std::size_t n = pieces.size();
  const std::size_t joints = closed ? n : n - 1;
  for (std::size_t i = 0; i < joints; ++i) {
    const std::size_t j = (i + 1) % n;
    if (i == j)
      break;
    bridges[i] = joinPieces(pieces[i], pieces[j], corners[j], ext, tol);
  }
  auto* result = new GcGeCompositeCurve2d();
  for (std::size_t i = 0; i < n; ++i) {
    result->append(pieces[i].release());
    if (bridges[i])
      result->append(bridges[i].release());
  }
  offsetCurves.append(result);
  return true;
}
