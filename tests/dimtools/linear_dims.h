// Linear dimensions as a CAD host hands them out, for the joining and
// splitting tests: subclass markers, point 10 at the foot of the second
// extension line, the text and the "ACAD" DSTYLE overrides only when given.
#pragma once
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "host/chain.h"
#include "tests/heightdim/records_test_support.h"

namespace dimtest {

struct Overrides {
  std::optional<double> scale, exo;
  std::optional<int> se1, se2;
};

struct LinearSpec {
  vd::ChainPoint p13, p14, p10;
  std::optional<double> rotation;  // radians; none: an aligned dimension
  const char16_t* text = nullptr;
  Overrides overrides;
  const char16_t* layer = u"0";
};

inline vd::OwnedChain linearDimension(const LinearSpec& s) {
  vd::ChainBuilder b;
  b.text(0, u"DIMENSION").text(5, u"1F").text(100, u"AcDbEntity").text(8, s.layer).text(100, u"AcDbDimension");
  b.text(2, u"*D1").point(10, s.p10).point(11, s.p10.x, s.p10.y + 1).integer(70, s.rotation ? 32 : 33);
  if (s.text) b.text(1, s.text);
  b.real(42, 12.5).text(3, u"VD").text(100, u"AcDbAlignedDimension").point(13, s.p13).point(14, s.p14);
  if (s.rotation) b.real(50, *s.rotation).text(100, u"AcDbRotatedDimension");
  const Overrides& o = s.overrides;
  if (o.scale || o.exo || o.se1 || o.se2) {
    b.extendedData(u"ACAD").text(1000, u"DSTYLE").text(1002, u"{");
    if (o.scale) b.integer(1070, 40).real(1040, *o.scale);
    if (o.exo) b.integer(1070, 42).real(1040, *o.exo);
    if (o.se1) b.integer(1070, 75).integer(1070, *o.se1);
    if (o.se2) b.integer(1070, 76).integer(1070, *o.se2);
    b.text(1002, u"}");
  }
  return b.build();
}

// A horizontal rotated dimension from x1 to x2 measured from points at
// `originY`, its line at `lineY`.
inline LinearSpec horizontal(double x1, double x2, double originY = 0, double lineY = 10) {
  return LinearSpec{{x1, originY, 0}, {x2, originY, 0}, {x2, lineY, 0}, 0.0};
}

inline void expectPoint(vd::ChainView c, int code, vd::ChainPoint want, const std::string& what) {
  std::optional<vd::ChainPoint> p = c.point(code);
  ASSERT_TRUE(p) << what << ": no group " << code;
  EXPECT_NEAR(p->x, want.x, 1e-9) << what << ": group " << code;
  EXPECT_NEAR(p->y, want.y, 1e-9) << what << ": group " << code;
  EXPECT_NEAR(p->z, want.z, 1e-9) << what << ": group " << code;
}

}  // namespace dimtest
