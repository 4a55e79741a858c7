#pragma once
// Helpers shared by the geometry tests.
#include "geom/circarc2d.h"
#include "geom/composite_curve2d.h"
#include "geom/elliparc2d.h"
#include "geom/linear_ent2d.h"
#include "geom/mathutils.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace geomtest {

using CurvePtr = std::shared_ptr<GcGeCurve2d>;

inline CurvePtr seg(double x0, double y0, double x1, double y1) {
  return std::make_shared<GcGeLineSeg2d>(GcGePoint2d(x0, y0), GcGePoint2d(x1, y1));
}
inline CurvePtr arc(double cx, double cy, double r, double a0, double a1, bool cw = false,
                    GcGeVector2d ref = GcGeVector2d::kXAxis) {
  return std::make_shared<GcGeCircArc2d>(GcGePoint2d(cx, cy), r, a0, a1, ref, cw);
}
inline CurvePtr circle(double cx, double cy, double r) { return std::make_shared<GcGeCircArc2d>(GcGePoint2d(cx, cy), r); }
// Ellipse arc with its major axis at `rot` radians.
inline CurvePtr ellipse(double cx, double cy, double a, double b, double rot, double t0 = 0.0,
                        double t1 = vdgeom::kTwoPi) {
  const GcGeVector2d major(std::cos(rot), std::sin(rot));
  return std::make_shared<GcGeEllipArc2d>(GcGePoint2d(cx, cy), major, major.perpVector(), a, b, t0, t1);
}
inline std::shared_ptr<GcGeCompositeCurve2d> composite(const std::vector<CurvePtr>& parts) {
  GcGeCurve2dPtrArray list;
  for (const CurvePtr& c : parts)
    list.append(c.get());
  return std::make_shared<GcGeCompositeCurve2d>(list);
}

// Rounded rectangle [0,w]x[0,h] with corner radius r, counter-clockwise.
inline std::shared_ptr<GcGeCompositeCurve2d> roundedRect(double w, double h, double r) {
  using vdgeom::kPi;
  return composite({seg(r, 0, w - r, 0), arc(w - r, r, r, -kPi / 2, 0), seg(w, r, w, h - r),
                    arc(w - r, h - r, r, 0, kPi / 2), seg(w - r, h, r, h), arc(r, h - r, r, kPi / 2, kPi),
                    seg(0, h - r, 0, r), arc(r, r, r, kPi, 3 * kPi / 2)});
}

// Owns the curves an out-array returns.
struct OwnedCurves {
  GcGeCurve2dPtrArray list;
  ~OwnedCurves() { deleteCurves(list); }
  int size() const { return list.length(); }
  const GcGeCurve2d& operator[](int i) const { return *list[i]; }
};

} // namespace geomtest
