#include "host/ucs.h"

#include "host/host_api.h"

namespace vd {

namespace {

struct UcsState {
  UcsTransforms transforms;
  // What the last refresh read; a variable the host lacks keeps its old value.
  GcGePoint3d origin = GcGePoint3d::kOrigin;
  GcGeVector3d xAxis = GcGeVector3d::kXAxis;
  GcGeVector3d yAxis{0.0, 1.0, 0.0};
};

UcsState& state() {
  static UcsState s;
  return s;
}

void readPoint(const vchar* name, double out[3]) {
  ValueNode* n = hostCallOr<&HostApi::GetVarW>(static_cast<ValueNode*>(nullptr), name, static_cast<int>(kRtPoint2d));
  if (!n) return;
  out[0] = n->v.point[0];
  out[1] = n->v.point[1];
  out[2] = n->v.point[2];
}

}  // namespace

UcsTransforms& ucsTransforms() { return state().transforms; }

void resetUcsTransforms() { state() = UcsState{}; }

void refreshUcsTransforms() {
  UcsState& s = state();
  double o[3] = {s.origin.x, s.origin.y, s.origin.z};
  double x[3] = {s.xAxis.x, s.xAxis.y, s.xAxis.z};
  double y[3] = {s.yAxis.x, s.yAxis.y, s.yAxis.z};
  readPoint(u"UCSXDIR", x);
  readPoint(u"UCSYDIR", y);
  readPoint(u"UCSORG", o);
  s.origin.set(o[0], o[1], o[2]);
  s.xAxis = GcGeVector3d(x[0], x[1], x[2]);
  s.yAxis = GcGeVector3d(y[0], y[1], y[2]);

  GcGeVector3d xn = s.xAxis.normal();
  GcGeVector3d yn = s.yAxis.normal();
  GcGeVector3d zn = s.xAxis.crossProduct(s.yAxis).normal();
  UcsTransforms& t = s.transforms;
  if (zn.isEqualTo(GcGeVector3d::kZAxis)) {
    GcGePoint2d o2(s.origin.x, s.origin.y);
    GcGeVector2d x2(xn.x, xn.y), y2(yn.x, yn.y);
    t.worldToUser2d.setToAlignCoordSys(o2, x2, y2, GcGePoint2d::kOrigin, GcGeVector2d::kXAxis, GcGeVector2d::kYAxis);
    t.userToWorld2d.setToAlignCoordSys(GcGePoint2d::kOrigin, GcGeVector2d::kXAxis, GcGeVector2d::kYAxis, o2, x2, y2);
  } else {
    t.worldToUser2d.setToIdentity();
    t.userToWorld2d.setToIdentity();
  }
  const GcGeVector3d worldY(0.0, 1.0, 0.0);
  t.worldToUser3d.setToAlignCoordSys(s.origin, xn, yn, zn, GcGePoint3d::kOrigin, GcGeVector3d::kXAxis, worldY,
                                     GcGeVector3d::kZAxis);
  t.userToWorld3d.setToAlignCoordSys(GcGePoint3d::kOrigin, GcGeVector3d::kXAxis, worldY, GcGeVector3d::kZAxis,
                                     s.origin, xn, yn, zn);
}

}  // namespace vd
