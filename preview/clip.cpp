#include "preview/clip.h"

#include "geom/curve_curve_int2d.h"
#include "geom/linear_ent2d.h"

#include <algorithm>
#include <cmath>

namespace GDI {

bool clip_segment(GcGePoint2d& p, GcGePoint2d& q, const extents& box) {
  if (!box.valid)
    return false;
  // Each side: keep where sign * (coordinate - bound) <= 0.
  for (int axis = 0; axis < 2; ++axis) {
    for (int side = 0; side < 2; ++side) {
      const double bound = side == 0 ? box.min[axis] : box.max[axis];
      const double sign = side == 0 ? -1.0 : 1.0;
      const double dp = sign * (p[axis] - bound), dq = sign * (q[axis] - bound);
      if (dp > 0.0 && dq > 0.0)
        return false;
      if (dp <= 0.0 && dq <= 0.0)
        continue;
      const double t = dp / (dp - dq);
      GcGePoint2d cut(p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t);
      cut[axis] = bound; // exact on the side despite rounding
      if (dp > 0.0)
        p = cut;
      else
        q = cut;
    }
  }
  return true;
}

clip_region::clip_region(const extents& box) {
  corner_[0] = box.min;
  corner_[1] = GcGePoint2d(box.max.x, box.min.y);
  corner_[2] = box.max;
  corner_[3] = GcGePoint2d(box.min.x, box.max.y);
  if (box.valid)
    build();
}

clip_region::clip_region(const GcGePoint2d (&corners)[4]) {
  std::copy(std::begin(corners), std::end(corners), corner_);
  build();
}

clip_region& clip_region::operator=(const clip_region& o) {
  if (this != &o) {
    std::copy(std::begin(o.corner_), std::end(o.corner_), corner_);
    box_ = extents();
    axis_aligned_ = false;
    boundary_ = GcGeCompositeCurve2d();
    if (o.valid())
      build();
  }
  return *this;
}

void clip_region::build() {
  box_ = extents();
  for (const GcGePoint2d& c : corner_)
    box_.grow(c);
  axis_aligned_ = true;
  for (int i = 0; i < 4; ++i) {
    const GcGePoint2d& a = corner_[i];
    const GcGePoint2d& b = corner_[(i + 1) % 4];
    axis_aligned_ = axis_aligned_ && (a.x == b.x || a.y == b.y);
  }
  GcGeCompositeCurve2d b;
  for (int i = 0; i < 4; ++i)
    b.append(new GcGeLineSeg2d(corner_[i], corner_[(i + 1) % 4]));
  boundary_ = std::move(b);
}

clip_region clip_region::transformed(const GcGeMatrix2d& m) const {
  if (!valid())
    return {};
  GcGePoint2d c[4];
  for (int i = 0; i < 4; ++i)
    c[i] = m.apply(corner_[i]);
  if (m.det() < 0.0)
    std::swap(c[1], c[3]);
  return clip_region(c);
}

bool clip_region::contains(const GcGePoint2d& p) const {
  // Small slack so that points on the boundary count as inside.
  const double slack = 1e-12 * (box_.width() + box_.height());
  if (!box_.valid || p.x < box_.min.x - slack || p.x > box_.max.x + slack || p.y < box_.min.y - slack ||
      p.y > box_.max.y + slack)
    return false;
  for (int i = 0; i < 4; ++i) {
    const GcGeVector2d edge = corner_[(i + 1) % 4] - corner_[i];
    if (edge.crossProduct(p - corner_[i]) < -1e-12 * edge.lengthSqrd())
      return false;
  }
  return true;
}

bool clip_segment(GcGePoint2d& p, GcGePoint2d& q, const clip_region& region) {
  if (!region.valid())
    return false;
  double t0 = 0.0, t1 = 1.0;
  const GcGeVector2d d = q - p;
  for (int i = 0; i < 4; ++i) {
    const GcGePoint2d a = region.corner(i);
    const GcGeVector2d edge = region.corner((i + 1) % 4) - a;
    // Inside is to the left of each counter-clockwise edge: f(t) >= 0.
    const double f0 = edge.crossProduct(p - a), df = edge.crossProduct(d);
    if (df == 0.0) {
      if (f0 < 0.0)
        return false;
      continue;
    }
    const double t = -f0 / df;
    if (df > 0.0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1)
      return false;
  }
  const GcGePoint2d start = p;
  p = start + d * t0;
  q = start + d * t1;
  return true;
}

bool region_contains(const clip_region& region, const extents& box) {
  if (region.is_box())
    return region.box().contains(box);
  return region.contains(box.min) && region.contains(box.max) && region.contains(GcGePoint2d(box.min.x, box.max.y)) &&
         region.contains(GcGePoint2d(box.max.x, box.min.y));
}

void clip_curve(const GcGeCurve2d& curve, const clip_region& region, GcGeCurve2dPtrArray& pieces) {
  const GcGeInterval range = curve.interval();
  if (!region.valid() || !range.isBounded())
    return;
  GcGePoint2d lo, hi;
  curve.gcOrthoBoundBlock().getMinMaxPoints(lo, hi);
  const extents box(lo, hi);
  if (!box.overlaps(region.box()))
    return;
  if (region_contains(region, box)) {
    pieces.append(curve.copyCurve());
    return;
  }
  std::vector<double> cuts{range.lowerBound(), range.upperBound()};
  const GcGeCurveCurveInt2d cci(curve, region.boundary());
  for (int i = 0; i < cci.numIntPoints(); ++i)
    cuts.push_back(cci.intParam1(i));
  for (int i = 0; i < cci.overlapCount(); ++i) {
    GcGeInterval r1, r2;
    cci.getOverlapRanges(i, r1, r2);
    cuts.push_back(r1.lowerBound());
    cuts.push_back(r1.upperBound());
  }
  std::sort(cuts.begin(), cuts.end());
  const double span = range.upperBound() - range.lowerBound();
  double start = cuts.front();
  bool open = false; // a kept run is being extended
  auto flush = [&](double end) {
    if (open && end - start > 1e-12 * span)
      pieces.append(curve.trimmedCopy(start, end));
    open = false;
  };
  for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
    const double a = cuts[i], b = cuts[i + 1];
    if (b - a <= 1e-12 * span)
      continue;
    const bool inside = region.contains(curve.gcEvalPoint(0.5 * (a + b)));
    if (inside && !open) {
      start = a;
      open = true;
    } else if (!inside && open) {
      flush(a);
    }
  }
  flush(cuts.back());
}

void clip_ring(const std::vector<GcGePoint2d>& ring, const clip_region& region, std::vector<GcGePoint2d>& out) {
  out = ring;
  std::vector<GcGePoint2d> next;
  for (int i = 0; i < 4 && !out.empty(); ++i) {
    const GcGePoint2d a = region.corner(i), b = region.corner((i + 1) % 4);
    const GcGeVector2d edge = b - a;
    auto side = [&](const GcGePoint2d& p) { return edge.crossProduct(p - a); };
    next.clear();
    for (std::size_t k = 0; k < out.size(); ++k) {
      const GcGePoint2d& p = out[k];
      const GcGePoint2d& q = out[(k + 1) % out.size()];
      const double sp = side(p), sq = side(q);
      if (sp >= 0.0)
        next.push_back(p);
      if ((sp >= 0.0) != (sq >= 0.0)) {
        const double t = sp / (sp - sq);
        next.emplace_back(p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t);
      }
    }
    out.swap(next);
  }
}

} // namespace GDI
