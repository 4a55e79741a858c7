// Hatch pattern lines cut by boundary rings: parity with holes and islands,
// lines through corners and along edges, dashes and dots, and the limits that
// keep a too fine pattern from running away.
#include <gtest/gtest.h>

#include "preview/hatch_lines.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace GDI;

namespace {

const double kPi = std::acos(-1.0);

hatch_ring square(double x0, double y0, double x1, double y1) {
  return {GcGePoint2d(x0, y0), GcGePoint2d(x1, y0), GcGePoint2d(x1, y1), GcGePoint2d(x0, y1)};
}

hatch_ring reversed(hatch_ring r) { return hatch_ring(r.rbegin(), r.rend()); }

pattern_family family(double degrees, GcGePoint2d base, GcGeVector2d offset, std::vector<double> dashes = {}) {
  return pattern_family{degrees * kPi / 180.0, base, offset, std::move(dashes)};
}

double totalLength(const std::vector<hatch_segment>& segments) {
  double sum = 0;
  for (const hatch_segment& s : segments)
    sum += s.from.distanceTo(s.to);
  return sum;
}

// Whether the middle of every segment lies inside the rings by parity,
// counted independently of the code under test with a ray to the right.
bool inside(const std::vector<hatch_ring>& rings, const GcGePoint2d& p) {
  bool in = false;
  for (const hatch_ring& r : rings)
    for (std::size_t i = 0, j = r.size() - 1; i < r.size(); j = i++)
      if ((r[i].y > p.y) != (r[j].y > p.y) &&
          p.x < r[j].x + (r[i].x - r[j].x) * (p.y - r[j].y) / (r[i].y - r[j].y))
        in = !in;
  return in;
}

} // namespace

TEST(HatchLines, ParityOverRingsAndCorners) {
  const hatch_ring outer = square(0, 0, 10, 10), hole = square(4, 4, 6, 6), island = square(4.25, 4.25, 5.75, 5.75);
  const hatch_ring diamond{GcGePoint2d(0, -2), GcGePoint2d(2, 0), GcGePoint2d(0, 2), GcGePoint2d(-2, 0)};
  struct Case {
    const char* what;
    std::vector<hatch_ring> rings;
    pattern_family f;
    std::size_t segments;
    double length;
  } cases[] = {
      {"horizontal lines at half units", {outer}, family(0, {0, 0.5}, {0, 1}), 10, 100},
      {"a hole splits the two lines through it", {outer, hole}, family(0, {0, 0.5}, {0, 1}), 12, 96},
      {"an island in the hole is filled again", {outer, hole, island}, family(0, {0, 0.5}, {0, 1}), 14, 99},
      {"ring orientation does not matter", {reversed(outer), hole}, family(0, {0, 0.5}, {0, 1}), 12, 96},
      {"vertical lines", {outer, hole}, family(90, {0.5, 0}, {-1, 0}), 12, 96},
      // Lines at y = -2, 0, 2 pass through corners: the two tips touch the
      // diamond in one point, the middle one runs from corner to corner.
      {"lines through corners", {diamond}, family(0, {0, 0}, {0, 2}), 1, 4},
      {"through corners the other way round", {reversed(diamond)}, family(0, {7, 0}, {0, -2}), 1, 4},
      // 45 degrees through the square's corners (0,0) and (10,10).
      {"a diagonal from corner to corner; the lines through the other corners touch them only", {outer},
       family(45, {0, 0}, {-5, 5}), 1, 10 * std::sqrt(2.0)},
      {"a line along the bottom edge and one along the top", {outer}, family(0, {3, 0}, {0, 10}), 1, 10},
      {"a line that misses the rings", {outer}, family(0, {0, 11}, {0, 100}), 0, 0},
      {"offset along the lines only: the one line through base", {outer}, family(0, {0, 3}, {2, 0}), 1, 10},
  };
  for (const Case& c : cases) {
    std::vector<hatch_segment> out;
    ASSERT_EQ(hatch_lines(c.rings, {c.f}, out), hatch_outcome::drawn) << c.what;
    // Pieces of no visible length (a line grazing a corner within rounding)
    // are not counted.
    const auto visible = std::count_if(out.begin(), out.end(),
                                       [](const hatch_segment& s) { return s.from.distanceTo(s.to) > 1e-9; });
    EXPECT_EQ(static_cast<std::size_t>(visible), c.segments) << c.what;
    EXPECT_NEAR(totalLength(out), c.length, 1e-9) << c.what;
    for (const hatch_segment& s : out) {
      const GcGePoint2d mid = midPoint(s.from, s.to);
      // Pieces on the boundary itself (the bottom edge) have no inside to test.
      if (s.from.distanceTo(s.to) > 1e-9 && std::abs(mid.y) > 1e-9) {
        EXPECT_TRUE(inside(c.rings, mid)) << c.what << " at " << mid.x << "," << mid.y;
      }
    }
  }
}

TEST(HatchLines, DashesGapsAndDots) {
  const std::vector<hatch_ring> strip{square(0, 0, 10, 1)};
  struct Case {
    const char* what;
    pattern_family f;
    std::vector<std::pair<double, double>> pieces; // x ranges on the first line
  } cases[] = {
      {"dash and gap from the base point", family(0, {0, 0.5}, {0, 4}, {1, -1}),
       {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {8, 9}}},
      {"the pattern is anchored at base, not at the boundary", family(0, {-0.5, 0.5}, {0, 4}, {2, -3}),
       {{0, 1.5}, {4.5, 6.5}, {9.5, 10}}},
      {"a leading gap", family(0, {0, 0.5}, {0, 4}, {-4, 1}), {{4, 5}, {9, 10}}},
      {"dots are short pieces centred on their place", family(0, {0, 0.5}, {0, 4}, {0, -3.2}),
       {{0, 0.025}, {3.175, 3.225}, {6.375, 6.425}, {9.575, 9.625}}},
      {"only gaps: nothing", family(0, {0, 0.5}, {0, 4}, {-1, -2}), {}},
      {"only dots: a continuous line", family(0, {0, 0.5}, {0, 4}, {0, 0}), {{0, 10}}},
  };
  for (const Case& c : cases) {
    std::vector<hatch_segment> out;
    ASSERT_EQ(hatch_lines(strip, {c.f}, out), hatch_outcome::drawn) << c.what;
    ASSERT_EQ(out.size(), c.pieces.size()) << c.what;
    for (std::size_t i = 0; i < out.size(); ++i) {
      EXPECT_NEAR(std::min(out[i].from.x, out[i].to.x), c.pieces[i].first, 1e-9) << c.what << " piece " << i;
      EXPECT_NEAR(std::max(out[i].from.x, out[i].to.x), c.pieces[i].second, 1e-9) << c.what << " piece " << i;
      EXPECT_NEAR(out[i].from.y, 0.5, 1e-12) << c.what;
    }
  }
  // An offset with a part along the lines moves each next line's dashes on.
  std::vector<hatch_segment> out;
  ASSERT_EQ(hatch_lines({square(0, 0, 10, 2)}, {family(0, {0, 0.5}, {1.5, 1}, {1, -1})}, out), hatch_outcome::drawn);
  ASSERT_EQ(out.size(), 11u) << "five dashes on the first line, six on the second";
  EXPECT_NEAR(out[5].from.y, 1.5, 1e-12);
  EXPECT_NEAR(std::min(out[5].from.x, out[5].to.x), 0.0, 1e-9) << "the partial dash before the first whole one";
  EXPECT_NEAR(std::max(out[5].from.x, out[5].to.x), 0.5, 1e-9);
}

TEST(HatchLines, LimitsAndBadInput) {
  const std::vector<hatch_ring> rings{square(0, 0, 10, 10)};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const hatch_segment kept{GcGePoint2d(1, 2), GcGePoint2d(3, 4)};
  struct Case {
    const char* what;
    std::vector<hatch_ring> rings;
    std::vector<pattern_family> families;
    hatch_limits limits;
    hatch_outcome outcome;
    std::size_t added;
  } cases[] = {
      {"a tiny spacing is too dense", rings, {family(0, {0, 0}, {0, 1e-9})}, {}, hatch_outcome::too_dense, 0},
      {"lines of all families count together", rings,
       {family(0, {0, 0.5}, {0, 1}), family(90, {0.5, 0}, {1, 0})}, {15, 1000}, hatch_outcome::too_dense, 0},
      {"just at the line limit", rings, {family(0, {0, 0.5}, {0, 1})}, {10, 1000}, hatch_outcome::drawn, 10},
      {"tiny dashes are too many segments", rings, {family(0, {0, 0.5}, {0, 1}, {1e-7, -1e-7})}, {},
       hatch_outcome::too_dense, 0},
      {"dashes anchored absurdly far away neither hang nor draw", rings,
       {family(0, {-1e300, 0.5}, {0, 1}, {1, -1})}, {}, hatch_outcome::drawn, 0},
      {"segment limit", rings, {family(0, {0, 0.5}, {0, 1}, {1, -1})}, {100, 49}, hatch_outcome::too_dense, 0},
      {"no rings", {}, {family(0, {0, 0.5}, {0, 1})}, {}, hatch_outcome::drawn, 0},
      {"a ring of one point", {{GcGePoint2d(1, 1)}}, {family(0, {0, 0.5}, {0, 1})}, {}, hatch_outcome::drawn, 0},
      {"no families", rings, {}, {}, hatch_outcome::drawn, 0},
      {"not-a-number angle, base, offset or dash: left out", rings,
       {family(nan, {0, 0}, {0, 1}), family(0, {nan, 0}, {0, 1}), family(0, {0, 0}, {nan, 1}),
        family(0, {0, 0}, {0, 1}, {1, nan})},
       {}, hatch_outcome::drawn, 0},
      {"a corner that is not a number is passed over", {{GcGePoint2d(0, 0), GcGePoint2d(nan, 5), GcGePoint2d(10, 0),
                                                          GcGePoint2d(10, 10), GcGePoint2d(0, 10)}},
       {family(0, {0, 0.5}, {0, 1})}, {}, hatch_outcome::drawn, 10},
      {"infinite ring corners draw nothing", {{GcGePoint2d(0, 0), GcGePoint2d(HUGE_VAL, 0), GcGePoint2d(0, 1)}},
       {family(0, {0, 0.5}, {0, 1})}, {}, hatch_outcome::drawn, 0},
  };
  for (const Case& c : cases) {
    std::vector<hatch_segment> out{kept};
    EXPECT_EQ(hatch_lines(c.rings, c.families, out, c.limits), c.outcome) << c.what;
    ASSERT_EQ(out.size(), 1 + c.added) << c.what;
    EXPECT_TRUE(out[0].from == kept.from && out[0].to == kept.to) << c.what << ": what was there stays";
  }
}
