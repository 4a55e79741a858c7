// The preview view painting real GDI under Wine: pixels of a known display
// list, highlighting by window, snap queries and their time limit, the zoom
// limit, repaints from what the view keeps, and the live counts of elements,
// caches and GDI objects.
#include <gtest/gtest.h>
#include <windows.h>

#include "geom/circarc2d.h"
#include "geom/composite_curve2d.h"
#include "geom/linear_ent2d.h"
#include "geom/mathutils.h"
#include "geom/point_ent2d.h"
#include "host/value_chain.h"
#include "preview/view.h"
#include "preview_test_shapes.h"
#include "ui/gdi.h"

#include <algorithm>
#include <functional>
#include <memory>
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
// A pan by a device offset, and the picture painted after it.
bool panAndPaint(view& v, double dx, double dy) { return v.pan(dx, dy) && paintAll(v); }

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

// A view bound to a canvas of w x h pixels, on the performance clock or
// (clocked) on its own work clock; given a world window, it shows that
// window on the whole canvas.
struct CanvasView {
  work_clock clock;
  Canvas canvas;
  view v;
  CanvasView(int w, int h, std::optional<extents> world = std::nullopt, bool clocked = false)
      : canvas(w, h), v(clocked ? static_cast<view_clock&>(clock) : performance_clock()) {
    v.bind_dc(canvas.surface.dc());
    const extents device = box(0, 0, w, h);
    EXPECT_TRUE(!world || v.fit_window(&*world, &device));
  }
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

// World 0..200 x 0..100 on a 400 x 200 bitmap: 2 pixels per unit, device
// (x, y) = (2 wx, 200 - 2 wy).
class ViewTest : public ::testing::Test, protected CanvasView {
protected:
  ViewTest() : CanvasView(400, 200, box(0, 0, 200, 100)) {}
  // The known display list, painted: a line, a circle, a filled square, a
  // text, a block reference and a reference scaled in pixels.
  void paintKnownList() {
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
    ASSERT_TRUE(paintAll(v));
  }
};

TEST_F(ViewTest, HighlightByWindow) {
  paintKnownList();
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
    ASSERT_TRUE(s.mode == hl_pick_remove || v.highlight(hl_clear_all, nullptr, nullptr, false));
    ASSERT_TRUE(v.highlight(s.mode, &s.window, s.list, false));
    H got = v.highlighted();
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, s.highlighted);
    EXPECT_TRUE(s.highlighted != H{1} || v.list_item(1, 0)->highlighted) << "the element knows";
  }
}

// A text in the highlighted set shows the highlight colour on top of the
// picture, not in it: painted anew while highlighted and then taken out of
// the set, it shows its own colour again.
TEST_F(ViewTest, ATextLeavesTheHighlightColourWhenItLeavesTheSet) {
  paintKnownList();
  constexpr COLORREF kHighlight = RGB(205, 205, 55);
  std::vector<std::uint64_t> text{4};
  ASSERT_TRUE(v.highlight(hl_add_listed, nullptr, &text, true));
  ASSERT_TRUE(panAndPaint(v, 1, 0));
  EXPECT_GT(canvas.count(20, 160, 140, 200, kHighlight), 20);
  ASSERT_TRUE(v.highlight(hl_remove_listed, nullptr, &text, true));
  ASSERT_TRUE(paintAll(v));
  EXPECT_EQ(canvas.count(20, 160, 140, 200, kHighlight), 0);
  EXPECT_GT(canvas.count(20, 160, 140, 200, kBlack), 20);
}

// A multiple insert draws every copy of its grid: columns along its
// direction, rows across it.
TEST_F(ViewTest, AMultipleInsertDrawsEveryCopyOfItsGrid) {
  ASSERT_TRUE(v.define_block(GcGePoint2d(0, 0), 100));
  ASSERT_TRUE(addMember(v, seg(0, 0, 10, 0), kMagenta, 100));
  chain_item grid;
  grid.what = chain_item::kind::insert;
  grid.block_key = 100;
  grid.position = GcGePoint2d(20, 20);
  grid.scale = GcGeScale2d(1);
  grid.columns = 3;
  grid.rows = 2;
  grid.column_spacing = 40;
  grid.row_spacing = 30;
  ASSERT_TRUE(v.add_item(std::move(grid), 5, false));
  ASSERT_TRUE(paintAll(v));
  int inCells = 0;
  for (int column = 0; column < 3; ++column)
    for (int row = 0; row < 2; ++row) {
      const int x = 2 * (20 + 40 * column), y = 200 - 2 * (20 + 30 * row);
      const int here = canvas.count(x, y - 1, x + 21, y + 2, kMagenta);
      EXPECT_GE(here, 19) << "column " << column << ", row " << row;
      inCells += here;
    }
  EXPECT_EQ(canvas.count(0, 0, 400, 200, kMagenta), inCells) << "nothing outside the cells";
}

TEST_F(ViewTest, ListTwoWidePensAndElementsOutsideTheWindow) {
  ASSERT_TRUE(addLine(v, 10, 50, 190, 50, kRed, 1, nullptr, 5));            // device y 100, 5 pixels wide
  ASSERT_TRUE(addCurve(v, seg(100, 0, 100, 100), kBlue, 2, 1, nullptr, 2)); // list 2: over list 1
  ASSERT_TRUE(addLine(v, 500, 500, 600, 600, kGreen, 3));                    // far outside the window
  ASSERT_TRUE(paintAll(v));
  EXPECT_NEAR(canvas.count(60, 90, 61, 110, kRed), 5, 1) << "a geometric pen 5 pixels wide";
  EXPECT_EQ(canvas.at(200, 100), kBlue) << "list 2 paints over list 1";
  EXPECT_EQ(canvas.count(200, 0, 201, 200, kBlue), 200);
  EXPECT_EQ(static_cast<curve*>(v.list_item(1, 1))->cache(), nullptr) << "outside the window: nothing regenerated";
  EXPECT_EQ(v.statistics().curves_regenerated, 2u);
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
  const auto at50 = [](const snap_result& x) { return x.point.isEqualTo(GcGePoint2d(50, 50), GcGeTol(1e-6, 0)); };
  EXPECT_EQ(r[0].snap_kind, snap_intersection);
  EXPECT_TRUE(at50(r[0]));
  // Line 3's end point lies there too: kept (kind 1 shares no bit with 256);
  // the crossings of 1 with 3 and of 2 with 3 repeat kind 256 and are dropped.
  EXPECT_EQ(std::count_if(r.begin(), r.end(), at50), 2);
  EXPECT_EQ(std::count_if(r.begin(), r.end(), [&](const snap_result& x) { return at50(x) && x.snap_kind == snap_end; }),
            1);
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
  paintKnownList();
  // Over the square's middle (world 140, 45 = device 280, 110): its box
  // centre, kind 32; elsewhere inside it the centre lies outside the pick box.
  const extents atCentre = box(276, 106, 284, 114);
  ASSERT_EQ(snap(v, snap_solid, atCentre), 2u);
  EXPECT_EQ(v.snap_results()[0].snap_kind, snap_solid);
  EXPECT_TRUE(v.snap_results()[0].point.isEqualTo(GcGePoint2d(140, 45)));
  EXPECT_EQ(snap(v, snap_solid, box(250, 120, 260, 130)), 1u);
  EXPECT_EQ(snap(v, snap_end, atCentre), 1u) << "kind 32 only when asked";
  // A 60 degree arc about (60, 20): its extents stay clear of its centre.
  ASSERT_TRUE(addCurve(v, new GcGeCircArc2d(GcGePoint2d(60, 20), 15, vdgeom::kPi / 6, vdgeom::kPi / 2), kGreen, 8));
  ASSERT_TRUE(paintAll(v));
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
      {"the centre of an arc, off the arc's extents", snap_center, box(116, 156, 124, 164), nullptr, {60, 20},
       GcGeTol(1e-9, 0), snap_center, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_GE(snap(v, c.modes, c.pick, c.last), 2u);
    EXPECT_EQ(v.snap_results()[0].snap_kind, c.kind);
    EXPECT_TRUE(v.snap_results()[0].point.isEqualTo(c.first, c.tolerance));
    EXPECT_EQ(v.snap_results()[0].handle, c.handle);
  }
}

// A text prints through the code page of the drawing's texts: a character
// that the code page lacks prints as its default character, not as a
// look-alike that would pass for what the user typed.
TEST(ViewText, CharactersOutsideTheCodePagePrintAsItsDefaultCharacter) {
  const extents world = box(0, 0, 100, 50), device = box(0, 0, 200, 100);
  auto printed = [&](std::u16string_view text) {
    return std::make_unique<PaintedView>([text](view& v) { ASSERT_TRUE(addText(v, 5, 20, text, 20, kBlack, 1)); },
                                         world, device);
  };
  EXPECT_GT(printed(u"m2a")->differing(printed(u"m?a")->canvas), 0) << "the picture tells the characters apart";
  EXPECT_EQ(printed(u"m\u00B2\u0101")->differing(printed(u"m??")->canvas), 0) << "a squared m and an a with a macron";
  EXPECT_GT(printed(u"\u010D\u00E1")->differing(printed(u"??")->canvas), 0) << "the code page's own letters print";
}

// A text added before the view has a window (a preview pane fills its list
// before its first zoom to the extents) is measured as one added after it,
// so the first picture is fitted to the text as drawn, not to the estimate
// of 0.7 of the height a character.
TEST(ViewText, ATextAddedBeforeTheWindowIsMeasuredToo) {
  const extents world = box(0, 0, 200, 100), device = box(0, 0, 400, 200);
  std::vector<double> widths;
  for (bool windowFirst : {true, false}) {
    view v(performance_clock());
    v.set_owner(GetDesktopWindow());
    ASSERT_TRUE(!windowFirst || v.fit_window(&world, &device));
    ASSERT_TRUE(addText(v, 0, 0, u"1111", 10.0, kBlack, 1));
    widths.push_back(v.drawing_extents().width());
  }
  EXPECT_LT(widths[0], 0.9 * 28.0) << "measured, the digits are narrower than the estimate";
  EXPECT_NEAR(widths[1], widths[0], 0.03 * widths[0]);
}

TEST(ViewProgress, ZoomingInStopsAtTheMinimumWithAMessage) {
  CanvasView cv(200, 100, std::nullopt, true); // its clock moved on by hand below
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
  auto count = [&v](const std::string& text) {
    return std::count_if(v.messages().begin(), v.messages().end(), [&](const view_message& m) { return m.text == text; });
  };
  // The wheel zooms about the cursor: the world point under it stays there
  // on every step, the last one that the limit cut short too.
  const GcGePoint2d cursor(150, 30);
  const GcGePoint2d under = v.device_to_world().apply(cursor);
  int zooms = 0;
  while (!hasMessage(tooSmall)) {
    ASSERT_LT(++zooms, 100);
    ASSERT_TRUE(v.zoom_at(-0.4, cursor.x, cursor.y));
    ASSERT_TRUE(v.device_to_world().apply(cursor).isEqualTo(under, GcGeTol(1e-9, 1e-9))) << zooms;
  }
  EXPECT_GT(zooms, 5);
  EXPECT_NEAR(v.window().diagonal().length(), 500 * 1e-5, 500 * 1e-9);
  // More zooms at the minimum, by the wheel and by the menu: the window stays
  // and the message is shown once, not stacked line over line.
  ASSERT_TRUE(v.zoom_at(-0.4, cursor.x, cursor.y));
  ASSERT_TRUE(v.zoom(-0.4));
  ASSERT_TRUE(v.zoom_at(-0.4, 10, 90));
  EXPECT_NEAR(v.window().diagonal().length(), 500 * 1e-5, 500 * 1e-9) << "stays at the minimum";
  EXPECT_EQ(count(tooSmall), 1);
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

// A cache reused after a pan is drawn without clipping when all its points
// map into the device box of the regeneration window (boundary included),
// as the test on each point would find.
TEST(ViewCounts, ACacheMapsInsideWhenItsReachDoes) {
  CanvasView cv(100, 100, box(0, 0, 100, 100)); // regeneration window -100..200
  view& v = cv.v;
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
    // Lines and arcs in two colours; the strokes twice as many, closer
    // together and all one pixel wide, the mixed list's lines every fifth wide.
    const double bottom = c.strokes ? 1.5 : 3.1, top = c.strokes ? 1.2 : 2.4, centre = c.strokes ? 1.4 : 2.9;
    for (int i = 0; i < (c.strokes ? 60 : 30); ++i) {
      const COLORREF colour = i % 2 ? kRed : kGreen;
      const std::uint32_t width = !c.strokes && i % 5 == 0 ? 3 : 1;
      ASSERT_TRUE(addLine(v, i * bottom - 5, -5, i * top + 5, 90, colour, i, nullptr, width));
      ASSERT_TRUE(addCurve(v, arc(i * centre + 5, 40 + i % 7, 4.0 + i % 5), colour, 100 + i));
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
    ASSERT_TRUE(c.change != Change::text || addText(v, 10, 10, u"Kóta", 6.0, kBlue, 204));
    if (added)
      addOne(v, c.strokes);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PaintedView painted([&](view& v) { fillList(v, c, false); }, kKeepWorld, kKeepDevice);
    view& a = painted.v;
    if (c.change == Change::add)
      addOne(a, c.strokes);
    ASSERT_TRUE(c.change != Change::zoom || a.zoom(-0.1));
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

TEST(ViewSnapTiming, TheTimeLimitStopsALongSearchUnlessDisabled) {
  CanvasView cv(200, 200, box(0, 0, 200, 200), true);
  view& v = cv.v;
  // Vertical segments at distinct x, all through the pick box: each gives a
  // nearest point of its own, so the results count the candidates examined.
  const int n = 2500;
  for (int i = 0; i < n; ++i) {
    const double x = 95.0 + 10.0 * i / n;
    ASSERT_TRUE(addLine(v, x, 0, x, 200, kRed, i));
  }
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
