#pragma once
// Affine transform of the plane as a 3x3 matrix acting on column vectors
// (x, y, 1): the last row stays (0, 0, 1).
#include "geom/point2d.h"
#include "geom/scale2d.h"

class GcGeLine2d;

class GcGeMatrix2d {
public:
  double entry[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

  GcGeMatrix2d() = default;

  static const GcGeMatrix2d kIdentity;

  GcGeMatrix2d operator*(const GcGeMatrix2d& m) const;
  GcGeMatrix2d& operator*=(const GcGeMatrix2d& m) { return postMultBy(m); }
  // this = this * m (m applies first).
  GcGeMatrix2d& postMultBy(const GcGeMatrix2d& m);
  // this = m * this (m applies last).
  GcGeMatrix2d& preMultBy(const GcGeMatrix2d& m);
  bool isEqualTo(const GcGeMatrix2d& m, const GcGeTol& tol = GcGeContext::gTol) const;

  GcGeMatrix2d& setToIdentity();
  GcGeMatrix2d& setToTranslation(const GcGeVector2d& v);
  GcGeMatrix2d& setToRotation(double angle, const GcGePoint2d& center = GcGePoint2d::kOrigin);
  GcGeMatrix2d& setToScaling(double factor, const GcGePoint2d& center = GcGePoint2d::kOrigin);
  GcGeMatrix2d& setToScaling(const GcGeScale2d& s, const GcGePoint2d& center = GcGePoint2d::kOrigin);
  GcGeMatrix2d& setToMirroring(const GcGePoint2d& p);
  GcGeMatrix2d& setToMirroring(const GcGeLine2d& line);
  // Maps the frame (fromOrigin, fromE0, fromE1) onto (toOrigin, toE0, toE1):
  // a point with coordinates (a, b) in the first frame goes to the point with
  // the same coordinates in the second. Fails (identity) on a degenerate frame.
  GcGeMatrix2d& setToAlignCoordSys(const GcGePoint2d& fromOrigin, const GcGeVector2d& fromE0,
                                   const GcGeVector2d& fromE1, const GcGePoint2d& toOrigin,
                                   const GcGeVector2d& toE0, const GcGeVector2d& toE1);
  // The matrix whose columns are e0, e1 and origin: local coordinates to world.
  GcGeMatrix2d& setCoordSystem(const GcGePoint2d& origin, const GcGeVector2d& e0,
                               const GcGeVector2d& e1);
  void getCoordSystem(GcGePoint2d& origin, GcGeVector2d& e0, GcGeVector2d& e1) const;

  double det() const { return entry[0][0] * entry[1][1] - entry[0][1] * entry[1][0]; }
  bool isSingular(const GcGeTol& tol = GcGeContext::gTol) const;
  // Inverse of this matrix; a singular matrix gives the identity.
  GcGeMatrix2d inverse() const;
  // Inverts in place; returns false (matrix unchanged) when singular.
  bool invert();
  // Largest factor by which the matrix stretches a length.
  double scale() const;
  // True for rotations, translations, mirrors and uniform scalings.
  bool isUniScaledOrtho(const GcGeTol& tol = GcGeContext::gTol) const;
  GcGeVector2d translation() const { return {entry[0][2], entry[1][2]}; }

  GcGePoint2d apply(const GcGePoint2d& p) const {
    return {entry[0][0] * p.x + entry[0][1] * p.y + entry[0][2],
            entry[1][0] * p.x + entry[1][1] * p.y + entry[1][2]};
  }
  GcGeVector2d apply(const GcGeVector2d& v) const {
    return {entry[0][0] * v.x + entry[0][1] * v.y, entry[1][0] * v.x + entry[1][1] * v.y};
  }

  static GcGeMatrix2d translation(const GcGeVector2d& v) { GcGeMatrix2d m; return m.setToTranslation(v); }
  static GcGeMatrix2d rotation(double angle, const GcGePoint2d& c = GcGePoint2d::kOrigin) {
    GcGeMatrix2d m; return m.setToRotation(angle, c);
  }
  static GcGeMatrix2d scaling(double f, const GcGePoint2d& c = GcGePoint2d::kOrigin) {
    GcGeMatrix2d m; return m.setToScaling(f, c);
  }
  static GcGeMatrix2d mirroring(const GcGeLine2d& line) { GcGeMatrix2d m; return m.setToMirroring(line); }
  static GcGeMatrix2d alignCoordSys(const GcGePoint2d& fromOrigin, const GcGeVector2d& fromE0,
                                    const GcGeVector2d& fromE1, const GcGePoint2d& toOrigin,
                                    const GcGeVector2d& toE0, const GcGeVector2d& toE1) {
    GcGeMatrix2d m;
    return m.setToAlignCoordSys(fromOrigin, fromE0, fromE1, toOrigin, toE0, toE1);
  }
};

inline const GcGeMatrix2d GcGeMatrix2d::kIdentity{};
