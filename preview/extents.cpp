#include "preview/extents.h"

#include <algorithm>

namespace GDI {

void extents::grow(const GcGePoint2d& p) {
  if (!valid) {
    min = max = p;
    valid = 1;
    return;
  }
  for (int i = 0; i < 2; ++i) {
    if (p[i] < min[i])
      min[i] = p[i];
    else if (p[i] > max[i])
      max[i] = p[i];
  }
}

void extents::grow(const extents& e) {
  if (!e.valid)
    return;
  grow(e.min);
  grow(e.max);
}

extents extents::intersected(const extents& e) const {
  if (!overlaps(e))
    return {};
  extents r;
  r.min = GcGePoint2d(std::max(min.x, e.min.x), std::max(min.y, e.min.y));
  r.max = GcGePoint2d(std::min(max.x, e.max.x), std::min(max.y, e.max.y));
  r.valid = 1;
  return r;
}

extents extents::transformed(const GcGeMatrix2d& m) const {
  extents r;
  if (!valid)
    return r;
  r.grow(m.apply(min));
  r.grow(m.apply(max));
  r.grow(m.apply(GcGePoint2d(min.x, max.y)));
  r.grow(m.apply(GcGePoint2d(max.x, min.y)));
  return r;
}

extents extents::zoomed(double f) const {
  extents r;
  if (!valid)
    return r;
  const GcGeVector2d d = diagonal() * f;
  r.grow(min - d);
  r.grow(max + d);
  return r;
}

} // namespace GDI
