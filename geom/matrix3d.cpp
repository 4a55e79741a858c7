#include "geom/matrix3d.h"

#include "geom/mathutils.h"

#include <algorithm>

GcGeMatrix3d GcGeMatrix3d::operator*(const GcGeMatrix3d& m) const {
  GcGeMatrix3d r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0.0;
      for (int k = 0; k < 4; ++k)
        s += entry[i][k] * m.entry[k][j];
      r.entry[i][j] = s;
    }
  return r;
}

GcGeMatrix3d& GcGeMatrix3d::postMultBy(const GcGeMatrix3d& m) { return *this = *this * m; }
GcGeMatrix3d& GcGeMatrix3d::preMultBy(const GcGeMatrix3d& m) { return *this = m * *this; }

bool GcGeMatrix3d::isEqualTo(const GcGeMatrix3d& m, const GcGeTol& tol) const {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (std::abs(entry[i][j] - m.entry[i][j]) > tol.equalVector())
        return false;
  return true;
}

GcGeMatrix3d& GcGeMatrix3d::setToIdentity() { return *this = GcGeMatrix3d(); }

GcGeMatrix3d& GcGeMatrix3d::setToTranslation(const GcGeVector3d& v) {
  setToIdentity();
  entry[0][3] = v.x;
  entry[1][3] = v.y;
  entry[2][3] = v.z;
  return *this;
}

GcGeMatrix3d& GcGeMatrix3d::setToRotation(double angle, const GcGeVector3d& axis, const GcGePoint3d& c) {
  // Rodrigues' rotation formula.
  const GcGeVector3d k = axis.normal();
  const double cs = std::cos(angle), sn = std::sin(angle), t = 1.0 - cs;
  setToIdentity();
  entry[0][0] = cs + k.x * k.x * t;       entry[0][1] = k.x * k.y * t - k.z * sn; entry[0][2] = k.x * k.z * t + k.y * sn;
  entry[1][0] = k.y * k.x * t + k.z * sn; entry[1][1] = cs + k.y * k.y * t;       entry[1][2] = k.y * k.z * t - k.x * sn;
  entry[2][0] = k.z * k.x * t - k.y * sn; entry[2][1] = k.z * k.y * t + k.x * sn; entry[2][2] = cs + k.z * k.z * t;
  const GcGePoint3d rc = apply(c);
  entry[0][3] = c.x - rc.x;
  entry[1][3] = c.y - rc.y;
  entry[2][3] = c.z - rc.z;
  return *this;
}

GcGeMatrix3d& GcGeMatrix3d::setToScaling(double f, const GcGePoint3d& c) {
  setToIdentity();
  for (int i = 0; i < 3; ++i) {
    entry[i][i] = f;
    entry[i][3] = c[i] * (1.0 - f);
  }
  return *this;
}

GcGeMatrix3d& GcGeMatrix3d::setCoordSystem(const GcGePoint3d& o, const GcGeVector3d& x,
                                           const GcGeVector3d& y, const GcGeVector3d& z) {
  setToIdentity();
  for (int i = 0; i < 3; ++i) {
    entry[i][0] = x[i];
    entry[i][1] = y[i];
    entry[i][2] = z[i];
    entry[i][3] = o[i];
  }
  return *this;
}

void GcGeMatrix3d::getCoordSystem(GcGePoint3d& o, GcGeVector3d& x, GcGeVector3d& y, GcGeVector3d& z) const {
  for (int i = 0; i < 3; ++i) {
    x[i] = entry[i][0];
    y[i] = entry[i][1];
    z[i] = entry[i][2];
    o[i] = entry[i][3];
  }
}

GcGeMatrix3d& GcGeMatrix3d::setToAlignCoordSys(const GcGePoint3d& fromOrigin, const GcGeVector3d& fromX,
                                               const GcGeVector3d& fromY, const GcGeVector3d& fromZ,
                                               const GcGePoint3d& toOrigin, const GcGeVector3d& toX,
                                               const GcGeVector3d& toY, const GcGeVector3d& toZ) {
  GcGeMatrix3d from, to;
  from.setCoordSystem(fromOrigin, fromX, fromY, fromZ);
  to.setCoordSystem(toOrigin, toX, toY, toZ);
  if (!from.invert())
    return setToIdentity();
  return *this = to * from;
}

double GcGeMatrix3d::det() const {
  // Expansion along the last row, which is (0, 0, 0, 1) for affine matrices
  // but computed in full so projective input is handled too.
  GcGeMatrix3d m = *this;
  double d = 1.0;
  for (int c = 0; c < 4; ++c) {
    int p = c;
    for (int r = c + 1; r < 4; ++r)
      if (std::abs(m.entry[r][c]) > std::abs(m.entry[p][c]))
        p = r;
    if (m.entry[p][c] == 0.0)
      return 0.0;
    if (p != c) {
      std::swap(m.entry[p], m.entry[c]);
      d = -d;
    }
    d *= m.entry[c][c];
    for (int r = c + 1; r < 4; ++r) {
      const double f = m.entry[r][c] / m.entry[c][c];
      for (int k = c; k < 4; ++k)
        m.entry[r][k] -= f * m.entry[c][k];
    }
  }
  return d;
}

GcGeMatrix3d GcGeMatrix3d::inverse() const {
  GcGeMatrix3d m = *this;
  if (!m.invert())
    return GcGeMatrix3d();
  return m;
}

bool GcGeMatrix3d::invert() {
  // Gauss-Jordan elimination with partial pivoting.
  GcGeMatrix3d a = *this, inv;
  for (int c = 0; c < 4; ++c) {
    int p = c;
    for (int r = c + 1; r < 4; ++r)
      if (std::abs(a.entry[r][c]) > std::abs(a.entry[p][c]))
        p = r;
    const double piv = a.entry[p][c];
    if (piv == 0.0 || !std::isfinite(1.0 / piv))
      return false;
    std::swap(a.entry[p], a.entry[c]);
    std::swap(inv.entry[p], inv.entry[c]);
    for (int k = 0; k < 4; ++k) {
      a.entry[c][k] /= piv;
      inv.entry[c][k] /= piv;
    }
    for (int r = 0; r < 4; ++r) {
      if (r == c)
        continue;
      const double f = a.entry[r][c];
      if (f == 0.0)
        continue;
      for (int k = 0; k < 4; ++k) {
        a.entry[r][k] -= f * a.entry[c][k];
        inv.entry[r][k] -= f * inv.entry[c][k];
      }
    }
  }
  *this = inv;
  return true;
}
