// The preview pane in a dialog under Wine, driven by mouse and key messages
// posted to it as the drivers post them: zoom and pan, hover snapping, Tab,
// point input, click and box selection, the Ctrl messages, the focus frame,
// and the parent's messages that wait for the last of a long paint.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/preview_button.h"
#include "dialog_script.h"
#include "script_run.h"
#include "geom/linear_ent2d.h"
#include "preview_test_ids.h"
#include "tools/vdhost/window_input.h"
#include "ui/dialog.h"

namespace {

using vd::previewBtn;
using Handles = std::vector<std::uint64_t>;

// The sample: lines by handle, in world units; extents (0, 0)-(100, 50).
struct Line {
  std::uint64_t handle;
  double x0, y0, x1, y1;
};
const Line kLines[] = {
    {1, 0, 0, 100, 0},     {2, 0, 50, 100, 50},
    {3, 20, 10, 40, 30},   {4, 60, 10, 80, 30},
    {5, 21, 10, 21, 45},  // its end lies a unit from line 3's
};

void addLine(GDI::view& v, const Line& l) {
  ASSERT_TRUE(v.add_curve(new GcGeLineSeg2d(GcGePoint2d(l.x0, l.y0), GcGePoint2d(l.x1, l.y1)),
                          GDI::colour_pair(0, RGB(0, 0, 0)), 1, nullptr, 1, l.handle, false, false));
}
void fillSample(GDI::view& v) {
  for (const Line& l : kLines) addLine(v, l);
}

// A clock on which painting an element takes 2 ms: a list of a few hundred
// elements needs several paint calls of the 100 ms budget.
struct SlowClock final : GDI::view_clock {
  std::uint64_t t = 0;
  std::uint64_t now_us(std::uint32_t work) override { return t += work * 2000ull; }
};

// Records what the pane asks of its tool tip's activation.
std::vector<WPARAM> g_activations;
WNDPROC g_toolTipProc = nullptr;
LRESULT CALLBACK recordActivation(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == TTM_ACTIVATE) g_activations.push_back(wp);
  return CallWindowProcW(g_toolTipProc, w, m, wp, lp);
}

// A message the dialog heard from the pane, with what it could see then.
struct Note {
  UINT message;
  WPARAM id;
  LPARAM token;
  std::optional<GcGePoint2d> point;  // the point the token names
  int paints;                        // WM_PAINTs the pane had seen
  std::uint32_t stages;              // stages of the view still to paint
};

class PaneDialog : public ui::Dialog {
 public:
  PaneDialog() : ui::Dialog(IDD_PREVIEW_TEST) { Bind(IDC_PREVIEW_PANE, pane); }

  bool ProcessMessage(ui::Message& m) override {
    if (m.message == WM_COMMAND && LOWORD(m.wParam) == IDC_PREVIEW_PANE && HIWORD(m.wParam) == BN_DOUBLECLICKED)
      ++doubleClicks;
    if (m.message < previewBtn::kSnapClicked || m.message > previewBtn::kCtrlPressed)
      return ui::Dialog::ProcessMessage(m);
    if (m.message == previewBtn::kToolTipText) {
      const auto& request = *reinterpret_cast<vd::previewTipRequest*>(m.lParam);
      tipHandles = *request.handles;
      for (std::uint64_t h : tipHandles)
        *request.text += (request.text->empty() ? L"Prvek " : L"\nPrvek ") + std::to_wstring(h);
    }
    notes.push_back(
        Note{m.message, m.wParam, m.lParam, pane.postedPoint(m.lParam), paints, pane.view().stage_flags()});
    return true;
  }

  // The notes of one message.
  std::vector<Note> heard(UINT message) const {
    std::vector<Note> out;
    std::copy_if(notes.begin(), notes.end(), std::back_inserter(out),
                 [&](const Note& n) { return n.message == message; });
    return out;
  }

  vd::previewBtn pane;
  std::function<void(GDI::view&)> fill = fillSample;  // the content, put in at initialisation
  std::vector<Note> notes;
  int paints = 0;
  int doubleClicks = 0;
  Handles tipHandles;

 protected:
  bool OnInitDialog() override {
    SetWindowSubclass(pane.hwnd(), &countPaints, 0x7E57, reinterpret_cast<DWORD_PTR>(this));
    fill(pane.view());
    pane.zoomExtents();
    return ui::Dialog::OnInitDialog();
  }

 private:
  static LRESULT CALLBACK countPaints(HWND hwnd, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR self) {
    if (message == WM_PAINT) ++reinterpret_cast<PaneDialog*>(self)->paints;
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &countPaints, 0x7E57);
    return DefSubclassProc(hwnd, message, w, l);
  }
};

POINT moved(POINT p, int dx, int dy) { return POINT{p.x + dx, p.y + dy}; }

// Puts the real cursor on a client point of a window.
void putCursor(HWND w, POINT client) {
  ClientToScreen(w, &client);
  SetCursorPos(client.x, client.y);
}

Handles sorted(Handles h) {
  std::sort(h.begin(), h.end());
  return h;
}

void expectNear(const GcGePoint2d& a, const GcGePoint2d& b, double tol, const char* what) {
  EXPECT_NEAR(a.x, b.x, tol) << what;
  EXPECT_NEAR(a.y, b.y, tol) << what;
}

// A dialog with the pane showing the sample, and the input a test gives it.
class PreviewPane : public testing::Test {
 protected:
  // Runs the dialog with `steps` once its pane has painted; it closes after them.
  void run(const std::function<void(uitest::DialogScript&)>& steps) {
    uitest::runSteps(dlg, [&] { return dlg.window().visible() && settled(); }, "the pane to paint", steps);
  }
  // The pane has painted and has nothing left to paint.
  bool settled() const {
    return (dlg.pane.mouseState() & previewBtn::kPaintCompleted) && !GetUpdateRect(dlg.pane.hwnd(), nullptr, FALSE);
  }
  // A wait for the pane to paint.
  void waitSettled(uitest::DialogScript& s) {
    s.waitFor([this] { return settled(); }, "the pane to paint");
  }
  // A step, then a wait for the pane to paint what it brought.
  void thenSettled(uitest::DialogScript& s, std::function<void()> step) {
    s.then(std::move(step));
    waitSettled(s);
  }

  // Client pixel of a world point, and world point of a client pixel.
  POINT at(double x, double y) const {
    const GcGePoint2d d = dlg.pane.view().world_to_device().apply(GcGePoint2d(x, y));
    return POINT{std::lround(d.x), std::lround(d.y)};
  }
  GcGePoint2d worldAt(POINT c) const { return dlg.pane.view().device_to_world().apply(GcGePoint2d(c.x, c.y)); }

  // Mouse input at a client point, posted to the pane as the driver posts it.
  void post(UINT message, WPARAM keys, POINT p) const {
    PostMessageW(dlg.pane.hwnd(), message, keys, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
  }
  void leftClick(POINT p) const { vdhost::postClick(dlg.pane.hwnd(), p); }
  void moveAndClick(POINT p) const { vdhost::postMoveAndClick(dlg.pane.hwnd(), p); }
  void resetSelection() { dlg.pane.view().highlight(GDI::hl_reset_set, nullptr, nullptr, false); }

  PaneDialog dlg;
};

// The middle button pans (the content follows the cursor); a middle double
// click shows the whole content with a 5 % margin.
TEST_F(PreviewPane, MiddleButtonPansAndDoubleClickShowsEverything) {
  const POINT p0{60, 50}, p1{130, 20};
  GcGePoint2d grabbed;
  double size = 0;
  run([&](uitest::DialogScript& s) {
    s.then([&] { vdhost::postWheel(dlg.pane.hwnd(), POINT{40, 40}, 240); });
    s.then([&] {
      grabbed = worldAt(p0);
      size = dlg.pane.view().window().width();
      post(WM_MBUTTONDOWN, MK_MBUTTON, p0);
      post(WM_MOUSEMOVE, MK_MBUTTON, POINT{90, 31});
      post(WM_MOUSEMOVE, MK_MBUTTON, p1);
    });
    s.then([&] { EXPECT_EQ(dlg.pane.drag(), previewBtn::kDragPan); });
    s.then([&] { post(WM_MBUTTONUP, 0, p1); });
    s.then([&] {
      EXPECT_EQ(dlg.pane.drag(), previewBtn::kDragNone);
      expectNear(worldAt(p1), grabbed, 1e-9 * size, "the grabbed point under the cursor");
      EXPECT_NEAR(dlg.pane.view().window().width(), size, 1e-9 * size);
      const POINT c = uitest::clientCentre(dlg.pane.hwnd());
      post(WM_MBUTTONDOWN, MK_MBUTTON, c);
      post(WM_MBUTTONUP, 0, c);
      post(WM_MBUTTONDBLCLK, MK_MBUTTON, c);
      post(WM_MBUTTONUP, 0, c);
    });
    s.then([&] {
      // The extents (0, 0)-(100, 50) grown by 5 % of their diagonal at each
      // end, then widened to the pane's shape about their centre.
      const GDI::extents& w = dlg.pane.view().window();
      const GDI::extents& d = dlg.pane.view().device();
      const double tol = 1e-9;
      expectNear(w.center(), GcGePoint2d(50, 25), tol, "centre");
      EXPECT_NEAR(w.width() / w.height(), d.width() / d.height(), tol);
      EXPECT_GE(w.width(), 110 - tol);
      EXPECT_GE(w.height(), 55 - tol);
      EXPECT_TRUE(std::abs(w.width() - 110) < tol || std::abs(w.height() - 55) < tol)
          << "one side fits exactly: " << w.width() << " x " << w.height();
    });
  });
}

// After a request the left button pans (the content follows the cursor) or
// zooms about the window's centre by 0.1 % of the diagonal per pixel down;
// the request serves one press.
TEST_F(PreviewPane, LeftDragAfterARequest) {
  struct Row {
    std::uint32_t request;
    int dy1, dy2;  // two moves down from the press
  } rows[] = {{previewBtn::kDragPan, 30, 20}, {previewBtn::kDragZoom, 30, 20}, {previewBtn::kDragZoom, -40, 15}};
  const POINT p0{100, 60};
  GDI::extents before;
  GcGePoint2d grabbed;
  POINT end{};
  run([&](uitest::DialogScript& s) {
    for (const Row& r : rows) {
      s.then([&] {
        dlg.pane.setSelectMode(nullptr, false);
        dlg.pane.requestDrag(r.request);
        before = dlg.pane.view().window();
        grabbed = worldAt(p0);
        end = POINT{125, 60 + r.dy1 + r.dy2};
        post(WM_LBUTTONDOWN, MK_LBUTTON, p0);
        post(WM_MOUSEMOVE, MK_LBUTTON, POINT{110, 60 + r.dy1});
        post(WM_MOUSEMOVE, MK_LBUTTON, end);
      });
      s.then([&] {
        EXPECT_EQ(dlg.pane.drag(), r.request);
        EXPECT_EQ(GetCapture(), dlg.pane.hwnd());
        post(WM_LBUTTONUP, 0, end);
      });
      s.then([&] {
        SCOPED_TRACE(testing::Message() << "request " << r.request << ", moves " << r.dy1 << ", " << r.dy2);
        EXPECT_EQ(dlg.pane.drag(), previewBtn::kDragNone);
        const GDI::extents& w = dlg.pane.view().window();
        const double tol = 1e-9 * before.width();
        if (r.request == previewBtn::kDragPan) {
          expectNear(worldAt(end), grabbed, tol, "the grabbed point under the cursor");
          EXPECT_NEAR(w.width(), before.width(), tol);
        } else {
          const double factor = (1 + 2 * 0.001 * r.dy1) * (1 + 2 * 0.001 * r.dy2);
          EXPECT_NEAR(w.width() / before.width(), factor, 1e-9);
          EXPECT_NEAR(w.height() / before.height(), factor, 1e-9);
          expectNear(w.center(), before.center(), tol, "the centre stays");
        }
        EXPECT_TRUE(dlg.pane.selection().empty()) << "the press selected nothing";
        // The request is used up: the next press selects.
        leftClick(at(30, 20));
      });
      s.then([&] {
        EXPECT_EQ(dlg.pane.selection(), Handles{3});
        resetSelection();
      });
    }
  });
}

// With hover focus the pane takes the focus when the mouse comes and gives
// it back once the mouse has left.
TEST_F(PreviewPane, HoverFocusReturns) {
  auto edit = [this] { return dlg.item(IDC_PREVIEW_EDIT).hwnd(); };
  run([&](uitest::DialogScript& s) {
    s.then([&] {
      dlg.pane.setHoverFocus(true);
      SetFocus(edit());
      putCursor(dlg.pane.hwnd(), POINT{50, 50});
      post(WM_MOUSEMOVE, 0, POINT{50, 50});
    });
    s.then([&] {
      EXPECT_EQ(GetFocus(), dlg.pane.hwnd()) << "the mouse brought the focus";
      putCursor(edit(), POINT{5, 5});
    });
    // The cursor is put there again on each look: a test on the same
    // display may have moved it meanwhile.
    s.waitFor(
        [&] {
          putCursor(edit(), POINT{5, 5});
          return GetFocus() == edit();
        },
        "the focus to go back", 3000);
  });
}

// Hover snapping to curve ends: a query when the cursor leaves the box of
// the current snap point (or there is none), none while it stays inside. A
// narrow aperture refuses an end 3 pixels away (8.5 in the view's measure)
// and takes one under the cursor (at most 2 for the rounding); setting it
// drops the snap point it may no longer allow.
TEST_F(PreviewPane, SnapQueriesOnlyWhenTheCursorLeavesTheSnapBox) {
  const int h = 7;  // the pick half-size, checked against the pane below
  const struct Row {
    const char* what;
    int dx, dy;  // from the end (80, 30), in pixels
    int queries;
    bool snapped;
    double aperture = 0;  // set before the move when given
  } rows[] = {
      {"near the end", 2, 1, 1, true},
      {"inside its box", -(h - 1), h - 1, 0, true},
      {"inside its box, the other corner", h - 1, -(h - 1), 0, true},
      {"just outside its box", h + 1, 0, 1, false},
      {"no snap point: every move asks", h + 2, 0, 1, false},
      {"back onto the end", 1, 0, 1, true},
      {"beyond the aperture: the snap point was dropped", 3, 0, 1, false, 3.0},
      {"within the aperture", 0, 0, 1, true},
  };
  std::uint32_t queries = 0;
  run([&](uitest::DialogScript& s) {
    s.then([&] {
      dlg.pane.setSnapMode(GDI::snap_end, nullptr, false);
      ASSERT_EQ(dlg.pane.pickHalf(), h) << "the rows assume a 96-dpi screen";
    });
    for (const Row& r : rows) {
      s.then([&] {
        if (r.aperture) dlg.pane.setSnapAperture(r.aperture);
        queries = dlg.pane.snapQueries();
        post(WM_MOUSEMOVE, 0, moved(at(80, 30), r.dx, r.dy));
      });
      s.then([&] {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(dlg.pane.snapQueries() - queries, static_cast<std::uint32_t>(r.queries));
        ASSERT_EQ(dlg.pane.snapPoint().has_value(), r.snapped);
        if (r.snapped) expectNear(*dlg.pane.snapPoint(), GcGePoint2d(80, 30), 1e-9, "the end");
      });
    }
  });
}

// Tab moves to the next snap candidate (the cursor centre, no snap point,
// is passed over) and stays in the pane; without a snap point it moves the
// focus on as in any dialog.
TEST_F(PreviewPane, TabCyclesSnapCandidates) {
  const GcGePoint2d cycle[] = {{21, 10}, {20, 10}, {21, 10}};
  run([&](uitest::DialogScript& s) {
    s.then([&] {
      dlg.pane.setSnapMode(GDI::snap_end, nullptr, false);
      SetFocus(dlg.pane.hwnd());
      post(WM_MOUSEMOVE, 0, at(20.3, 10.2));
    });
    s.then([&] {
      const auto& results = dlg.pane.view().snap_results();
      ASSERT_EQ(results.size(), 3u) << "two ends and the cursor centre";
      expectNear(results[0].point, GcGePoint2d(20, 10), 1e-9, "nearest");
      expectNear(results[1].point, GcGePoint2d(21, 10), 1e-9, "second");
      EXPECT_EQ(results[2].snap_kind, GDI::snap_none);
      ASSERT_TRUE(dlg.pane.snapPoint());
      expectNear(*dlg.pane.snapPoint(), results[0].point, 1e-9, "hover takes the nearest");
    });
    for (const GcGePoint2d& expected : cycle) {
      s.then([&] { uitest::postKey(dlg.pane.hwnd(), VK_TAB); });
      s.then([&] {
        ASSERT_TRUE(dlg.pane.snapPoint());
        expectNear(*dlg.pane.snapPoint(), expected, 1e-9, "after Tab");
        EXPECT_EQ(GetFocus(), dlg.pane.hwnd()) << "Tab stays in the pane";
      });
    }
    s.then([&] { post(WM_MOUSEMOVE, 0, at(50, 25)); });
    s.then([&] {
      EXPECT_FALSE(dlg.pane.snapPoint());
      uitest::postKey(dlg.pane.hwnd(), VK_TAB);
    });
    s.then([&] { EXPECT_NE(GetFocus(), dlg.pane.hwnd()) << "without a snap point Tab leaves the pane"; });
  });
}

// A left click on a snap point tells the parent the point (in the snap
// modes, before any selection); elsewhere a select mode selects; a double
// click is the button's double-click notification.
TEST_F(PreviewPane, ClickOnASnapPoint) {
  struct Row {
    const char* what;
    std::uint32_t mode;
    double x, y;  // where the mouse comes and clicks
    std::optional<GcGePoint2d> snapped;
    Handles selected;
  } rows[] = {
      {"snap mode, on an end", previewBtn::kModeSnap, 80.3, 29.8, GcGePoint2d(80, 30), {}},
      {"snap mode, away from ends", previewBtn::kModeSnap, 70, 20, std::nullopt, {}},
      {"snap and select, on an end", previewBtn::kModeSnapSelect, 80.3, 29.8, GcGePoint2d(80, 30), {}},
      {"snap and select, away from ends", previewBtn::kModeSnapSelect, 70, 20, std::nullopt, {4}},
      {"select mode, on an end", previewBtn::kModeSelect, 80.3, 29.8, std::nullopt, {4}},
  };
  run([&](uitest::DialogScript& s) {
    for (const Row& r : rows) {
      thenSettled(s, [&] {
        dlg.notes.clear();
        resetSelection();
        if (r.mode == previewBtn::kModeSnap) dlg.pane.setSnapMode(GDI::snap_end, nullptr, false);
        if (r.mode == previewBtn::kModeSelect) dlg.pane.setSelectMode(nullptr, false);
        if (r.mode == previewBtn::kModeSnapSelect)
          dlg.pane.setSnapSelectMode(GDI::snap_end, nullptr, false, nullptr, false);
        SetFocus(dlg.item(IDC_PREVIEW_EDIT).hwnd());
        moveAndClick(at(r.x, r.y));
      });
      s.then([&] {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(dlg.pane.mode(), r.mode);
        const std::vector<Note> clicked = dlg.heard(previewBtn::kSnapClicked);
        ASSERT_EQ(clicked.size(), r.snapped ? 1u : 0u);
        if (r.snapped) {
          ASSERT_TRUE(clicked[0].point);
          expectNear(*clicked[0].point, *r.snapped, 1e-9, "the snap point");
          EXPECT_EQ(GetFocus(), dlg.pane.hwnd()) << "the click takes the focus";
        }
        EXPECT_EQ(sorted(dlg.pane.selection()), r.selected);
        EXPECT_EQ(dlg.heard(previewBtn::kSelectionChanged).size(), r.selected.empty() ? 0u : 1u);
      });
    }
    s.then([&] {
      dlg.doubleClicks = 0;
      post(WM_LBUTTONDBLCLK, MK_LBUTTON, POINT{20, 20});
    });
    s.then([&] { EXPECT_EQ(dlg.doubleClicks, 1) << "BN_DOUBLECLICKED from the pane"; });
  });
}

// Every way point input ends, each telling the parent once: a click gives
// the snap point or the point under the cursor, everything else no point.
TEST_F(PreviewPane, PointInputEnds) {
  const POINT free{33, 44};
  struct Row {
    const char* what;
    std::uint32_t modes;
    std::optional<GcGePoint2d> base;
    std::function<void()> act;
    std::optional<GcGePoint2d> point;  // nullopt: no point; NaN x: the point under `free`
    bool running = false;              // point input runs again afterwards
  };
  const Row rows[] = {
      {"click on a snap point", GDI::snap_end, std::nullopt, [this] { moveAndClick(moved(at(80, 30), 2, -3)); },
       GcGePoint2d(80, 30)},
      {"click away from snap points", GDI::snap_end, std::nullopt, [&] { moveAndClick(free); },
       GcGePoint2d(std::nan(""), 0)},
      {"perpendicular from the base point", GDI::snap_perpendicular, GcGePoint2d(50, 20),
       [this] { moveAndClick(moved(at(50, 0), 3, 2)); }, GcGePoint2d(50, 0)},
      {"Esc", GDI::snap_end, std::nullopt, [this] { uitest::postKey(dlg.pane.hwnd(), VK_ESCAPE); }, std::nullopt},
      {"the focus goes to another control", GDI::snap_end, GcGePoint2d(10, 10),
       [this] { SetFocus(dlg.item(IDC_PREVIEW_EDIT).hwnd()); }, std::nullopt},
      {"another mode", GDI::snap_end, std::nullopt, [this] { dlg.pane.setSelectMode(nullptr, false); }, std::nullopt},
      {"another point input", GDI::snap_end, std::nullopt,
       [this] { dlg.pane.startPointInput(GDI::snap_end, nullptr); }, std::nullopt, true},
  };
  run([&](uitest::DialogScript& s) {
    for (const Row& r : rows) {
      thenSettled(s, [&] { dlg.pane.setModeNone(); });
      thenSettled(s, [&] {
        dlg.notes.clear();
        dlg.pane.startPointInput(r.modes, r.base ? &*r.base : nullptr);
      });
      s.then([&] {
        SCOPED_TRACE(r.what);
        EXPECT_TRUE(dlg.pane.pointInput());
        EXPECT_EQ(GetFocus(), dlg.pane.hwnd()) << "point input takes the focus";
        EXPECT_TRUE(dlg.notes.empty());
        r.act();
      });
      s.waitFor([&] { return !dlg.heard(previewBtn::kPointInputEnded).empty() && settled(); },
                std::string("point input to end: ") + r.what);
      s.then([&] {
        SCOPED_TRACE(r.what);
        const std::vector<Note> ended = dlg.heard(previewBtn::kPointInputEnded);
        ASSERT_EQ(ended.size(), 1u);
        EXPECT_EQ(ended[0].id, static_cast<WPARAM>(IDC_PREVIEW_PANE));
        EXPECT_EQ(dlg.pane.pointInput(), r.running);
        if (!r.point) {
          EXPECT_EQ(ended[0].token, 0);
          EXPECT_FALSE(ended[0].point);
          return;
        }
        ASSERT_TRUE(ended[0].point);
        const GcGePoint2d expected = std::isnan(r.point->x) ? worldAt(free) : *r.point;
        expectNear(*ended[0].point, expected, 1e-9, "the picked point");
      });
    }
  });
}

// A click toggles the element under the cursor; a box adds what lies wholly
// inside it, through the handle filter. Each change is reported once.
TEST_F(PreviewPane, ClickAndBoxSelection) {
  struct Click {
    double x, y;
    Handles selected;
    bool reported;
  } clicks[] = {
      {30, 20, {3}, true}, {30, 20, {}, true}, {50, 38, {}, false}, {70, 20, {4}, true}, {30.5, 20, {3, 4}, true},
  };
  // However the drag ends, the box's selection stays and the dialog hears of it.
  const auto buttonUp = [&] { post(WM_LBUTTONUP, 0, at(88, 4)); };
  const auto esc = [&] { uitest::postKey(dlg.pane.hwnd(), VK_ESCAPE); };
  const auto captureLost = [&] { ReleaseCapture(); };
  struct Box {
    const char* what;
    std::optional<Handles> filter;
    bool sense;
    Handles selected;
    std::function<void()> end;
  } boxes[] = {
      {"no filter", std::nullopt, false, {3, 4}, buttonUp},
      {"all but 4, ended by Esc", Handles{4}, false, {3}, esc},
      {"only 4, ended by a lost capture", Handles{4}, true, {4}, captureLost},
      {"only elements outside the box", Handles{1, 2, 5}, true, {}, buttonUp},
  };
  run([&](uitest::DialogScript& s) {
    s.then([&] { dlg.pane.setSelectMode(nullptr, false); });
    for (const Click& c : clicks) {
      thenSettled(s, [&] {
        dlg.notes.clear();
        leftClick(at(c.x, c.y));
      });
      s.then([&] {
        SCOPED_TRACE(testing::Message() << "click at " << c.x << "," << c.y);
        EXPECT_EQ(sorted(dlg.pane.selection()), c.selected);
        EXPECT_EQ(dlg.heard(previewBtn::kSelectionChanged).size(), c.reported ? 1u : 0u);
      });
    }
    for (const Box& b : boxes) {
      s.then([&] {
        dlg.notes.clear();
        resetSelection();
        dlg.pane.setSelectMode(b.filter ? &*b.filter : nullptr, b.sense);
        post(WM_LBUTTONDOWN, MK_LBUTTON, at(12, 38));
        post(WM_MOUSEMOVE, MK_LBUTTON, at(50, 20));
        post(WM_MOUSEMOVE, MK_LBUTTON, at(88, 4));
      });
      thenSettled(s, [&] {
        EXPECT_EQ(dlg.pane.drag(), previewBtn::kDragSelect);
        EXPECT_EQ(GetCapture(), dlg.pane.hwnd()) << "the drag has the mouse";
        b.end();
      });
      s.then([&] {
        SCOPED_TRACE(b.what);
        EXPECT_EQ(dlg.pane.drag(), previewBtn::kDragNone);
        EXPECT_NE(GetCapture(), dlg.pane.hwnd());
        EXPECT_EQ(sorted(dlg.pane.selection()), b.selected);
        const std::vector<Note> changed = dlg.heard(previewBtn::kSelectionChanged);
        EXPECT_EQ(changed.size(), b.selected.empty() ? 0u : 1u);
        for (const Note& n : changed) EXPECT_EQ(n.id, static_cast<WPARAM>(IDC_PREVIEW_PANE));
      });
    }
  });
}

// A picture that takes several paint calls: the click's message comes after
// the last of them, not before.
TEST_F(PreviewPane, QueuedMessagesWaitForTheLastPaint) {
  SlowClock clock;
  dlg.fill = [&](GDI::view& v) {
    v.set_clock(clock);
    fillSample(v);
    for (int i = 0; i < 400; ++i) addLine(v, Line{100u + i, 1.0 + i * 0.2, 40, 1.5 + i * 0.2, 45});
  };
  int paintsBefore = 0;
  run([&](uitest::DialogScript& s) {
    s.then([&] {
      dlg.pane.setSelectMode(nullptr, false);
      dlg.notes.clear();
      paintsBefore = dlg.paints;
      // The zoom starts the picture afresh; the click selects line 3 before
      // the first paint call.
      vdhost::postWheel(dlg.pane.hwnd(), at(30, 20), -120);
      leftClick(at(30, 20));
    });
    s.waitFor([&] { return !dlg.heard(previewBtn::kSelectionChanged).empty(); }, "the selection message");
    waitSettled(s);
    s.then([&] {
      const std::vector<Note> changed = dlg.heard(previewBtn::kSelectionChanged);
      ASSERT_EQ(changed.size(), 1u);
      EXPECT_EQ(sorted(dlg.pane.selection()), Handles{3});
      EXPECT_GE(changed[0].paints - paintsBefore, 3) << "the picture took several paint calls";
      EXPECT_EQ(changed[0].paints, dlg.paints) << "the message came after the last paint call";
      EXPECT_EQ(changed[0].stages, 0u) << "nothing was left to paint when it came";
    });
  });
}

// The tool tip asks the parent for the text of the elements under the
// cursor, and the selection the pick went through is as it was.
TEST_F(PreviewPane, ToolTipShowsTheParentsTextForTheElementsUnderTheCursor) {
  run([&](uitest::DialogScript& s) {
    thenSettled(s, [&] {
      ASSERT_TRUE(dlg.pane.setToolTip(true));
      dlg.pane.setSelectMode(nullptr, false);
      leftClick(at(70, 20));
    });
    s.then([&] {
      ASSERT_EQ(dlg.pane.selection(), Handles{4});
      dlg.notes.clear();
      // The tip checks where the cursor really is before it shows.
      putCursor(dlg.pane.hwnd(), at(21, 12));
      post(WM_MOUSEMOVE, 0, at(21, 12));
    });
    s.waitFor([&] { return IsWindowVisible(dlg.pane.toolTip().hwnd()) != FALSE; }, "the tool tip to show");
    s.then([&] {
      EXPECT_EQ(sorted(dlg.tipHandles), (Handles{3, 5})) << "the lines under the cursor";
      EXPECT_EQ(dlg.pane.toolTip().text(), L"Prvek 3\nPrvek 5");
      const std::vector<Note> asked = dlg.heard(previewBtn::kToolTipText);
      ASSERT_FALSE(asked.empty());
      EXPECT_EQ(asked[0].id, static_cast<WPARAM>(IDC_PREVIEW_PANE));
      EXPECT_EQ(dlg.pane.selection(), Handles{4}) << "the selection is put back after the pick";
      // A move hides the tip.
      post(WM_MOUSEMOVE, 0, at(50, 25));
    });
    s.then([&] {
      EXPECT_FALSE(IsWindowVisible(dlg.pane.toolTip().hwnd()));
      // While the picture is dragged, the cursor resting over the lines
      // brings no tip: it would hide what is being moved.
      putCursor(dlg.pane.hwnd(), at(21, 12));
      post(WM_MBUTTONDOWN, MK_MBUTTON, at(21, 12));
      post(WM_MOUSEMOVE, MK_MBUTTON, at(21, 12));
    });
    // The parent switching the tip on again during the drag does not bring it either.
    s.then([&] {
      ASSERT_EQ(dlg.pane.drag(), previewBtn::kDragPan);
      ASSERT_TRUE(dlg.pane.setToolTip(true));
    });
    auto shownWithin = [&](int milliseconds) {
      auto until = std::make_shared<std::chrono::steady_clock::time_point>();
      auto shown = std::make_shared<bool>(false);
      s.then([until, milliseconds] { *until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds); });
      s.waitFor(
          [&, until, shown] {
            *shown = *shown || IsWindowVisible(dlg.pane.toolTip().hwnd()) != FALSE;
            return *shown || std::chrono::steady_clock::now() >= *until;
          },
          "the wait");
      return shown;
    };
    const auto shownInDrag = shownWithin(1000);
    s.then([&, shownInDrag] {
      EXPECT_FALSE(*shownInDrag) << "the tip showed during the drag";
      // The drag ends: resting over the lines shows the tip again.
      post(WM_MBUTTONUP, 0, at(21, 12));
      post(WM_MOUSEMOVE, 0, at(21, 12));
    });
    s.waitFor([&] { return IsWindowVisible(dlg.pane.toolTip().hwnd()) != FALSE; }, "the tool tip to show after the drag");
    // A click that starts no drag hides the tip until the cursor leaves the
    // pane, unless the tip is switched off and on again after the release.
    s.then([&] {
      dlg.pane.setSnapMode(GDI::snap_end, nullptr, false);
      g_activations.clear();
      g_toolTipProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
          dlg.pane.toolTip().hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&recordActivation)));
      leftClick(at(50, 25));
    });
    s.then([&] {
      SetWindowLongPtrW(dlg.pane.toolTip().hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_toolTipProc));
      ASSERT_GE(g_activations.size(), 2u);
      EXPECT_EQ(g_activations[g_activations.size() - 2], FALSE);
      EXPECT_EQ(g_activations.back(), TRUE) << "the tip is on again after the click";
    });
  });
}

// The cursor of each state: hidden where the pane draws its cross-hair, the
// pan and zoom cursors while dragging, the parent's (here the class arrow)
// without a mode.
TEST_F(PreviewPane, CursorFollowsTheState) {
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  const POINT corner{5, 5};
  const struct Row {
    const char* what;
    std::function<void()> set;
    HCURSOR cursor;
  } rows[] = {
      {"no mode", [&] { dlg.pane.setModeNone(); }, arrow},
      {"hover", [&] { dlg.pane.setSnapMode(GDI::snap_end, nullptr, false); }, nullptr},
      {"snapping on, no snap point",
       [&] {
         dlg.pane.setSnappingOn(true);
         post(WM_MOUSEMOVE, 0, at(50, 25));
       },
       arrow},
      {"snapping on, on a snap point", [&] { post(WM_MOUSEMOVE, 0, at(80, 30)); }, nullptr},
      {"point input, snapping on, no snap point", [&] { dlg.pane.startPointInput(GDI::snap_end, nullptr); }, arrow},
      {"point input", [&] { dlg.pane.setSnappingOn(false); }, nullptr},
      {"select", [&] { dlg.pane.setSelectMode(nullptr, false); }, arrow},
      {"selection drag", [&] { post(WM_LBUTTONDOWN, MK_LBUTTON, corner); }, nullptr},
      {"pan", [&] { post(WM_MBUTTONDOWN, MK_MBUTTON, corner); }, LoadCursorW(nullptr, IDC_SIZEALL)},
      {"zoom drag",
       [&] {
         post(WM_MBUTTONUP, 0, corner);
         dlg.pane.requestDrag(previewBtn::kDragZoom);
         post(WM_LBUTTONDOWN, MK_LBUTTON, corner);
       },
       LoadCursorW(nullptr, IDC_SIZENS)},
      {"Esc ends the drag", [&] { uitest::postKey(dlg.pane.hwnd(), VK_ESCAPE); }, arrow},
  };
  run([&](uitest::DialogScript& s) {
    for (const Row& r : rows) {
      s.then(r.set);
      s.then([&] {
        SCOPED_TRACE(r.what);
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));  // nothing the pane would set
        SendMessageW(dlg.pane.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(dlg.pane.hwnd()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), r.cursor);
      });
    }
  });
}

// The focus frame shows while the button is checked.
TEST_F(PreviewPane, FocusFrameWhileChecked) {
  constexpr COLORREF kFrame = RGB(255, 0, 0);
  struct Row {
    bool frame;
    int check;
    bool shown;
  } rows[] = {{true, BST_UNCHECKED, false}, {true, BST_CHECKED, true}, {false, BST_CHECKED, false}};
  run([&](uitest::DialogScript& s) {
    for (const Row& r : rows) {
      thenSettled(s, [&] {
        dlg.pane.setFocusFrame(r.frame, kFrame);
        dlg.pane.setCheck(r.check);
      });
      s.then([&] {
        SCOPED_TRACE(testing::Message() << "frame " << r.frame << ", check " << r.check);
        const RECT c = dlg.pane.window().clientRect();
        for (POINT p : {POINT{0, 0}, POINT{1, 1}, POINT{c.right - 1, c.bottom / 2}, POINT{c.right / 2, c.bottom - 2}})
          EXPECT_EQ(uitest::screenPixel(dlg.pane.hwnd(), p) == kFrame, r.shown) << p.x << "," << p.y;
        EXPECT_NE(uitest::screenPixel(dlg.pane.hwnd(), POINT{2, 2}), kFrame) << "two pixels wide";
      });
    }
  });
}

}  // namespace
