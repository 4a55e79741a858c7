#include "preview/snap.h"

#include "geom/circarc2d.h"
#include "geom/composite_curve2d.h"
#include "geom/curve_curve_int2d.h"
#include "geom/elliparc2d.h"
#include "geom/linear_ent2d.h"
#include "geom/mathutils.h"
#include "geom/point_ent2d.h"

#include <algorithm>
#include <cmath>

namespace GDI {
namespace {

struct collector {
  const extents& w;
  std::uint32_t modes;
  GcGePoint2dArray& points;
  std::vector<std::uint32_t>& kinds;

  void add(const GcGePoint2d& p, std::uint32_t kind) {
    if ((modes & kind) && w.contains(p)) {
      points.append(p);
      kinds.push_back(kind);
    }
  }
};

// A quadrant point counts only when it lies on the (possibly partial) arc.
void addIfOn(collector& c, const GcGeCurve2d& curve, const GcGePoint2d& p, std::uint32_t kind) {
  if (curve.isOn(p))
    c.add(p, kind);
}

void collectCurve(const GcGeCurve2d& curve, collector& c, const GcGePoint2d* last) {
  if (curve.isKindOf(GcGe::kCompositeCrv2d)) {
    const auto& comp = static_cast<const GcGeCompositeCurve2d&>(curve);
    for (int i = 0; i < comp.numCurves(); ++i)
      collectCurve(comp.curveAt(i), c, last);
    return;
  }
  const GcGeInterval range = curve.interval();
  if (range.isBoundedBelow())
    c.add(curve.gcEvalPoint(range.lowerBound()), snap_end);
  if (range.isBoundedAbove())
    c.add(curve.gcEvalPoint(range.upperBound()), snap_end);
  const bool closed = range.isBounded() && curve.gcIsClosed();
  if (range.isBounded() && !closed)
    c.add(curve.gcEvalPoint(0.5 * (range.lowerBound() + range.upperBound())), snap_middle);

  if (curve.isKindOf(GcGe::kCircArc2d)) {
    const auto& arc = static_cast<const GcGeCircArc2d&>(curve);
    const GcGePoint2d o = arc.center();
    const double r = arc.radius();
    c.add(o, snap_center);
    if (c.modes & snap_quadrant) {
      addIfOn(c, curve, o + GcGeVector2d(r, 0), snap_quadrant);
      addIfOn(c, curve, o + GcGeVector2d(0, r), snap_quadrant);
      addIfOn(c, curve, o - GcGeVector2d(r, 0), snap_quadrant);
      addIfOn(c, curve, o - GcGeVector2d(0, r), snap_quadrant);
    }
    if (last && (c.modes & snap_perpendicular)) {
      const GcGeVector2d d = *last - o;
      if (d.length() > 0.0) {
        const GcGeVector2d u = d / d.length() * r;
        addIfOn(c, curve, o + u, snap_perpendicular);
        addIfOn(c, curve, o - u, snap_perpendicular);
      }
    }
  } else if (curve.isKindOf(GcGe::kEllipArc2d)) {
    const auto& ell = static_cast<const GcGeEllipArc2d&>(curve);
    const GcGePoint2d o = ell.center();
    c.add(o, snap_center);
    if (c.modes & snap_quadrant) {
      const GcGeVector2d ma = ell.majorAxis() * ell.majorRadius(), mi = ell.minorAxis() * ell.minorRadius();
      addIfOn(c, curve, o + ma, snap_quadrant);
      addIfOn(c, curve, o + mi, snap_quadrant);
      addIfOn(c, curve, o - ma, snap_quadrant);
      addIfOn(c, curve, o - mi, snap_quadrant);
    }
    if (last && (c.modes & snap_perpendicular)) {
      // The nearest point of an ellipse is a foot of a perpendicular from q.
      c.add(curve.closestPointTo(*last), snap_perpendicular);
    }
  } else if (curve.isKindOf(GcGe::kLinearEnt2d) && last && (c.modes & snap_perpendicular)) {
    const auto& line = static_cast<const GcGeLinearEnt2d&>(curve);
    const GcGeVector2d dir = line.direction();
    if (dir.lengthSqrd() > 0.0) {
      const double t = (*last - line.pointOnLine()).dotProduct(dir) / dir.lengthSqrd();
      if (range.contains(t))
        c.add(line.gcEvalPoint(t), snap_perpendicular);
    }
  }
  if (c.modes & snap_nearest)
    c.add(curve.closestPointTo(c.w.center()), snap_nearest);
}

} // namespace

void collect_geometry_snap_points(const GcGeEntity2d& geometry, const extents& w, std::uint32_t modes,
                                  const GcGePoint2d* last, GcGePoint2dArray& points,
                                  std::vector<std::uint32_t>& kinds) {
  collector c{w, modes, points, kinds};
  if (geometry.isKindOf(GcGe::kPointEnt2d)) {
    const GcGePoint2d p = static_cast<const GcGePointEnt2d&>(geometry).point2d();
    c.add(p, snap_node);
    c.add(p, snap_nearest);
    return;
  }
  if (geometry.isKindOf(GcGe::kCurve2d))
    collectCurve(static_cast<const GcGeCurve2d&>(geometry), c, last);
}

void collect_curve_intersections(const GcGeCurve2d& a, const GcGeCurve2d& b, double tol, GcGePoint2dArray& points) {
  const GcGeCurveCurveInt2d cci(a, b, GcGeTol(tol, GcGeContext::gTol.equalVector()));
  for (int i = 0; i < cci.numIntPoints(); ++i)
    points.append(cci.intPoint(i));
}

void sort_snap_results(std::vector<snap_result>& results, double tol) {
  std::stable_sort(results.begin(), results.end(),
                   [](const snap_result& a, const snap_result& b) { return a.distance < b.distance; });
  std::vector<snap_result> kept;
  kept.reserve(results.size());
  std::uint32_t keptKinds = 0;
  for (const snap_result& r : results) {
    if (!kept.empty() && r.point.distanceTo(kept.back().point) <= tol) {
      if (r.snap_kind & keptKinds)
        continue;
      keptKinds |= r.snap_kind;
    } else {
      keptKinds = r.snap_kind;
    }
    kept.push_back(r);
  }
  results.swap(kept);
}

bool inside_rings(const GcGePoint2d& p, const GcGePoint2d* points, const std::uint32_t* counts, std::size_t rings) {
  bool inside = false;
  std::size_t first = 0;
  for (std::size_t r = 0; r < rings; ++r) {
    const std::size_t n = counts[r];
    for (std::size_t i = 0; i < n; ++i) {
      const GcGePoint2d& a = points[first + i];
      const GcGePoint2d& b = points[first + (i + 1) % n];
      if ((a.y > p.y) != (b.y > p.y)) {
        const double x = a.x + (p.y - a.y) / (b.y - a.y) * (b.x - a.x);
        if (x > p.x)
          inside = !inside;
      }
    }
    first += n;
  }
  return inside;
}

std::vector<GcGePoint2d> snap_marker_segments(std::uint32_t kind) {
  using P = GcGePoint2d;
  std::vector<P> s;
  auto path = [&s](std::initializer_list<P> pts) {
    const P* prev = nullptr;
    for (const P& p : pts) {
      if (prev) {
        s.push_back(*prev);
        s.push_back(p);
      }
      prev = &p;
    }
  };
  auto circle = [&s] {
    for (int i = 0; i < 16; ++i) {
      const double a0 = vdgeom::kTwoPi * i / 16, a1 = vdgeom::kTwoPi * (i + 1) / 16;
      s.emplace_back(std::cos(a0), std::sin(a0));
      s.emplace_back(std::cos(a1), std::sin(a1));
    }
  };
  auto cross = [&path] {
    path({P(-1, -1), P(1, 1)});
    path({P(-1, 1), P(1, -1)});
  };
  switch (kind) {
  case snap_end: path({P(-1, -1), P(1, -1), P(1, 1), P(-1, 1), P(-1, -1)}); break;
  case snap_middle: path({P(0, -1), P(1, 1), P(-1, 1), P(0, -1)}); break;
  case snap_center: circle(); break;
  case snap_node: circle(); cross(); break;
  case snap_nearest: path({P(-1, -1), P(1, -1), P(-1, 1), P(1, 1), P(-1, -1)}); break;
  case snap_solid:
    path({P(-1, -1), P(-1, 0.2), P(-0.2, 0.2), P(-0.2, 1), P(1, 1), P(1, -0.2), P(0.2, -0.2), P(0.2, -1), P(-1, -1)});
    break;
  case snap_quadrant: path({P(-1, 0), P(0, 1), P(1, 0), P(0, -1), P(-1, 0)}); break;
  case snap_plus: path({P(-1, 0), P(1, 0)}); path({P(0, -1), P(0, 1)}); break;
  case snap_intersection: cross(); break;
  case snap_perpendicular:
    path({P(-1, -1), P(-1, 1)});
    path({P(1, 1), P(-1, 1)});
    path({P(-1, 0), P(0, 0)});
    path({P(0, 1), P(0, 0)});
    break;
  default: break;
  }
  return s;
}

} // namespace GDI
