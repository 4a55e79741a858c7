// Shapes the preview tests draw, fill and clip.
#pragma once
#include "geom/composite_curve2d.h"
#include "geom/linear_ent2d.h"

namespace previewtest {

// The rectangle of corners (x0, y0) and (x1, y1) as four sides from
// (x0, y0) through (x1, y0); the caller owns it.
inline GcGeCompositeCurve2d* rectangle(double x0, double y0, double x1, double y1) {
  auto* c = new GcGeCompositeCurve2d;
  const GcGePoint2d p[] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  for (int i = 0; i < 4; ++i)
    c->append(new GcGeLineSeg2d(p[i], p[(i + 1) % 4]));
  return c;
}

}  // namespace previewtest
