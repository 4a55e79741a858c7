// The preview pane in a dialog under Wine, driven by mouse and key messages
// posted to it as the drivers post them: zoom and pan, hover snapping, Tab,
// point input, click and box selection, the Ctrl messages, the focus frame,
// and the parent's messages that wait for the last of a long paint.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <functional>
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
  explicit PaneDialog(std::function<void(GDI::view&)> fill = fillSample)
      : ui::Dialog(IDD_PREVIEW_TEST), fill_(std::move(fill)) {
    Bind(IDC_PREVIEW_PANE, pane);
  }

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
  std::vector<Note> notes;
  int paints = 0;
  int doubleClicks = 0;
  Handles tipHandles;

 protected:
  bool OnInitDialog() override {
    SetWindowSubclass(pane.hwnd(), &countPaints, 0x7E57, reinterpret_cast<DWORD_PTR>(this));
    fill_(pane.view());
    pane.zoomExtents();
    return ui::Dialog::OnInitDialog();
  }

 private:
  static LRESULT CALLBACK countPaints(HWND hwnd, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR self) {
    if (message == WM_PAINT) ++reinterpret_cast<PaneDialog*>(self)->paints;
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &countPaints, 0x7E57);
    return DefSubclassProc(hwnd, message, w, l);
  }

  std::function<void(GDI::view&)> fill_;
};

// The pane has painted and has nothing left to paint.
bool settled(const PaneDialog& d) {
  return (d.pane.mouseState() & previewBtn::kPaintCompleted) && !GetUpdateRect(d.pane.hwnd(), nullptr, FALSE);
}

// Runs the dialog with `steps` once its pane has painted; it closes after them.
void runDialog(PaneDialog& dlg, const std::function<void(uitest::DialogScript&)>& steps) {
  uitest::runSteps(dlg, [&] { return dlg.window().visible() && settled(dlg); }, "the pane to paint", steps);
}

// Client pixel of a world point, and world point of a client pixel.
POINT at(const previewBtn& p, double x, double y) {
  const GcGePoint2d d = p.view().world_to_device().apply(GcGePoint2d(x, y));
  return POINT{std::lround(d.x), std::lround(d.y)};
}
GcGePoint2d worldAt(const previewBtn& p, POINT c) {
  return p.view().device_to_world().apply(GcGePoint2d(c.x, c.y));
}
POINT moved(POINT p, int dx, int dy) { return POINT{p.x + dx, p.y + dy}; }

void postMouse(HWND w, UINT message, WPARAM keys, POINT p) {
  PostMessageW(w, message, keys, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}
void postLeftClick(HWND w, POINT p) {
  postMouse(w, WM_LBUTTONDOWN, MK_LBUTTON, p);
  postMouse(w, WM_LBUTTONUP, 0, p);
}

Handles sorted(Handles h) {
  std::sort(h.begin(), h.end());
  return h;
}

void expectNear(const GcGePoint2d& a, const GcGePoint2d& b, double tol, const char* what) {
  EXPECT_NEAR(a.x, b.x, tol) << what;
  EXPECT_NEAR(a.y, b.y, tol) << what;
}

TEST(PreviewPane, SubclassingPreparesTheViewAndTheButton) {
  PaneDialog dlg;
  runDialog(dlg, [&](uitest::DialogScript& s) {
    s.then([&] {
      const previewBtn& p = dlg.pane;
      EXPECT_TRUE(GetWindowLongPtrW(p.hwnd(), GWL_STYLE) & 0x80) << "the pane's button style bit";
      const RECT r = p.window().clientRect();
      const GDI::extents& device = p.view().device();
      EXPECT_EQ(device.min.x, r.left);
      EXPECT_EQ(device.min.y, r.top);
      EXPECT_EQ(device.max.x, r.right);
      EXPECT_EQ(device.max.y, r.bottom);
      const GDI::linetype_table& types = dlg.pane.view().tables().linetypes;
      const GDI::linetype* dash = types.at(types.find("dash"));
      ASSERT_NE(dash, nullptr) << "DASH is defined";
      EXPECT_EQ(dash->lengths, (std::vector<double>{10, 10, 0, 10}));
      EXPECT_EQ(dash->dashes, (std::vector<std::uint8_t>{1, 0, 1, 0}));
      EXPECT_EQ(dash->total, 30.0);
      EXPECT_EQ(p.pickHalf(), std::lround(7 * ui::screenScale(p.hwnd())));
      EXPECT_EQ(p.mode(), previewBtn::kModeNone);
      // A new size is the new device rectangle, the content still fitted.
      SetWindowPos(p.hwnd(), nullptr, 0, 0, 200, 90, SWP_NOMOVE | SWP_NOZORDER);
    });
    s.then([&] {
      const GDI::extents& device = dlg.pane.view().device();
      const RECT r = dlg.pane.window().clientRect();
      EXPECT_EQ(device.max.x, r.right);
      EXPECT_EQ(device.max.y, r.bottom);
      const GDI::extents& w = dlg.pane.view().window();
      EXPECT_NEAR(w.width() / w.height(), device.width() / device.height(), 1e-9);
    });
  });
}

// One notch towards the user zooms out by 5 % of the window's diagonal at
// each end, away from the user in by as much; the world point under the
// cursor stays where it was.
TEST(PreviewPane, WheelZoomsAboutTheCursor) {
  struct Row {
    int delta;
    double fx, fy;  // the cursor as a fraction of the client area
    double factor;  // of the window's width and height
  } rows[] = {
      {-120, 0.5, 0.5, 1.1}, {120, 0.25, 0.75, 0.9}, {-240, 0.9, 0.1, 1.2}, {360, 0.1, 0.3, 0.7}, {-120, 0, 0, 1.1},
  };
  PaneDialog dlg;
  runDialog(dlg, [&](uitest::DialogScript& s) {
    for (const Row& r : rows) {
      auto before = std::make_shared<GDI::extents>();
      auto under = std::make_shared<GcGePoint2d>();
      auto cursor = std::make_shared<POINT>();
      s.then([&, r, before, under, cursor] {
        const RECT c = dlg.pane.window().clientRect();
        *cursor = POINT{std::lround(c.right * r.fx), std::lround(c.bottom * r.fy)};
        *before = dlg.pane.view().window();
        *under = worldAt(dlg.pane, *cursor);
        vdhost::postWheel(dlg.pane.hwnd(), *cursor, r.delta);
      });
      s.then([&, r, before, under, cursor] {
        SCOPED_TRACE(testing::Message() << "delta " << r.delta << " at " << cursor->x << "," << cursor->y);
        const GDI::extents& w = dlg.pane.view().window();
        EXPECT_NEAR(w.width() / before->width(), r.factor, 1e-9);
        EXPECT_NEAR(w.height() / before->height(), r.factor, 1e-9);
        expectNear(worldAt(dlg.pane, *cursor), *under, 1e-9 * before->width(), "the point under the cursor");
      });
    }
  });
}

// The middle button pans (the content follows the cursor); a middle double
// click shows the whole content with a 5 % margin.
TEST(PreviewPane, MiddleButtonPansAndDoubleClickShowsEverything) {
  PaneDialog dlg;
  runDialog(dlg, [&](uitest::DialogScript& s) {
    auto grabbed = std::make_shared<GcGePoint2d>();
    auto size = std::make_shared<double>();
    // Static: the steps run after this function has returned.
    static constexpr POINT p0{60, 50}, p1{130, 20};
    s.then([&] { vdhost::postWheel(dlg.pane.hwnd(), POINT{40, 40}, 240); });
    s.then([&, grabbed, size] {
      *grabbed = worldAt(dlg.pane, p0);
      *size = dlg.pane.view().window().width();
      const HWND h = dlg.pane.hwnd();
      postMouse(h, WM_MBUTTONDOWN, MK_MBUTTON, p0);
      postMouse(h, WM_MOUSEMOVE, MK_MBUTTON, POINT{90, 31});
      postMouse(h, WM_MOUSEMOVE, MK_MBUTTON, p1);
    });
    s.then([&] { EXPECT_EQ(dlg.pane.drag(), previewBtn::kDragPan); });
    s.then([&] { postMouse(dlg.pane.hwnd(), WM_MBUTTONUP, 0, p1); });
    s.then([&, grabbed, size] {
      EXPECT_EQ(dlg.pane.drag(), previewBtn::kDragNone);
      expectNear(worldAt(dlg.pane, p1), *grabbed, 1e-9 * *size, "the grabbed point under the cursor");
      EXPECT_NEAR(dlg.pane.view().window().width(), *size, 1e-9 * *size);
      const HWND h = dlg.pane.hwnd();
      const POINT c = uitest::clientCentre(h);
      postMouse(h, WM_MBUTTONDOWN, MK_MBUTTON, c);
      postMouse(h, WM_MBUTTONUP, 0, c);
      postMouse(h, WM_MBUTTONDBLCLK, MK_MBUTTON, c);
      postMouse(h, WM_MBUTTONUP, 0, c);
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
TEST(PreviewPane, LeftDragAfterARequest) {
  struct Row {
    std::uint32_t request;
    int dy1, dy2;  // two moves down from the press
  } rows[] = {{previewBtn::kDragPan, 30, 20}, {previewBtn::kDragZoom, 30, 20}, {previewBtn::kDragZoom, -40, 15}};
  PaneDialog dlg;
  runDialog(dlg, [&](uitest::DialogScript& s) {
    for (const Row& r : rows) {
      auto before = std::make_shared<GDI::extents>();
      auto grabbed = std::make_shared<GcGePoint2d>();
      const POINT p0{100, 60}, p1{110, 60 + r.dy1}, p2{125, 60 + r.dy1 + r.dy2};
      s.then([&, r, before, grabbed, p0, p1, p2] {
        dlg.pane.setSelectMode(nullptr, false);
        dlg.pane.requestDrag(r.request);
        *before = dlg.pane.view().window();
        *grabbed = worldAt(dlg.pane, p0);
        const HWND h = dlg.pane.hwnd();
        postMouse(h, WM_LBUTTONDOWN, MK_LBUTTON, p0);
        postMouse(h, WM_MOUSEMOVE, MK_LBUTTON, p1);
        postMouse(h, WM_MOUSEMOVE, MK_LBUTTON, p2);
      });
      s.then([&, r, p2] {
        EXPECT_EQ(dlg.pane.drag(), r.request);
        EXPECT_EQ(GetCapture(), dlg.pane.hwnd());
        postMouse(dlg.pane.hwnd(), WM_LBUTTONUP, 0, p2);
      });
      s.then([&, r, before, grabbed, p2] {
        SCOPED_TRACE(testing::Message() << "request " << r.request << ", moves " << r.dy1 << ", " << r.dy2);
        EXPECT_EQ(dlg.pane.drag(), previewBtn::kDragNone);
        const GDI::extents& w = dlg.pane.view().window();
        const double tol = 1e-9 * before->width();
        if (r.request == previewBtn::kDragPan) {
          expectNear(worldAt(dlg.pane, p2), *grabbed, tol, "the grabbed point under the cursor");
          EXPECT_NEAR(w.width(), before->width(), tol);
        } else {
          const double factor = (1 + 2 * 0.001 * r.dy1) * (1 + 2 * 0.001 * r.dy2);
          EXPECT_NEAR(w.width() / before->width(), factor, 1e-9);
          EXPECT_NEAR(w.height() / before->height(), factor, 1e-9);
          expectNear(w.center(), before->center(), tol, "the centre stays");
        }
        EXPECT_TRUE(dlg.pane.selection().empty()) << "the press selected nothing";
        // The request is used up: the next press selects.
        postLeftClick(dlg.pane.hwnd(), at(dlg.pane, 30, 20));
      });
      s.then([&] {
        EXPECT_EQ(dlg.pane.selection(), Handles{3});
        dlg.pane.view().highlight(GDI::hl_reset_set, nullptr, nullptr, false);
      });
    }
  });
}

// With hover focus the pane takes the focus when the mouse comes and gives
// it back once the mouse has left.
TEST(PreviewPane, HoverFocusReturns) {
  PaneDialog dlg;
  runDialog(dlg, [&](uitest::DialogScript& s) {
    auto moveCursor = [](HWND w, POINT client) {
      ClientToScreen(w, &client);
      SetCursorPos(client.x, client.y);
    };
    s.then([&] {
      dlg.pane.setHoverFocus(true);
      SetFocus(dlg.item(IDC_PREVIEW_EDIT).hwnd());
      moveCursor(dlg.pane.hwnd(), POINT{50, 50});
      postMouse(dlg.pane.hwnd(), WM_MOUSEMOVE, 0, POINT{50, 50});
    });
    s.then([&] {
      EXPECT_EQ(GetFocus(), dlg.pane.hwnd()) << "the mouse brought the focus";
      moveCursor(dlg.item(IDC_PREVIEW_EDIT).hwnd(), POINT{5, 5});
    });
    // The cursor is put there again on each look: a test on the same
    // display may have moved it meanwhile.
    s.waitFor(
        [&] {
          moveCursor(dlg.item(IDC_PREVIEW_EDIT).hwnd(), POINT{5, 5});
          return GetFocus() == dlg.item(IDC_PREVIEW_EDIT).hwnd();
        },
        "the focus to go back", 3000);
  });
}

// Hover snapping to curve ends: a query when the cursor leaves the box of
// the current snap point (or there is none), none while it stays inside.
TEST(PreviewPane, SnapQueriesOnlyWhenTheCursorLeavesTheSnapBox) {
  PaneDialog dlg;
  struct Row {
    const char* what;
    int dx, dy;  // from the end (80, 30), in pixels of the pick half-size h: -1 = h - 1, 1 = h + 1
    int queries;
    bool snapped;
  };
  runDialog(dlg, [&](uitest::DialogScript& s) {
    s.then([&] { dlg.pane.setSnapMode(GDI::snap_end, nullptr, false); });
    const int h = 7;  // checked against the pane below
    const Row rows[] = {
        {"near the end", 2, 1, 1, true},
        {"inside its box", -(h - 1), h - 1, 0, true},
        {"inside its box, the other corner", h - 1, -(h - 1), 0, true},
        {"just outside its box", h + 1, 0, 1, false},
        {"no snap point: every move asks", h + 2, 0, 1, false},
        {"back onto the end", 1, 0, 1, true},
    };
    s.then([&dlg, h] { ASSERT_EQ(dlg.pane.pickHalf(), h) << "the rows assume a 96-dpi screen"; });
    for (const Row& r : rows) {
      auto queries = std::make_shared<std::uint32_t>();
      s.then([&, r, queries] {
        *queries = dlg.pane.snapQueries();
        postMouse(dlg.pane.hwnd(), WM_MOUSEMOVE, 0, moved(at(dlg.pane, 80, 30), r.dx, r.dy));
      });
      s.then([&, r, queries] {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(dlg.pane.snapQueries() - *queries, static_cast<std::uint32_t>(r.queries));
        ASSERT_EQ(dlg.pane.snapPoint().has_value(), r.snapped);
        if (r.snapped) expectNear(*dlg.pane.snapPoint(), GcGePoint2d(80, 30), 1e-9, "the end");
      });
    }
    // A narrow aperture refuses an end 3 pixels away (8.5 in the view's
    // measure) and takes one under the cursor (at most 2 for the rounding).
    // Setting it drops the snap point it may no longer allow.
    auto queries = std::make_shared<std::uint32_t>();
    s.then([&, queries] {
      dlg.pane.setSnapAperture(3.0);
      *queries = dlg.pane.snapQueries();
      postMouse(dlg.pane.hwnd(), WM_MOUSEMOVE, 0, moved(at(dlg.pane, 80, 30), 3, 0));
    });
    s.then([&, queries] {
      EXPECT_EQ(dlg.pane.snapQueries() - *queries, 1u) << "the snap point was dropped";
      EXPECT_FALSE(dlg.pane.snapPoint()) << "beyond the aperture";
      postMouse(dlg.pane.hwnd(), WM_MOUSEMOVE, 0, at(dlg.pane, 80, 30));
    });
    s.then([&] { EXPECT_TRUE(dlg.pane.snapPoint()) << "within the aperture"; });
  });
}

// Tab moves to the next snap candidate (the cursor centre, no snap point,
// is passed over) and stays in the pane; without a snap point it moves the
// focus on as in any dialog.
TEST(PreviewPane, TabCyclesSnapCandidates) {
  PaneDialog dlg;
  runDialog(dlg, [&](uitest::DialogScript& s) {
    s.then([&] {
      dlg.pane.setSnapMode(GDI::snap_end, nullptr, false);
      SetFocus(dlg.pane.hwnd());
      postMouse(dlg.pane.hwnd(), WM_MOUSEMOVE, 0, at(dlg.pane, 20.3, 10.2));
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
    const GcGePoint2d cycle[] = {{21, 10}, {20, 10}, {21, 10}};
    for (const GcGePoint2d& expected : cycle) {
      s.then([&] { uitest::postKey(dlg.pane.hwnd(), VK_TAB); });
      s.then([&, expected] {
        ASSERT_TRUE(dlg.pane.snapPoint());
        expectNear(*dlg.pane.snapPoint(), expected, 1e-9, "after Tab");
        EXPECT_EQ(GetFocus(), dlg.pane.hwnd()) << "Tab stays in the pane";
      });
    }
    s.then([&] { postMouse(dlg.pane.hwnd(), WM_MOUSEMOVE, 0, at(dlg.pane, 50, 25)); });
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
TEST(PreviewPane, ClickOnASnapPoint) {
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
  PaneDialog dlg;
  runDialog(dlg, [&](uitest::DialogScript& s) {
    for (const Row& r : rows) {
      s.then([&] {
        dlg.notes.clear();
        dlg.pane.view().highlight(GDI::hl_reset_set, nullptr, nullptr, false);
        if (r.mode == previewBtn::kModeSnap) dlg.pane.setSnapMode(GDI::snap_end, nullptr, false);
        if (r.mode == previewBtn::kModeSelect) dlg.pane.setSelectMode(nullptr, false);
        if (r.mode == previewBtn::kModeSnapSelect)
          dlg.pane.setSnapSelectMode(GDI::snap_end, nullptr, false, nullptr, false);
        SetFocus(dlg.item(IDC_PREVIEW_EDIT).hwnd());
        const POINT p = at(dlg.pane, r.x, r.y);
        postMouse(dlg.pane.hwnd(), WM_MOUSEMOVE, 0, p);
        postLeftClick(dlg.pane.hwnd(), p);
      });
      s.waitFor([&] { return settled(dlg); }, "the pane to paint");
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
      postMouse(dlg.pane.hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, POINT{20, 20});
    });
    s.then([&] { EXPECT_EQ(dlg.doubleClicks, 1) << "BN_DOUBLECLICKED from the pane"; });
  });
}

// Every way point input ends, each telling the parent once: a click gives
// the snap point or the point under the cursor, everything else no point.
TEST(PreviewPane, PointInputEnds) {
  struct Row {
    const char* what;
    std::uint32_t modes;
    std::optional<GcGePoint2d> base;
    std::function<void(PaneDialog&)> act;
    std::optional<GcGePoint2d> point;  // nullopt: no point; NaN x: the point under (33, 44)
    bool running = false;              // point input runs again afterwards
  };
  const POINT free{33, 44};
  const double nan = std::nan("");
  const Row rows[] = {
      {"click on a snap point", GDI::snap_end, std::nullopt,
       [](PaneDialog& d) {
         const POINT p = moved(at(d.pane, 80, 30), 2, -3);
         postMouse(d.pane.hwnd(), WM_MOUSEMOVE, 0, p);
         postLeftClick(d.pane.hwnd(), p);
       },
       GcGePoint2d(80, 30)},
      {"click away from snap points", GDI::snap_end, std::nullopt,
       [free](PaneDialog& d) {
         postMouse(d.pane.hwnd(), WM_MOUSEMOVE, 0, free);
         postLeftClick(d.pane.hwnd(), free);
       },
       GcGePoint2d(nan, 0)},
      {"perpendicular from the base point", GDI::snap_perpendicular, GcGePoint2d(50, 20),
       [](PaneDialog& d) {
         const POINT p = moved(at(d.pane, 50, 0), 3, 2);
         postMouse(d.pane.hwnd(), WM_MOUSEMOVE, 0, p);
         postLeftClick(d.pane.hwnd(), p);
       },
       GcGePoint2d(50, 0)},
      {"Esc", GDI::snap_end, std::nullopt, [](PaneDialog& d) { uitest::postKey(d.pane.hwnd(), VK_ESCAPE); },
       std::nullopt},
      {"the focus goes to another control", GDI::snap_end, GcGePoint2d(10, 10),
       [](PaneDialog& d) { SetFocus(d.item(IDC_PREVIEW_EDIT).hwnd()); }, std::nullopt},
      {"another mode", GDI::snap_end, std::nullopt, [](PaneDialog& d) { d.pane.setSelectMode(nullptr, false); },
       std::nullopt},
      {"another point input", GDI::snap_end, std::nullopt,
       [](PaneDialog& d) { d.pane.startPointInput(GDI::snap_end, nullptr); }, std::nullopt, true},
  };
  PaneDialog dlg;
  runDialog(dlg, [&](uitest::DialogScript& s) {
    for (const Row& r : rows) {
      s.then([&] { dlg.pane.setModeNone(); });
      s.waitFor([&] { return settled(dlg); }, "the pane to paint");
      s.then([&] {
        dlg.notes.clear();
        dlg.pane.startPointInput(r.modes, r.base ? &*r.base : nullptr);
      });
      s.waitFor([&] { return settled(dlg); }, "the pane to paint");
      s.then([&] {
        SCOPED_TRACE(r.what);
        EXPECT_TRUE(dlg.pane.pointInput());
        EXPECT_EQ(GetFocus(), dlg.pane.hwnd()) << "point input takes the focus";
        EXPECT_TRUE(dlg.notes.empty());
        r.act(dlg);
      });
      s.waitFor([&] { return !dlg.heard(previewBtn::kPointInputEnded).empty() && settled(dlg); },
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
        const GcGePoint2d expected = std::isnan(r.point->x) ? worldAt(dlg.pane, free) : *r.point;
        expectNear(*ended[0].point, expected, 1e-9, "the picked point");
      });
    }
  });
}

// A click toggles the element under the cursor; a box adds what lies wholly
// inside it, through the handle filter. Each change is reported once.
TEST(PreviewPane, ClickAndBoxSelection) {
  struct Click {
    double x, y;
    Handles selected;
    bool reported;
  } clicks[] = {
      {30, 20, {3}, true}, {30, 20, {}, true}, {50, 38, {}, false}, {70, 20, {4}, true}, {30.5, 20, {3, 4}, true},
  };
  struct Box {
    const char* what;
    std::optional<Handles> filter;
    bool sense;
    Handles selected;
  } boxes[] = {
      {"no filter", std::nullopt, false, {3, 4}},
      {"all but 4", Handles{4}, false, {3}},
      {"only 4", Handles{4}, true, {4}},
      {"only elements outside the box", Handles{1, 2, 5}, true, {}},
  };
  PaneDialog dlg;
  runDialog(dlg, [&](uitest::DialogScript& s) {
    s.then([&] { dlg.pane.setSelectMode(nullptr, false); });
    for (const Click& c : clicks) {
      s.then([&] {
        dlg.notes.clear();
        postLeftClick(dlg.pane.hwnd(), at(dlg.pane, c.x, c.y));
      });
      s.waitFor([&] { return settled(dlg); }, "the pane to paint");
      s.then([&] {
        SCOPED_TRACE(testing::Message() << "click at " << c.x << "," << c.y);
        EXPECT_EQ(sorted(dlg.pane.selection()), c.selected);
        EXPECT_EQ(dlg.heard(previewBtn::kSelectionChanged).size(), c.reported ? 1u : 0u);
      });
    }
    for (const Box& b : boxes) {
      s.then([&] {
        dlg.notes.clear();
        dlg.pane.view().highlight(GDI::hl_reset_set, nullptr, nullptr, false);
        dlg.pane.setSelectMode(b.filter ? &*b.filter : nullptr, b.sense);
        const HWND h = dlg.pane.hwnd();
        postMouse(h, WM_LBUTTONDOWN, MK_LBUTTON, at(dlg.pane, 12, 38));
        postMouse(h, WM_MOUSEMOVE, MK_LBUTTON, at(dlg.pane, 50, 20));
        postMouse(h, WM_MOUSEMOVE, MK_LBUTTON, at(dlg.pane, 88, 4));
      });
      s.then([&] {
        EXPECT_EQ(dlg.pane.drag(), previewBtn::kDragSelect);
        EXPECT_EQ(GetCapture(), dlg.pane.hwnd()) << "the drag has the mouse";
        postMouse(dlg.pane.hwnd(), WM_LBUTTONUP, 0, at(dlg.pane, 88, 4));
      });
      s.waitFor([&] { return settled(dlg); }, "the pane to paint");
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

// Ctrl down and up reach the parent at once, a held key's repeats do not.
TEST(PreviewPane, CtrlKeyMessages) {
  struct Row {
    const char* what;
    UINT message;
    LPARAM flags;
    std::vector<UINT> heard;
  };
  const LPARAM repeat = LPARAM{1} << 30, release = repeat | (LPARAM{1} << 31);
  const Row rows[] = {
      {"pressed", WM_KEYDOWN, 1, {previewBtn::kCtrlPressed}},
      {"held (a repeat)", WM_KEYDOWN, repeat | 1, {}},
      {"released", WM_KEYUP, release | 1, {previewBtn::kCtrlReleased}},
      {"another key", WM_KEYDOWN, 1, {}},
  };
  PaneDialog dlg;
  runDialog(dlg, [&](uitest::DialogScript& s) {
    s.then([&] { SetFocus(dlg.pane.hwnd()); });
    for (const Row& r : rows) {
      s.then([&] {
        dlg.notes.clear();
        const WPARAM key = r.what == std::string("another key") ? VK_SHIFT : VK_CONTROL;
        PostMessageW(dlg.pane.hwnd(), r.message, key, r.flags);
      });
      // The pane posts what it has to say while it handles the key: one more
      // turn of the loop lets that arrive.
      s.then([] {});
      s.then([&] {
        SCOPED_TRACE(r.what);
        std::vector<UINT> heard;
        for (const Note& n : dlg.notes) heard.push_back(n.message);
        EXPECT_EQ(heard, r.heard);
        for (const Note& n : dlg.notes) EXPECT_EQ(n.id, static_cast<WPARAM>(IDC_PREVIEW_PANE));
      });
    }
  });
}

// A picture that takes several paint calls: the click's message comes after
// the last of them, not before.
TEST(PreviewPane, QueuedMessagesWaitForTheLastPaint) {
  SlowClock clock;
  PaneDialog dlg([&](GDI::view& v) {
    v.set_clock(clock);
    fillSample(v);
    for (int i = 0; i < 400; ++i) addLine(v, Line{100u + i, 1.0 + i * 0.2, 40, 1.5 + i * 0.2, 45});
  });
  auto paintsBefore = std::make_shared<int>();
  runDialog(dlg, [&](uitest::DialogScript& s) {
    s.then([&] {
      dlg.pane.setSelectMode(nullptr, false);
      dlg.notes.clear();
      *paintsBefore = dlg.paints;
      // The zoom starts the picture afresh; the click selects line 3 before
      // the first paint call.
      const POINT click = at(dlg.pane, 30, 20);
      vdhost::postWheel(dlg.pane.hwnd(), click, -120);
      postLeftClick(dlg.pane.hwnd(), click);
    });
    s.waitFor([&] { return !dlg.heard(previewBtn::kSelectionChanged).empty(); }, "the selection message");
    s.waitFor([&] { return settled(dlg); }, "the pane to paint");
    s.then([&] {
      const std::vector<Note> changed = dlg.heard(previewBtn::kSelectionChanged);
      ASSERT_EQ(changed.size(), 1u);
      EXPECT_EQ(sorted(dlg.pane.selection()), Handles{3});
      EXPECT_GE(changed[0].paints - *paintsBefore, 3) << "the picture took several paint calls";
      EXPECT_EQ(changed[0].paints, dlg.paints) << "the message came after the last paint call";
      EXPECT_EQ(changed[0].stages, 0u) << "nothing was left to paint when it came";
    });
  });
}

// The tool tip asks the parent for the text of the elements under the
// cursor, and the selection the pick went through is as it was.
TEST(PreviewPane, ToolTipShowsTheParentsTextForTheElementsUnderTheCursor) {
  PaneDialog dlg;
  runDialog(dlg, [&](uitest::DialogScript& s) {
    s.then([&] {
      ASSERT_TRUE(dlg.pane.setToolTip(true));
      dlg.pane.setSelectMode(nullptr, false);
      postLeftClick(dlg.pane.hwnd(), at(dlg.pane, 70, 20));
    });
    s.waitFor([&] { return settled(dlg); }, "the pane to paint");
    s.then([&] {
      ASSERT_EQ(dlg.pane.selection(), Handles{4});
      dlg.notes.clear();
      // The tip checks where the cursor really is before it shows.
      const POINT p = at(dlg.pane, 21, 12);
      POINT screen = p;
      ClientToScreen(dlg.pane.hwnd(), &screen);
      SetCursorPos(screen.x, screen.y);
      postMouse(dlg.pane.hwnd(), WM_MOUSEMOVE, 0, p);
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
      postMouse(dlg.pane.hwnd(), WM_MOUSEMOVE, 0, at(dlg.pane, 50, 25));
    });
    s.then([&] { EXPECT_FALSE(IsWindowVisible(dlg.pane.toolTip().hwnd())); });
  });
}

// The cursor of each state: hidden where the pane draws its cross-hair, the
// pan and zoom cursors while dragging, the parent's (here the class arrow)
// without a mode.
TEST(PreviewPane, CursorFollowsTheState) {
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  struct Row {
    const char* what;
    std::function<void(PaneDialog&)> set;
    HCURSOR cursor;
  };
  const Row rows[] = {
      {"no mode", [](PaneDialog& d) { d.pane.setModeNone(); }, arrow},
      {"hover", [](PaneDialog& d) { d.pane.setSnapMode(GDI::snap_end, nullptr, false); }, nullptr},
      {"snapping on, no snap point",
       [](PaneDialog& d) {
         d.pane.setSnappingOn(true);
         postMouse(d.pane.hwnd(), WM_MOUSEMOVE, 0, at(d.pane, 50, 25));
       },
       arrow},
      {"snapping on, on a snap point",
       [](PaneDialog& d) { postMouse(d.pane.hwnd(), WM_MOUSEMOVE, 0, at(d.pane, 80, 30)); }, nullptr},
      {"point input, snapping on, no snap point",
       [](PaneDialog& d) { d.pane.startPointInput(GDI::snap_end, nullptr); }, arrow},
      {"point input", [](PaneDialog& d) { d.pane.setSnappingOn(false); }, nullptr},
      {"select", [](PaneDialog& d) { d.pane.setSelectMode(nullptr, false); }, arrow},
      {"selection drag", [](PaneDialog& d) { postMouse(d.pane.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, POINT{5, 5}); },
       nullptr},
      {"pan", [](PaneDialog& d) { postMouse(d.pane.hwnd(), WM_MBUTTONDOWN, MK_MBUTTON, POINT{5, 5}); },
       LoadCursorW(nullptr, IDC_SIZEALL)},
      {"zoom drag",
       [](PaneDialog& d) {
         postMouse(d.pane.hwnd(), WM_MBUTTONUP, 0, POINT{5, 5});
         d.pane.requestDrag(previewBtn::kDragZoom);
         postMouse(d.pane.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, POINT{5, 5});
       },
       LoadCursorW(nullptr, IDC_SIZENS)},
      {"Esc ends the drag", [](PaneDialog& d) { uitest::postKey(d.pane.hwnd(), VK_ESCAPE); }, arrow},
  };
  PaneDialog dlg;
  runDialog(dlg, [&](uitest::DialogScript& s) {
    for (const Row& r : rows) {
      s.then([&] { r.set(dlg); });
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

// The pane's own cross-hair: inverted lines through the cursor that stop at
// the pick box, taken away where the cursor leaves and drawn again over a
// new picture.
TEST(PreviewPane, CrossHairIsDrawnInverted) {
  constexpr COLORREF kGround = RGB(255, 255, 255), kInverted = RGB(0, 0, 0);
  PaneDialog dlg;
  const POINT p{150, 95}, q{60, 40};
  auto pixel = [&](POINT c) { return uitest::screenPixel(dlg.pane.hwnd(), c); };
  // The real cursor goes along: a pane that finds the mouse gone (WM_MOUSELEAVE)
  // takes its cross-hair off.
  auto moveTo = [&](POINT c) {
    POINT screen = c;
    ClientToScreen(dlg.pane.hwnd(), &screen);
    SetCursorPos(screen.x, screen.y);
    postMouse(dlg.pane.hwnd(), WM_MOUSEMOVE, 0, c);
  };
  auto expectCross = [&](POINT c, const char* what) {
    SCOPED_TRACE(what);
    const int h = dlg.pane.pickHalf();
    EXPECT_EQ(pixel(POINT{c.x - 3 * h, c.y}), kInverted) << "the hair to the left";
    EXPECT_EQ(pixel(POINT{c.x, c.y + 3 * h}), kInverted) << "the hair below";
    EXPECT_EQ(pixel(POINT{c.x - h, c.y - h}), kInverted) << "the pick box";
    EXPECT_EQ(pixel(POINT{c.x - h + 2, c.y}), kGround) << "no hair inside the pick box";
  };
  runDialog(dlg, [&](uitest::DialogScript& s) {
    s.then([&] {
      dlg.pane.setSnapMode(GDI::snap_end, nullptr, false);
      moveTo(p);
    });
    s.waitFor([&] { return settled(dlg); }, "the pane to paint");
    s.then([&] { expectCross(p, "at the first point"); });
    s.then([&] { moveTo(q); });
    s.waitFor([&] { return settled(dlg); }, "the pane to paint");
    s.then([&] {
      expectCross(q, "moved");
      EXPECT_EQ(pixel(POINT{p.x - 3 * dlg.pane.pickHalf(), p.y + 20}), kGround) << "the old hair is gone";
      vdhost::postWheel(dlg.pane.hwnd(), q, -120);
    });
    s.waitFor([&] { return settled(dlg); }, "the pane to paint");
    s.then([&] { expectCross(q, "over the new picture"); });
  });
}

// The focus frame shows while the button is checked.
TEST(PreviewPane, FocusFrameWhileChecked) {
  constexpr COLORREF kFrame = RGB(255, 0, 0);
  struct Row {
    bool frame;
    int check;
    bool shown;
  } rows[] = {{true, BST_UNCHECKED, false}, {true, BST_CHECKED, true}, {false, BST_CHECKED, false}};
  PaneDialog dlg;
  runDialog(dlg, [&](uitest::DialogScript& s) {
    for (const Row& r : rows) {
      s.then([&] {
        dlg.pane.setFocusFrame(r.frame, kFrame);
        dlg.pane.setCheck(r.check);
      });
      s.waitFor([&] { return settled(dlg); }, "the pane to paint");
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
