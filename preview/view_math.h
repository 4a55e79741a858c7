#pragma once
// The view transform: fitting a world window to a device rectangle, keeping
// its size within limits relative to the drawing, and the matrices, pixel
// size and regeneration window derived from it.
#include "preview/extents.h"

namespace GDI {

// Smallest side length that still counts as non-zero when fitting aspect.
inline constexpr double min_window_side = 1.1920928955078125e-7;

// Widens the world window about its centre to the device rectangle's aspect
// ratio; false (unchanged) when both sides are zero or the device is empty.
bool fit_aspect(extents& world, const extents& device);

enum class window_limit { none, too_small, too_large };

// Clamps the window diagonal to [e / 0.001, e / 1e-12] about its centre, where
// e = 1e-8 x the drawing extents' diagonal (1e-8 without extents, or with
// extents of no size).
window_limit limit_window(extents& world, const extents& drawing);
// Equal-point distance of the view: 1e-8 x the drawing extents' diagonal
// (1e-8 when that is 0 or not finite).
double view_tolerance(const extents& drawing);

struct view_transform {
  GcGeMatrix2d to_device;
  GcGeMatrix2d to_world;
  double pixel = 0.0;   // half the world length of the device vector (1, 1)
  extents regen;        // 3 x the window about its centre (for the 0.5..1.5 band)
};

// World window onto device rectangle, device y down, both scaled by `factor`.
view_transform make_view_transform(const extents& world, const extents& device, double factor, double band_low,
                                   double band_high);

} // namespace GDI
