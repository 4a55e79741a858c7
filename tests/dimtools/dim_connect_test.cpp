// Joining linear dimensions: the texts, the four ways two dimension lines
// meet, the overrides a join writes, the whole list joined (and the same
// as the plain pairwise scan).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "dimtools/dim_connect.h"
#include "dimtools/dim_texts.h"
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

// The pairwise scan as it is usually written: each dimension in turn tries
// every later one and starts again after each join.
void connectPairwise(std::vector<OwnedChain>& list, double exo) {
  for (size_t i = 0; i < list.size(); ++i) {
    for (size_t j = i + 1; j < list.size();) {
      OwnedChain joined = joinDims(list[i], list[j], exo);
      if (!joined) {
        ++j;
        continue;
      }
      list[i] = std::move(joined);
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(j));
      j = i + 1;
    }
  }
}

std::vector<Groups> groupsOfAll(const std::vector<OwnedChain>& list) {
  std::vector<Groups> out;
  for (const OwnedChain& c : list) out.push_back(hnotetest::groupsOf(c));
  return out;
}

// Shuffled rows of dimensions on a few lines (horizontal, vertical,
// slanted), some reversed, some with gaps, texts and overrides: joining by
// the ends gives the very chains the pairwise scan gives.
TEST(ConnectDimensions, SameAsThePairwiseScan) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 random(seed);
    std::vector<LinearSpec> specs;
    const double angles[] = {0.0, std::numbers::pi / 2, 0.3, std::numbers::pi};
    for (int line = 0; line < 4; ++line) {
      const double a = angles[line];
      const double ux = std::cos(a), uy = std::sin(a), nx = -uy, ny = ux;
      double at = 0;
      const int count = 3 + static_cast<int>(random() % 12);
      for (int k = 0; k < count; ++k) {
        const double length = 1 + random() % 50;
        if (random() % 6 == 0) at += 2;  // a gap: the row breaks here
        double from = at, to = at + length;
        if (random() % 3 == 0) std::swap(from, to);
        const double side = (random() % 5 == 0) ? -5.0 : 0.0;  // some measured from the other side
        const double offset = 10.0 * line;
        auto pt = [&](double t, double n) { return ChainPoint{ux * t + nx * n, uy * t + ny * n, 0}; };
        LinearSpec s{pt(from, offset + side), pt(to, offset + side), pt(to, offset + 8), a};
        if (random() % 2) s.rotation.reset();
        static const char16_t* texts[] = {nullptr, u"12", u"1.5", u"x"};
        s.text = texts[random() % 4];
        if (random() % 3 == 0) s.overrides.se1 = static_cast<int>(random() % 2);
        if (random() % 3 == 0) s.overrides.exo = 0.1 * (random() % 10);
        specs.push_back(s);
        at += length;
      }
    }
    std::shuffle(specs.begin(), specs.end(), random);
    std::vector<OwnedChain> fast, plain;
    for (const LinearSpec& s : specs) {
      fast.push_back(linearDimension(s));
      plain.push_back(linearDimension(s));
    }
    connectDimensions(fast, kExo);
    connectPairwise(plain, kExo);
    ASSERT_LT(fast.size(), specs.size()) << "seed " << seed << ": something joins";
    EXPECT_EQ(groupsOfAll(fast), groupsOfAll(plain)) << "seed " << seed;
  }
}

}  // namespace
