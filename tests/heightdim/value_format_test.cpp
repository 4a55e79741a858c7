// Value texts of height dimensions and the direction class of a mark.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "heightdim/value_format.h"

using namespace vd;

namespace {

TEST(HNoteValueFormat, BadStepsLeaveTheValueUnrounded) {
  for (double step : {0.0, -0.01, std::nan(""), static_cast<double>(INFINITY)}) {
    SCOPED_TRACE(step);
    FormattedValue f = formatHNoteValue(1.2549, step, true, true, u".");
    EXPECT_EQ(utf16ToUtf8(f.text), "+1.255");
    EXPECT_FALSE(f.rounded);
  }
}

}  // namespace
