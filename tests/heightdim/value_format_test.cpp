// Value texts of height dimensions and the direction class of a mark.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "heightdim/value_format.h"

using namespace vd;

namespace {

TEST(HNoteValueFormat, TextsAndRoundedFlags) {
  struct Case {
    double value, step;
    bool plus, plusMinus;
    const char16_t* separator;
    const char16_t* text;
    bool rounded;
  } cases[] = {
      // The defaults: step 0.001, "+" and "±", a point.
      {1.2504, 0.001, true, true, u".", u"+1.250", false},
      {-0.45, 0.001, true, true, u".", u"-0.450", false},
      {0.0004, 0.001, true, true, u".", u"±0.000", false},
      {2.5, 0.001, true, true, u",", u"+2,500", false},
      {0.0, 0.001, true, true, u".", u"±0.000", false},
      // Halves go away from zero, on both sides.
      {0.0125, 0.01, true, true, u".", u"+0.010", true},   // 1.25 steps: just below the half in binary
      {0.5, 1.0, true, true, u".", u"+1.000", true},
      {-0.5, 1.0, true, true, u".", u"-1.000", true},
      {2.5, 1.0, true, true, u".", u"+3.000", true},
      {-2.5, 1.0, true, true, u".", u"-3.000", true},
      // A rounded value of exactly 0.001 counts as zero; the next double above it does not.
      {0.001, 0.001, true, true, u".", u"±0.000", true},
      {-0.001, 0.001, true, true, u".", u"±0.000", true},
      {0.002, 0.001, true, true, u".", u"+0.002", false},
      {0.0010000000000000002, 0.0, true, true, u".", u"+0.001", false},
      {-0.0010000000000000002, 0.0, true, true, u".", u"-0.001", false},
      {0.001, 0.0, true, true, u".", u"±0.000", true},
      // A small negative value rounds to an unsigned zero.
      {-0.0004, 0.001, true, true, u".", u"±0.000", true},  // unrounded: "±-0.000"
      {-0.0004, 0.001, true, false, u".", u"0.000", true},
      // Without the prefixes.
      {1.2504, 0.001, false, true, u".", u"1.250", false},
      {0.0, 0.001, true, false, u".", u"0.000", false},
      {-3.0, 0.001, false, false, u".", u"-3.000", false},
      // The rounding mark with a coarser step: texts differ only when the value needed it.
      {1.2549, 0.01, true, true, u".", u"+1.250", true},
      {1.25, 0.01, true, true, u".", u"+1.250", false},
      {1.2549, 0.01, true, true, u",", u"+1,250", true},
      {1.25, 0.01, true, true, u",", u"+1,250", false},
      {-1.2551, 0.01, true, true, u",", u"-1,260", true},
      {12.345, 0.1, true, true, u".", u"+12.300", true},
      {12.3, 0.1, true, true, u".", u"+12.300", false},
      {0.004, 0.01, true, true, u".", u"±0.000", true},
      // With the step 0.001 no value shows the mark: both texts have three decimals.
      {1.2549, 0.001, true, true, u".", u"+1.255", false},
      {1.2544, 0.001, true, true, u",", u"+1,254", false},
      {-7.00049, 0.001, true, true, u".", u"-7.000", false},
      {123.4566, 0.001, true, true, u".", u"+123.457", false},
      // Separators of other lengths, and none.
      {2.5, 0.001, true, true, u"", u"+2500", false},
      {-2.5, 0.001, true, true, u" m ", u"-2 m 500", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "value " << c.value << " step " << c.step << " separator '"
                                    << utf16ToUtf8(c.separator) << "'");
    FormattedValue f = formatHNoteValue(c.value, c.step, c.plus, c.plusMinus, c.separator);
    EXPECT_EQ(utf16ToUtf8(f.text), utf16ToUtf8(c.text));
    EXPECT_EQ(f.rounded, c.rounded);
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

TEST(HNoteDirectionClass, QuartersBelongToTheSteepClass) {
  constexpr double pi = std::numbers::pi;
  auto below = [](double a) { return std::nextafter(a, -INFINITY); };
  auto above = [](double a) { return std::nextafter(a, INFINITY); };
  struct Case {
    int type;
    double angle, rotation;
    int q;
  } cases[] = {
      {0, 0.0, 0.0, 2},
      {0, pi / 4, 0.0, 1},
      {0, below(pi / 4), 0.0, 2},
      {0, above(pi / 4), 0.0, 1},
      {0, 3 * pi / 4, 0.0, 1},
      {0, below(3 * pi / 4), 0.0, 1},
      {0, above(3 * pi / 4), 0.0, 2},
      {1, 5 * pi / 4, 0.0, 1},
      {1, below(5 * pi / 4), 0.0, 2},
      {1, above(5 * pi / 4), 0.0, 1},
      {2, 7 * pi / 4, 0.0, 1},
      {2, below(7 * pi / 4), 0.0, 1},
      {2, above(7 * pi / 4), 0.0, 2},
      {0, pi / 2, 0.0, 1},
      {0, pi, 0.0, 2},
      {0, 3 * pi / 2, 0.0, 1},
      // Reduced into one turn first.
      {0, -pi / 4, 0.0, 1},
      {0, -pi / 4 - 1e-9, 0.0, 1},
      {0, -pi / 4 + 1e-9, 0.0, 2},
      {0, 2 * pi + 0.1, 0.0, 2},
      {0, 4 * pi + pi / 2, 0.0, 1},
      {0, -1e-300, 0.0, 2},
      // The rotation turns the direction back.
      {0, pi / 2, pi / 2, 2},
      {0, 0.0, pi / 2, 1},
      {1, pi, pi / 2, 1},
      {2, 0.3, 0.3 + pi, 2},
      // Plan-view marks and types outside the range have no class.
      {3, 0.0, 0.0, 0},
      {3, pi / 2, 0.0, 0},
      {4, 0.0, 0.0, 0},
      {-1, 0.0, 0.0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " angle " << c.angle << " rotation " << c.rotation);
    EXPECT_EQ(hnoteDirectionClass(c.type, c.angle, c.rotation), c.q);
  }
}

}  // namespace
