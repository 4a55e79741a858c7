// Value types: vectors, matrices, space geometry, intervals, boxes, arrays
// and the tolerance context.
#include "geom/arrays.h"
#include "geom/boundblock2d.h"
#include "geom/interval.h"
#include "geom/line2d.h"
#include "geom/mathutils.h"
#include "geom/matrix2d.h"
#include "geom/matrix3d.h"
#include "geom/plane.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

using vdgeom::kPi;

namespace {

TEST(Vector2d, AnglesAndPredicates) {
  struct Case {
    GcGeVector2d a, b;
    double angleTo, angleToCcw;
    bool parallel, perpendicular;
  };
  const Case cases[] = {
      {{1, 0}, {0, 1}, kPi / 2, kPi / 2, false, true},
      {{1, 0}, {0, -1}, kPi / 2, 3 * kPi / 2, false, true},
      {{1, 0}, {-1, 0}, kPi, kPi, true, false},
      {{2, 2}, {3, 3}, 0, 0, true, false},
      // 1e-11 rad apart: within the default 1e-10 equal-vector tolerance.
      {{1, 0}, {1, 1e-11}, 1e-11, 1e-11, true, false},
      {{1, 0}, {1, 1e-9}, 1e-9, 1e-9, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a.x << "," << c.a.y << " / " << c.b.x << "," << c.b.y);
    EXPECT_NEAR(c.a.angleTo(c.b), c.angleTo, 1e-15);
    EXPECT_NEAR(c.a.angleToCcw(c.b), c.angleToCcw, 1e-15);
    EXPECT_EQ(c.a.isParallelTo(c.b), c.parallel);
    EXPECT_EQ(c.a.isPerpendicularTo(c.b), c.perpendicular);
  }
  EXPECT_NEAR(GcGeVector2d(-1, -1).angle(), 5 * kPi / 4, 1e-15);
  EXPECT_FALSE(GcGeVector2d(0, 0).isParallelTo({1, 0})) << "a zero vector has no direction";
}

TEST(Matrix2d, TransformsAndInverse) {
  const GcGePoint2d p(3, -2);
  struct Case {
    const char* name;
    GcGeMatrix2d m;
    GcGePoint2d expected;
  };
  GcGeMatrix2d scaleXY;
  scaleXY.setToScaling(GcGeScale2d(2, 3), {1, 1});
  const Case cases[] = {
      {"rotate 90 about (1,1)", GcGeMatrix2d::rotation(kPi / 2, {1, 1}), {4, 3}},
      {"translate", GcGeMatrix2d::translation({1, 5}), {4, 3}},
      {"scale 2 about (1,1)", GcGeMatrix2d::scaling(2, {1, 1}), {5, -5}},
      {"scale (2,3) about (1,1)", scaleXY, {5, -8}},
      {"mirror in y = x", GcGeMatrix2d::mirroring(GcGeLine2d({0, 0}, GcGeVector2d(1, 1))), {-2, 3}},
      {"align frames", GcGeMatrix2d::alignCoordSys({1, 1}, {1, 0}, {0, 1}, {10, 0}, {0, 2}, {-2, 0}), {16, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GcGePoint2d q = p;
    q.transformBy(c.m);
    EXPECT_NEAR(q.x, c.expected.x, 1e-12);
    EXPECT_NEAR(q.y, c.expected.y, 1e-12);
    q.transformBy(c.m.inverse());
    EXPECT_NEAR(q.x, p.x, 1e-12);
    EXPECT_NEAR(q.y, p.y, 1e-12);
  }
  // Product order: (A * B) applies B first.
  const GcGeMatrix2d ab = GcGeMatrix2d::translation({1, 0}) * GcGeMatrix2d::rotation(kPi / 2);
  const GcGePoint2d r = ab.apply(GcGePoint2d(1, 0));
  EXPECT_NEAR(r.x, 1, 1e-15);
  EXPECT_NEAR(r.y, 1, 1e-15);
  GcGeMatrix2d singular;
  singular.setToScaling(GcGeScale2d(1, 0));
  EXPECT_FALSE(singular.invert());
  EXPECT_NEAR(GcGeMatrix2d::scaling(3).scale(), 3, 1e-15);
  EXPECT_TRUE(GcGeMatrix2d::rotation(1.0).isUniScaledOrtho());
  EXPECT_FALSE(scaleXY.isUniScaledOrtho());
}

TEST(Matrix3d, AlignInverseAndPlaneLine) {
  const GcGeVector3d x(0, 1, 0), y(-1, 0, 0), z(0, 0, 1);
  const GcGeMatrix3d m = GcGeMatrix3d::alignCoordSys(GcGePoint3d::kOrigin, GcGeVector3d::kXAxis,
                                                     GcGeVector3d::kYAxis, GcGeVector3d::kZAxis, {5, 5, 5}, x, y, z);
  GcGePoint3d p(1, 2, 3);
  p.transformBy(m);
  EXPECT_TRUE(p.isEqualTo({3, 6, 8}));
  p.transformBy(m.inverse());
  EXPECT_TRUE(p.isEqualTo({1, 2, 3}));
  EXPECT_NEAR(m.det(), 1.0, 1e-15);

  GcGeMatrix3d rot;
  rot.setToRotation(kPi / 2, GcGeVector3d::kZAxis, {1, 0, 0});
  EXPECT_TRUE(rot.apply(GcGePoint3d(2, 0, 7)).isEqualTo({1, 1, 7}));

  // Arbitrary axis: the z axis gives the world x axis.
  EXPECT_TRUE(GcGeVector3d::kZAxis.perpVector().isEqualTo(GcGeVector3d::kXAxis));
  const GcGeVector3d n(0.3, -0.4, 0.8);
  EXPECT_TRUE(n.perpVector().isPerpendicularTo(n));

  struct Case {
    GcGeLine3d line;
    bool meets;
    GcGePoint3d at;
  };
  const GcGePlane plane({0, 0, 2}, GcGeVector3d(0, 0, 1));
  const Case cases[] = {
      {GcGeLine3d({1, 1, 0}, {0, 0, 1}), true, {1, 1, 2}},
      {GcGeLine3d({0, 0, 0}, {1, 1, 1}), true, {2, 2, 2}},
      {GcGeLine3d({0, 0, 5}, {1, 0, 0}), false, {}},
      {GcGeLine3d({0, 0, 2}, {1, 0, 1e-12}), false, {}},
  };
  for (const Case& c : cases) {
    GcGePoint3d q;
    EXPECT_EQ(plane.intersectWith(c.line, q), c.meets);
    if (c.meets) {
      EXPECT_TRUE(q.isEqualTo(c.at));
    }
  }
}

TEST(IntervalAndBox, ContainmentAndExtents) {
  const GcGeInterval iv(1.0, 3.0, 1e-6);
  EXPECT_TRUE(iv.contains(3.0 + 5e-7));
  EXPECT_FALSE(iv.contains(3.0 + 2e-6));
  EXPECT_DOUBLE_EQ(iv.length(), 2.0);
  EXPECT_EQ(GcGeInterval(true, 0.0).length(), -1.0);
  EXPECT_TRUE(GcGeInterval(true, 0.0).contains(1e300));

  GcGeBoundBlock2d box({3, 1}, {1, 4});
  box.extend({-1, 2});
  GcGePoint2d lo, hi;
  box.getMinMaxPoints(lo, hi);
  EXPECT_TRUE(lo.isEqualTo({-1, 1}));
  EXPECT_TRUE(hi.isEqualTo({3, 4}));
  box.transformBy(GcGeMatrix2d::rotation(kPi / 4));
  EXPECT_FALSE(box.isBox());
  box.setToBox(true);
  box.getMinMaxPoints(lo, hi);
  // Rotated corners (-1,4) and (3,1) set the new x range.
  EXPECT_NEAR(lo.x, (-1 - 4) / std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(hi.x, (3 - 1) / std::sqrt(2.0), 1e-12);
}

} // namespace
