#include "host/ucs.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/hostsim/host_fixture.h"

using namespace vd;

namespace {

class UcsTest : public hosttest::HostTest {
 protected:
  void SetUp() override {
    resetUcsTransforms();
    HostTest::SetUp();
  }
  void TearDown() override {
    HostTest::TearDown();
    resetUcsTransforms();
  }
  static void setPoint(const char16_t* name, double x, double y, double z) {
    hostsim::Host::instance().setVariable(name, {hostsim::Variable::Kind::Point, {x, y, z}});
  }
  static void expectNear(GcGePoint2d p, double x, double y, const char* what) {
    EXPECT_NEAR(p.x, x, 1e-9) << what;
    EXPECT_NEAR(p.y, y, 1e-9) << what;
  }
  static void expectNear(GcGePoint3d p, double x, double y, double z, const char* what) {
    EXPECT_NEAR(p.x, x, 1e-9) << what;
    EXPECT_NEAR(p.y, y, 1e-9) << what;
    EXPECT_NEAR(p.z, z, 1e-9) << what;
  }
};

TEST_F(UcsTest, IdentityUntilRefreshedAndForTheWorldSystem) {
  EXPECT_TRUE(ucsTransforms().worldToUser2d.isEqualTo(GcGeMatrix2d::kIdentity));
  EXPECT_TRUE(ucsTransforms().userToWorld3d.isEqualTo(GcGeMatrix3d::kIdentity));
  refreshUcsTransforms();
  EXPECT_TRUE(ucsTransforms().worldToUser2d.isEqualTo(GcGeMatrix2d::kIdentity));
  EXPECT_TRUE(ucsTransforms().worldToUser3d.isEqualTo(GcGeMatrix3d::kIdentity));
}

TEST_F(UcsTest, UserZNotParallelToWorldZGivesIdentityIn2d) {
  const double s = std::sqrt(0.5);
  setPoint(u"UCSORG", 1, 2, 3);
  setPoint(u"UCSXDIR", 1, 0, 0);
  setPoint(u"UCSYDIR", 0, s, s);
  refreshUcsTransforms();
  const UcsTransforms& t = ucsTransforms();
  EXPECT_TRUE(t.worldToUser2d.isEqualTo(GcGeMatrix2d::kIdentity));
  EXPECT_TRUE(t.userToWorld2d.isEqualTo(GcGeMatrix2d::kIdentity));
  EXPECT_FALSE(t.worldToUser3d.isEqualTo(GcGeMatrix3d::kIdentity)) << "3D still follows the user system";
  expectNear(t.userToWorld3d.apply(GcGePoint3d(0, 1, 0)), 1, 2 + s, 3 + s, "user y in the world");
  // A user system upside down (Z pointing down) is not parallel in the same sense either.
  setPoint(u"UCSORG", 0, 0, 0);
  setPoint(u"UCSYDIR", 0, -1, 0);
  refreshUcsTransforms();
  EXPECT_TRUE(ucsTransforms().worldToUser2d.isEqualTo(GcGeMatrix2d::kIdentity));
}

}  // namespace
