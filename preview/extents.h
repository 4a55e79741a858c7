#pragma once
// Axis-aligned box in drawing units (or device pixels) with a valid flag:
// the measure every display-list element reports and the view windows use.
#include "geom/matrix2d.h"

#include <cstdint>

namespace GDI {

struct extents {
  GcGePoint2d min;
  GcGePoint2d max;
  std::uint8_t valid = 0;

  extents() = default;
  // The box spanned by two corners in any order; valid.
  extents(const GcGePoint2d& a, const GcGePoint2d& b) { grow(a); grow(b); }

  // An invalid box becomes the point; a valid one widens per axis.
  void grow(const GcGePoint2d& p);
  void grow(const extents& e);
  // Both boxes valid and overlapping on each axis (touching counts). Inline,
  // with contains: painting asks them for every element.
  bool overlaps(const extents& e) const {
    return valid && e.valid && !(e.min.x > max.x || e.max.x < min.x || e.min.y > max.y || e.max.y < min.y);
  }
  // e lies wholly inside this box.
  bool contains(const extents& e) const {
    return valid && e.valid && e.min.x >= min.x && e.min.y >= min.y && e.max.x <= max.x && e.max.y <= max.y;
  }
  bool contains(const GcGePoint2d& p) const {
    return valid && p.x >= min.x && p.x <= max.x && p.y >= min.y && p.y <= max.y;
  }
  // The part both boxes cover; invalid when they do not overlap.
  extents intersected(const extents& e) const;

  GcGePoint2d center() const { return midPoint(min, max); }
  GcGeVector2d diagonal() const { return max - min; }
  double width() const { return max.x - min.x; }
  double height() const { return max.y - min.y; }
  // Box of the four transformed corners; invalid stays invalid.
  extents transformed(const GcGeMatrix2d& m) const;
  // Grows (f > 0) or shrinks (f < 0) each corner by f times the diagonal.
  extents zoomed(double f) const;
};

} // namespace GDI
