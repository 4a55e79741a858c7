#pragma once
// Affine transform of space as a 4x4 matrix acting on column vectors
// (x, y, z, 1).
#include "geom/point3d.h"

class GcGeMatrix3d {
public:
  double entry[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

  GcGeMatrix3d() = default;

  static const GcGeMatrix3d kIdentity;

  GcGeMatrix3d operator*(const GcGeMatrix3d& m) const;
  GcGeMatrix3d& operator*=(const GcGeMatrix3d& m) { return postMultBy(m); }
  GcGeMatrix3d& postMultBy(const GcGeMatrix3d& m);
  GcGeMatrix3d& preMultBy(const GcGeMatrix3d& m);
  bool isEqualTo(const GcGeMatrix3d& m, const GcGeTol& tol = GcGeContext::gTol) const;

  GcGeMatrix3d& setToIdentity();
  GcGeMatrix3d& setToTranslation(const GcGeVector3d& v);
  // Right-handed rotation about the axis through center.
  GcGeMatrix3d& setToRotation(double angle, const GcGeVector3d& axis,
                              const GcGePoint3d& center = GcGePoint3d::kOrigin);
  GcGeMatrix3d& setToScaling(double factor, const GcGePoint3d& center = GcGePoint3d::kOrigin);
  // Columns x, y, z and origin: local coordinates to world.
  GcGeMatrix3d& setCoordSystem(const GcGePoint3d& origin, const GcGeVector3d& x,
                               const GcGeVector3d& y, const GcGeVector3d& z);
  void getCoordSystem(GcGePoint3d& origin, GcGeVector3d& x, GcGeVector3d& y, GcGeVector3d& z) const;
  // Maps the first frame onto the second (same local coordinates); a
  // degenerate first frame gives the identity.
  GcGeMatrix3d& setToAlignCoordSys(const GcGePoint3d& fromOrigin, const GcGeVector3d& fromX,
                                   const GcGeVector3d& fromY, const GcGeVector3d& fromZ,
                                   const GcGePoint3d& toOrigin, const GcGeVector3d& toX,
                                   const GcGeVector3d& toY, const GcGeVector3d& toZ);

  double det() const;
  // Inverse; a singular matrix gives the identity.
  GcGeMatrix3d inverse() const;
  // Inverts in place; false (unchanged) when singular.
  bool invert();
  GcGeVector3d translation() const { return {entry[0][3], entry[1][3], entry[2][3]}; }

  GcGePoint3d apply(const GcGePoint3d& p) const {
    return {entry[0][0] * p.x + entry[0][1] * p.y + entry[0][2] * p.z + entry[0][3],
            entry[1][0] * p.x + entry[1][1] * p.y + entry[1][2] * p.z + entry[1][3],
            entry[2][0] * p.x + entry[2][1] * p.y + entry[2][2] * p.z + entry[2][3]};
  }
  GcGeVector3d apply(const GcGeVector3d& v) const {
    return {entry[0][0] * v.x + entry[0][1] * v.y + entry[0][2] * v.z,
            entry[1][0] * v.x + entry[1][1] * v.y + entry[1][2] * v.z,
            entry[2][0] * v.x + entry[2][1] * v.y + entry[2][2] * v.z};
  }

  static GcGeMatrix3d alignCoordSys(const GcGePoint3d& fromOrigin, const GcGeVector3d& fromX,
                                    const GcGeVector3d& fromY, const GcGeVector3d& fromZ,
                                    const GcGePoint3d& toOrigin, const GcGeVector3d& toX,
                                    const GcGeVector3d& toY, const GcGeVector3d& toZ) {
    GcGeMatrix3d m;
    return m.setToAlignCoordSys(fromOrigin, fromX, fromY, fromZ, toOrigin, toX, toY, toZ);
  }
};

inline const GcGeMatrix3d GcGeMatrix3d::kIdentity{};
