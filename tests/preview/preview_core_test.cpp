// The preview renderer's portable core: dash generation, batches and how
// they are split into calls, clipping, the view transform, cache reuse, snap
// points of every curve kind and the ordering of snap results.
#include <gtest/gtest.h>

#include "geom/circarc2d.h"
#include "geom/composite_curve2d.h"
#include "geom/elliparc2d.h"
#include "geom/linear_ent2d.h"
#include "geom/mathutils.h"
#include "geom/point_ent2d.h"
#include "preview/batch.h"
#include "preview/buffers.h"
#include "preview/clip.h"
#include "preview/linetype.h"
#include "preview/palette.h"
#include "preview/snap.h"
#include "preview/text_extents.h"
#include "preview/view_math.h"
#include "preview_test_shapes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <tuple>

using namespace GDI;
using previewtest::rectangle;

namespace {
constexpr double kEps = 1e-9;

using Pieces = std::vector<std::pair<double, double>>;

// Dash pieces as pairs of points: their x from and to match `expected`.
void expectPieces(const GcGePoint2dArray& pts, const Pieces& expected) {
  ASSERT_EQ(pts.length(), 2 * static_cast<int>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(pts[2 * i].x, expected[i].first, kEps) << "piece " << i;
    EXPECT_NEAR(pts[2 * i + 1].x, expected[i].second, kEps) << "piece " << i;
  }
}

// Dash 10, gap 10, dot, gap 10: 30 a repeat.
linetype dashDot() {
  linetype dash;
  for (double len : {10.0, -10.0, 0.0, -10.0})
    dash.append(len);
  return dash;
}

// The area a ring of n points encloses, positive counter-clockwise.
double ringArea(const GcGePoint2d* p, std::size_t n) {
  double twice = 0;
  for (std::size_t i = 0; i < n; ++i)
    twice += p[i].asVector().crossProduct(p[(i + 1) % n].asVector());
  return 0.5 * twice;
}

// A refresh at the given pixel size inside the boundary, whose box is the
// regeneration window; the window shown is that box unless given.
regen_context contextIn(const clip_region& boundary, double pixel, const extents& visible = {}) {
  regen_context ctx;
  ctx.pixel = pixel;
  ctx.regen = boundary.box();
  ctx.visible = visible.valid ? visible : ctx.regen;
  ctx.boundary = &boundary;
  return ctx;
}

// A refresh at a pixel of 0.01 for the window -10..10 inside the boundary.
regen_context fineContext(const clip_region& boundary) {
  return contextIn(boundary, 0.01, extents(GcGePoint2d(-10, -10), GcGePoint2d(10, 10)));
}
} // namespace

TEST(Linetype, ElementsOfOneKindMergeAndTheAverageDecidesWhetherItApplies) {
  linetype lt;
  for (double len : {5.0, 5.0, -3.0, -2.0, 0.0})
    lt.append(len);
  EXPECT_EQ(lt.lengths, (std::vector<double>{10, 5, 0}));
  EXPECT_EQ(lt.dashes, (std::vector<std::uint8_t>{1, 0, 1}));
  EXPECT_DOUBLE_EQ(lt.total, 15.0);
  EXPECT_TRUE(lt.applies(9.9));   // average 5 > 4.95
  EXPECT_FALSE(lt.applies(10.0)); // average 5 is not above half of 10
}

TEST(Linetype, DashPatternRepeatsWithScaleAndPhase) {
  const linetype dash = dashDot();
  using V = Pieces;
  struct Case {
    double a, b, scale;
    double qx; // segment (0,0)-(qx,0)
    V expected;
  } cases[] = {
      {0, 100, 1, 100, V{{0, 10}, {20, 20}, {30, 40}, {50, 50}, {60, 70}, {80, 80}, {90, 100}}},
      {0, 100, 2, 100, V{{0, 20}, {40, 40}, {60, 80}}},
      // Continuing a polyline at length 25: gap to 30, dash 30..40, gap to 45.
      {25, 45, 1, 20, V{{5, 15}}},
      // A start inside a dash emits the rest of that dash first.
      {35, 55, 1, 20, V{{0, 5}, {15, 15}}},
      // Negative accumulated length: the phase is made non-negative.
      {-5, 5, 1, 10, V{{5, 10}}},
      // A scale that repeats the pattern more than 100,000 times along the
      // segment, and a segment so far along its polyline that its length
      // vanished from the running length: the segment is drawn whole, at once.
      {0, 100, 1e-12, 100, V{{0, 100}}},
      {1e20, 1e20 + 100, 1, 100, V{{0, 100}}},
      // Far along, but still resolved: the pattern goes on (1e15 lies 10
      // into the pattern, in the first gap; the dot follows 10 later).
      {1e15, 1e15 + 15, 1, 15, V{{10, 10}}},
  };
  for (const Case& c : cases) {
    GcGePoint2dArray out;
    SCOPED_TRACE(testing::Message() << "a=" << c.a << " scale=" << c.scale);
    dash.dash_segment(GcGePoint2d(0, 0), GcGePoint2d(c.qx, 0), c.a, c.b, c.scale, out);
    expectPieces(out, c.expected);
  }
  // The pattern is 30 long, a dash and a dot per repeat.
  GcGePoint2dArray justBelow, justAbove;
  dash.dash_segment(GcGePoint2d(0, 0), GcGePoint2d(1, 0), 0, 30 * 99999.0, 1, justBelow);
  EXPECT_EQ(justBelow.length(), 4 * 99999) << "99,999 repeats are still dashed";
  dash.dash_segment(GcGePoint2d(0, 0), GcGePoint2d(1, 0), 0, 30 * 100001.0, 1, justAbove);
  EXPECT_EQ(justAbove.length(), 2) << "100,001 repeats are drawn whole";
  linetype empty;
  GcGePoint2dArray whole;
  empty.dash_segment(GcGePoint2d(0, 0), GcGePoint2d(3, 4), 0, 5, 1, whole);
  ASSERT_EQ(whole.length(), 2) << "no pattern: one dash over the whole segment";
  EXPECT_TRUE(whole[1].isEqualTo(GcGePoint2d(3, 4)));
}

// A cached polyline goes to the batch whole, each point mapped and rounded
// once: the batch must come out as the segments added one by one would make
// it, joins to the polyline before included.
TEST(Batch, WholePolylinesBatchLikeTheirSegments) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> coord(-40, 40), frac(0, 1);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    GcGeMatrix2d m;
    m.entry[0][0] = 1.5 + frac(rng);
    m.entry[0][1] = frac(rng) - 0.5;
    m.entry[0][2] = 100 * frac(rng) - 50;
    m.entry[1][0] = frac(rng) - 0.5;
    m.entry[1][1] = -1.5 - frac(rng);
    m.entry[1][2] = 100 * frac(rng);
    pen_batch whole, bySegment, cosmetic, cosmeticBySegment;
    cosmetic.cosmetic = cosmeticBySegment.cosmetic = true;
    GcGePoint2d last(coord(rng), coord(rng));
    for (int line = 0; line < 6; ++line) {
      // Every other polyline starts where the last one ended (a join), some
      // points repeat or lie within a pixel of the one before.
      std::vector<GcGePoint2d> pts;
      pts.push_back(line % 2 ? last : GcGePoint2d(coord(rng), coord(rng)));
      const int n = 1 + static_cast<int>(frac(rng) * 6);
      for (int i = 0; i < n; ++i) {
        const double step = frac(rng) < 0.3 ? 0.1 : 10.0;
        pts.push_back(pts.back() + GcGeVector2d(step * (frac(rng) - 0.5), step * (frac(rng) - 0.5)));
      }
      last = pts.back();
      whole.add_polyline(pts.data(), pts.size(), m);
      cosmetic.add_polyline(pts.data(), pts.size(), m);
      for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
        bySegment.add_segment(m.apply(pts[i]), m.apply(pts[i + 1]));
        cosmeticBySegment.add_segment(m.apply(pts[i]), m.apply(pts[i + 1]));
      }
    }
    EXPECT_EQ(whole.points, bySegment.points);
    EXPECT_EQ(whole.counts, bySegment.counts);
    // A cosmetic batch pushes each last point on as its polyline ends: once
    // extended, the same as pushing them all on at the end.
    EXPECT_EQ(cosmetic.counts, whole.counts);
    whole.extend_last_points();
    cosmetic.extend_last_points();
    cosmeticBySegment.extend_last_points();
    EXPECT_EQ(cosmetic.points, whole.points);
    EXPECT_EQ(cosmeticBySegment.points, whole.points);
    cosmetic.extend_last_points();
    EXPECT_EQ(cosmetic.points, whole.points) << "each last point is pushed on once";
  }
  pen_batch single;
  const GcGePoint2d one[] = {{1, 1}};
  single.add_polyline(one, 1, GcGeMatrix2d());
  EXPECT_TRUE(single.empty()) << "a single point is no polyline";
}

TEST(Batch, RingsCloseAndShortOnesAreDropped) {
  brush_batch b;
  const GcGePoint2d two[] = {{0, 0}, {5, 5}};
  b.add_ring(two, 2);
  EXPECT_TRUE(b.empty());
  const GcGePoint2d open[] = {{0, 0}, {10, 0}, {10, 10}};
  b.add_ring(open, 3);
  const GcGePoint2d closed[] = {{0, 0}, {10, 0}, {10, 10}, {0, 0}};
  b.add_ring(closed, 4);
  EXPECT_EQ(b.counts, (std::vector<std::uint32_t>{4, 4}));
  EXPECT_EQ(b.points[3], (device_point{0, 0}));
}

TEST(Batch, CallsSplitAtPolylineBoundariesWithinTheLimit) {
  using C = std::vector<std::uint32_t>;
  struct Case {
    C counts;
    std::uint32_t limit;
    bool single;
    std::vector<std::size_t> callSizes; // polylines per call
  } cases[] = {
      {C{5000, 5000, 5000}, 16384, false, {3}},
      {C{10000, 10000}, 16384, false, {1, 1}},
      {C{20000}, 16384, false, {1}},                 // too long, still one call
      {C{1000, 20000, 1000, 300}, 16384, false, {1, 1, 2}},
      {C{700, 700, 700}, 1360, false, {1, 1, 1}},
      {C{600, 700, 700}, 1360, false, {2, 1}},
      {C{2, 2, 2}, 1360, true, {1, 1, 1}},
      {C{}, 16384, false, {}},
  };
  for (const Case& c : cases) {
    const auto calls = plan_polyline_calls(c.counts, c.limit, c.single);
    std::vector<std::size_t> sizes;
    std::size_t next = 0;
    for (const auto& call : calls) {
      EXPECT_EQ(call.first, next) << "calls cover the polylines in order";
      next = call.first + call.count;
      sizes.push_back(call.count);
    }
    EXPECT_EQ(sizes, c.callSizes) << "limit " << c.limit << " first count "
                                  << (c.counts.empty() ? 0 : c.counts[0]);
  }
}

// Segments clipped to a box (as extents and as a region) and to the square
// 0..10 turned by 45 degrees about the origin (a diamond with corners (0, 0),
// (7.07, 7.07), (0, 14.14), (-7.07, 7.07)): the piece inside, the same either
// way round.
TEST(Clip, SegmentsAgainstABoxAndATurnedRegion) {
  const extents box(GcGePoint2d(0, 0), GcGePoint2d(10, 10));
  const clip_region square(box), diamond = square.transformed(GcGeMatrix2d::rotation(std::acos(-1.0) / 4));
  const double h = 10 * std::sqrt(2.0);
  struct Case { const char* what; bool turned; GcGePoint2d p, q; bool kept; GcGePoint2d cp, cq; } cases[] = {
      {"inside", false, {1, 1}, {9, 9}, true, {1, 1}, {9, 9}},
      {"across", false, {-5, 5}, {15, 5}, true, {0, 5}, {10, 5}},
      {"in from below", false, {5, -5}, {5, 5}, true, {5, 0}, {5, 5}},
      {"left of it", false, {-5, -5}, {-1, 20}, false, {}, {}},
      {"right of it", false, {11, 0}, {20, 10}, false, {}, {}},
      {"past the corner outside", false, {-2, 9}, {2, 13}, false, {}, {}},
      {"touching the corner", false, {-5, 5}, {5, 15}, true, {0, 10}, {0, 10}},
      {"past the far corner", false, {16, 5}, {5, 16}, false, {}, {}},
      {"turned: through two opposite corners", true, {0, -5}, {0, 20}, true, {0, 0}, {0, h}},
      {"turned: across the middle", true, {-20, h / 2}, {20, h / 2}, true, {-h / 2, h / 2}, {h / 2, h / 2}},
      {"turned: wholly inside", true, {-1, 1}, {1, 2}, true, {-1, 1}, {1, 2}},
      {"turned: below", true, {5, 0}, {20, 0}, false, {}, {}},
      {"turned: right of the right corner", true, {8, 8}, {8, 20}, false, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int how = c.turned ? 2 : 0; how < (c.turned ? 3 : 2); ++how) {
      for (const bool reversed : {false, true}) {
        SCOPED_TRACE(std::string(how == 0 ? "extents" : how == 1 ? "region" : "turned") + (reversed ? ", reversed" : ""));
        GcGePoint2d p = reversed ? c.q : c.p, q = reversed ? c.p : c.q;
        ASSERT_EQ(how == 0 ? clip_segment(p, q, box) : clip_segment(p, q, how == 1 ? square : diamond), c.kept);
        if (!c.kept)
          continue;
        EXPECT_NEAR((reversed ? q : p).distanceTo(c.cp), 0, 1e-9);
        EXPECT_NEAR((reversed ? p : q).distanceTo(c.cq), 0, 1e-9);
      }
    }
  }
}

TEST(Clip, CurvesKeepThePiecesInsideTheRegion) {
  const clip_region region(extents(GcGePoint2d(0, -20), GcGePoint2d(20, 20)));
  const double pi = std::acos(-1.0);
  struct Case { std::unique_ptr<GcGeCurve2d> curve; int pieces; double length; };
  Case cases[] = {
      {std::make_unique<GcGeCircArc2d>(GcGePoint2d(0, 0), 10.0), 2, 10 * pi},
      {std::make_unique<GcGeLineSeg2d>(GcGePoint2d(-10, 0), GcGePoint2d(30, 0)), 1, 20},
      {std::make_unique<GcGeLineSeg2d>(GcGePoint2d(1, 1), GcGePoint2d(5, 5)), 1, std::sqrt(32.0)},
      {std::make_unique<GcGeLineSeg2d>(GcGePoint2d(-10, 0), GcGePoint2d(-1, 0)), 0, 0},
      {std::make_unique<GcGeCircArc2d>(GcGePoint2d(10, 0), 5.0), 1, 10 * pi},
      {std::unique_ptr<GcGeCurve2d>(rectangle(-5, -5, 5, 5)), 1, 20},
  };
  for (auto& c : cases) {
    GcGeCurve2dPtrArray pieces;
    clip_curve(*c.curve, region, pieces);
    double len = 0;
    for (GcGeCurve2d* p : pieces) {
      len += p->gcLength();
      EXPECT_TRUE(region.contains(p->gcEvalPoint(0.5 * (p->interval().lowerBound() + p->interval().upperBound()))));
    }
    EXPECT_EQ(pieces.length(), c.pieces) << "curve kind " << c.curve->gcType();
    EXPECT_NEAR(len, c.length, 1e-9) << "curve kind " << c.curve->gcType();
    deleteCurves(pieces);
  }
}

// Box tests stand in for the region's own tests only where the region is its
// bounding box; a turned region must still be tested side by side.
TEST(Clip, OnlyAxisParallelRegionsAreDecidedByTheirBox) {
  const clip_region box(extents(GcGePoint2d(0, 0), GcGePoint2d(10, 10)));
  GcGeMatrix2d mirror;
  mirror.entry[0][0] = -1;
  GcGeMatrix2d stretch, shear;
  stretch.setToScaling(GcGeScale2d(3, 0.5));
  shear.entry[0][1] = 0.3;
  const struct { const char* what; clip_region region; bool box; } cases[] = {
      {"box", box, true},
      {"mirrored", box.transformed(mirror), true},
      {"stretched and moved", box.transformed(GcGeMatrix2d::translation(GcGeVector2d(-4, 7)) * stretch), true},
      {"turned", box.transformed(GcGeMatrix2d::rotation(std::acos(-1.0) / 4)), false},
      {"sheared", box.transformed(shear), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.region.is_box(), c.box) << c.what;
  // Inside the diamond's bounding box but outside the diamond.
  const clip_region diamond = cases[3].region;
  const extents corner(GcGePoint2d(5, 0.5), GcGePoint2d(6, 1));
  EXPECT_TRUE(diamond.box().contains(corner));
  EXPECT_FALSE(region_contains(diamond, corner));
  EXPECT_TRUE(region_contains(diamond, extents(GcGePoint2d(-1, 6), GcGePoint2d(1, 8))));
  EXPECT_TRUE(region_contains(box, extents(GcGePoint2d(0, 0), GcGePoint2d(10, 10)))) << "its own box is inside";
  EXPECT_FALSE(region_contains(box, extents(GcGePoint2d(0, 0), GcGePoint2d(10, 10.001))));
  EXPECT_TRUE(diamond.contains(GcGePoint2d(0, 7)));
  EXPECT_FALSE(diamond.contains(GcGePoint2d(5, 1)));
  EXPECT_TRUE(cases[1].region.contains(GcGePoint2d(-5, 5))) << "a mirror keeps the corners counter-clockwise";
  // A segment cache behind a turned boundary is still cut at the diamond.
  const regen_context ctx = contextIn(diamond, 0.01);
  buffer_curve cache;
  refresh_curve_cache(cache, GcGeLineSeg2d(GcGePoint2d(5, 0.5), GcGePoint2d(5, 13)), ctx);
  ASSERT_EQ(cache.points.length(), 2);
  EXPECT_TRUE(cache.points[0].isEqualTo(GcGePoint2d(5, 5), GcGeTol(1e-9, 1e-9)));
  EXPECT_TRUE(cache.points[1].isEqualTo(GcGePoint2d(5, 9.1421356237309492), GcGeTol(1e-9, 1e-9)));
}

TEST(Clip, RingsAreCutAtTheRegion) {
  const clip_region box(extents(GcGePoint2d(0, 0), GcGePoint2d(10, 10)));
  std::vector<GcGePoint2d> out;
  clip_ring({{5, 5}, {15, 5}, {15, 15}, {5, 15}}, box, out);
  EXPECT_NEAR(ringArea(out.data(), out.size()), 25.0, 1e-9);
  clip_ring({{20, 20}, {30, 20}, {30, 30}}, box, out);
  EXPECT_TRUE(out.empty());
}

TEST(ViewMath, TransformMapsTheWindowOntoTheDeviceWithYDown) {
  const extents world(GcGePoint2d(0, 0), GcGePoint2d(100, 80));
  const extents device(GcGePoint2d(0, 0), GcGePoint2d(1000, 800));
  const view_transform t = make_view_transform(world, device, 1, 0.5, 1.5);
  EXPECT_TRUE(t.to_device.apply(GcGePoint2d(0, 0)).isEqualTo(GcGePoint2d(0, 800)));
  EXPECT_TRUE(t.to_device.apply(GcGePoint2d(100, 80)).isEqualTo(GcGePoint2d(1000, 0)));
  EXPECT_TRUE(t.to_world.apply(GcGePoint2d(500, 400)).isEqualTo(GcGePoint2d(50, 40)));
  EXPECT_NEAR(t.pixel, 0.5 * std::sqrt(2.0) * 0.1, 1e-12);
  EXPECT_TRUE(t.regen.min.isEqualTo(GcGePoint2d(-100, -80)));
  EXPECT_TRUE(t.regen.max.isEqualTo(GcGePoint2d(200, 160)));
  const view_transform twice = make_view_transform(world, device, 2, 0.5, 1.5);
  EXPECT_TRUE(twice.to_device.apply(GcGePoint2d(100, 80)).isEqualTo(GcGePoint2d(2000, 0)));
}

TEST(ViewMath, AspectFittingWidensAboutTheCentre) {
  const extents device(GcGePoint2d(0, 0), GcGePoint2d(200, 100));
  struct Case { extents in; bool ok; extents out; } cases[] = {
      {extents({0, 0}, {10, 10}), true, extents({-5, 0}, {15, 10})},
      {extents({0, 0}, {40, 10}), true, extents({0, -5}, {40, 15})},
      {extents({0, 0}, {10, 0}), true, extents({0, -2.5}, {10, 2.5})},
      {extents({3, 3}, {3, 3}), false, extents({3, 3}, {3, 3})},
  };
  for (const Case& c : cases) {
    extents w = c.in;
    ASSERT_EQ(fit_aspect(w, device), c.ok);
    EXPECT_TRUE(w.min.isEqualTo(c.out.min) && w.max.isEqualTo(c.out.max)) << w.min.x << "," << w.min.y;
  }
}

TEST(ViewMath, WindowSizeStaysWithinLimitsOfTheDrawing) {
  const extents drawing(GcGePoint2d(0, 0), GcGePoint2d(300, 400)); // diagonal 500
  extents tiny(GcGePoint2d(10, 10), GcGePoint2d(10.000001, 10.000001));
  EXPECT_EQ(limit_window(tiny, drawing), window_limit::too_small);
  EXPECT_NEAR(tiny.diagonal().length(), 500 * 1e-5, 1e-12);
  EXPECT_TRUE(tiny.center().isEqualTo(GcGePoint2d(10.0000005, 10.0000005), GcGeTol(1e-12, 0)));
  extents huge(GcGePoint2d(-1e15, -1e15), GcGePoint2d(1e15, 1e15));
  EXPECT_EQ(limit_window(huge, drawing), window_limit::too_large);
  EXPECT_NEAR(huge.diagonal().length() / 500, 1e4, 1e-6);
  extents fine(GcGePoint2d(0, 0), GcGePoint2d(3, 4));
  EXPECT_EQ(limit_window(fine, drawing), window_limit::none);
  // A drawing of one point measures windows as no drawing does: an ordinary
  // window stays as it is.
  const extents point(GcGePoint2d(3, 3), GcGePoint2d(3, 3));
  extents around(GcGePoint2d(0, 0), GcGePoint2d(10, 10));
  EXPECT_EQ(limit_window(around, point), window_limit::none);
  EXPECT_TRUE(around.max.isEqualTo(GcGePoint2d(10, 10)));
}

TEST(Buffers, CacheIsReusedWithinTheZoomBandAndTheRegenerationWindow) {
  const int before = buffer_paint::live_count();
  GcGeCircArc2d arc(GcGePoint2d(0, 0), 10.0);
  const clip_region boundary(extents(GcGePoint2d(-30, -30), GcGePoint2d(30, 30)));
  regen_context ctx = fineContext(boundary);
  {
    buffer_curve cache;
    EXPECT_EQ(buffer_paint::live_count(), before + 1);
    ASSERT_TRUE(refresh_curve_cache(cache, arc, ctx));
    const int samples = cache.points.length();
    EXPECT_GT(samples, 50);
    EXPECT_EQ(cache.ends, (end_list{static_cast<std::uint32_t>(samples)}));
    for (const GcGePoint2d& p : cache.points)
      EXPECT_NEAR(p.distanceTo(GcGePoint2d(0, 0)), 10.0, 1e-9);
    const extents whole(GcGePoint2d(-10, -10), GcGePoint2d(10, 10)); // the arc, inside the boundary
    struct Step {
      const char* what;
      double pixel;
      extents visible, element; // element invalid: not known
      bool no_clip, regenerates;
    } steps[] = {
        {"zoom in by 1.4", 0.01 / 1.4, ctx.visible, {}, false, false},
        {"zoom out by 1.4", 0.01 * 1.4, ctx.visible, {}, false, false},
        {"zoom in by 2", 0.01 / 2, ctx.visible, {}, false, true},
        {"pan inside", 0.01 / 2, extents(GcGePoint2d(0, 0), GcGePoint2d(20, 20)), {}, false, false},
        {"pan out of the window", 0.01 / 2, extents(GcGePoint2d(25, 0), GcGePoint2d(45, 20)), {}, false, true},
        {"out of the window, but the element lies inside it", 0.01 / 2,
         extents(GcGePoint2d(25, 0), GcGePoint2d(45, 20)), whole, false, false},
        {"the element reaches beyond the window", 0.01 / 2, extents(GcGePoint2d(25, 0), GcGePoint2d(45, 20)),
         extents(GcGePoint2d(-10, -10), GcGePoint2d(31, 10)), false, true},
        {"clipping turned off", 0.01 / 2, ctx.visible, {}, true, true},
        {"unclipped points hold anywhere", 0.01 / 2, extents(GcGePoint2d(85, 0), GcGePoint2d(95, 20)), {}, true, false},
        {"clipping turned on again", 0.01 / 2, ctx.visible, {}, false, true},
    };
    for (const Step& s : steps) {
      SCOPED_TRACE(s.what);
      ctx.pixel = s.pixel;
      ctx.visible = s.visible;
      ctx.element = s.element;
      ctx.no_clip = s.no_clip;
      EXPECT_EQ(refresh_curve_cache(cache, arc, ctx), s.regenerates);
      EXPECT_EQ(cache.whole, s.no_clip);
    }
    EXPECT_GT(cache.points.length(), samples) << "half the pixel size: more samples";
  }
  EXPECT_EQ(buffer_paint::live_count(), before);
}

// End lists hold two counts in place and grow into a block beyond that; the
// counts must survive every growth, copy and assignment.
TEST(Buffers, EndListsKeepTheirCountsThroughGrowthAndCopies) {
  for (std::uint32_t n : {0u, 1u, 2u, 3u, 17u, 1000u}) {
    SCOPED_TRACE(n);
    end_list ends;
    for (std::uint32_t i = 0; i < n; ++i)
      ends.push_back(3 * i + 1);
    ASSERT_EQ(ends.size(), n);
    EXPECT_EQ(ends.empty(), n == 0);
    std::uint32_t expected = 1, seen = 0;
    for (std::uint32_t e : ends) {
      EXPECT_EQ(e, expected);
      expected += 3;
      ++seen;
    }
    EXPECT_EQ(seen, n);
    const end_list copy = ends;
    EXPECT_EQ(copy, ends);
    end_list assigned{7, 8, 9, 10};
    assigned = ends;
    EXPECT_EQ(assigned, ends);
    assigned = assigned; // self-assignment keeps the counts
    EXPECT_EQ(assigned, ends);
    if (n > 0) {
      EXPECT_EQ(ends.back(), 3 * (n - 1) + 1);
      ends.push_back(5);
      EXPECT_FALSE(ends == copy) << "one more count";
    }
    ends.clear();
    EXPECT_TRUE(ends.empty());
    EXPECT_EQ(copy.size(), n) << "a copy does not share the counts";
  }
  end_list reserved;
  reserved.reserve(64);
  reserved.push_back(4);
  EXPECT_EQ(reserved, (end_list{4}));
}

TEST(Buffers, CurveCacheClipsTransformsAndDashes) {
  GcGeLineSeg2d line(GcGePoint2d(0, 0), GcGePoint2d(100, 0));
  const clip_region boundary(extents(GcGePoint2d(-10, -10), GcGePoint2d(50, 10)));
  const linetype dash = dashDot();
  const GcGeMatrix2d move = GcGeMatrix2d::translation(GcGeVector2d(0, 5));
  regen_context ctx = contextIn(boundary, 1);
  ctx.block = &move;
  ctx.pattern = &dash;
  buffer_curve cache;
  ASSERT_TRUE(refresh_curve_cache(cache, line, ctx));
  ASSERT_EQ(cache.points.length(), 2);
  EXPECT_TRUE(cache.points[1].isEqualTo(GcGePoint2d(50, 5))) << "clipped at 50, then moved by the block";
  // Dash 0-10, dot at 20, dash 30-40; the dot due at 50 falls on the end.
  expectPieces(cache.dashes, {{0, 10}, {20, 20}, {30, 40}});
  EXPECT_NEAR(cache.dashes[0].y, 5, kEps);
  // The outline: the reach holds what the cache holds (the clipped, moved
  // points), and the cache holds dash pieces.
  ASSERT_TRUE(cache.outline.known());
  const float* r = cache.outline.reach;
  EXPECT_TRUE(r[0] <= 0 && r[1] <= 5 && r[2] >= 50 && r[3] >= 5) << "holds (0, 5)-(50, 5)";
  EXPECT_TRUE(r[0] > -1e-4 && r[1] > 5 - 1e-4 && r[2] < 50 + 1e-4 && r[3] < 5 + 1e-4) << "and little more";
  EXPECT_TRUE(cache.outline.pairs);
  EXPECT_FALSE(cache.outline.whole);
  cache.clear();
  EXPECT_FALSE(cache.outline.known()) << "an emptied cache reaches nowhere";
  EXPECT_FALSE(cache.outline.pairs);
}

// The reach of a cache is the box of its points and dash pieces, what a
// paint tests to draw it without clipping.
TEST(Buffers, ReachIsTheBoxOfThePoints) {
  const clip_region boundary(extents(GcGePoint2d(-30, -30), GcGePoint2d(30, 30)));
  const regen_context ctx = fineContext(boundary);
  struct Case {
    const char* what;
    std::unique_ptr<GcGeCurve2d> curve;
    extents reach;
    double within; // the samples miss the extremes between them by up to the tolerance
  };
  Case cases[] = {
      {"a segment", std::make_unique<GcGeLineSeg2d>(GcGePoint2d(5, -3), GcGePoint2d(-4, 8)),
       extents(GcGePoint2d(-4, -3), GcGePoint2d(5, 8)), 1e-12},
      {"a quarter arc", std::make_unique<GcGeCircArc2d>(GcGePoint2d(1, 1), 10.0, 0.0, vdgeom::kPi / 2),
       extents(GcGePoint2d(1, 1), GcGePoint2d(11, 11)), 1e-9},
      {"a circle cut by the boundary", std::make_unique<GcGeCircArc2d>(GcGePoint2d(25, 0), 10.0),
       extents(GcGePoint2d(15, -10), GcGePoint2d(30, 10)), 0.011},
  };
  for (const Case& c : cases) {
    buffer_curve cache;
    ASSERT_TRUE(refresh_curve_cache(cache, *c.curve, ctx)) << c.what;
    ASSERT_TRUE(cache.outline.known()) << c.what;
    extents box;
    for (const GcGePoint2d& p : cache.points)
      box.grow(p);
    cache_outline exact;
    exact.set_reach(box);
    EXPECT_EQ(cache.outline, exact) << c.what << ": the points' box";
    const double expected[] = {c.reach.min.x, c.reach.min.y, c.reach.max.x, c.reach.max.y};
    for (int i = 0; i < 4; ++i)
      EXPECT_NEAR(cache.outline.reach[i], expected[i], c.within + 1e-5) << c.what << " " << i;
  }
}

TEST(Buffers, SolidRingsAreSampledJoinedAndClipped) {
  std::unique_ptr<GcGeCompositeCurve2d> square(rectangle(0, 0, 10, 10));
  const clip_region boundary(extents(GcGePoint2d(5, -20), GcGePoint2d(40, 40)));
  regen_context ctx = contextIn(boundary, 0.1);
  buffer_solid cache;
  ASSERT_TRUE(refresh_solid_cache(cache, {square.get()}, ctx));
  ASSERT_EQ(cache.ring_counts.size(), 1u);
  EXPECT_NEAR(ringArea(cache.ring_points.begin(), cache.ring_counts[0]), 50.0, 1e-9);
  ctx.no_clip = true;
  cache.clear();
  ASSERT_TRUE(refresh_solid_cache(cache, {square.get()}, ctx));
  EXPECT_EQ(cache.ring_counts, (std::vector<std::uint32_t>{4})) << "shared corners appear once";
}

namespace {
using KindPoint = std::tuple<std::uint32_t, double, double>;

std::vector<KindPoint> snapOf(const GcGeEntity2d& g, const extents& w, std::uint32_t modes, const GcGePoint2d* last) {
  GcGePoint2dArray pts;
  std::vector<std::uint32_t> kinds;
  collect_geometry_snap_points(g, w, modes, last, pts, kinds);
  EXPECT_EQ(static_cast<std::size_t>(pts.length()), kinds.size());
  std::vector<KindPoint> r;
  for (int i = 0; i < pts.length(); ++i)
    r.emplace_back(kinds[static_cast<std::size_t>(i)], std::round(pts[i].x * 1000) / 1000,
                   std::round(pts[i].y * 1000) / 1000);
  std::sort(r.begin(), r.end());
  return r;
}
} // namespace

TEST(Snap, EveryKindOnEveryCurveKind) {
  const double s = std::round(10 * std::sqrt(0.5) * 1000) / 1000;
  auto composite = std::make_unique<GcGeCompositeCurve2d>();
  composite->append(new GcGeLineSeg2d(GcGePoint2d(0, 0), GcGePoint2d(10, 0)));
  composite->append(new GcGeLineSeg2d(GcGePoint2d(10, 0), GcGePoint2d(10, 10)));
  struct Shape { const char* name; std::unique_ptr<GcGeEntity2d> g; };
  Shape shapes[] = {
      {"segment", std::make_unique<GcGeLineSeg2d>(GcGePoint2d(0, 0), GcGePoint2d(10, 0))},
      {"quarter arc", std::make_unique<GcGeCircArc2d>(GcGePoint2d(0, 0), 10.0, 0.0, std::acos(-1.0) / 2)},
      {"circle", std::make_unique<GcGeCircArc2d>(GcGePoint2d(0, 0), 10.0)},
      {"ellipse", std::make_unique<GcGeEllipArc2d>(GcGePoint2d(0, 0), GcGeVector2d::kXAxis, GcGeVector2d::kYAxis,
                                                   10.0, 5.0)},
      {"composite", std::move(composite)},
      {"point", std::make_unique<GcGePointEnt2d>(GcGePoint2d(3, 4))},
  };
  using V = std::vector<KindPoint>;
  // Expected per shape, for kinds 1, 2, 4, 8, 64 and 512 (last point (20, 20)).
  const V expected[][6] = {
      {V{{1, 0, 0}, {1, 10, 0}}, V{{2, 5, 0}}, V{}, V{}, V{}, V{}},
      {V{{1, 0, 10}, {1, 10, 0}}, V{{2, s, s}}, V{{4, 0, 0}}, V{}, V{{64, 0, 10}, {64, 10, 0}}, V{{512, s, s}}},
      {V{{1, 10, 0}, {1, 10, 0}}, V{}, V{{4, 0, 0}}, V{}, V{{64, -10, 0}, {64, 0, -10}, {64, 0, 10}, {64, 10, 0}},
       V{{512, -s, -s}, {512, s, s}}},
      {V{{1, 10, 0}, {1, 10, 0}}, V{}, V{{4, 0, 0}}, V{}, V{{64, -10, 0}, {64, 0, -5}, {64, 0, 5}, {64, 10, 0}},
       V{{512, 8.12, 2.919}}},
      {V{{1, 0, 0}, {1, 10, 0}, {1, 10, 0}, {1, 10, 10}}, V{{2, 5, 0}, {2, 10, 5}}, V{}, V{}, V{}, V{}},
      {V{}, V{}, V{}, V{{8, 3, 4}}, V{}, V{}},
  };
  const std::uint32_t modes[] = {1, 2, 4, 8, 64, 512};
  const extents all(GcGePoint2d(-100, -100), GcGePoint2d(100, 100));
  const GcGePoint2d last(20, 20);
  for (std::size_t i = 0; i < std::size(shapes); ++i)
    for (std::size_t m = 0; m < std::size(modes); ++m)
      EXPECT_EQ(snapOf(*shapes[i].g, all, modes[m], &last), expected[i][m])
          << shapes[i].name << " mode " << modes[m];

  // Nearest point (16): to the centre of the window, here (20, 20).
  const extents around(GcGePoint2d(-80, -80), GcGePoint2d(120, 120));
  // A composite answers member by member.
  const V nearest[] = {V{{16, 10, 0}}, V{{16, s, s}}, V{{16, s, s}}, V{{16, 8.12, 2.919}},
                       V{{16, 10, 0}, {16, 10, 10}}, V{{16, 3, 4}}};
  for (std::size_t i = 0; i < std::size(shapes); ++i)
    EXPECT_EQ(snapOf(*shapes[i].g, around, 16, nullptr), nearest[i]) << shapes[i].name;

  // Only points inside the window are kept; without a last point no feet.
  const extents corner(GcGePoint2d(-1, -1), GcGePoint2d(1, 1));
  EXPECT_EQ(snapOf(*shapes[0].g, corner, 1 | 2 | 512, &last), (V{{1, 0, 0}}));
  EXPECT_EQ(snapOf(*shapes[0].g, all, 512, nullptr), V{});
  // Feet on straight pieces: within the segment only; member by member.
  const GcGePoint2d inside(3, 5);
  EXPECT_EQ(snapOf(*shapes[0].g, all, 512, &inside), (V{{512, 3, 0}}));
  EXPECT_EQ(snapOf(*shapes[4].g, all, 512, &inside), (V{{512, 3, 0}, {512, 10, 5}}));
  // Several kinds at once.
  EXPECT_EQ(snapOf(*shapes[5].g, all, 8 | 16, nullptr), (V{{8, 3, 4}, {16, 3, 4}}));
}

TEST(Snap, ResultsSortByDistanceAndRepeatsWithASharedKindAreDropped) {
  const GcGePoint2d a(1, 1), b(5, 5);
  std::vector<snap_result> r{
      {b, 7.0, 1, 10}, {a, 1.0, 256, 11}, {a, 1.0, 256, 12}, {a, 1.0, 1, 13},
      {a, 1.0, 1 | 16, 14}, {a, 1.0, 16, 15}, {b, 7.0, 2, 16},
  };
  sort_snap_results(r, 1e-9);
  std::vector<std::uint64_t> handles;
  for (const snap_result& x : r)
    handles.push_back(x.handle);
  EXPECT_EQ(handles, (std::vector<std::uint64_t>{11, 13, 15, 10, 16}));
}

TEST(Text, SubstitutionsAndEstimatedBox) {
  EXPECT_EQ(substitute_text(u"%%p5 m\\U+00B2 \\U+00B3%%P"), u"\u00B15 m2 3\u00B1");
  const GcGePoint2d ins(10, 20);
  struct Case { std::uint32_t v, h; extents box; } cases[] = {
      {0, 0, extents({10, 19.6}, {15.6, 21.6})},   // baseline: 0.2 h below
      {1, 0, extents({10, 20}, {15.6, 22})},
      {2, 2, extents({2, 19}, {7.6, 21})},        // right: back by n h
      {3, 1, extents({6, 18}, {11.6, 20})},       // centre: back by n h / 2
  };
  for (const Case& c : cases) {
    const extents e = estimate_text_extents(ins, GcGeVector2d::kXAxis, 2.0, 4, c.v, c.h);
    EXPECT_TRUE(e.min.isEqualTo(c.box.min, GcGeTol(1e-9, 0)) && e.max.isEqualTo(c.box.max, GcGeTol(1e-9, 0)))
        << "v " << c.v << " h " << c.h << ": " << e.min.x << "," << e.min.y << " " << e.max.x << "," << e.max.y;
  }
}

TEST(Extents, GrowOverlapAndContain) {
  extents e;
  EXPECT_FALSE(e.overlaps(e));
  e.grow(GcGePoint2d(1, 1));
  EXPECT_TRUE(e.valid);
  e.grow(GcGePoint2d(-1, 3));
  EXPECT_TRUE(e.min.isEqualTo(GcGePoint2d(-1, 1)) && e.max.isEqualTo(GcGePoint2d(1, 3)));
  const extents spans(GcGePoint2d(-5, 2), GcGePoint2d(5, 2.5));
  EXPECT_TRUE(e.overlaps(spans) && spans.overlaps(e)) << "one spans the other on x";
  EXPECT_FALSE(e.overlaps(extents(GcGePoint2d(2, 0), GcGePoint2d(3, 5))));
  EXPECT_TRUE(e.contains(extents(GcGePoint2d(0, 2), GcGePoint2d(1, 3))));
  EXPECT_FALSE(e.contains(spans));
  const extents common = e.intersected(spans);
  EXPECT_TRUE(common.valid && common.min.isEqualTo(GcGePoint2d(-1, 2)) && common.max.isEqualTo(GcGePoint2d(1, 2.5)));
  EXPECT_TRUE(e.intersected(extents(GcGePoint2d(1, 3), GcGePoint2d(4, 4))).valid) << "a shared corner";
  EXPECT_FALSE(e.intersected(extents(GcGePoint2d(2, 0), GcGePoint2d(3, 5))).valid);
  EXPECT_FALSE(e.intersected(extents()).valid);
}
