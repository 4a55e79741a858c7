// Joining linear dimensions: the texts, the four ways two dimension lines
// meet, the overrides a join writes, the whole list joined (and the same
// as the plain pairwise scan).
#include <gtest/gtest.h>

#include "dimtools/dim_connect.h"
#include "dimtools/dim_texts.h"
#include "dimtools/linear_dim.h"
#include "tests/dimtools/linear_dims.h"

using namespace vd;
using namespace vd::dim;
using dimtest::horizontal;
using dimtest::LinearSpec;
using dimtest::linearDimension;

namespace {

constexpr double kExo = 0.625;

TEST(DimTexts, NumbersJoinedAndShared) {
  const struct {
    const char16_t* text;
    int kind;
  } kinds[] = {{u"", kNotNumber}, {u"120", kInteger}, {u"1.5", 1},    {u"12.50", 2},      {u"...", kNotNumber},
               {u"1a", kNotNumber}, {u".5", 0},        {u"5.", 1},     {u"1.2.3", 3},       {u"-5", kNotNumber},
               {u" 5", kNotNumber}, {u"<>", kNotNumber}};
  for (const auto& k : kinds) EXPECT_EQ(numericKind(k.text), k.kind) << utf16ToUtf8(k.text);

  const struct {
    const char16_t *a, *b;
    const char* joined;
  } joins[] = {
      {u"120", u"80", "200"},   {u"1.5", u"2", "3.5"},     {u"2", u"1.5", "3.5"},  {u"1.25", u"0.5", "1.75"},
      {u"0.1", u"0.2", "0.3"},  {u".5", u".25", "0.75"},  {u"5.", u"5", "10"},    {u"abc", u"80", ""},
      {u"", u"80", ""},         {u"120", u"<>", ""},
      // An integer sum too large to hold: the measured value instead.
      {u"9223372036854775807", u"1", ""},
  };
  for (const auto& j : joins)
    EXPECT_EQ(utf16ToUtf8(joinTexts(j.a, j.b)), j.joined) << utf16ToUtf8(j.a) << " + " << utf16ToUtf8(j.b);

  const GcGePoint3d start(0, 10, 0), end(100, 10, 0);
  const struct {
    const char16_t* text;
    double at;
    const char *first, *second;
  } splits[] = {
      {u"100", 25, "25", "75"},  {u"100", 100.0 / 3, "33", "67"}, {u"7", 50, "3", "4"},
      {u"10.0", 25, "2.5", "7.5"}, {u"1.00", 100.0 / 3, "0.33", "0.67"}, {u"abc", 25, "", ""}, {u"", 25, "", ""},
  };
  for (const auto& s : splits) {
    auto [first, second] = splitText(start, end, GcGePoint3d(s.at, 10, 0), s.text);
    EXPECT_EQ(utf16ToUtf8(first), s.first) << utf16ToUtf8(s.text) << " at " << s.at;
    EXPECT_EQ(utf16ToUtf8(second), s.second) << utf16ToUtf8(s.text) << " at " << s.at;
  }
  auto [a, b] = splitText(start, start, start, u"100");
  EXPECT_TRUE(a.empty() && b.empty()) << "a dimension of no length shares nothing";
}

// The overrides a join writes, on "a's first foot on b's 10": a from 50 to
// 100 measured from y 0, b from 0 to 50 from y 4; both lines at y 10, so
// a's extension lines are 10 long and b's 6.
TEST(JoinDims, OverridesAfterAJoin) {
  const struct {
    const char* what;
    dimtest::Overrides a, b;
    int se1, se2;
    double exo;
  } cases[] = {
      {"none: the drawing's DIMEXO less the slack", {}, {}, 0, 0, kExo - 0.001},
      {"the larger DIMEXO", {.exo = 1.0}, {}, 0, 0, 0.999},
      {"DIMSE1 on one only", {.se1 = 1}, {}, 0, 0, kExo - 0.001},
      // Second lines off: the new first line (6 long, from b) shows as long
      // as a's first (10 - 0.625) plus the slack.
      {"DIMSE2 on both", {.se2 = 1}, {.se2 = 1}, 0, 1, 6 - 9.375 - 0.001},
      // First lines off, b's scale 2: a's second line shows 10 - 1.25.
      {"DIMSE1 on both, b scaled", {.se1 = 1}, {.scale = 2.0, .se1 = 1}, 1, 0, 10 - 8.75 - 0.001},
      {"both off on both", {.se1 = 1, .se2 = 1}, {.se1 = 1, .se2 = 1}, 1, 1, 10 - 9.375 - 0.001},
  };
  for (const auto& c : cases) {
    LinearSpec a = horizontal(50, 100), b = horizontal(0, 50, 4);
    a.overrides = c.a;
    b.overrides = c.b;
    OwnedChain joined = joinDims(linearDimension(a), linearDimension(b), kExo);
    ASSERT_TRUE(joined) << c.what;
    std::optional<LinearDim> d = readLinearDim(joined);
    ASSERT_TRUE(d) << c.what;
    EXPECT_EQ(d->dimSe1, c.se1) << c.what;
    EXPECT_EQ(d->dimSe2, c.se2) << c.what;
    ASSERT_TRUE(d->dimExo) << c.what;
    EXPECT_NEAR(*d->dimExo, c.exo, 1e-12) << c.what;
  }
}

}  // namespace
