// The highlight-glyph record as the host reads it, byte by byte, and the
// cross built from the host's drawing units and view twist.
#include "host/highlight_glyph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "host/host_api.h"
#include "host/services.h"

using namespace vd;

namespace {

template <typename T>
T at(const unsigned char* bytes, size_t offset) {
  T v;
  std::memcpy(&v, bytes + offset, sizeof v);
  return v;
}

// What the host was handed, copied while the record was valid.
struct Shown {
  std::vector<unsigned char> record;
  std::vector<double> points;
};
std::vector<Shown>& shown() {
  static std::vector<Shown> s;
  return s;
}
double g_units = 0;
ValueNode g_twist{};

int recordGlyph(void* record) {
  Shown s;
  auto* bytes = static_cast<const unsigned char*>(record);
  int32_t size = at<int32_t>(bytes, 0);
  s.record.assign(bytes, bytes + size);
  int32_t count = at<int32_t>(bytes, 8);
  auto* points = at<const double*>(bytes, 32);
  if (points) s.points.assign(points, points + 3 * count);
  *at<int32_t*>(bytes, 24) = 5100;  // the host may answer through the slot
  shown().push_back(s);
  return 1;
}
double units() { return g_units; }
ValueNode* getVar(const vchar* name, int kind) {
  if (vstring_view(name) != u"VIEWTWIST" || kind != kRtReal) return nullptr;
  return g_twist.code ? &g_twist : nullptr;
}

// A host table with the entries the glyph uses; GetUnits and VIEWTWIST only
// when asked for.
class GlyphHost {
 public:
  GlyphHost(bool withUnits, double units, bool withTwist, double twist) {
    unbindHost();
    shown().clear();
    g_units = units;
    g_twist = ValueNode{};
    if (withTwist) {
      g_twist.code = kRtReal;
      g_twist.v.real = twist;
    }
    auto* api = new HostApi{};
    api->HighlightGlyph = &recordGlyph;
    api->GetVarW = &getVar;
    if (withUnits) api->GetUnits = &::units;
    hostBinding().api = api;
  }
  ~GlyphHost() { unbindHost(); }
};

TEST(HighlightGlyph, RecordBytesOfACross) {
  GlyphHost host(true, 1000, false, 0);
  HighlightGlyph g = HighlightGlyph::cross({10, 20, 5}, 2, 0, 1);
  ASSERT_TRUE(g.show());
  ASSERT_EQ(shown().size(), 1u);
  const std::vector<unsigned char>& r = shown()[0].record;
  ASSERT_EQ(r.size(), 88u);
  const unsigned char* b = r.data();
  EXPECT_EQ(at<int32_t>(b, 0), 88);
  EXPECT_EQ(b[4], 1);
  EXPECT_EQ(b[5], 1);
  EXPECT_EQ(at<int32_t>(b, 8), 7);
  EXPECT_EQ(at<void*>(b, 16), nullptr);
  EXPECT_NE(at<void*>(b, 24), nullptr);
  EXPECT_EQ(at<void*>(b, 40), nullptr);
  for (size_t i = 48; i < 64; ++i) EXPECT_EQ(b[i], 0) << "byte " << i;
  EXPECT_EQ(at<double>(b, 64), 1.0);
  EXPECT_EQ(at<uint32_t>(b, 72), 1836026u);
  EXPECT_EQ(at<double>(b, 80), 1.0);
  // The centre joined to each corner: corner, centre, corner, centre, ...
  const std::vector<double> expected = {12, 22, 5, 10, 20, 5, 12, 18, 5, 10, 20, 5, 8, 18, 5, 10, 20, 5, 8, 22, 5};
  EXPECT_EQ(shown()[0].points, expected);
}

TEST(HighlightGlyph, StylesAndTheEmptyRecord) {
  struct Case {
    int style;
    uint32_t colour;
  } cases[] = {{1, 0x1C03FA}, {2, 0xFAFA1C}, {0, 0xFA031C}, {3, 0xFA031C}, {-1, 0xFA031C}};
  for (Case c : cases) EXPECT_EQ(HighlightGlyph::cross({0, 0, 0}, 1, 0, c.style).colour(), c.colour) << c.style;

  GlyphHost host(true, 1000, false, 0);
  HighlightGlyph clear;
  HighlightGlyphRecord r = clear.record();
  EXPECT_EQ(r.size, 88);
  EXPECT_EQ(r.pointCount, 0);
  EXPECT_EQ(r.points, nullptr);
  ASSERT_TRUE(clear.show());
  EXPECT_EQ(at<int32_t>(shown()[0].record.data(), 8), 0) << "a record with no points clears the highlight";
}

// The arms are 0.1 of the host's drawing units (1000 when it has no GetUnits)
// and turn by minus the view twist.
TEST(HighlightGlyph, CrossFromTheHostsUnitsAndTwist) {
  struct Case {
    const char* what;
    bool withUnits;
    double units;
    double used;  // the units the cross is sized by
    bool withTwist;
    double twist;
    double firstX, firstY;  // the first corner, around the centre (1, 1)
  };
  const double half = std::numbers::pi / 2;
  const Case cases[] = {
      {"units 50, no twist", true, 50, 50, true, 0, 6, 6},
      {"no GetUnits: 1000", false, 0, 1000, false, 0, 101, 101},
      {"units 0: 1000", true, 0, 1000, false, 0, 101, 101},
      {"units not a number: 1000", true, std::nan(""), 1000, false, 0, 101, 101},
      {"units -50: 1000", true, -50, 1000, false, 0, 101, 101},
      {"a quarter turn: (+a, +a) becomes (+a, -a)", true, 50, 50, true, half, 6, -4},
      {"an eighth turn puts the first corner on the x axis", true, 10, 10, true, std::numbers::pi / 4,
       1 + std::sqrt(2.0), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GlyphHost host(c.withUnits, c.units, c.withTwist, c.twist);
    EXPECT_EQ(drawingUnits(), c.used);
    HighlightGlyph g = HighlightGlyph::crossAt({1, 1, 0}, 2);
    ASSERT_EQ(g.pointCount(), 7);
    EXPECT_NEAR(g.point(0).x, c.firstX, 1e-12);
    EXPECT_NEAR(g.point(0).y, c.firstY, 1e-12);
    // Every corner lies at the same distance from the centre, which the run
    // passes through between them.
    double arm = std::sqrt(2.0) * 0.1 * c.used;
    for (int i = 0; i < 7; ++i) {
      ChainPoint p = g.point(i);
      double d = std::hypot(p.x - 1, p.y - 1);
      EXPECT_NEAR(d, i % 2 ? 0 : arm, 1e-9) << "point " << i;
    }
    ASSERT_TRUE(g.show());
    EXPECT_EQ(at<uint32_t>(shown().back().record.data(), 72), 0xFAFA1Cu);
  }
  // Without a host the cross still takes the default size, and showing fails quietly.
  unbindHost();
  EXPECT_EQ(drawingUnits(), kDefaultDrawingUnits);
  HighlightGlyph lone = HighlightGlyph::crossAt({0, 0, 0}, 1);
  EXPECT_NEAR(lone.point(0).x, 100, 1e-12);
  EXPECT_FALSE(lone.show());
}

}  // namespace
