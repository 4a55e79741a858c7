#include "dimtools/arc_length.h"

#include <array>
#include <cmath>
#include <utility>

#include "dimtools/arc_angles.h"
#include "dimtools/kota.h"
#include "host/host_api.h"
#include "host/services.h"
#include "res/string_ids.h"

namespace vd::dim {

namespace {

// Rows are scaled to a largest coefficient of 1 before elimination; a pivot
// below this is taken for zero (the system then has no single solution).
constexpr double kZeroPivot = 1e-12;

using Row = std::array<double, 4>;  // three coefficients and the right-hand side

Row planeRow(const GcGeVector3d& normal, double offset) { return {normal.x, normal.y, normal.z, offset}; }

// Solves the 3x3 system by Gauss-Jordan elimination with partial pivoting.
std::optional<GcGePoint3d> solve(std::array<Row, 3> m) {
  for (Row& r : m) {
    double largest = std::max({std::abs(r[0]), std::abs(r[1]), std::abs(r[2])});
    if (largest == 0.0) return std::nullopt;
    for (double& v : r) v /= largest;
  }
  for (int col = 0; col < 3; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 3; ++r)
      if (std::abs(m[r][col]) > std::abs(m[pivot][col])) pivot = r;
    if (std::abs(m[pivot][col]) <= kZeroPivot) return std::nullopt;
    std::swap(m[col], m[pivot]);
    double p = m[col][col];
    for (double& v : m[col]) v /= p;
    for (int r = 0; r < 3; ++r) {
      if (r == col) continue;
      double f = m[r][col];
      for (int c = 0; c < 4; ++c) m[r][c] -= f * m[col][c];
    }
  }
  return GcGePoint3d(m[0][3], m[1][3], m[2][3]);
}

}  // namespace

bool fitCircle(ArcThreePoints& arc) {
  const GcGePoint3d& p1 = arc.startPoint;
  if (arc.middlePoint.isEqualTo(p1) || arc.endPoint.isEqualTo(p1)) return false;
  GcGeVector3d chord2 = arc.middlePoint - p1;
  GcGeVector3d chord3 = arc.endPoint - p1;
  GcGeVector3d normal = chord2.crossProduct(chord3);
  // The centre lies on the bisector planes of both chords and in the plane of the points.
  GcGeVector3d mid2 = (p1.asVector() + arc.middlePoint.asVector()) * 0.5;
  GcGeVector3d mid3 = (p1.asVector() + arc.endPoint.asVector()) * 0.5;
  std::optional<GcGePoint3d> centre = solve({planeRow(chord2, chord2.dotProduct(mid2)),
                                             planeRow(chord3, chord3.dotProduct(mid3)),
                                             planeRow(normal, normal.dotProduct(p1.asVector()))});
  if (!centre) return false;
  arc.arcCentre = *centre;
  arc.arcRadius = centre->distanceTo(p1);
  return true;
}

double arcPartLength(const ArcThreePoints& arc) {
  const GcGePoint3d& c = arc.arcCentre;
  double length = std::abs(sweepAngle(arc.startPoint - c, arc.endPoint - c, arc.middlePoint - c)) * arc.arcRadius;
  if (arc.lengthDecimals == 0) return length;
  double p = std::pow(10.0, arc.lengthDecimals);
  return roundNearest(p * length) / p;
}

int runDimArcLength(ArcLengthDialog dialog) {
  ArcThreePoints arc;
  if (const ValueNode* luprec = hostCallOr<&HostApi::GetVarW>(static_cast<ValueNode*>(nullptr), u"LUPREC", int{kRtShort}))
    arc.lengthDecimals = luprec->v.i16;
  const struct {
    int prompt;
    GcGePoint3d ArcThreePoints::*point;
  } asks[] = {{IDS_PROMPT_ARCLEN_START, &ArcThreePoints::startPoint},
              {IDS_PROMPT_ARCLEN_MIDDLE, &ArcThreePoints::middlePoint},
              {IDS_PROMPT_ARCLEN_END, &ArcThreePoints::endPoint}};
  for (const auto& ask : asks) {
    double p[3] = {0, 0, 0};
    vstring prompt = loadText(ask.prompt);
    if (hostCallOr<&HostApi::GetPointW>(0, static_cast<const double*>(nullptr), prompt.c_str(), p) != kRtNorm) return -1;
    hostCall<&HostApi::Wcs2Ucs>(p, 0, 1);
    (arc.*ask.point).set(p[0], p[1], p[2]);
  }
  if (!fitCircle(arc)) {
    errorBox(loadText(IDS_MSG_ARCLEN_NO_ARC));
    return -1;
  }
  double length = arcPartLength(arc);
  if (hostBinding().cadType == 0 && dialog) {
    dialog(vformat(u"%.*f", int{arc.lengthDecimals}, length));
    return 0;
  }
  vstring heading = loadText(IDS_MSG_ARCLEN_RESULT);
  hostCall<&HostApi::PromptW>(vformat(u"\n%s %.*f", heading.c_str(), int{arc.lengthDecimals}, length).c_str());
  return 0;
}

}  // namespace vd::dim
