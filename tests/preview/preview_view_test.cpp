// The preview view painting real GDI under Wine: pixels of a known display
// list, dash patterns, the highlight pass, progressive painting, snap
// queries, highlighting by window and the live counts of elements and caches.
#include <gtest/gtest.h>
#include <windows.h>

#include "geom/circarc2d.h"
#include "geom/composite_curve2d.h"
#include "geom/linear_ent2d.h"
#include "geom/point_ent2d.h"
#include "host/value_chain.h"
#include "preview/view.h"
#include "dialog_script.h"
#include "preview_test_shapes.h"
#include "ui/gdi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <tuple>

using namespace GDI;
using previewtest::rectangle;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kCyan = RGB(0, 200, 200);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kSnapYellow = RGB(255, 255, 0);

std::uint64_t rgb(COLORREF c) { return colour_pair(0, c); }

extents box(double x0, double y0, double x1, double y1) { return extents(GcGePoint2d(x0, y0), GcGePoint2d(x1, y1)); }
GcGeLineSeg2d* seg(double x0, double y0, double x1, double y1) {
  return new GcGeLineSeg2d(GcGePoint2d(x0, y0), GcGePoint2d(x1, y1));
}
GcGeCircArc2d* circle(double x, double y, double r) { return new GcGeCircArc2d(GcGePoint2d(x, y), r); }
// The arc of radius r about (x, y) from angle 0.3 to 5.
GcGeCircArc2d* arc(double x, double y, double r) { return new GcGeCircArc2d(GcGePoint2d(x, y), r, 0.3, 5.0); }

// A curve of list 1 (or `list`) in colour c, outside any block.
bool addCurve(view& v, GcGeEntity2d* g, COLORREF c, std::uint64_t handle, std::uint32_t width = 1,
              const char* linetype = nullptr, int list = 1) {
  return v.add_curve(g, rgb(c), width, linetype, 1, handle, false, false, list);
}
bool addLine(view& v, double x0, double y0, double x1, double y1, COLORREF c, std::uint64_t handle,
             const char* linetype = nullptr, std::uint32_t width = 1) {
  return addCurve(v, seg(x0, y0, x1, y1), c, handle, width, linetype);
}
// A member of block `key`.
bool addMember(view& v, GcGeEntity2d* g, COLORREF c, std::uint64_t key) {
  return v.add_curve(g, rgb(c), 1, nullptr, 1, key, true, false);
}
bool addReference(view& v, std::uint64_t key, double x, double y, double scale, std::uint64_t handle,
                  bool pixels = false) {
  return v.add_block_reference(key, GcGePoint2d(x, y), GcGeScale2d(scale), GcGeVector2d::kXAxis, handle, false,
                               pixels);
}
bool addText(view& v, double x, double y, std::u16string_view text, double height, COLORREF c, std::uint64_t handle,
             GcGeVector2d direction = GcGeVector2d::kXAxis, std::uint32_t vertical = 0, std::uint32_t horizontal = 0) {
  return v.add_text(GcGePoint2d(x, y), direction, text, height, rgb(c), vertical, horizontal, handle, false, 0, {});
}
std::size_t snap(view& v, std::uint32_t modes, const extents& pick, const GcGePoint2d* last = nullptr) {
  return v.snap_query(modes, pick, nullptr, false, nullptr, last);
}

// What the last paint did: lists drawn from their kept device points, lists
// drawn from the kept draws without visiting the elements, curves regenerated.
using Repaint = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;
Repaint repaint(const view& v) {
  const paint_statistics& s = v.statistics();
  return {s.lists_replayed, s.lists_redrawn, s.curves_regenerated};
}

// A bitmap the view paints into, like a preview control's paint DC.
struct Canvas {
  ui::memory_surface surface;
  Canvas(int w, int h) {
    EXPECT_TRUE(surface.create(nullptr, w, h));
    RECT all{0, 0, w, h};
    FillRect(surface.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  COLORREF at(int x, int y) const { return GetPixel(surface.dc(), x, y); }
  // Pixels of colour c in [x0, x1) x [y0, y1).
  int count(int x0, int y0, int x1, int y1, COLORREF c) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        n += at(x, y) == c;
    return n;
  }
  // Whether colour c appears within r pixels of (x, y).
  bool around(int x, int y, COLORREF c, int r = 1) const { return count(x - r, y - r, x + r + 1, y + r + 1, c) > 0; }
  // Pixels in [0, w) x [0, h) where the other canvas shows something else.
  int differing(const Canvas& other, int w, int h) const {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        n += other.at(x, y) != at(x, y);
    return n;
  }
};

bool paintAll(view& v, int maxCalls = 2000) {
  for (int i = 0; i < maxCalls; ++i)
    if (v.paint())
      return true;
  return false;
}
// A pan by a device offset, or a zoom, and the picture painted after it.
bool panAndPaint(view& v, double dx, double dy) { return v.pan(dx, dy) && paintAll(v); }
bool zoomAndPaint(view& v, double f) { return v.zoom(f) && paintAll(v); }

// A view bound to a canvas of w x h pixels.
struct CanvasView {
  Canvas canvas;
  view v;
  CanvasView(int w, int h) : canvas(w, h) { v.bind_dc(canvas.surface.dc()); }
};

// A clock that counts work instead of time: each unit of work the view
// reports with a reading (a list element painted, a highlighted handle
// painted, a snap candidate examined) takes step microseconds and each
// reading tick microseconds; a test may also move it on by hand (t).
struct work_clock final : view_clock {
  std::uint64_t step = 0;
  std::uint64_t tick = 0;
  std::uint64_t t = 0;
  std::uint64_t now_us(std::uint32_t work) override { return t += work * step + tick; }
};

// A view on that clock, bound to a canvas of w x h pixels.
struct ClockedView {
  work_clock clock;
  Canvas canvas;
  view v{clock};
  ClockedView(int w, int h) : canvas(w, h) { v.bind_dc(canvas.surface.dc()); }
};

// A view filled by fill and painted at window on a canvas of the device's
// size; as a new view, what a picture painted some other way must look like.
struct PaintedView : CanvasView {
  PaintedView(const std::function<void(view&)>& fill, const extents& window, const extents& device)
      : CanvasView(static_cast<int>(device.width()), static_cast<int>(device.height())) {
    fill(v);
    EXPECT_TRUE(v.fit_window(&window, &device));
    EXPECT_TRUE(paintAll(v));
  }
  // Pixels where the other canvas shows something else.
  int differing(const Canvas& other) const {
    return canvas.differing(other, canvas.surface.width(), canvas.surface.height());
  }
};

// A line of a value chain with the given groups after its points, as an item.
void addChainLine(view& v, double y, const char16_t* linetype, COLORREF c, std::optional<double> scale,
                  std::uint64_t handle) {
  const double p[] = {0, y, 0}, q[] = {200, y, 0};
  vd::ValueNode* chain = vd::buildValueChain(0, 0, u"LINE", 10, p, 11, q, 6, linetype, 420,
                                             (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c), -9);
  if (scale)
    vd::spliceChainAfter(chain, vd::buildValueChain(0, 48, *scale, -9));
  auto item = item_from_chain(chain);
  vd::releaseValueChain(chain, false);
  ASSERT_TRUE(item);
  ASSERT_TRUE(v.add_item(std::move(*item), handle, false));
}

// World 0..200 x 0..100 on a 400 x 200 bitmap: 2 pixels per unit, device
// (x, y) = (2 wx, 200 - 2 wy).
class ViewTest : public ::testing::Test {
protected:
  ViewTest() : canvas(400, 200) {
    v.bind_dc(canvas.surface.dc());
    const extents world = box(0, 0, 200, 100), device = box(0, 0, 400, 200);
    EXPECT_TRUE(v.fit_window(&world, &device));
  }
  // The known display list: a line, a circle, a filled square, a text, a
  // block reference and a reference scaled in pixels.
  void fillKnownList() {
    ASSERT_TRUE(addLine(v, 10, 90, 190, 90, kRed, 1));
    ASSERT_TRUE(addCurve(v, circle(50, 50, 20.0), kGreen, 2));
    std::unique_ptr<GcGeCompositeCurve2d> square(rectangle(120, 30, 160, 60));
    ASSERT_TRUE(v.add_solid({square.get()}, {false}, rgb(kBlue), 3, false));
    ASSERT_TRUE(addText(v, 20, 5, u"HHHH", 10.0, kBlack, 4));
    ASSERT_TRUE(v.define_block(GcGePoint2d(0, 0), 100));
    ASSERT_TRUE(addMember(v, seg(0, 0, 10, 0), kMagenta, 100));
    ASSERT_TRUE(addReference(v, 100, 100, 70, 2.0, 5));
    ASSERT_TRUE(v.define_block(GcGePoint2d(0, 0), 101));
    ASSERT_TRUE(addMember(v, seg(0, 0, 1, 0), kCyan, 101));
    ASSERT_TRUE(addReference(v, 101, 20, 70, 30.0, 6, true));
  }

  Canvas canvas;
  view v;
};

TEST_F(ViewTest, KnownDisplayListPaintsItsColoursAndNothingElse) {
  fillKnownList();
  ASSERT_TRUE(paintAll(v));
  // Line at device y 20 from x 20 to 380.
  EXPECT_EQ(canvas.count(20, 20, 380, 21, kRed), 360);
  EXPECT_EQ(canvas.count(0, 15, 400, 19, kRed), 0) << "one pixel wide";
  // Circle: centre (100, 100), radius 40 pixels.
  for (auto [x, y] : {std::pair{140, 100}, {60, 100}, {100, 60}, {100, 140}, {128, 72}})
    EXPECT_TRUE(canvas.around(x, y, kGreen)) << x << "," << y;
  EXPECT_EQ(canvas.count(90, 90, 111, 111, kGreen), 0) << "not filled";
  // Filled square: device x 240..320, y 80..140.
  EXPECT_GT(canvas.count(242, 82, 318, 138, kBlue), 76 * 56 - 10);
  EXPECT_EQ(canvas.count(200, 145, 400, 160, kBlue), 0);
  // Text "HHHH", 20 pixels high from (40, 190) on its baseline.
  EXPECT_GT(canvas.count(40, 170, 110, 191, kBlack), 60) << "the text is drawn";
  // Block reference: 10 units scaled by 2 from (100, 70): device (200..240, 60).
  EXPECT_GE(canvas.count(200, 60, 241, 61, kMagenta), 39);
  // Pixel-scaled reference: 30 pixels from (40, 60).
  const int cyan = canvas.count(35, 58, 90, 63, kCyan);
  EXPECT_GE(cyan, 29);
  EXPECT_LE(cyan, 32);
  // Background elsewhere.
  EXPECT_EQ(canvas.count(330, 150, 400, 200, kWhite), 70 * 50);
  // Above the text (whose edges may be smoothed) only the list's colours.
  int listed = 0;
  for (COLORREF c : {kWhite, kRed, kGreen, kBlue, kMagenta, kCyan})
    listed += canvas.count(0, 0, 400, 165, c);
  EXPECT_EQ(listed, 400 * 165) << "only the colours of the list";

  // Zoomed in by 2 about the reference: the pixel-scaled one keeps 30 pixels.
  v.zoom_at(-0.25, 55, 60);
  ASSERT_TRUE(paintAll(v));
  const int cyanZoomed = canvas.count(0, 55, 400, 66, kCyan);
  EXPECT_GE(cyanZoomed, 29);
  EXPECT_LE(cyanZoomed, 32);
  // 4 pixels a unit now: the ordinary reference runs from x 345 to the edge.
  EXPECT_GE(canvas.count(340, 60, 400, 61, kMagenta), 54) << "the ordinary reference grows with the zoom";
}

TEST_F(ViewTest, PatternsFromVectorsAndDamagedPatterns) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  v.define_linetype("LISTED", {10.0, -10.0, 0.0, -10.0});
  v.define_linetype("VECTOR", std::vector<double>{10.0, -10.0, 0.0, -10.0});
  v.define_linetype("WITH NAN", std::vector<double>{nan, 10.0, nan, -10.0, 0.0, -10.0});
  v.define_linetype("ZEROS", std::vector<double>(50, 0.0));
  v.define_linetype("HUGE", {1e300, -1e300});
  v.define_linetype("INFINITE", {inf, -inf});
  std::vector<double> many;
  for (int i = 0; i < 5000; ++i)
    many.push_back(i % 2 ? -1e-3 : 1e-3);
  v.define_linetype("MANY", many);
  v.define_linetype("EMPTY", std::vector<double>{});
  ASSERT_TRUE(addLine(v, 0, 95, 200, 95, kRed, 1, "LISTED"));
  ASSERT_TRUE(addLine(v, 0, 85, 200, 85, kBlue, 2, "vector"));
  ASSERT_TRUE(addLine(v, 0, 75, 200, 75, kGreen, 3, "WITH NAN"));
  const char* continuous[] = {"ZEROS", "HUGE", "INFINITE", "MANY", "EMPTY"};
  for (int i = 0; i < 5; ++i)
    ASSERT_TRUE(addLine(v, 0, 60 - 10 * i, 200, 60 - 10 * i, kMagenta, 10 + i, continuous[i]));
  ASSERT_TRUE(addLine(v, 0, 5, 200, 5, kBlue, 20, "CONTINUOUS"));
  ASSERT_TRUE(paintAll(v));
  // The listed pattern on the device: dash 0..20 px, gap 20..40, dot at 40,
  // gap 40..60, dash 60..80, ...
  for (int period = 0; period < 6; ++period) {
    SCOPED_TRACE(period);
    const int x = 60 * period;
    EXPECT_EQ(canvas.count(x + 1, 10, x + 20, 11, kRed), 19) << "dash";
    EXPECT_EQ(canvas.count(x + 22, 10, x + 39, 11, kRed), 0) << "gap";
    EXPECT_EQ(canvas.count(x + 42, 10, x + 59, 11, kRed), 0) << "gap";
    EXPECT_EQ(canvas.count(x + 39, 10, x + 42, 11, kRed), 1) << "the dot is one pixel";
  }
  EXPECT_EQ(canvas.count(0, 190, 400, 191, kBlue), 400) << "an unknown name draws continuous";
  int dash = 0, gap = 0;
  for (int x = 0; x < 400; ++x) {
    const bool red = canvas.at(x, 10) == kRed;
    ASSERT_EQ(red, canvas.at(x, 30) == kBlue) << "a vector draws as the same list, at x " << x;
    ASSERT_EQ(red, canvas.at(x, 50) == kGreen) << "lengths that are no numbers are left out, at x " << x;
    dash += red;
    gap += canvas.at(x, 10) == kWhite || canvas.at(x, 10) == kBlack;
  }
  EXPECT_GT(dash, 120);
  EXPECT_GT(gap, 200);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(canvas.count(0, 80 + 20 * i, 400, 81 + 20 * i, kMagenta), 400) << continuous[i] << " draws continuous";
  // The first 1024 elements are kept, each of them summed into the total.
  const linetype* kept = v.tables().linetypes.at(v.tables().linetypes.find("MANY"));
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->lengths.size(), 1024u);
  EXPECT_NEAR(kept->total, 1.024, 1e-12);
  EXPECT_DOUBLE_EQ(v.tables().linetypes.at(v.tables().linetypes.find("INFINITE"))->total, 2e100);
}

// Whether a pattern is finer than half a pixel is judged on the pattern as
// drawn, its scale applied: a pattern defined in small units and scaled up
// (the common case of a drawing in millimetres) shows its dashes, and one
// scaled below a pixel draws continuous.
TEST_F(ViewTest, ItemLinetypeScalesLengthenAndShortenTheDashes) {
  v.define_linetype("DASH", {5.0, -5.0});
  v.define_linetype("FINE", {0.1, -0.1}); // unscaled, a fifth of a pixel: too fine on its own
  struct Case {
    const char* what;
    double y;
    const char16_t* linetype;
    std::optional<double> scale; // code 48
    COLORREF colour;
    int dash; // pixels of each dash and each gap; 0: continuous
  } cases[] = {{"scale 1", 90, u"dash", std::nullopt, kRed, 10},
               {"scale 2", 70, u"dash", 2.0, kBlue, 20},
               {"a pattern shrunk below a pixel draws continuous", 50, u"dash", 1e-9, kGreen, 0},
               {"a negative scale counts as 1", 30, u"dash", -2.0, kMagenta, 10},
               {"a fine pattern scaled up", 10, u"fine", 50.0, kCyan, 10}};
  std::uint64_t handle = 1;
  for (const Case& c : cases)
    addChainLine(v, c.y, c.linetype, c.colour, c.scale, handle++);
  ASSERT_TRUE(paintAll(v));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int y = static_cast<int>(200 - 2 * c.y);
    if (!c.dash) {
      EXPECT_EQ(canvas.count(0, y, 400, y + 1, c.colour), 400);
      continue;
    }
    for (int x = 0; x < 400; x += 2 * c.dash) {
      EXPECT_EQ(canvas.count(x + 1, y, x + c.dash, y + 1, c.colour), c.dash - 1) << "the dash at " << x;
      EXPECT_EQ(canvas.count(x + c.dash + 1, y, x + 2 * c.dash, y + 1, c.colour), 0) << "the gap after " << x;
    }
  }
  EXPECT_EQ(v.tables().linetypes.at(v.tables().linetypes.find("DASH"))->total, 10.0) << "the pattern itself stays";
}

// Members of a block are dashed along their points in drawing units, after
// the reference's transform, so the half-pixel test looks at the pixel in
// drawing units as well, not in the block's own units: a reference scaled
// down keeps its members' visible dashes, and one scaled up does not cut a
// pattern into pieces finer than a pixel.
TEST_F(ViewTest, DashesInsideScaledReferencesAreJudgedInDrawingUnits) {
  struct Case {
    const char* what;
    double scale;     // of the reference; its member spans 180 units of the drawing
    double dash;      // pattern dash and gap, in drawing units once placed
    bool dashed;
  } cases[] = {
      {"scaled down by 40, 10-pixel dashes", 1 / 40.0, 5.0, true},
      {"scaled up by 40, dashes of 0.3 pixels", 40.0, 0.15, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    v.clear(true);
    v.define_linetype("PATTERN", {c.dash, -c.dash});
    ASSERT_TRUE(v.define_block(GcGePoint2d(0, 0), 50));
    ASSERT_TRUE(v.add_curve(seg(0, 0, 180 / c.scale, 0), rgb(kRed), 1, "PATTERN", 1, 50, true, false));
    ASSERT_TRUE(addReference(v, 50, 10, 50, c.scale, 1));
    const extents world = box(0, 0, 200, 100);
    ASSERT_TRUE(v.fit_window(&world, nullptr));
    ASSERT_TRUE(paintAll(v));
    const int red = canvas.count(20, 100, 380, 101, kRed);
    if (c.dashed) {
      EXPECT_NEAR(red, 180, 20) << "half of it: dashes and gaps of 10 pixels";
      EXPECT_EQ(canvas.count(31, 100, 40, 101, kRed), 0) << "the first gap";
    } else {
      EXPECT_EQ(red, 360) << "continuous";
      EXPECT_LE(v.statistics().vertices_processed, 2u) << "one segment, not hundreds of dash pieces";
    }
  }
}

// Cosmetic pens leave out a polyline's last pixel, so every polyline's last
// point goes one pixel on. A last segment that rounds to no length (a piece
// shorter than a pixel at the end of a polyline, or a dot) goes one pixel to
// the right: the last pixel shows, and nothing beyond it.
TEST_F(ViewTest, PolylinesEndOnTheirLastPixel) {
  struct Case {
    const char* what;
    double ax, ay, bx, by; // polyline a-b-c, c less than a pixel from b
    int pixels;
  } cases[] = {
      {"to the right", 20, 50, 60, 50, 81},   {"to the left", 60, 40, 20, 40, 81},
      {"upwards", 100, 10, 100, 60, 101},     {"downwards", 120, 60, 120, 10, 101},
      {"diagonal", 140, 10, 170, 40, 61},     {"a dot", 180, 80, 180, 80, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    v.clear(true);
    auto* path = new GcGeCompositeCurve2d;
    if (c.ax != c.bx || c.ay != c.by)
      path->append(seg(c.ax, c.ay, c.bx, c.by));
    path->append(seg(c.bx, c.by, c.bx + 0.1, c.by + 0.1));
    ASSERT_TRUE(addCurve(v, path, kRed, 1));
    ASSERT_TRUE(paintAll(v));
    const int bx = static_cast<int>(2 * c.bx), by = static_cast<int>(200 - 2 * c.by);
    EXPECT_EQ(canvas.at(bx, by), kRed) << "the last pixel";
    EXPECT_EQ(canvas.count(0, 0, 400, 200, kRed), c.pixels) << "and nothing beyond it";
  }
}

TEST_F(ViewTest, HighlightPassUsesHighlightPensBrushesAndTextColour) {
  fillKnownList();
  ASSERT_TRUE(paintAll(v));
  std::vector<std::uint64_t> handles{1, 3, 4};
  ASSERT_TRUE(v.highlight(hl_add_listed, nullptr, &handles, true));
  EXPECT_NE(v.stage_flags() & stage_copy3, 0u);
  ASSERT_TRUE(paintAll(v));
  // Dotted highlight pen over the red line: gaps show the background.
  EXPECT_GT(canvas.count(20, 20, 380, 21, kRed), 100);
  EXPECT_GT(canvas.count(20, 20, 380, 21, kWhite), 100);
  // Hatched brush over the square: background shows between the hatch lines.
  EXPECT_GT(canvas.count(242, 82, 318, 138, kWhite), 500);
  EXPECT_GT(canvas.count(242, 82, 318, 138, kBlue), 500);
  EXPECT_GT(canvas.count(40, 170, 110, 191, atext::highlight_colour), 60) << "highlighted text colour";
  EXPECT_EQ(canvas.count(90, 90, 111, 111, atext::highlight_colour), 0);

  std::vector<std::uint64_t> copy;
  ASSERT_TRUE(v.highlight(hl_copy_set, nullptr, &copy, false));
  EXPECT_EQ(copy, handles);
  ASSERT_TRUE(v.highlight(hl_reset_set, nullptr, nullptr, false));
  ASSERT_TRUE(paintAll(v));
  EXPECT_EQ(canvas.count(20, 20, 380, 21, kRed), 360) << "back to the plain picture";
}

TEST_F(ViewTest, HighlightByWindow) {
  fillKnownList();
  ASSERT_TRUE(addLine(v, 0, 0, 200, 100, kRed, 7));
  ASSERT_TRUE(paintAll(v));
  using H = std::vector<std::uint64_t>;
  H skip{7};
  const extents pick = box(195, 15, 205, 25); // around the red line's middle, device (200, 20)
  const extents square = box(230, 70, 330, 150); // over the square and the diagonal
  struct Step {
    const char* what;
    int mode;
    extents window;
    H* list; // with the flag clear, only unlisted elements take part
    H highlighted; // sorted
  } steps[] = {
      {"a pick adds the line only", hl_pick_add, pick, nullptr, {1}},
      {"and removes it", hl_pick_remove, pick, nullptr, {}},
      {"touching: the square and the diagonal", hl_touch_add, square, nullptr, {3, 7}},
      {"wholly inside: the square only", hl_inside_add, square, nullptr, {3}},
      {"touching, the diagonal listed", hl_touch_add, square, &skip, {3}},
      {"a pick in the circle's hole misses it", hl_pick_add, box(95, 95, 105, 105), nullptr, {}},
      {"a pick on the circle", hl_pick_add, box(136, 96, 144, 104), nullptr, {2}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    if (s.mode != hl_pick_remove) {
      ASSERT_TRUE(v.highlight(hl_clear_all, nullptr, nullptr, false));
    }
    ASSERT_TRUE(v.highlight(s.mode, &s.window, s.list, false));
    H got = v.highlighted();
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, s.highlighted);
    if (s.highlighted == H{1}) {
      EXPECT_TRUE(v.list_item(1, 0)->highlighted) << "the element knows";
    }
  }
}

TEST_F(ViewTest, ListTwoWidePensAndElementsOutsideTheWindow) {
  ASSERT_TRUE(addLine(v, 10, 50, 190, 50, kRed, 1, nullptr, 5));            // device y 100, 5 pixels wide
  ASSERT_TRUE(addCurve(v, seg(100, 0, 100, 100), kBlue, 2, 1, nullptr, 2)); // list 2: over list 1
  ASSERT_TRUE(addLine(v, 500, 500, 600, 600, kGreen, 3));                    // far outside the window
  ASSERT_TRUE(paintAll(v));
  const int thick = canvas.count(60, 90, 61, 110, kRed);
  EXPECT_GE(thick, 4) << "a geometric pen 5 pixels wide";
  EXPECT_LE(thick, 6);
  EXPECT_EQ(canvas.at(200, 100), kBlue) << "list 2 paints over list 1";
  EXPECT_EQ(canvas.count(200, 0, 201, 200, kBlue), 200);
  EXPECT_EQ(static_cast<curve*>(v.list_item(1, 1))->cache(), nullptr) << "outside the window: nothing regenerated";
  EXPECT_EQ(v.statistics().curves_regenerated, 2u);
}

TEST_F(ViewTest, PenTableSharesPensAndRaisesWidthZero) {
  pen_table& pens = v.tables().pens;
  const int a = pens.index(kRed, 1), b = pens.index(kRed, 1), c = pens.index(kRed, 0);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, c) << "width 0 is raised to a solid one-pixel pen";
  EXPECT_EQ(pens.normal(a)->width, 1u);
  const int wide = pens.index(kRed, 3);
  EXPECT_NE(wide, a);
  EXPECT_EQ(pens.normal(wide)->thin, a);
  EXPECT_EQ(pens.size(), 3);
  EXPECT_EQ(v.tables().brushes.index(kBlue), v.tables().brushes.index(kBlue));
}

TEST_F(ViewTest, FactoriesRefuseWhatCannotBeDrawn) {
  EXPECT_TRUE(v.define_block(GcGePoint2d(0, 0), 50));
  EXPECT_FALSE(v.define_block(GcGePoint2d(5, 5), 50)) << "first definition kept";
  EXPECT_EQ(v.tables().blocks.find(50)->base().x, 0.0);
  // A member goes into its block: neither a list element nor part of the
  // drawing's extents.
  ASSERT_TRUE(addMember(v, seg(300, 300, 310, 310), kRed, 50));
  EXPECT_EQ(v.list_size(1), 0u);
  EXPECT_FALSE(v.drawing_extents().valid);
  EXPECT_FALSE(addMember(v, seg(0, 0, 1, 1), kRed, 99)) << "no block 99";
  EXPECT_FALSE(addCurve(v, new GcGeLine2d(GcGePoint2d(0, 0), GcGeVector2d(1, 0)), kRed, 1)) << "unbounded";
  // A reference placed before its block is defined draws once it exists.
  ASSERT_TRUE(addReference(v, 60, 100, 50, 1.0, 8));
  ASSERT_TRUE(paintAll(v));
  EXPECT_EQ(canvas.count(0, 0, 400, 200, kGreen), 0);
  ASSERT_TRUE(v.define_block(GcGePoint2d(0, 0), 60));
  ASSERT_TRUE(addMember(v, seg(0, 0, 20, 0), kGreen, 60));
  ASSERT_TRUE(paintAll(v));
  EXPECT_GE(canvas.count(200, 100, 241, 101, kGreen), 39);
  // A point entity shows its cross marker.
  GcGePointEnt2d point(GcGePoint2d(20, 20));
  ASSERT_TRUE(v.add_curve(&point, rgb(kBlue), 1, nullptr, 1, no_handle, false, true));
  ASSERT_TRUE(paintAll(v));
  EXPECT_TRUE(canvas.around(40, 160, kBlue, 0));
  EXPECT_TRUE(canvas.around(47, 153, kBlue, 1));
}

TEST_F(ViewTest, SnapQueriesFindCrossingsFirstAndTheCursorLast) {
  ASSERT_TRUE(addLine(v, 0, 0, 100, 100, kRed, 1));
  ASSERT_TRUE(addLine(v, 0, 100, 100, 0, kRed, 2));
  ASSERT_TRUE(addLine(v, 50, 50, 150, 50, kRed, 3)); // starts at the crossing
  ASSERT_TRUE(paintAll(v));
  // Pick box of 10 pixels around device (102, 100) = world (51, 50).
  const extents pick = box(97, 95, 107, 105);
  const std::size_t n = snap(v, snap_intersection | snap_end, pick);
  const auto& r = v.snap_results();
  ASSERT_EQ(n, r.size());
  ASSERT_GE(n, 3u);
  EXPECT_EQ(r[0].snap_kind, snap_intersection);
  EXPECT_TRUE(r[0].point.isEqualTo(GcGePoint2d(50, 50), GcGeTol(1e-6, 0)));
  // Line 3's end point lies there too: kept (kind 1 shares no bit with 256);
  // the crossings of 1 with 3 and of 2 with 3 repeat kind 256 and are dropped.
  int at50 = 0, ends = 0;
  for (const snap_result& x : r)
    if (x.point.isEqualTo(GcGePoint2d(50, 50), GcGeTol(1e-6, 0))) {
      ++at50;
      ends += x.snap_kind == snap_end;
    }
  EXPECT_EQ(at50, 2);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(r.back().snap_kind, snap_none);
  EXPECT_EQ(r.back().handle, no_handle);
  EXPECT_TRUE(r.back().point.isEqualTo(GcGePoint2d(51, 50), GcGeTol(1e-6, 0)));
  for (std::size_t i = 1; i + 1 < r.size(); ++i)
    EXPECT_LE(r[i - 1].distance, r[i].distance);

  // Next snap point: nearest first, then cycles and wraps.
  GcGePoint2d p;
  for (std::size_t i = 0; i < n + 1; ++i) {
    ASSERT_TRUE(v.next_snap_point(p));
    EXPECT_EQ(v.snap_index(), i % n);
    EXPECT_TRUE(p.isEqualTo(r[i % n].point));
  }
  // The marker of the current result is painted with the snap pen.
  ASSERT_TRUE(v.next_snap_point(p)); // index 1: r[1]
  ASSERT_TRUE(paintAll(v));
  const GcGePoint2d dev = v.world_to_device().apply(r[1].point);
  const int dx = static_cast<int>(dev.x), dy = static_cast<int>(dev.y);
  EXPECT_GT(canvas.count(dx - 8, dy - 8, dx + 9, dy + 9, kSnapYellow), 10);

  // A handle filter: no cursor result; sense false skips the listed elements.
  std::vector<std::uint64_t> only3{3};
  v.snap_query(snap_end, pick, &only3, true, nullptr, nullptr);
  ASSERT_EQ(v.snap_results().size(), 1u);
  EXPECT_EQ(v.snap_results()[0].handle, 3u);
  v.snap_query(snap_end, pick, &only3, false, nullptr, nullptr);
  EXPECT_TRUE(v.snap_results().empty());
  // Exclusion points are left out.
  std::vector<GcGePoint2d> exclude{GcGePoint2d(50, 50)};
  v.snap_query(snap_end | snap_intersection, pick, nullptr, false, &exclude, nullptr);
  ASSERT_EQ(v.snap_results().size(), 1u);
  // Without mode 0x100 no crossing is reported: line 3's end and the cursor.
  ASSERT_EQ(snap(v, snap_end | snap_no_timer, pick), 2u);
  for (const snap_result& x : v.snap_results())
    EXPECT_NE(x.snap_kind, snap_intersection);
  // An invalid pick box resets.
  EXPECT_EQ(snap(v, snap_end, extents()), 0u);
  EXPECT_FALSE(v.next_snap_point(p));
}

TEST_F(ViewTest, SnapPointsOfSolidsReferencesAndPerpendiculars) {
  fillKnownList();
  ASSERT_TRUE(paintAll(v));
  // Over the square's middle (world 140, 45 = device 280, 110): its box
  // centre, kind 32; elsewhere inside it the centre lies outside the pick box.
  const extents atCentre = box(276, 106, 284, 114);
  ASSERT_EQ(snap(v, snap_solid, atCentre), 2u);
  EXPECT_EQ(v.snap_results()[0].snap_kind, snap_solid);
  EXPECT_TRUE(v.snap_results()[0].point.isEqualTo(GcGePoint2d(140, 45)));
  EXPECT_EQ(snap(v, snap_solid, box(250, 120, 260, 130)), 1u);
  EXPECT_EQ(snap(v, snap_end, atCentre), 1u) << "kind 32 only when asked";
  // The first result of each query, and the cursor after it.
  const GcGePoint2d last(100, 40);
  struct Case {
    const char* what;
    std::uint32_t modes;
    extents pick;
    const GcGePoint2d* last;
    GcGePoint2d first;
    GcGeTol tolerance;
    std::uint32_t kind;
    std::uint64_t handle;
  } cases[] = {
      // Block line end (10, 0) at (120, 70) = device (240, 60).
      {"a block reference's end point", snap_end, box(236, 56, 244, 64), nullptr, {120, 70}, GcGeTol(1e-9, 0),
       snap_end, 5},
      // 30 pixels = 15 units from (20, 70).
      {"a pixel-scaled reference's end point", snap_end, box(66, 56, 74, 64), nullptr, {35, 70}, GcGeTol(1e-6, 0),
       snap_end, 6},
      {"the foot from a last point onto the red line at y 90", snap_perpendicular, box(195, 15, 205, 25), &last,
       {100, 90}, GcGeTol(), snap_perpendicular, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_GE(snap(v, c.modes, c.pick, c.last), 2u);
    EXPECT_EQ(v.snap_results()[0].snap_kind, c.kind);
    EXPECT_TRUE(v.snap_results()[0].point.isEqualTo(c.first, c.tolerance));
    EXPECT_EQ(v.snap_results()[0].handle, c.handle);
  }
}

// Short vertical segments and small circles, elements first to count of a
// list of n: the first half of the list in the left half of a 200 x 200
// canvas, the second half in the right half; element i has handle i.
void fillHalves(view& v, int n, int count) {
  for (int i = 0; i < count; ++i) {
    const double x = (i < n / 2 ? 2.0 : 102.0) + (i % (n / 2)) * 96.0 / (n / 2);
    ASSERT_TRUE(addCurve(v, i % 4 == 0 ? static_cast<GcGeEntity2d*>(circle(x, 50, 1.0)) : seg(x, 20, x, 80), kRed, i));
  }
}

TEST(ViewProgress, LargeListPaintsOverSeveralCallsAndShowsThePartialPicture) {
  // Painting an element takes 10 us on this clock, and the budget is 3.5 ms.
  // The clock is looked at after every 8th element and read once 64 elements
  // (or 2048 vertices: these have a few each) were painted since the last
  // reading: the reading after 384 elements finds 3.84 ms spent, so every
  // call paints 384 elements, and the 40,000 take 105 calls.
  ClockedView cv(200, 200);
  view& v = cv.v;
  const Canvas& canvas = cv.canvas;
  cv.clock.step = 10;
  v.base_budget_us = 3500;
  const int n = 40000, perCall = 384;
  fillHalves(v, n, n);
  const extents world = box(0, 0, 200, 100), device = box(0, 0, 200, 200);
  ASSERT_TRUE(v.fit_window(&world, &device));
  // The last element highlighted and a snap marker on a segment's top end,
  // both in the right half, which list 1 reaches only after 52 calls.
  std::vector<std::uint64_t> last{static_cast<std::uint64_t>(n - 1)};
  ASSERT_TRUE(v.highlight(hl_add_listed, nullptr, &last, true));
  ASSERT_GT(snap(v, snap_end | snap_no_timer, box(145, 65, 155, 75)), 1u);
  GcGePoint2d snapped;
  ASSERT_TRUE(v.next_snap_point(snapped));
  const int snappedColumn = static_cast<int>(std::floor(snapped.x + 0.5));
  ASSERT_GT(snappedColumn, 140);
  ASSERT_LT(snappedColumn, 160);

  ASSERT_FALSE(v.paint()) << "the list cannot be painted within one budget";
  EXPECT_NE(v.stage_flags() & stage_list1, 0u) << "list 1 unfinished";
  ASSERT_EQ(v.progress(0), static_cast<std::uint32_t>(perCall));
  {
    // The partial picture on the DC is what the first 384 elements alone paint.
    const PaintedView first([&](view& r) { fillHalves(r, n, perCall); }, world, device);
    EXPECT_EQ(canvas.differing(first.canvas, 100, 200), 0);
    EXPECT_GT(first.canvas.count(0, 0, 100, 200, kRed), 100);
  }
  // In the right half the highlight pass and the snap stage have drawn on the
  // partial picture: the highlighted element and the snapped one (dotted), and
  // the marker.
  for (int x = 100; x < 200; ++x) {
    const bool drawn = x == 198 || x == snappedColumn;
    EXPECT_EQ(canvas.count(x, 0, x + 1, 200, kRed) > 0, drawn) << "column " << x;
  }
  EXPECT_GT(canvas.count(snappedColumn - 8, 62, snappedColumn + 9, 79, kSnapYellow), 10) << "the snap marker";

  int calls = 1;
  for (bool done = false; !done;) {
    ASSERT_LT(++calls, 200);
    done = v.paint();
    ASSERT_EQ(v.progress(0), static_cast<std::uint32_t>(std::min(n, calls * perCall))) << "call " << calls;
  }
  EXPECT_EQ(calls, (n + perCall - 1) / perCall);
  EXPECT_EQ(v.progress(0), static_cast<std::uint32_t>(n));
  EXPECT_EQ(v.stage_flags() & (stage_list1 | stage_snap), 0u);
  const PaintedView left([&](view& r) { fillHalves(r, n, n / 2); }, world, device);
  EXPECT_EQ(canvas.differing(left.canvas, 100, 200), 0) << "the finished left half";
  EXPECT_GT(canvas.count(100, 0, 200, 200, kRed), 1000);
}

TEST(ViewProgress, ASlowCopyToTheDcRaisesTheBudgetUntilTheNextRestart) {
  // Every reading of this clock takes tick microseconds, so copying the
  // picture to the DC (two readings apart) takes one tick: the budget becomes
  // 80 times that when it is larger, at most 1 s, and only a restart puts it
  // back.
  struct Case {
    std::uint64_t tick;
    std::uint32_t budget;
  } cases[] = {{1000, 100000}, {1250, 100000}, {1251, 100080}, {2000, 160000}, {12500, 1000000}, {20000, 1000000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tick);
    ClockedView cv(100, 100);
    view& v = cv.v;
    ASSERT_TRUE(addLine(v, 10, 10, 90, 90, kRed, 1));
    const extents area = box(0, 0, 100, 100);
    ASSERT_TRUE(v.fit_window(&area, &area));
    cv.clock.tick = c.tick;
    ASSERT_TRUE(v.paint());
    EXPECT_EQ(v.time_budget_us, c.budget);
    // A quick copy in a paint without a restart leaves the budget as it is.
    cv.clock.tick = 10;
    std::vector<std::uint64_t> one{1};
    ASSERT_TRUE(v.highlight(hl_add_listed, nullptr, &one, true));
    ASSERT_TRUE(v.paint());
    EXPECT_EQ(v.time_budget_us, c.budget);
    ASSERT_TRUE(v.pan(1, 0));
    ASSERT_TRUE(v.paint());
    EXPECT_EQ(v.time_budget_us, 100000u);
  }
}

TEST(ViewProgress, ZoomingInStopsAtTheMinimumWithAMessage) {
  ClockedView cv(200, 100); // its clock moved on by hand below
  view& v = cv.v;
  ASSERT_TRUE(addLine(v, 0, 0, 300, 400, kRed, 1));
  // Without a world window there is nothing to fit, but the device rectangle
  // is kept for a later zoom to the extents.
  const extents device = box(0, 0, 200, 100);
  EXPECT_FALSE(v.fit_window(nullptr, &device));
  EXPECT_FALSE(v.window().valid);
  EXPECT_FALSE(v.paint());
  ASSERT_TRUE(v.zoom_extents(0.0));
  EXPECT_TRUE(v.window().min.isEqualTo(GcGePoint2d(-250, 0)) && v.window().max.isEqualTo(GcGePoint2d(550, 400)))
      << "the extents 300 x 400 widened to the device's 2:1";
  const extents world = box(0, 0, 300, 400);
  ASSERT_TRUE(v.fit_window(&world, &device));
  const std::string tooSmall = "EXTENTS: too small - set to minimum";
  auto hasMessage = [&v](const std::string& text) {
    return std::any_of(v.messages().begin(), v.messages().end(), [&](const view_message& m) { return m.text == text; });
  };
  int zooms = 0;
  while (!hasMessage(tooSmall)) {
    ASSERT_LT(++zooms, 100);
    ASSERT_TRUE(v.zoom(-0.4));
  }
  EXPECT_GT(zooms, 5);
  EXPECT_NEAR(v.window().diagonal().length(), 500 * 1e-5, 500 * 1e-9);
  ASSERT_TRUE(v.zoom(-0.4));
  EXPECT_NEAR(v.window().diagonal().length(), 500 * 1e-5, 500 * 1e-9) << "stays at the minimum";
  // Level 1 messages are drawn over the picture (inverse of the background).
  ASSERT_TRUE(paintAll(v));
  EXPECT_GT(cv.canvas.count(0, 50, 200, 100, kBlack), 20);
  // Level 2 statistics stay out unless the mask asks for them; a lifetime
  // of 0 shows a message once.
  const extents pick = box(0, 0, 10, 10);
  snap(v, snap_end, pick);
  EXPECT_FALSE(hasMessage("SNAP QUERY"));
  v.message_mask |= msg_stats;
  snap(v, snap_end, pick);
  EXPECT_TRUE(hasMessage("SNAP QUERY"));
  ASSERT_TRUE(paintAll(v));
  EXPECT_FALSE(hasMessage("SNAP QUERY"));
  // The last "too small" message was added at the last zoom: it is drawn
  // until it is 2 seconds old, and removed after the paint that finds it so.
  std::uint64_t added = 0;
  for (const view_message& m : v.messages())
    if (m.text == tooSmall)
      added = std::max(added, m.start_us);
  cv.clock.t = added + 1999999;
  ASSERT_TRUE(v.paint());
  EXPECT_TRUE(hasMessage(tooSmall)) << "lives 2 seconds";
  cv.clock.t = added + 2000000;
  ASSERT_TRUE(v.paint());
  EXPECT_FALSE(hasMessage(tooSmall));
}

TEST(ViewCounts, LiveElementsAndCachesReturnToZero) {
  const int entities = entity::live_count(), buffers = buffer_paint::live_count();
  {
    CanvasView cv(300, 200);
    view& v = cv.v;
    ASSERT_TRUE(v.define_block(GcGePoint2d(0, 0), 9));
    ASSERT_TRUE(addMember(v, circle(0, 0, 3.0), kRed, 9));
    std::unique_ptr<GcGeCompositeCurve2d> sq(rectangle(0, 0, 5, 5));
    ASSERT_TRUE(v.add_solid({sq.get()}, {false}, rgb(kBlue), 9, true));
    for (int i = 0; i < 20; ++i) {
      ASSERT_TRUE(addLine(v, i, 0, i, 10, kRed, i));
      ASSERT_TRUE(addReference(v, 9, i * 5, 20, 1.0, 100 + i, i % 2 == 1));
    }
    ASSERT_TRUE(addText(v, 0, -5, u"x", 2, kBlack, 200));
    const extents device = box(0, 0, 300, 200);
    v.fit_window(nullptr, &device);
    ASSERT_TRUE(v.zoom_extents(0.05));
    ASSERT_TRUE(paintAll(v));
    EXPECT_EQ(entity::live_count() - entities, 20 + 20 + 1 + 1 + 2) << "lines, references, text, block, members";
    // Caches: 20 lines, 20 reference sets holding 2 member caches each.
    EXPECT_EQ(buffer_paint::live_count() - buffers, 20 + 20 * 3);
    v.clear(true);
    EXPECT_EQ(entity::live_count(), entities);
    EXPECT_EQ(buffer_paint::live_count(), buffers);
    ASSERT_TRUE(addLine(v, 0, 0, 1, 1, kRed, 1));
    ASSERT_TRUE(v.zoom_extents(0.05));
    ASSERT_TRUE(paintAll(v));
    EXPECT_EQ(buffer_paint::live_count(), buffers + 1);
  }
  EXPECT_EQ(entity::live_count(), entities) << "the view's destruction deletes the rest";
  EXPECT_EQ(buffer_paint::live_count(), buffers);
}

// Caches stay while the pixel size keeps within 0.5..1.5 of the one they were
// made for and the window inside the regeneration window they were made for:
// pans by fractions of a pixel and zooms out and in by up to 1.4 regenerate
// nothing, also in a list that holds a text (which is never kept as points).
TEST(ViewCounts, CachesAreReusedWithinTheBandAndTheRegenerationWindow) {
  struct Step {
    const char* what;
    double size, dx; // window: the first one scaled about its centre, then moved (units)
    bool regenerates;
    bool redrawn; // at the scale of the last picture: its draws again, the elements not visited
  };
  const Step steps[] = {
      {"a pan by half a pixel", 1.0, 0.25, false, true},
      {"a zoom out by 1.2", 1.2, 0.0, false, false},
      {"a zoom out by 1.4", 1.4, 0.0, false, false},
      {"a zoom in by 1.4", 1 / 1.4, 0.0, false, false},
      {"back to the first scale", 1.0, 0.0, false, false},
      {"a pan by a third of the window", 1.0, 33.3, false, true},
      {"a zoom out by 2.2", 2.2, 0.0, true, false},       // made at 2.2 pixels: beyond 1.5
      {"back to the first window", 1.0, 0.0, true, false}, // made at 2.2: beyond 0.5
      {"a pan by a tenth of a pixel", 1.0, 0.05, false, true},
  };
  for (const bool text : {false, true}) {
    SCOPED_TRACE(text ? "with a text" : "curves only");
    CanvasView cv(200, 200);
    view& v = cv.v;
    // Everything inside the first window, so that no step brings in an
    // element painted for the first time.
    const std::uint32_t n = 40;
    for (std::uint32_t i = 0; i < n; ++i) {
      ASSERT_TRUE(addCurve(v, circle(20 + i * 1.5, 50, 3.0 + i % 4), kRed, i));
      ASSERT_TRUE(addLine(v, 10 + i * 2, 10, 15 + i, 90, kGreen, 100 + i));
    }
    if (text) {
      ASSERT_TRUE(addText(v, 30, 30, u"Kóta", 5.0, kBlue, 300));
    }
    const extents device = box(0, 0, 200, 200), first = box(0, 0, 100, 100);
    ASSERT_TRUE(v.fit_window(&first, &device));
    ASSERT_TRUE(paintAll(v));
    ASSERT_EQ(v.statistics().curves_regenerated, 2 * n);
    for (const Step& s : steps) {
      SCOPED_TRACE(s.what);
      const extents w = box(50 + s.dx - 50 * s.size, 50 - 50 * s.size, 50 + s.dx + 50 * s.size, 50 + 50 * s.size);
      ASSERT_TRUE(v.fit_window(&w, nullptr));
      ASSERT_TRUE(paintAll(v));
      // Never a move by whole pixels, so never drawn from the kept points.
      EXPECT_EQ(repaint(v), Repaint(0, s.redrawn ? 1 : 0, s.regenerates ? 2 * n : 0));
    }
  }
}

// A cache reused after a pan is drawn without clipping when all its points
// map into the device box of the regeneration window (boundary included),
// as the test on each point would find.
TEST(ViewCounts, ACacheMapsInsideWhenItsReachDoes) {
  CanvasView cv(200, 200);
  view& v = cv.v;
  const extents world = box(0, 0, 100, 100); // regeneration window -100..200
  ASSERT_TRUE(v.fit_window(&world, &world));
  struct Case { const char* what; extents reach; bool inside; } cases[] = {
      {"inside", box(-50, -20, 150, 120), true},
      {"on the boundary", box(-100, -100, 200, 200), true},
      {"across the left side", box(-100.5, 0, 0, 10), false},
      {"beyond the top", box(0, 150, 10, 200.001), false},
      {"not known", extents(), false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(v.maps_inside(c.reach), c.inside) << c.what;
  ASSERT_TRUE(v.pan(0.5, 0)); // the regeneration window now starts at -100.5
  EXPECT_TRUE(v.maps_inside(cases[2].reach));
  EXPECT_FALSE(v.maps_inside(cases[1].reach));
}

// The keeping tests paint a list at world 0..100 x 0..80 on 200 x 160 pixels
// (regeneration window -100..200), move it as a user would and compare the
// picture with a new view's at the window reached.
const extents kKeepDevice = box(0, 0, 200, 160), kKeepWorld = box(0, 0, 100, 80);

// Ten green strokes across the first window.
void fillStrokes(view& v, std::uint64_t firstHandle) {
  for (int i = 0; i < 10; ++i)
    ASSERT_TRUE(addLine(v, i * 9, 5, i * 9 + 4, 75, kGreen, firstHandle + i));
}

// After a zoom within the band the caches made for the old regeneration
// window are reused, so the picture kept at the new window holds their points
// only as far as that old window reaches: a pan beyond it must not move the
// kept picture (the line would end where the old window ended).
TEST(ViewKeep, AKeptPictureReachesOnlyAsFarAsItsCaches) {
  auto fillList = [](view& v) {
    ASSERT_TRUE(addLine(v, -50, 40, 300, 40, kRed, 1));
    fillStrokes(v, 10);
  };
  PaintedView painted(fillList, kKeepWorld, kKeepDevice);
  view& a = painted.v;
  ASSERT_TRUE(zoomAndPaint(a, 0.2)); // out by 1.4: -20..120, its regeneration window -160..260
  EXPECT_EQ(a.statistics().curves_regenerated, 0u);
  ASSERT_TRUE(panAndPaint(a, -130, 0)); // 91 units: 71..211, beyond the line's cache
  EXPECT_EQ(repaint(a), Repaint(0, 0, 1)) << "the long line, made for -100..200, regenerated";

  const PaintedView fresh(fillList, a.window(), kKeepDevice);
  EXPECT_GT(fresh.canvas.count(190, 0, 200, 160, kRed), 8) << "the line reaches the right edge";
  EXPECT_EQ(fresh.differing(painted.canvas), 0);
}

// A cache regenerated between two pictures (here by a hit test whose pick
// box lies beyond the cache's regeneration window) holds points for another
// window: the next picture drawn from the kept draws has its element draw it,
// so that the picture knows how far those points reach, and a later pan
// beyond them paints the element anew.
TEST(ViewKeep, ACacheRegeneratedBetweenPicturesIsDrawnByItsElement) {
  auto fillList = [](view& v) {
    ASSERT_TRUE(addLine(v, -250, 40, 350, 40, kRed, 1));
    ASSERT_TRUE(addCurve(v, circle(50, 40, 20.0), kGreen, 2));
  };
  // The line is regenerated for -130.25..169.75 between two pictures; then
  // the next picture shows it (and so learns how far its points reach), or
  // first one where it lies outside the window (and is not drawn at all).
  for (const bool outsideFirst : {false, true}) {
    SCOPED_TRACE(outsideFirst ? "the line outside the window first" : "the line drawn at once");
    PaintedView painted(fillList, kKeepWorld, kKeepDevice);
    view& a = painted.v;
    ASSERT_TRUE(panAndPaint(a, 60.5, 0)); // -30.25..69.75, its regeneration window -130.25..169.75
    EXPECT_EQ(a.statistics().lists_redrawn, 1u);
    // Device x -170 is drawing x -115.25: outside the line's cache
    // (-100..200), so the probe regenerates it for -130.25..169.75.
    const extents pick = box(-175, 75, -165, 85);
    a.highlight(hl_pick_remove, &pick, nullptr, false);
    if (outsideFirst) {
      ASSERT_TRUE(panAndPaint(a, 0, -90.5)); // -45.25..34.75 high: the line at 40 lies above the window
      EXPECT_EQ(a.statistics().lists_redrawn, 1u);
      ASSERT_TRUE(a.pan(0, 90.5));
    }
    ASSERT_TRUE(panAndPaint(a, -60.5, 0)); // back to 0..100
    EXPECT_EQ(repaint(a), Repaint(0, 1, 0));
    ASSERT_TRUE(panAndPaint(a, -160.5, 0)); // 80.25..180.25: beyond the regenerated line's 169.75
    EXPECT_EQ(repaint(a), Repaint(0, 0, 1));

    const PaintedView fresh(fillList, a.window(), kKeepDevice);
    EXPECT_EQ(painted.canvas.count(0, 80, 200, 81, kRed), 200) << "the line reaches across the window";
    EXPECT_EQ(fresh.differing(painted.canvas), 0);
  }
}

// An element painted otherwise than from its cache (here a point's marker)
// that a pan by a fraction of a pixel moves out of the window is left out of
// the picture drawn from the kept draws, and noted as left out: a pan by
// whole pixels that brings it back must not move kept points that lack it.
TEST(ViewKeep, AnElementLeftOutByAReplayComesBack) {
  auto fillList = [](view& v) {
    fillStrokes(v, 0);
    ASSERT_TRUE(addCurve(v, new GcGePointEnt2d(GcGePoint2d(95, 40)), kRed, 20));
  };
  PaintedView painted(fillList, kKeepWorld, kKeepDevice);
  view& a = painted.v;
  for (double dx : {-20.5, 30.0, 10.5}) // 10.25..110.25 keeps the point at 95, -4.75..95.25, -10..90 loses it
    ASSERT_TRUE(panAndPaint(a, dx, 0));
  EXPECT_EQ(a.statistics().lists_redrawn, 1u);
  EXPECT_EQ(painted.canvas.count(0, 0, 200, 160, kRed), 0);
  ASSERT_TRUE(panAndPaint(a, -20, 0)); // 0..100: back in, by whole pixels
  EXPECT_EQ(a.statistics().lists_replayed, 0u) << "the kept points lack the point";
  const PaintedView fresh(fillList, a.window(), kKeepDevice);
  EXPECT_GT(fresh.canvas.count(0, 0, 200, 160, kRed), 10);
  EXPECT_EQ(fresh.differing(painted.canvas), 0);
}

// A restart after a pan by whole pixels moves the kept picture of list 1 and
// draws only the strips the move bared (moved further than the bitmap, it
// draws all kept points again). A repaint that cannot move the kept points (a
// pan by a fraction of a pixel, a list with a text, an element coming into
// the window) draws the last picture's draws from the caches made for the
// first window; one after the list changed walks the list, drawing from the
// same caches; either regenerates only what was never drawn; a zoom makes the
// next picture a full paint. Whichever way, the pixels are those of a new view
// painting the same list at that window. Two lists: a mixed one (wide pens, a
// solid, a point's marker, a block reference) and one of strokes and arcs in
// two colours, which is painted as one batch of a call per pen.
TEST(ViewKeep, RepaintsAfterAPanMatchAFreshPaint) {
  enum class Change { none, text, add, zoom };
  struct Case {
    const char* what;
    bool strokes; // the list of strokes and arcs
    double dx, dy;
    Change change;
    Repaint expected;            // replayed, redrawn, regenerated (only elements drawn for the first time)
    std::uint32_t polylineCalls; // of the strokes in their one batch; 0: not counted
  };
  const Case cases[] = {
      {"right and up", false, 37, -23, Change::none, {1, 0, 0}},
      {"left", false, -5, 0, Change::none, {1, 0, 0}},
      {"down", false, 0, 11, Change::none, {1, 0, 0}},
      {"by the bitmap's width: every kept point again", false, 200, 0, Change::none, {1, 0, 0}},
      {"by most of the bitmap: every kept point again", false, 120, -90, Change::none, {1, 0, 0}},
      {"not at all", false, 0, 0, Change::none, {1, 0, 0}},
      {"half a pixel", false, 0.5, 0, Change::none, {0, 1, 0}},
      {"far enough to bring in the element outside", false, -40, 0, Change::none, {0, 1, 1}},
      {"after an element was added", false, 10, 0, Change::add, {0, 0, 1}},
      {"with a text in the list", false, 10, 0, Change::text, {0, 1, 0}},
      {"after a zoom", false, 0, 0, Change::zoom, {0, 0, 0}},
      {"strokes: a pan by a fraction of a pixel", true, 31.5, 17.25, Change::none, {0, 1, 0}, 2},
      {"strokes: a pan by whole pixels of a list with a text", true, 31, 17, Change::text, {0, 1, 0}, 2},
      {"strokes: a pan that brings an element into the window", true, -40, 0, Change::none, {0, 1, 1}, 3},
      {"strokes: a pan by a fraction of a pixel after an element was added", true, 31.5, 17.25, Change::add,
       {0, 0, 1}, 2},
  };
  auto addOne = [](view& v, bool strokes) {
    ASSERT_TRUE(strokes ? addLine(v, 0, 30, 90, 33, kGreen, 300) : addLine(v, 0, 40, 90, 45, kBlue, 300));
  };
  auto fillList = [&](view& v, const Case& c, bool added) {
    for (int i = 0; i < (c.strokes ? 60 : 30); ++i) {
      const COLORREF colour = i % 2 ? kRed : kGreen;
      if (c.strokes) {
        ASSERT_TRUE(addLine(v, i * 1.5 - 5, -5, i * 1.2 + 5, 90, colour, i));
        ASSERT_TRUE(addCurve(v, arc(i * 1.4 + 5, 40 + i % 7, 4.0 + i % 5), colour, 100 + i));
        continue;
      }
      ASSERT_TRUE(addLine(v, i * 3.1 - 5, -5, i * 2.4 + 5, 90, colour, i, nullptr, i % 5 == 0 ? 3 : 1));
      ASSERT_TRUE(addCurve(v, arc(i * 2.9 + 5, 40 + i % 7, 4.0 + i % 5), colour, 100 + i));
    }
    if (!c.strokes) {
      ASSERT_TRUE(v.add_solid({rectangle(60, 10, 75, 22)}, {true}, rgb(kBlue), 200, false));
      // A point marker reaches beyond its point; an element is drawn only while
      // it is in the window, so the point stays well inside it.
      ASSERT_TRUE(addCurve(v, new GcGePointEnt2d(GcGePoint2d(50, 45)), kMagenta, 201));
      ASSERT_TRUE(v.define_block(GcGePoint2d(0, 0), 7));
      ASSERT_TRUE(addMember(v, circle(0, 0, 3.0), kCyan, 7));
      ASSERT_TRUE(addReference(v, 7, 85, 60, 1.5, 202));
    }
    // Outside the first window, inside its regeneration window.
    ASSERT_TRUE(addLine(v, 105, 40, 115, 60, c.strokes ? kBlue : kBlack, 203));
    if (c.change == Change::text) {
      ASSERT_TRUE(addText(v, 10, 10, u"Kóta", 6.0, kBlue, 204));
    }
    if (added)
      addOne(v, c.strokes);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PaintedView painted([&](view& v) { fillList(v, c, false); }, kKeepWorld, kKeepDevice);
    view& a = painted.v;
    if (c.change == Change::add)
      addOne(a, c.strokes);
    if (c.change == Change::zoom) {
      ASSERT_TRUE(a.zoom(-0.1));
    }
    ASSERT_TRUE(panAndPaint(a, c.dx, c.dy));
    EXPECT_EQ(repaint(a), c.expected);
    if (c.polylineCalls) {
      EXPECT_EQ(a.statistics().flushes, 1u) << "a small list is one batch";
      EXPECT_EQ(a.statistics().polyline_calls, c.polylineCalls) << "one call per pen";
    }

    const PaintedView fresh([&](view& b) { fillList(b, c, c.change == Change::add); }, a.window(), kKeepDevice);
    EXPECT_EQ(fresh.v.statistics().lists_replayed, 0u);
    EXPECT_GT(200 * 160 - fresh.canvas.count(0, 0, 200, 160, kWhite), 200);
    if (c.strokes) {
      EXPECT_GT(fresh.v.statistics().curves_regenerated, 100u);
      EXPECT_GT(fresh.canvas.count(0, 0, 200, 160, kRed), 100);
    }
    // Caches made before a zoom within the reuse band keep their coarser
    // arcs, so only the other cases can be compared pixel for pixel.
    if (c.change != Change::zoom) {
      EXPECT_EQ(fresh.differing(painted.canvas), 0);
    }
  }
}

// A destroyed view leaves its back buffer for the next view of a fitting
// size; the next picture must not show anything of the old one.
TEST(ViewKeep, BackBuffersOfDestroyedViewsAreReusedClean) {
  release_back_buffers();
  ASSERT_EQ(kept_back_buffers(), 0u);
  const extents small = box(0, 0, 120, 90), big = box(0, 0, 400, 300);
  {
    CanvasView first(120, 90);
    for (int i = 0; i < 30; ++i)
      ASSERT_TRUE(addLine(first.v, i * 4, 0, i * 4, 90, kRed, i, nullptr, 3));
    ASSERT_TRUE(first.v.fit_window(&small, &small));
    ASSERT_TRUE(paintAll(first.v));
    EXPECT_GT(first.canvas.count(0, 0, 120, 90, kRed), 2000);
  }
  EXPECT_EQ(kept_back_buffers(), 1u) << "the stage's bitmap is kept";
  {
    CanvasView second(120, 90);
    ASSERT_TRUE(addLine(second.v, 0, 45, 120, 45, kBlue, 1));
    ASSERT_TRUE(second.v.fit_window(&small, &small));
    ASSERT_TRUE(paintAll(second.v));
    EXPECT_EQ(kept_back_buffers(), 0u) << "taken by the new view";
    const Canvas& canvas = second.canvas;
    EXPECT_EQ(canvas.count(0, 0, 120, 90, kRed), 0) << "nothing of the old picture";
    EXPECT_GT(canvas.count(0, 0, 120, 90, kBlue), 100);
    EXPECT_EQ(canvas.count(0, 0, 120, 90, kWhite) + canvas.count(0, 0, 120, 90, kBlue), 120 * 90);
  }
  // A much larger view does not take a small bitmap, nor a small view a huge one.
  {
    CanvasView large(400, 300);
    ASSERT_TRUE(addLine(large.v, 0, 0, 100, 100, kBlue, 1));
    ASSERT_TRUE(large.v.fit_window(&big, &big));
    EXPECT_EQ(kept_back_buffers(), 1u);
    ASSERT_TRUE(paintAll(large.v));
    EXPECT_EQ(kept_back_buffers(), 1u) << "the 120 x 90 bitmap is too small for 400 x 300";
  }
  EXPECT_EQ(kept_back_buffers(), 2u);
  release_back_buffers();
  EXPECT_EQ(kept_back_buffers(), 0u);
}

// A pen that gathers more than a few full GDI calls of points is flushed
// while the list is painted, not only at its end.
TEST(ViewCounts, LargeBatchesAreFlushedOnTheWay) {
  CanvasView cv(200, 100);
  view& v = cv.v;
  const int n = 3 * static_cast<int>(batch_flush_points) / 4; // 1.5 flushes of two-point polylines
  for (int i = 0; i < n; ++i) {
    const double x = 1.0 + (i % 190), y = 1.0 + (i / 190) % 90;
    ASSERT_TRUE(addLine(v, x, y, x + 0.5, y + 0.6, kRed, i));
  }
  const extents area = box(0, 0, 200, 100);
  ASSERT_TRUE(v.fit_window(&area, &area));
  ASSERT_TRUE(paintAll(v));
  EXPECT_GE(v.statistics().flushes, 2u);
  EXPECT_GE(v.statistics().polyline_calls, static_cast<std::uint32_t>(2 * n / cosmetic_pen_limit));
  EXPECT_GT(cv.canvas.count(0, 0, 200, 100, kRed), 1000);
}

TEST(ViewSnapTiming, TheTimeLimitStopsALongSearchUnlessDisabled) {
  ClockedView cv(200, 200);
  view& v = cv.v;
  // Vertical segments at distinct x, all through the pick box: each gives a
  // nearest point of its own, so the results count the candidates examined.
  const int n = 2500;
  for (int i = 0; i < n; ++i) {
    const double x = 95.0 + 10.0 * i / n;
    ASSERT_TRUE(addLine(v, x, 0, x, 200, kRed, i));
  }
  const extents area = box(0, 0, 200, 200);
  ASSERT_TRUE(v.fit_window(&area, &area));
  // The clock is read after every 32nd candidate; the search stops once more
  // than 30 ms have passed since it started. Each result line: the time a
  // candidate takes, a reading, and the candidates examined (the cursor
  // centre is one more result).
  struct Case { std::uint64_t step, tick; bool timed; int examined; } cases[] = {
      {0, 0, true, n},        // work that takes no time
      {300, 0, true, 128},    // 28.8 ms at 96 candidates, 38.4 ms at 128
      {1000, 0, true, 32},    // 32 ms at the first reading
      {0, 10000, true, 128},  // exactly 30 ms at 96 candidates is not more
      {1000, 0, false, n},    // bit 31: no limit
  };
  for (const Case& c : cases) {
    cv.clock.step = c.step;
    cv.clock.tick = c.tick;
    const std::uint32_t modes = snap_nearest | (c.timed ? 0u : snap_no_timer);
    EXPECT_EQ(snap(v, modes, box(90, 90, 110, 110)), static_cast<std::size_t>(c.examined + 1))
        << c.step << " us a candidate, " << c.tick << " us a reading";
  }
}

TEST_F(ViewTest, OwnerWindowMeasuresTheTextBox) {
  ui::unique_hwnd owner = uitest::makePlainWindow(L"PreviewTextOwner", WS_POPUP);
  ASSERT_TRUE(owner);
  v.set_owner(owner.get());
  // "iiii" is far narrower than the estimate of 0.7 x height per character.
  ASSERT_TRUE(addText(v, 10, 50, u"iiii", 10.0, kBlack, 1));
  const extents measured = v.list_item(1, 0)->get_extents(v);
  v.set_owner(nullptr);
  ASSERT_TRUE(addText(v, 10, 50, u"iiii", 10.0, kBlack, 2));
  EXPECT_NEAR(v.list_item(1, 1)->get_extents(v).width(), 28.0, 1e-9) << "estimated";
  EXPECT_GT(measured.width(), 2.0);
  EXPECT_LT(measured.width(), 20.0);
  EXPECT_NEAR(measured.min.y, 48.0, 1e-9) << "0.2 x height below the baseline";
  EXPECT_NEAR(measured.height(), 10.0, 1e-9);
  // What is drawn lies within the measured box.
  ASSERT_TRUE(paintAll(v));
  const GcGePoint2d lo = v.world_to_device().apply(measured.min), hi = v.world_to_device().apply(measured.max);
  const int inside = canvas.count(static_cast<int>(lo.x), static_cast<int>(hi.y), static_cast<int>(hi.x) + 1,
                                  static_cast<int>(lo.y) + 1, kBlack);
  EXPECT_GT(inside, 10);
  EXPECT_EQ(canvas.count(static_cast<int>(hi.x) + 3, 80, 400, 120, kBlack), 0);
}

TEST_F(ViewTest, TextDirectionAndAlignmentPlaceTheInk) {
  // Upwards from world (50, 20) = device (100, 160), left-aligned on the baseline.
  ASSERT_TRUE(addText(v, 50, 20, u"HHHHH", 10.0, kBlack, 1, GcGeVector2d(0, 1)));
  // Middle-aligned from world (150, 50) = device (300, 100), along x.
  ASSERT_TRUE(addText(v, 150, 50, u"HHH", 10.0, kBlue, 2, GcGeVector2d(1, 0), 2));
  ASSERT_TRUE(paintAll(v));
  EXPECT_GT(canvas.count(80, 40, 101, 160, kBlack), 100) << "ink above the insertion point, left of the baseline";
  EXPECT_EQ(canvas.count(101, 0, 400, 200, kBlack), 0);
  EXPECT_EQ(canvas.count(0, 161, 400, 200, kBlack), 0);
  // The cell's top sits half a height above the insertion point, so the
  // capitals straddle it.
  EXPECT_GT(canvas.count(300, 80, 400, 100, kBlue), 40);
  EXPECT_GT(canvas.count(300, 100, 400, 120, kBlue), 10) << "centred on the insertion point's height";
  EXPECT_EQ(canvas.count(300, 0, 400, 78, kBlue) + canvas.count(300, 122, 400, 200, kBlue), 0);
}

TEST(ViewCounts, GdiObjectsAreReleasedAndSelectionsRestored) {
  Canvas canvas(300, 200);
  HDC dc = canvas.surface.dc();
  const HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN), brush = GetCurrentObject(dc, OBJ_BRUSH),
                font = GetCurrentObject(dc, OBJ_FONT);
  std::vector<HGDIOBJ> made;
  {
    view v;
    v.bind_dc(dc);
    v.define_linetype("DASH", {1, -1});
    for (int i = 0; i < 10; ++i)
      ASSERT_TRUE(addCurve(v, circle(i, 0, 2.0), RGB(i * 20, 0, 0), i, i % 3, "DASH"));
    std::unique_ptr<GcGeCompositeCurve2d> sq(rectangle(0, 0, 5, 5));
    ASSERT_TRUE(v.add_solid({sq.get()}, {false}, rgb(kBlue), 20, false));
    ASSERT_TRUE(addText(v, 0, -3, u"abc", 1, kBlack, 21));
    const extents device = box(0, 0, 300, 200);
    v.fit_window(nullptr, &device);
    ASSERT_TRUE(v.zoom_extents(0.05));
    std::vector<std::uint64_t> all{0, 1, 2, 20, 21};
    v.highlight(hl_add_listed, nullptr, &all, true);
    snap(v, snap_end, device);
    GcGePoint2d p;
    ASSERT_TRUE(v.next_snap_point(p));
    ASSERT_TRUE(paintAll(v));
    for (int i = 0; i < v.tables().pens.size(); ++i)
      made.push_back(v.tables().pens.record(i).pen.get());
    for (int i = 0; i < v.tables().brushes.size(); ++i)
      made.push_back(v.tables().brushes.record(i).brush.get());
    EXPECT_EQ(v.tables().brushes.size(), 2) << "solid and hatched";
    EXPECT_GE(v.tables().pens.size(), 10);
    for (HGDIOBJ h : made)
      EXPECT_NE(GetObjectType(h), 0u);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
  }
  for (HGDIOBJ h : made)
    EXPECT_EQ(GetObjectType(h), 0u) << "deleted with the view";
}

} // namespace
