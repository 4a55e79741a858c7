#pragma once
// Clipping for the display list: segments against a device box, curves and
// sampled rings against a convex four-sided region (the regeneration window,
// or its image in a block's own coordinates).
#include "geom/composite_curve2d.h"
#include "preview/extents.h"

#include <vector>

namespace GDI {

// Parametric clipping of the segment p-q against each side of the box in turn;
// false when the segment lies wholly outside, else p and q are moved inside.
bool clip_segment(GcGePoint2d& p, GcGePoint2d& q, const extents& box);

// Convex quadrilateral with its corners counter-clockwise and its boundary as
// a closed composite curve of four line segments.
class clip_region {
public:
  clip_region() = default;
  explicit clip_region(const extents& box);
  clip_region(const clip_region& o) : clip_region(o.corner_) {}
  clip_region& operator=(const clip_region& o);

  // The region mapped by m (corners re-ordered counter-clockwise if m mirrors).
  clip_region transformed(const GcGeMatrix2d& m) const;
  bool valid() const { return box_.valid != 0; }
  // Whether the region is its own bounding box (sides along the axes), so
  // that box tests decide containment.
  bool is_box() const { return axis_aligned_; }
  bool contains(const GcGePoint2d& p) const;
  const extents& box() const { return box_; }
  const GcGeCompositeCurve2d& boundary() const { return boundary_; }
  const GcGePoint2d& corner(int i) const { return corner_[i]; }

private:
  explicit clip_region(const GcGePoint2d (&corners)[4]);
  void build();

  GcGePoint2d corner_[4];
  extents box_;
  GcGeCompositeCurve2d boundary_;
  bool axis_aligned_ = false;
};

// Cyrus-Beck clipping of the segment p-q against the region; false when
// nothing of it is inside, else p and q are moved inside.
bool clip_segment(GcGePoint2d& p, GcGePoint2d& q, const clip_region& region);

// Whether the box lies wholly inside the region.
bool region_contains(const clip_region& region, const extents& box);

// Appends the pieces of the bounded curve inside the region as new curves
// owned by the caller. A curve wholly inside comes back as one copy.
void clip_curve(const GcGeCurve2d& curve, const clip_region& region, GcGeCurve2dPtrArray& pieces);

// Sutherland-Hodgman clipping of a closed ring (first point not repeated)
// against the region; the result is empty when nothing is left.
void clip_ring(const std::vector<GcGePoint2d>& ring, const clip_region& region, std::vector<GcGePoint2d>& out);

} // namespace GDI
