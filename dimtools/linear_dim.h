// The geometry of one linear (rotated or aligned) dimension as the joining
// and splitting tools read it: its definition points, the directions of its
// extension and dimension lines, the two ends of its dimension line, its
// text override and the variable overrides that shape its extension lines.
#pragma once
#include <cstdint>
#include <optional>

#include "geom/point3d.h"
#include "host/chain.h"

namespace vd::dim {

// Two points are one when they differ by no more than this in each of x, y
// and z: the dimension tools' drawing-unit tolerance.
inline constexpr double kPointTolerance = 0.0001;

bool samePoint(const GcGePoint3d& a, const GcGePoint3d& b);

struct LinearDim {
  GcGePoint3d point10;  // on the dimension line, at the second extension line
  GcGePoint3d origin1;  // 13
  GcGePoint3d origin2;  // 14
  std::optional<double> rotation;  // 50, radians
  // Radians: the extension lines run from 14 towards 10; when those two are
  // one point, the rotation less a quarter turn, or without a rotation the
  // direction from 14 to 13 less a quarter turn. The dimension line runs a
  // quarter turn further.
  double extensionAngle = 0.0;
  double lineAngle = 0.0;
  // Where the dimension line meets the extension line through 13: with
  // point10 the two ends of the dimension line.
  GcGePoint3d firstFoot;
  vstring text;  // group 1; empty when absent

  // The per-dimension overrides ("ACAD" DSTYLE); empty when absent.
  std::optional<double> dimScale;
  std::optional<double> dimExo;
  std::optional<int16_t> dimSe1;
  std::optional<int16_t> dimSe2;

  // The dimension line's direction as a unit vector in the plane.
  GcGeVector3d lineDirection() const;
  // Where the line through `p` along the extension lines meets the
  // dimension line (p's z is not used; the result lies at point10's z).
  GcGePoint3d footOf(const GcGePoint3d& p) const;
};

// True for a DIMENSION whose kind (group 70 AND 31) is rotated or aligned.
bool isLinearDimension(ChainView entity);

// Reads a linear dimension; nothing for another entity or kind, or when
// 10, 13 or 14 is missing or not finite.
std::optional<LinearDim> readLinearDim(ChainView entity);

// The difference of two directions brought into (-pi, pi].
double angleBetween(double a, double b);

}  // namespace vd::dim
