// The local graphics of every mark type, against points written out by hand.
#include <gtest/gtest.h>

#include <vector>

#include "heightdim/mark_geometry.h"

using namespace vd;

namespace {

struct XY {
  double x, y;
};
using Pts = std::vector<XY>;

// A section-view record with round numbers: HXLEN 4, HYLEN 2, LVERTLEN 8,
// LHORZLEN 12, TEXTDISTX 1, TEXTDISTY 0.5, text height 2.5.
HNoteData sectionRecord(int type, int arrowIndex, bool flipped, double lhorz = 12) {
  HNoteData r;
  hnoteDefaults(r, type);
  r.hxLen = 4;
  r.hyLen = 2;
  r.lvertLen = 8;
  r.lhorzLen = lhorz;
  r.textDistX = 1;
  r.textDistY = 0.5;
  r.textHeight = 2.5;
  r.arrowIndex = arrowIndex;
  r.flipped = flipped;
  r.valueText = u"+1.250";  // six characters: the rounding mark sits 6 × 0.8 × 2.5 = 12 further on
  return r;
}

void expectPath(const MarkPath& path, const Pts& points, const std::vector<double>& bulges, const char* what) {
  SCOPED_TRACE(what);
  ASSERT_EQ(path.points.size(), points.size());
  ASSERT_EQ(path.bulges.size(), points.size());
  for (size_t i = 0; i < points.size(); ++i) {
    EXPECT_NEAR(path.points[i].x, points[i].x, 1e-12) << "point " << i;
    EXPECT_NEAR(path.points[i].y, points[i].y, 1e-12) << "point " << i;
    EXPECT_DOUBLE_EQ(path.bulges[i], bulges.empty() ? 0.0 : bulges[i]) << "bulge " << i;
  }
}

struct TextWant {
  XY at;
  int flags, hJust, vJust;
};

void expectTexts(const MarkGeometry& g, const std::vector<TextWant>& want) {
  ASSERT_EQ(g.texts.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "text " << i);
    EXPECT_NEAR(g.texts[i].anchor.x, want[i].at.x, 1e-12);
    EXPECT_NEAR(g.texts[i].anchor.y, want[i].at.y, 1e-12);
    EXPECT_EQ(g.texts[i].flags, want[i].flags);
    EXPECT_EQ(g.texts[i].hJust, want[i].hJust);
    EXPECT_EQ(g.texts[i].vJust, want[i].vJust);
  }
}

TEST(MarkGeometry, CsnEveryBoundaryMarkFlippedAndNot) {
  // T1 (2, 2), T2 (-2, 2), M (0, 2), O (0, 0), V (0, 8), E (12, 8); flipped: every y negated.
  struct Case {
    int arrowIndex;
    bool flipped;
    Pts outline;
    Pts fill;  // empty: none
  } cases[] = {
      {0, false, {{-2, 2}, {0, 0}, {2, 2}, {0, 0}, {0, 8}, {12, 8}}, {}},
      {0, true, {{-2, -2}, {0, 0}, {2, -2}, {0, 0}, {0, -8}, {12, -8}}, {}},
      {1, false, {{2, 2}, {-2, 2}, {0, 0}, {0, 2}, {0, 8}, {12, 8}}, {}},
      {1, true, {{2, -2}, {-2, -2}, {0, 0}, {0, -2}, {0, -8}, {12, -8}}, {}},
      {2, false, {{2, 2}, {-2, 2}, {0, 0}, {0, 2}, {0, 8}, {12, 8}}, {{0, 0}, {-2, 2}, {0, 2}}},
      {2, true, {{2, -2}, {-2, -2}, {0, 0}, {0, -2}, {0, -8}, {12, -8}}, {{0, 0}, {-2, -2}, {0, -2}}},
      {3, false, {{0, 0}, {-2, 2}, {2, 2}, {0, 0}, {0, 2}, {0, 8}, {12, 8}}, {}},
      {3, true, {{0, 0}, {-2, -2}, {2, -2}, {0, 0}, {0, -2}, {0, -8}, {12, -8}}, {}},
      {4, false, {{0, 0}, {-2, 2}, {2, 2}, {0, 0}, {0, 2}, {0, 8}, {12, 8}}, {{0, 0}, {2, 2}, {0, 2}}},
      {4, true, {{0, 0}, {-2, -2}, {2, -2}, {0, 0}, {0, -2}, {0, -8}, {12, -8}}, {{0, 0}, {2, -2}, {0, -2}}},
      {5, false, {{0, 2}, {-2, 2}, {0, 0}, {2, 2}, {0, 2}, {0, 8}, {12, 8}}, {}},
      {5, true, {{0, -2}, {-2, -2}, {0, 0}, {2, -2}, {0, -2}, {0, -8}, {12, -8}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "arrowIndex " << c.arrowIndex << (c.flipped ? " flipped" : ""));
    MarkGeometry g;
    ASSERT_TRUE(markGeometry(sectionRecord(0, c.arrowIndex, c.flipped), 0, 0, g));
    EXPECT_NEAR(g.base.x, 0, 0);
    EXPECT_NEAR(g.base.y, 0, 0);
    ASSERT_EQ(g.outlines.size(), 1u);
    expectPath(g.outlines[0], c.outline, {}, "outline");
    ASSERT_EQ(g.fills.size(), c.fill.empty() ? 0u : 1u);
    if (!c.fill.empty()) expectPath(g.fills[0], c.fill, {}, "fill");
    // Values above and below the horizontal line at V + (1, ±0.5); the
    // rounding mark 12 further along. Flipped, the texts hang the other way.
    if (!c.flipped)
      expectTexts(g, {{{1, 8.5}, 0, 0, 1}, {{1, 7.5}, 8, 0, 3}, {{13, 8.5}, 8, 0, 1}});
    else
      expectTexts(g, {{{1, -8.5}, 0, 0, 3}, {{1, -7.5}, 8, 0, 1}, {{13, -8.5}, 8, 0, 3}});
  }
}

TEST(MarkGeometry, NegativeHorizontalLengthMirrorsTheLineAndTheTexts) {
  // A mirrored mark: the horizontal line runs to the left and the texts along
  // it, right-aligned, the rounding mark further left.
  for (bool flipped : {false, true}) {
    SCOPED_TRACE(flipped ? "flipped" : "upright");
    const double y = flipped ? -1 : 1;
    MarkGeometry g;
    ASSERT_TRUE(markGeometry(sectionRecord(0, 3, flipped, -12), 0, 0, g));
    expectPath(g.outlines[0], {{0, 0}, {-2, 2 * y}, {2, 2 * y}, {0, 0}, {0, 2 * y}, {0, 8 * y}, {-12, 8 * y}}, {},
               "outline");
    const int above = flipped ? 3 : 1, below = flipped ? 1 : 3;
    expectTexts(g, {{{-1, 8.5 * y}, 0, 2, above}, {{-1, 7.5 * y}, 8, 2, below}, {{-13, 8.5 * y}, 8, 2, above}});
  }
}

TEST(MarkGeometry, DinOpenAndRough) {
  // A (-2, 0), B (2, 0), A' (-2, 2), B' (2, 2), O (0, 0); text at A' + (1, 0.5).
  struct Case {
    int type;
    bool flipped;
    Pts outline;
    Pts fill;
    std::vector<TextWant> texts;
  } cases[] = {
      {1, false, {{-2, 0}, {0, 0}, {-2, 2}, {2, 2}, {0, 0}, {2, 0}}, {},
       {{{-1, 2.5}, 0, 0, 1}, {{-1, -0.5}, 8, 0, 3}, {{11, 2.5}, 8, 0, 1}}},
      {1, true, {{-2, 0}, {0, 0}, {-2, -2}, {2, -2}, {0, 0}, {2, 0}}, {},
       {{{-1, -2.5}, 0, 0, 3}, {{-1, 0.5}, 8, 0, 1}, {{11, -2.5}, 8, 0, 3}}},
      {2, false, {{-2, 0}, {0, 0}, {-2, 2}, {2, 2}, {0, 0}, {2, 0}}, {{0, 0}, {-2, 2}, {2, 2}},
       {{{-1, 2.5}, 0, 0, 1}, {{-1, -0.5}, 8, 0, 3}, {{11, 2.5}, 8, 0, 1}}},
      {2, true, {{-2, 0}, {0, 0}, {-2, -2}, {2, -2}, {0, 0}, {2, 0}}, {{0, 0}, {-2, -2}, {2, -2}},
       {{{-1, -2.5}, 0, 0, 3}, {{-1, 0.5}, 8, 0, 1}, {{11, -2.5}, 8, 0, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << (c.flipped ? " flipped" : ""));
    MarkGeometry g;
    ASSERT_TRUE(markGeometry(sectionRecord(c.type, 0, c.flipped, 0), 0, 0, g));
    ASSERT_EQ(g.outlines.size(), 1u);
    expectPath(g.outlines[0], c.outline, {}, "outline");
    ASSERT_EQ(g.fills.size(), c.fill.empty() ? 0u : 1u);
    if (!c.fill.empty()) expectPath(g.fills[0], c.fill, {}, "fill");
    expectTexts(g, c.texts);
  }
}

TEST(MarkGeometry, PlanViewFrameBasePointsAndRoundEnds) {
  // Minimum frame 14 × 6; a text of 10 × 4 fits, one of 20 × 8 widens it.
  // P0 (-w/2, -h/2), P1 (w/2, -h/2), P2 (-w/2, h/2), P3 (w/2, h/2).
  struct Case {
    int insPt, options;
    double textW, textH;
    double w, h;
    XY base;
    Pts frame;
    std::vector<std::pair<Pts, std::vector<double>>> more;  // outlines after the frame
    std::vector<std::pair<Pts, std::vector<double>>> fills;
  } cases[] = {
      {0, 0, 10, 4, 14, 6, {0, 0}, {{-7, -3}, {7, -3}, {7, 3}, {-7, 3}, {-7, -3}}, {}, {}},
      {1, 0, 10, 4, 14, 6, {-7, 3}, {{-7, -3}, {7, -3}, {7, 3}, {-7, 3}, {-7, -3}}, {}, {}},
      {2, 0, 10, 4, 14, 6, {-7, -3}, {{-7, -3}, {7, -3}, {7, 3}, {-7, 3}, {-7, -3}}, {}, {}},
      {3, 0, 10, 4, 14, 6, {0, 3}, {{-7, -3}, {7, -3}, {7, 3}, {-7, 3}, {-7, -3}}, {}, {}},
      {4, 0, 10, 4, 14, 6, {0, -3}, {{-7, -3}, {7, -3}, {7, 3}, {-7, 3}, {-7, -3}}, {}, {}},
      {5, 0, 10, 4, 14, 6, {7, 3}, {{-7, -3}, {7, -3}, {7, 3}, {-7, 3}, {-7, -3}}, {}, {}},
      {6, 0, 10, 4, 14, 6, {7, -3}, {{-7, -3}, {7, -3}, {7, 3}, {-7, 3}, {-7, -3}}, {}, {}},
      {-1, 0, 10, 4, 14, 6, {0, 0}, {{-7, -3}, {7, -3}, {7, 3}, {-7, 3}, {-7, -3}}, {}, {}},
      {0, 0, 20, 8, 20, 8, {0, 0}, {{-10, -4}, {10, -4}, {10, 4}, {-10, 4}, {-10, -4}}, {}, {}},
      {5, 0, 20, 2, 20, 6, {10, 3}, {{-10, -3}, {10, -3}, {10, 3}, {-10, 3}, {-10, -3}}, {}, {}},
      // Round right end: a half circle from P1 to P3 through (w/2 + h/2, 0).
      {0, 2, 10, 4, 14, 6, {0, 0}, {{-7, -3}, {7, -3}, {7, 3}, {-7, 3}, {-7, -3}}, {{{{7, -3}, {7, 3}}, {1, 0}}}, {}},
      {0, 3, 10, 4, 14, 6, {0, 0}, {{-7, -3}, {7, -3}, {7, 3}, {-7, 3}, {-7, -3}}, {{{{7, -3}, {7, 3}}, {1, 0}}}, {}},
      // Filled right end: down the edge P3-P1, back round the half circle.
      {2, 4, 10, 4, 14, 6, {-7, -3}, {{-7, -3}, {7, -3}, {7, 3}, {-7, 3}, {-7, -3}}, {}, {{{{7, 3}, {7, -3}}, {0, 1}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "INSPT " << c.insPt << " options " << c.options << " text " << c.textW);
    HNoteData r;
    hnoteDefaults(r, 3);
    r.cxSize = 14;
    r.cySize = 6;
    r.insPt = c.insPt;
    r.hnoteOptions = c.options;
    MarkGeometry g;
    ASSERT_TRUE(markGeometry(r, c.textW, c.textH, g));
    EXPECT_DOUBLE_EQ(g.frameWidth, c.w);
    EXPECT_DOUBLE_EQ(g.frameHeight, c.h);
    EXPECT_DOUBLE_EQ(g.base.x, c.base.x);
    EXPECT_DOUBLE_EQ(g.base.y, c.base.y);
    ASSERT_EQ(g.outlines.size(), 1 + c.more.size());
    expectPath(g.outlines[0], c.frame, {}, "frame");
    for (size_t i = 0; i < c.more.size(); ++i) expectPath(g.outlines[1 + i], c.more[i].first, c.more[i].second, "end");
    ASSERT_EQ(g.fills.size(), c.fills.size());
    for (size_t i = 0; i < c.fills.size(); ++i) expectPath(g.fills[i], c.fills[i].first, c.fills[i].second, "fill");
    expectTexts(g, {{{0, 0}, 0, 1, 2}});
  }
}

TEST(MarkGeometry, FlippedPlanViewKeepsTheRoundEndOnTheRight) {
  HNoteData r;
  hnoteDefaults(r, 3);
  r.cxSize = 14;
  r.cySize = 6;
  r.insPt = 1;
  r.hnoteOptions = kPlanRoundEnd | kPlanFilledEnd;
  r.flipped = true;
  MarkGeometry g;
  ASSERT_TRUE(markGeometry(r, 0, 0, g));
  EXPECT_DOUBLE_EQ(g.base.y, -3);  // the upper left corner mirrored
  // Mirrored, the arc runs clockwise from (7, 3) to (7, -3): still through (10, 0).
  expectPath(g.outlines[1], {{7, 3}, {7, -3}}, {-1, 0}, "end");
  expectPath(g.fills[0], {{7, -3}, {7, 3}}, {0, -1}, "fill");
}

TEST(MarkGeometry, UnknownTypesAndBoundaryMarksBuildNothing) {
  struct Case {
    int type, arrowIndex;
  } cases[] = {{-1, 0}, {4, 0}, {0, -1}, {0, 6}};
  for (const Case& c : cases) {
    HNoteData r = sectionRecord(0, c.arrowIndex, false);
    r.type = c.type;
    MarkGeometry g;
    g.outlines.resize(2);
    EXPECT_FALSE(markGeometry(r, 0, 0, g)) << c.type << "/" << c.arrowIndex;
    EXPECT_TRUE(g.outlines.empty());
    EXPECT_TRUE(g.texts.empty());
  }
}

}  // namespace
