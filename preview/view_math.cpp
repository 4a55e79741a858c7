#include "preview/view_math.h"

#include <algorithm>
#include <cmath>

namespace GDI {

bool fit_aspect(extents& world, const extents& device) {
  if (!world.valid || !device.valid)
    return false;
  double w = world.width(), h = world.height();
  const double dw = device.width(), dh = device.height();
  if (w < min_window_side)
    w = 0.0;
  if (h < min_window_side)
    h = 0.0;
  if ((w == 0.0 && h == 0.0) || dw <= 0.0 || dh <= 0.0)
    return false;
  const double aspect = dh / dw;
  if (h == 0.0 || (w > 0.0 && h / w < aspect))
    h = w * aspect;
  else
    w = h / aspect;
  const GcGePoint2d c = world.center();
  world = extents(c - GcGeVector2d(w, h) * 0.5, c + GcGeVector2d(w, h) * 0.5);
  return true;
}

double view_tolerance(const extents& drawing) {
  // A drawing of one point (or of points that coincide) has no size to
  // measure by: a tolerance of 0 would make every window too large and
  // shrink it to nothing. It counts as no extents.
  const double d = drawing.valid ? drawing.diagonal().length() : 0.0;
  return d > 0.0 && std::isfinite(d) ? 1e-8 * d : 1e-8;
}

window_limit limit_window(extents& world, const extents& drawing) {
  const double e = view_tolerance(drawing);
  const GcGeVector2d diag = world.diagonal();
  const double len = diag.length();
  const GcGePoint2d c = world.center();
  auto resize = [&](double newLen) {
    const GcGeVector2d d = len > 0.0 ? diag * (newLen / len) : GcGeVector2d(newLen, newLen) * std::sqrt(0.5);
    world = extents(c - d * 0.5, c + d * 0.5);
  };
  if (e > 0.001 * len) {
    resize(e / 0.001);
    return window_limit::too_small;
  }
  if (len * 1e-12 > e) {
    resize(e / 1e-12);
    return window_limit::too_large;
  }
  return window_limit::none;
}

view_transform make_view_transform(const extents& world, const extents& device, double factor, double band_low,
                                   double band_high) {
  view_transform t;
  const double sx = device.width() / world.width() * factor;
  const double sy = device.height() / world.height() * factor;
  // x' = f*dev.min.x + (x - w.min.x) sx ; y' = f*dev.max.y - (y - w.min.y) sy
  GcGeMatrix2d& m = t.to_device;
  m.entry[0][0] = sx;
  m.entry[0][1] = 0.0;
  m.entry[0][2] = factor * device.min.x - world.min.x * sx;
  m.entry[1][0] = 0.0;
  m.entry[1][1] = -sy;
  m.entry[1][2] = factor * device.max.y + world.min.y * sy;
  t.to_world = m.inverse();
  t.pixel = 0.5 * t.to_world.apply(GcGeVector2d(1.0, 1.0)).length();
  const double k = band_high * 0.5 / band_low;
  const GcGeVector2d d = world.diagonal() * k;
  const GcGePoint2d c = world.center();
  t.regen.grow(c + d);
  t.regen.grow(c - d);
  t.regen.grow(c + GcGeVector2d(-d.x, d.y));
  t.regen.grow(c + GcGeVector2d(d.x, -d.y));
  return t;
}

} // namespace GDI
