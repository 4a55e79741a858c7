#include "geom/matrix2d.h"

#include "geom/line2d.h"
#include "geom/mathutils.h"

#include <algorithm>

GcGeMatrix2d GcGeMatrix2d::operator*(const GcGeMatrix2d& m) const {
  GcGeMatrix2d r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      r.entry[i][j] = entry[i][0] * m.entry[0][j] + entry[i][1] * m.entry[1][j] + entry[i][2] * m.entry[2][j];
  return r;
}

GcGeMatrix2d& GcGeMatrix2d::postMultBy(const GcGeMatrix2d& m) { return *this = *this * m; }
GcGeMatrix2d& GcGeMatrix2d::preMultBy(const GcGeMatrix2d& m) { return *this = m * *this; }

bool GcGeMatrix2d::isEqualTo(const GcGeMatrix2d& m, const GcGeTol& tol) const {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (std::abs(entry[i][j] - m.entry[i][j]) > tol.equalVector())
        return false;
  return true;
}

GcGeMatrix2d& GcGeMatrix2d::setToIdentity() { return *this = GcGeMatrix2d(); }

GcGeMatrix2d& GcGeMatrix2d::setToTranslation(const GcGeVector2d& v) {
  setToIdentity();
  entry[0][2] = v.x;
  entry[1][2] = v.y;
  return *this;
}

GcGeMatrix2d& GcGeMatrix2d::setToRotation(double angle, const GcGePoint2d& c) {
  const double cs = std::cos(angle), sn = std::sin(angle);
  setToIdentity();
  entry[0][0] = cs; entry[0][1] = -sn;
  entry[1][0] = sn; entry[1][1] = cs;
  // Keep the centre fixed: t = c - R c.
  entry[0][2] = c.x - (cs * c.x - sn * c.y);
  entry[1][2] = c.y - (sn * c.x + cs * c.y);
  return *this;
}

GcGeMatrix2d& GcGeMatrix2d::setToScaling(double f, const GcGePoint2d& c) {
  return setToScaling(GcGeScale2d(f, f), c);
}

GcGeMatrix2d& GcGeMatrix2d::setToScaling(const GcGeScale2d& s, const GcGePoint2d& c) {
  setToIdentity();
  entry[0][0] = s.sx;
  entry[1][1] = s.sy;
  entry[0][2] = c.x * (1.0 - s.sx);
  entry[1][2] = c.y * (1.0 - s.sy);
  return *this;
}

GcGeMatrix2d& GcGeMatrix2d::setToMirroring(const GcGePoint2d& p) {
  return setToScaling(-1.0, p);
}

GcGeMatrix2d& GcGeMatrix2d::setToMirroring(const GcGeLine2d& line) {
  const GcGeVector2d d = line.direction().normal();
  const GcGePoint2d o = line.pointOnLine();
  setToIdentity();
  // Householder reflection about the line direction: 2 d d^T - I.
  entry[0][0] = 2 * d.x * d.x - 1; entry[0][1] = 2 * d.x * d.y;
  entry[1][0] = 2 * d.x * d.y;     entry[1][1] = 2 * d.y * d.y - 1;
  entry[0][2] = o.x - (entry[0][0] * o.x + entry[0][1] * o.y);
  entry[1][2] = o.y - (entry[1][0] * o.x + entry[1][1] * o.y);
  return *this;
}

GcGeMatrix2d& GcGeMatrix2d::setCoordSystem(const GcGePoint2d& o, const GcGeVector2d& e0,
                                           const GcGeVector2d& e1) {
  setToIdentity();
  entry[0][0] = e0.x; entry[0][1] = e1.x; entry[0][2] = o.x;
  entry[1][0] = e0.y; entry[1][1] = e1.y; entry[1][2] = o.y;
  return *this;
}

void GcGeMatrix2d::getCoordSystem(GcGePoint2d& o, GcGeVector2d& e0, GcGeVector2d& e1) const {
  o.set(entry[0][2], entry[1][2]);
  e0.set(entry[0][0], entry[1][0]);
  e1.set(entry[0][1], entry[1][1]);
}

GcGeMatrix2d& GcGeMatrix2d::setToAlignCoordSys(const GcGePoint2d& fromOrigin, const GcGeVector2d& fromE0,
                                               const GcGeVector2d& fromE1, const GcGePoint2d& toOrigin,
                                               const GcGeVector2d& toE0, const GcGeVector2d& toE1) {
  GcGeMatrix2d from, to;
  from.setCoordSystem(fromOrigin, fromE0, fromE1);
  to.setCoordSystem(toOrigin, toE0, toE1);
  if (!from.invert())
    return setToIdentity();
  return *this = to * from;
}

bool GcGeMatrix2d::isSingular(const GcGeTol& tol) const {
  const double s = std::max({std::abs(entry[0][0]), std::abs(entry[0][1]), std::abs(entry[1][0]),
                             std::abs(entry[1][1])});
  return s == 0.0 || std::abs(det()) <= tol.equalVector() * s * s;
}

GcGeMatrix2d GcGeMatrix2d::inverse() const {
  GcGeMatrix2d m = *this;
  if (!m.invert())
    return GcGeMatrix2d();
  return m;
}

bool GcGeMatrix2d::invert() {
  const double d = det();
  if (d == 0.0 || !std::isfinite(1.0 / d))
    return false;
  const double a = entry[0][0], b = entry[0][1], c = entry[1][0], e = entry[1][1];
  const double tx = entry[0][2], ty = entry[1][2];
  GcGeMatrix2d r;
  r.entry[0][0] = e / d;  r.entry[0][1] = -b / d;
  r.entry[1][0] = -c / d; r.entry[1][1] = a / d;
  r.entry[0][2] = -(r.entry[0][0] * tx + r.entry[0][1] * ty);
  r.entry[1][2] = -(r.entry[1][0] * tx + r.entry[1][1] * ty);
  *this = r;
  return true;
}

double GcGeMatrix2d::scale() const {
  // Largest singular value of the linear part (closed form for 2x2).
  const double a = entry[0][0], b = entry[0][1], c = entry[1][0], d = entry[1][1];
  const double s1 = a * a + b * b + c * c + d * d;
  const double dt = a * d - b * c;
  const double disc = std::sqrt(std::max(0.0, s1 * s1 - 4 * dt * dt));
  return std::sqrt(0.5 * (s1 + disc));
}

bool GcGeMatrix2d::isUniScaledOrtho(const GcGeTol& tol) const {
  const GcGeVector2d c0(entry[0][0], entry[1][0]), c1(entry[0][1], entry[1][1]);
  const double l0 = c0.length(), l1 = c1.length();
  if (l0 == 0.0 || l1 == 0.0)
    return false;
  return std::abs(l0 - l1) <= tol.equalVector() * l0 &&
         std::abs(c0.dotProduct(c1)) <= tol.equalVector() * l0 * l1;
}
