// The length of an arc part: the circle through three points, the length
// along the side of the middle point, and the command through the host.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dimtools/arc_length.h"
#include "dimtools/commands.h"
#include "res/string_ids.h"
#include "tests/dimtools/dim_test_host.h"

using namespace vd;
using namespace vd::dim;

namespace {

TEST(ArcLength, CircleThroughThreePoints) {
  const double s = std::sqrt(0.5);
  const struct {
    GcGePoint3d p1, p2, p3;
    bool fits;
    GcGePoint3d centre;
    double radius;
  } cases[] = {
      {{5, 0, 0}, {5 * s, 5 * s, 0}, {0, 5, 0}, true, {0, 0, 0}, 5},
      {{12, 3, 0}, {10, 5, 0}, {8, 3, 0}, true, {10, 3, 0}, 2},
      // Away from the origin and tilted out of the XY plane.
      {{101, 200, 50}, {100, 201, 50}, {100, 200, 51}, true, {100 + 1 / 3.0, 200 + 1 / 3.0, 50 + 1 / 3.0},
       std::sqrt(6.0) / 3},
      // The points lie in the plane x = 7.
      {{7, 0, 3}, {7, 3, 0}, {7, 0, -3}, true, {7, 0, 0}, 3},
      {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, false, {}, 0},
      {{0.1, 0.2, 0}, {0.3, 0.6, 0}, {0.7, 1.4, 0}, false, {}, 0},  // on a line, not exactly representable
      {{1, 1, 0}, {1, 1, 0}, {2, 5, 0}, false, {}, 0},
      {{1, 1, 0}, {3, 2, 0}, {1, 1, 0}, false, {}, 0},
  };
  for (const auto& c : cases) {
    ArcThreePoints arc{.startPoint = c.p1, .middlePoint = c.p2, .endPoint = c.p3};
    ASSERT_EQ(fitCircle(arc), c.fits) << c.p1.x << "," << c.p1.y;
    if (!c.fits) continue;
    EXPECT_NEAR(arc.arcCentre.distanceTo(c.centre), 0, 1e-9) << c.p1.x;
    EXPECT_NEAR(arc.arcRadius, c.radius, 1e-9) << c.p1.x;
    for (const GcGePoint3d& p : {c.p1, c.p2, c.p3}) EXPECT_NEAR(arc.arcCentre.distanceTo(p), arc.arcRadius, 1e-9);
  }
}

class ArcLengthCommand : public dimtest::DimToolsHost {
 protected:
  void SetUp() override {
    dimtest::hostTexts() = {
        {IDS_MSG_ARCLEN_RESULT, u"---------> Délka části oblouku je [aktuální jednotky]:"},
        {IDS_PROMPT_ARCLEN_START, u"Počáteční bod:"},
        {IDS_PROMPT_ARCLEN_MIDDLE, u"Prostřední bod:"},
        {IDS_PROMPT_ARCLEN_END, u"Koncový bod:"},
        {IDS_MSG_ARCLEN_NO_ARC, u"Těmito body není jendoznačne oblouk určen."},
    };
    DimToolsHost::SetUp();
  }
  static void point(double x, double y) { answer(hostsim::Answer::Kind::Point, x, y); }
};

TEST_F(ArcLengthCommand, ReportsWithTheDrawingsPrecision) {
  const double s = 5 * std::sqrt(0.5);
  const struct {
    int luprec;
    int cadType;
    const char* line;
  } cases[] = {
      {4, 3, "prompt: \\n---------> Délka části oblouku je [aktuální jednotky]: 7.8540"},
      {0, 3, "prompt: \\n---------> Délka části oblouku je [aktuální jednotky]: 8"},
      {2, 1, "prompt: \\n---------> Délka části oblouku je [aktuální jednotky]: 7.85"},
  };
  for (const auto& c : cases) {
    host().reset();
    host().stringSource = &dimtest::hostText;
    hostsim::Variable v;
    v.kind = hostsim::Variable::Kind::Short;
    v.shortValue = static_cast<int16_t>(c.luprec);
    host().setVariable(u"LUPREC", v);
    hostBinding().cadType = c.cadType;
    point(5, 0);
    point(s, s);
    point(0, 5);
    EXPECT_EQ(dimtools::commandDimArcLength(0, nullptr), 0);
    EXPECT_EQ(prompts(), std::vector<std::string>{c.line}) << c.luprec;
    EXPECT_EQ(host().pendingAnswers(), 0u);
  }
  EXPECT_TRUE(dimtest::errorBoxes().empty());
}

}  // namespace
