// Value texts of height dimensions and the direction class of a mark.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "heightdim/value_format.h"

using namespace vd;

namespace {

// Halves go away from zero, also where the level has no exact binary form
// and its quotient by the step falls a hair below the half; the rounding
// mark compares with the value at three decimals, rounded the same way.
TEST(HNoteValueFormat, HalvesRoundAwayFromZeroAndTheMarkFollowsThreeDecimals) {
  const struct {
    double value, step;
    const char* text;
    bool rounded;
  } rows[] = {
      {1005 / 1000.0, 0.01, "+1.010", true},   {1015 / 1000.0, 0.01, "+1.020", true},
      {-1005 / 1000.0, 0.01, "-1.010", true},  {150 / 1000.0, 0.1, "+0.200", true},
      {1150 / 1000.0, 0.1, "+1.200", true},    {245.305, 0.01, "+245.310", true},
      {1.2549, 0.01, "+1.250", true},          {1.25, 0.01, "+1.250", false},
      {1.0044, 0.01, "+1.000", true},          {1.0005, 0.001, "+1.001", false},
      {-1.0005, 0.001, "-1.001", false},       {-0.0004, 0.001, "±0.000", false},
      {0.0004, 0.001, "±0.000", false},        {0.0008, 0.001, "±0.000", true},
      // Far from the base: whole steps stay whole, halves still go up.
      {-1e6, 0.001, "-1000000.000", false},    {123456.785, 0.01, "+123456.790", true},
      {1e6 + 0.0004, 0.001, "+1000000.000", false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.value << " at " << r.step);
    FormattedValue f = formatHNoteValue(r.value, r.step, true, true, u".");
    EXPECT_EQ(utf16ToUtf8(f.text), r.text);
    EXPECT_EQ(f.rounded, r.rounded);
  }
}

TEST(HNoteValueFormat, BadStepsLeaveTheValueUnrounded) {
  for (double step : {0.0, -0.01, std::nan(""), static_cast<double>(INFINITY)}) {
    SCOPED_TRACE(step);
    FormattedValue f = formatHNoteValue(1.2549, step, true, true, u".");
    EXPECT_EQ(utf16ToUtf8(f.text), "+1.255");
    EXPECT_FALSE(f.rounded);
  }
}

}  // namespace
