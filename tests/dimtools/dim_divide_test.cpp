// Splitting linear dimensions: where a break falls and what the parts
// get, the direction check over the whole list and many break points. The
// command's runs are the dimdivide, dimdivide_many and dimjoin_unchanged
// scenarios.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dimtools/dim_codes.h"
#include "dimtools/dim_divide.h"
#include "dimtools/linear_dim.h"
#include "tests/dimtools/linear_dims.h"

using namespace vd;
using namespace vd::dim;
using dimtest::horizontal;
using dimtest::LinearSpec;
using dimtest::linearDimension;
using Groups = std::vector<std::string>;

namespace {

constexpr double kExo = 0.625;

// An aligned dimension from 0,0 to 30,40 (50 long), its line 10 to the
// left: first foot -8,6, 10 at 22,46.
const LinearSpec kSlanted{{0, 0, 0}, {30, 40, 0}, {22, 46, 0}, std::nullopt, u"50"};

TEST(SplitDim, AnAlignedDimensionBecomesARotatedOne) {
  std::optional<DimSplit> split = splitDim(linearDimension(kSlanted), {15, 20, 0}, kExo);
  ASSERT_TRUE(split);
  // The dimension line runs from 10 towards the first foot: 0.6,0.8 turned
  // half round, at 4.0689 radians.
  EXPECT_NEAR(split->first.view().real(50).value_or(0), std::atan2(-0.8, -0.6) + 2 * std::numbers::pi, 1e-12);
  Groups g = hnotetest::groupsOf(split->second);
  auto at = [&](const std::string& group) { return std::find(g.begin(), g.end(), group) - g.begin(); };
  EXPECT_LT(at("100 AcDbAlignedDimension"), at("100 AcDbRotatedDimension"));
  EXPECT_EQ(at("100 AcDbRotatedDimension"), at("-3") - 1) << "the marker goes in front of the extended data";
  EXPECT_EQ(g[at("100 AcDbRotatedDimension") - 1].rfind("50 ", 0), 0u) << "behind the rotation";
}

TEST(SplitDim, OverridesOfTheParts) {
  const struct {
    const char* what;
    dimtest::Overrides overrides;
    std::optional<double> firstExo, secondExo;
    std::optional<int16_t> secondSe1;
  } cases[] = {
      {"none: the drawing's DIMEXO on both", {}, kExo, kExo, std::nullopt},
      {"its own DIMEXO", {.exo = 1.5}, 1.5, 1.5, std::nullopt},
      {"DIMEXO 0 counts as none", {.exo = 0.0}, kExo, kExo, std::nullopt},
      // The second part's first extension line stands at the break: shown.
      {"second line off", {.se2 = 1}, std::nullopt, kExo, int16_t{0}},
      {"first line off", {.se1 = 1}, kExo, kExo, int16_t{1}},
  };
  for (const auto& c : cases) {
    LinearSpec s = horizontal(0, 100);
    s.overrides = c.overrides;
    std::optional<DimSplit> split = splitDim(linearDimension(s), {50, 0, 0}, kExo);
    ASSERT_TRUE(split) << c.what;
    std::optional<LinearDim> first = readLinearDim(split->first), second = readLinearDim(split->second);
    ASSERT_TRUE(first && second) << c.what;
    EXPECT_EQ(first->dimExo, c.firstExo) << c.what;
    EXPECT_EQ(second->dimExo, c.secondExo) << c.what;
    EXPECT_EQ(second->dimSe1, c.secondSe1) << c.what;
    EXPECT_EQ(first->dimSe2, second->dimSe2) << c.what << ": DIMSE2 stays";
  }
}

TEST(DivideDimensions, DirectionsMustAgree) {
  auto list = [](std::initializer_list<LinearSpec> specs) {
    std::vector<OwnedChain> out;
    for (const LinearSpec& s : specs) out.push_back(linearDimension(s));
    return out;
  };
  // A vertical dimension along x = 50 from y -50 to 50, measured from x 60.
  const LinearSpec vertical{{60, -50, 0}, {60, 50, 0}, {50, 50, 0}, std::numbers::pi / 2};
  const LinearSpec verticalAbove{{60, 100, 0}, {60, 200, 0}, {50, 200, 0}, std::numbers::pi / 2};
  const GcGePoint3d at[] = {{50, 20, 0}};

  std::vector<OwnedChain> both = list({horizontal(0, 100), vertical});
  EXPECT_EQ(divideDimensions(both, at, kExo), DivideResult::kNotParallel);
  // Opposite ways along one direction agree; a dimension the point misses is not asked.
  std::vector<OwnedChain> opposite = list({horizontal(0, 100), horizontal(100, 0, 0, 30), verticalAbove});
  EXPECT_EQ(divideDimensions(opposite, at, kExo), DivideResult::kDone);
  EXPECT_EQ(opposite.size(), 5u);
  EXPECT_TRUE(readLinearDim(opposite[4]) && readLinearDim(opposite[4])->origin1.y == 100) << "untouched, last";

  EXPECT_TRUE(sameLineDirection(std::numbers::pi - 0.001, -std::numbers::pi + 0.001)) << "across the turn";
  EXPECT_TRUE(sameLineDirection(0.3, 0.3 + std::numbers::pi + 0.005));
  EXPECT_FALSE(sameLineDirection(0.3, 0.32));
}

}  // namespace
