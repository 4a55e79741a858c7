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
