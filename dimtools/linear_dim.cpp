#include "dimtools/linear_dim.h"

#include <cmath>
#include <numbers>

#include "dimtools/dim_access.h"
#include "dimtools/dim_codes.h"
#include "host/names.h"

namespace vd::dim {

namespace {

constexpr double kQuarterTurn = std::numbers::pi / 2;

std::optional<GcGePoint3d> finitePoint(ChainView chain, int code) {
  std::optional<ChainPoint> p = chain.point(code);
  if (!p || !std::isfinite(p->x) || !std::isfinite(p->y) || !std::isfinite(p->z)) return std::nullopt;
  return GcGePoint3d(p->x, p->y, p->z);
}

double planarAngle(const GcGePoint3d& from, const GcGePoint3d& to) { return std::atan2(to.y - from.y, to.x - from.x); }

std::optional<double> realOverride(ChainView entity, int variable) {
  OwnedChain v = findDimOverride(entity, variable);
  if (!v) return std::nullopt;
  return v.view().real(v.get()->code);
}

std::optional<int16_t> shortOverride(ChainView entity, int variable) {
  OwnedChain v = findDimOverride(entity, variable);
  if (!v) return std::nullopt;
  std::optional<int64_t> n = v.view().integer(v.get()->code);
  if (!n) return std::nullopt;
  return static_cast<int16_t>(*n);
}

}  // namespace

bool samePoint(const GcGePoint3d& a, const GcGePoint3d& b) {
  return std::abs(a.x - b.x) <= kPointTolerance && std::abs(a.y - b.y) <= kPointTolerance &&
         std::abs(a.z - b.z) <= kPointTolerance;
}

GcGeVector3d LinearDim::lineDirection() const { return {std::cos(lineAngle), std::sin(lineAngle), 0.0}; }

GcGePoint3d LinearDim::footOf(const GcGePoint3d& p) const {
  // The extension lines stand square to the dimension line, so the two lines
  // always meet: at the projection of p onto the dimension line.
  const GcGeVector3d u = lineDirection();
  const double t = (p.x - point10.x) * u.x + (p.y - point10.y) * u.y;
  return {point10.x + t * u.x, point10.y + t * u.y, point10.z};
}

bool isLinearDimension(ChainView entity) {
  if (!entity.isType(names::kDimension)) return false;
  const int kind = static_cast<int>(entity.integer(kType).value_or(-1)) & kTypeMask;
  return kind == kRotated || kind == kAligned;
}

std::optional<LinearDim> readLinearDim(ChainView entity) {
  if (!isLinearDimension(entity)) return std::nullopt;
  std::optional<GcGePoint3d> p10 = finitePoint(entity, kDefinitionPoint);
  std::optional<GcGePoint3d> p13 = finitePoint(entity, kExtOrigin1);
  std::optional<GcGePoint3d> p14 = finitePoint(entity, kExtOrigin2);
  if (!p10 || !p13 || !p14) return std::nullopt;
  LinearDim d;
  d.point10 = *p10;
  d.origin1 = *p13;
  d.origin2 = *p14;
  if (std::optional<double> r = entity.real(kRotation); r && std::isfinite(*r)) d.rotation = r;
  if (!samePoint(d.origin2, d.point10)) {
    d.extensionAngle = planarAngle(d.origin2, d.point10);
  } else if (d.rotation) {
    d.extensionAngle = *d.rotation - kQuarterTurn;
  } else {
    d.extensionAngle = planarAngle(d.origin2, d.origin1) - kQuarterTurn;
  }
  d.lineAngle = d.extensionAngle + kQuarterTurn;
  d.firstFoot = d.footOf(d.origin1);
  d.text = vstring(entity.text(kTextOverride).value_or(vstring_view()));
  d.dimScale = realOverride(entity, kVarDimScale);
  d.dimExo = realOverride(entity, kVarDimExo);
  d.dimSe1 = shortOverride(entity, kVarDimSe1);
  d.dimSe2 = shortOverride(entity, kVarDimSe2);
  return d;
}

double angleBetween(double a, double b) {
  double d = std::remainder(a - b, 2 * std::numbers::pi);
  if (d <= -std::numbers::pi) d += 2 * std::numbers::pi;
  return d;
}

}  // namespace vd::dim
