#include "controls/preview_button.h"

#include <algorithm>
#include <cmath>

#include "ui/gdi.h"
#include "ui/handles.h"

namespace vd {

namespace {

// The button style bit the pane adds: the button shows no text of its own.
constexpr LONG_PTR kPaneStyle = 0x80;
// Points kept for postedPoint.
constexpr size_t kPostedPoints = 16;

bool isMouseMessage(UINT message) { return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST; }

bool isButtonRelease(UINT message) {
  return message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP;
}

}  // namespace

previewBtn::previewBtn() = default;

previewBtn::~previewBtn() = default;

// ---------------------------------------------------------------- setup

void previewBtn::OnSubclassed() {
  const double scale = ui::screenScale(hwnd());
  pickHalf_ = std::max(1, static_cast<int>(std::lround(7 * scale)));
  defaultAperture_ = std::max(1, static_cast<int>(std::lround(32 * scale)));
  panCursor_ = LoadCursorW(nullptr, IDC_SIZEALL);
  zoomCursor_ = LoadCursorW(nullptr, IDC_SIZENS);
  view_.set_owner(hwnd());
  fitToClient();
  view_.define_linetype("DASH", {10, -10, 0, -10});
  SetWindowLongPtrW(hwnd(), GWL_STYLE, GetWindowLongPtrW(hwnd(), GWL_STYLE) | kPaneStyle);
  if (toolTipOn_ && !toolTip_.create(*this)) toolTipOn_ = false;
}

void previewBtn::fitToClient() {
  const RECT r = window().clientRect();
  const GDI::extents device(GcGePoint2d(r.left, r.top), GcGePoint2d(r.right, r.bottom));
  view_.fit_window(nullptr, &device);
  resetSnap();
}

bool previewBtn::zoomExtents() {
  const bool changed = view_.zoom_extents(kExtentsMargin);
  resetSnap();
  repaint();
  return changed;
}

// ---------------------------------------------------------------- modes

void previewBtn::setMode(std::uint32_t mode) {
  endPointInput(std::nullopt);
  endDrag();
  resetSnap();
  mouseState_ = (mouseState_ & ~0xFu) | mode;
  refreshCursor();
  repaint();
}

void previewBtn::setModeNone() { setMode(kModeNone); }

void previewBtn::setSnapMode(std::uint32_t snapModes, const std::vector<std::uint64_t>* filter, bool sense) {
  setMode(kModeSnap);
  snapModes_ = snapModes;
  snapFilter_ = filter ? std::optional(*filter) : std::nullopt;
  snapSense_ = sense;
}

void previewBtn::setSelectMode(const std::vector<std::uint64_t>* filter, bool sense) {
  setMode(kModeSelect);
  selectFilter_ = filter ? std::optional(*filter) : std::nullopt;
  selectSense_ = sense;
  snappingOn_ = false;
}

void previewBtn::setSnapSelectMode(std::uint32_t snapModes, const std::vector<std::uint64_t>* snapFilter,
                                   bool snapSense, const std::vector<std::uint64_t>* selectFilter,
                                   bool selectSense) {
  setMode(kModeSnapSelect);
  snapModes_ = snapModes;
  snapFilter_ = snapFilter ? std::optional(*snapFilter) : std::nullopt;
  snapSense_ = snapSense;
  selectFilter_ = selectFilter ? std::optional(*selectFilter) : std::nullopt;
  selectSense_ = selectSense;
}

void previewBtn::startPointInput(std::uint32_t snapModes, const GcGePoint2d* base) {
  endPointInput(std::nullopt);
  endDrag();
  resetSnap();
  pointInput_ = true;
  pointModes_ = snapModes;
  base_ = base ? std::optional(*base) : std::nullopt;
  takeFocus();
  refreshCursor();
  repaint();
}

void previewBtn::endPointInput(std::optional<GcGePoint2d> point) {
  if (!pointInput_) return;
  pointInput_ = false;
  base_.reset();
  resetSnap();
  queue(kPointInputEnded, point);
  refreshCursor();
}

void previewBtn::setSnapAperture(double pixels) {
  aperture_ = pixels;
  resetSnap();
  repaint();
}

void previewBtn::setSnappingOn(bool on) {
  snappingOn_ = on;
  refreshCursor();
  refreshOverlay();
}

void previewBtn::setHoverFocus(bool on) {
  hoverFocus_ = on;
  if (!on) {
    if (hwnd()) window().killTimer(kHoverTimer);
    focusBefore_ = nullptr;
  }
}

void previewBtn::setFocusFrame(bool on, COLORREF colour) {
  focusFrame_ = on;
  frameColour_ = colour;
  repaint();
}

bool previewBtn::setToolTip(bool on) {
  if (on && hwnd() && !toolTip_ && !toolTip_.create(*this)) return false;
  toolTipOn_ = on;
  refreshToolTip();
  return true;
}

void previewBtn::refreshToolTip() const {
  // No tip over a picture being dragged: it would hide what moves, and each
  // one shown asks the dialog for a text. The end of the drag brings it back,
  // and a tip switched on during a drag waits for it.
  if (toolTip_) toolTip_.activate(toolTipOn_ && drag() == kDragNone);
}

std::optional<GcGePoint2d> previewBtn::snapPoint() const {
  return snapValid_ ? std::optional(snapPoint_) : std::nullopt;
}

std::vector<std::uint64_t> previewBtn::selection() {
  std::vector<std::uint64_t> handles;
  view_.highlight(GDI::hl_copy_set, nullptr, &handles, false);
  return handles;
}

std::optional<GcGePoint2d> previewBtn::postedPoint(LPARAM token) const {
  for (const auto& [t, p] : posted_)
    if (t == token && token != 0) return p;
  return std::nullopt;
}

// ---------------------------------------------------------------- helpers

bool previewBtn::snapping() const noexcept { return mode() == kModeSnap || mode() == kModeSnapSelect; }

bool previewBtn::selecting() const noexcept { return mode() == kModeSelect || mode() == kModeSnapSelect; }

bool previewBtn::hovering() const noexcept { return drag() == kDragNone && (pointInput_ || snapping()); }

void previewBtn::setDrag(std::uint32_t drag) {
  mouseState_ = (mouseState_ & ~0xF0u) | (drag << 4);
  refreshToolTip();
}

void previewBtn::endDrag() {
  if (drag() == kDragNone) return;
  // A selection box changes the selection while it is dragged; however the
  // drag ends (button up, Esc, a lost capture, a new mode), the dialog hears
  // of what it left selected.
  const bool boxChanged = drag() == kDragSelect && selection() != selectionAfterClick_;
  setDrag(kDragNone);
  if (boxChanged) queue(kSelectionChanged);
  // Releasing the capture comes back as WM_CAPTURECHANGED, with no drag left to end.
  if (GetCapture() == hwnd()) ReleaseCapture();
  refreshCursor();
  refreshOverlay();
}

void previewBtn::queue(UINT message, std::optional<GcGePoint2d> point) {
  LPARAM token = 0;
  if (point) {
    token = nextToken_;
    nextToken_ = nextToken_ == LPARAM{0x7FFFFFFF} ? 1 : nextToken_ + 1;
    posted_.emplace_back(token, *point);
    while (posted_.size() > kPostedPoints) posted_.pop_front();
  }
  queued_.push_back(Queued{message, token});
  // The messages go out after the next completed paint: make sure one comes.
  repaint();
}

void previewBtn::postQueued() {
  std::vector<Queued> queued;
  queued.swap(queued_);
  const HWND parent = GetParent(hwnd());
  for (const Queued& q : queued) PostMessageW(parent, q.message, static_cast<WPARAM>(id()), q.lParam);
}

void previewBtn::takeFocus() {
  if (hwnd() && GetFocus() != hwnd()) SetFocus(hwnd());
}

void previewBtn::repaint() const {
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void previewBtn::refreshCursor() {
  POINT p{};
  if (!hwnd() || !GetCursorPos(&p)) return;
  if (GetCapture() == hwnd() || WindowFromPoint(p) == hwnd())
    SendMessageW(hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

GDI::extents previewBtn::pickBox(POINT at, int h) const {
  return GDI::extents(GcGePoint2d(at.x - h, at.y - h), GcGePoint2d(at.x + h, at.y + h));
}

GcGePoint2d previewBtn::worldAt(POINT client) const {
  return view_.device_to_world().apply(GcGePoint2d(client.x, client.y));
}

POINT previewBtn::deviceOf(const GcGePoint2d& world) const {
  const GcGePoint2d d = view_.world_to_device().apply(world);
  return POINT{static_cast<LONG>(std::lround(d.x)), static_cast<LONG>(std::lround(d.y))};
}

// ---------------------------------------------------------------- snapping

double previewBtn::aperture() const noexcept { return aperture_ >= 0.0 ? aperture_ : defaultAperture_; }

void previewBtn::resetSnap() {
  const bool had = snapValid_;
  snapValid_ = false;
  view_.reset_snap();
  if (had && snappingOn_) refreshCursor();
}

void previewBtn::takeSnap(const GcGePoint2d& point) {
  const bool had = snapValid_;
  snapValid_ = true;
  snapPoint_ = point;
  const POINT at = deviceOf(point);
  snapBox_ = pickBox(at, pickHalf_);
  if (!had && snappingOn_) refreshCursor();
}

void previewBtn::hover(POINT at) {
  // The query is not repeated while the cursor stays in the box of the
  // current snap point: the same point would come out on top.
  if (snapValid_ && snapBox_.contains(GcGePoint2d(at.x, at.y))) return;
  std::vector<std::uint64_t>* filter = nullptr;
  bool sense = false;
  const std::vector<GcGePoint2d>* exclude = nullptr;
  std::uint32_t modes = pointModes_;
  if (!pointInput_) {
    filter = snapFilter_ ? &*snapFilter_ : nullptr;
    sense = snapSense_;
    exclude = exclusions_.empty() ? nullptr : &exclusions_;
    modes = snapModes_;
  }
  ++snapQueries_;
  view_.snap_query(modes, pickBox(at, pickHalf_), filter, sense, exclude, base_ ? &*base_ : nullptr);
  GcGePoint2d first;
  // The cursor centre the query appends (kind 0) is no snap point: the
  // point under the cursor is what a click without one gives anyway.
  if (view_.next_snap_point(first)) {
    const GDI::snap_result& r = view_.snap_results()[view_.snap_index()];
    const double pixels = 2.0 * r.distance / view_.pixel_size();
    if (r.snap_kind != GDI::snap_none && pixels <= aperture()) {
      takeSnap(first);
      repaint();
      return;
    }
  }
  resetSnap();
  repaint();
}

bool previewBtn::nextSnap() {
  const size_t n = view_.snap_results().size();
  for (size_t i = 0; i < n; ++i) {
    GcGePoint2d p;
    if (!view_.next_snap_point(p)) return false;
    if (view_.snap_results()[view_.snap_index()].snap_kind == GDI::snap_none) continue;
    takeSnap(p);
    repaint();
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- selection

void previewBtn::clickSelect(POINT at) {
  const std::vector<std::uint64_t> before = selection();
  GDI::extents box = pickBox(at, pickHalf_);
  std::vector<std::uint64_t>* filter = selectFilter_ ? &*selectFilter_ : nullptr;
  // Both operations pick the same first element: removing it changes
  // nothing when it was not selected, and then it is added.
  view_.highlight(GDI::hl_pick_remove, &box, filter, selectSense_);
  if (selection() == before) view_.highlight(GDI::hl_pick_add, &box, filter, selectSense_);
  if (selection() != before) queue(kSelectionChanged);
  repaint();
}

void previewBtn::boxSelect(POINT at) {
  // A press that has not moved beyond the pick box is a click.
  if (std::abs(at.x - pressAt_.x) <= pickHalf_ && std::abs(at.y - pressAt_.y) <= pickHalf_) return;
  const std::vector<std::uint64_t> before = selection();
  // The box adds what lies wholly inside it to the selection the press
  // found (a drag undoes the click's toggle).
  std::vector<std::uint64_t> base = selectionAtPress_;
  view_.highlight(GDI::hl_reset_set, nullptr, nullptr, false);
  view_.highlight(GDI::hl_add_listed, nullptr, &base, false);
  GDI::extents box(GcGePoint2d(std::min(at.x, pressAt_.x) - pickHalf_, std::min(at.y, pressAt_.y) - pickHalf_),
                   GcGePoint2d(std::max(at.x, pressAt_.x) + pickHalf_, std::max(at.y, pressAt_.y) + pickHalf_));
  view_.highlight(GDI::hl_inside_add, &box, selectFilter_ ? &*selectFilter_ : nullptr, selectSense_);
  boxDrawn_ = RECT{static_cast<LONG>(box.min.x), static_cast<LONG>(box.min.y), static_cast<LONG>(box.max.x),
                   static_cast<LONG>(box.max.y)};
  if (selection() != before) repaint();
}

// ---------------------------------------------------------------- overlay

void previewBtn::refreshOverlay() {
  if (overlay_.shown) showOverlay(overlay_.at);
}

void previewBtn::showOverlay(POINT at) {
  Overlay next;
  next.at = at;
  if (hovering()) {
    next.cross = !(snappingOn_ && !snapValid_);
    if (pointInput_ && base_ && !snapValid_) next.rubberFrom = deviceOf(*base_);
  }
  if (drag() == kDragSelect && boxDrawn_) next.box = boxDrawn_;
  next.shown = next.cross || next.rubberFrom || next.box;
  hideOverlay();
  if (!next.shown) return;
  drawOverlay(next);
  overlay_ = next;
}

void previewBtn::hideOverlay() {
  if (!overlay_.shown) return;
  drawOverlay(overlay_);
  overlay_.shown = false;
}

void previewBtn::drawOverlay(const Overlay& o) const {
  // Inverted drawing: drawing the same again takes it away.
  ui::window_dc dc(hwnd());
  if (!dc) return;
  const RECT client = window().clientRect();
  const int saved = SaveDC(dc.get());
  // The button's class draws through its parent's DC: keep to the pane.
  IntersectClipRect(dc.get(), client.left, client.top, client.right, client.bottom);
  SetROP2(dc.get(), R2_NOT);
  SelectObject(dc.get(), GetStockObject(BLACK_PEN));
  SelectObject(dc.get(), GetStockObject(NULL_BRUSH));
  const int h = pickHalf_;
  const POINT a = o.at;
  if (o.cross) {
    // The hair stops at the pick box, so that no pixel is inverted twice.
    const POINT lines[4][2] = {{{client.left, a.y}, {a.x - h, a.y}},
                               {{a.x + h + 1, a.y}, {client.right, a.y}},
                               {{a.x, client.top}, {a.x, a.y - h}},
                               {{a.x, a.y + h + 1}, {a.x, client.bottom}}};
    for (const auto& l : lines) {
      MoveToEx(dc.get(), l[0].x, l[0].y, nullptr);
      LineTo(dc.get(), l[1].x, l[1].y);
    }
    Rectangle(dc.get(), a.x - h, a.y - h, a.x + h + 1, a.y + h + 1);
  }
  if (o.rubberFrom) {
    MoveToEx(dc.get(), o.rubberFrom->x, o.rubberFrom->y, nullptr);
    LineTo(dc.get(), a.x, a.y);
  }
  if (o.box) Rectangle(dc.get(), o.box->left, o.box->top, o.box->right, o.box->bottom);
  RestoreDC(dc.get(), saved);
}

// ---------------------------------------------------------------- messages

bool previewBtn::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onPaint<&previewBtn::OnPaint>,
      ui::onEraseBackground<&previewBtn::OnEraseBackground>,
      ui::onSize<&previewBtn::OnSize>,
      ui::onMouseWheel<&previewBtn::OnMouseWheel>,
      ui::onMouse<WM_MBUTTONDOWN, &previewBtn::OnMButtonDown>,
      ui::onMouse<WM_MBUTTONUP, &previewBtn::OnMButtonUp>,
      ui::onMouse<WM_MBUTTONDBLCLK, &previewBtn::OnMButtonDblClk>,
      ui::onMouse<WM_MOUSEMOVE, &previewBtn::OnMouseMove>,
      ui::onMouse<WM_LBUTTONDOWN, &previewBtn::OnLButtonDown>,
      ui::onMouse<WM_LBUTTONUP, &previewBtn::OnLButtonUp>,
      ui::onMouse<WM_LBUTTONDBLCLK, &previewBtn::OnLButtonDblClk>,
      ui::onCaptureChanged<&previewBtn::OnCaptureChanged>,
      ui::onSetCursor<&previewBtn::OnSetCursor>,
      ui::onSetFocus<&previewBtn::OnSetFocus>,
      ui::onKillFocus<&previewBtn::OnKillFocus>,
      ui::onTimer<&previewBtn::OnTimer>,
      ui::onDestroy<&previewBtn::OnDestroy>,
      ui::onMessage<WM_MOUSELEAVE, &previewBtn::OnMouseLeave>,
      ui::onMessage<WM_NOTIFY, &previewBtn::OnNotify>,
      // The button draws itself at once when its state changes; the picture
      // is painted over that again.
      ui::onMessage<BM_SETSTATE, &previewBtn::OnButtonState>,
      ui::onMessage<BM_SETCHECK, &previewBtn::OnButtonState>,
      ui::onMessage<WM_ENABLE, &previewBtn::OnButtonState>,
      ui::onMessage<WM_UPDATEUISTATE, &previewBtn::OnButtonState>,
  };
  return ui::dispatch(*this, map, m) || ui::Button::ProcessMessage(m);
}

void previewBtn::OnPaint() {
  // The inverted overlay is taken away first, and drawn again on the new picture.
  const Overlay shown = overlay_;
  hideOverlay();
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(hwnd(), &ps);
  bool done = true;
  bool stuck = false;
  if (dc && view_.window().valid && view_.bind_dc(dc)) {
    done = view_.paint();
    view_.bind_dc(nullptr);
    // A restart that could not even begin (no back buffer) would only
    // repeat itself.
    stuck = !done && (view_.stage_flags() & GDI::stage_restart);
  } else if (dc) {
    // Nothing to show yet: the background.
    const RECT r = window().clientRect();
    ui::unique_hbrush ground(CreateSolidBrush(view_.background));
    FillRect(dc, &r, ground.get());
  }
  if (dc && done && focusFrame_ && checkState() == BST_CHECKED) drawFrame(dc);
  EndPaint(hwnd(), &ps);
  if (!done && !stuck) {
    // The picture is not finished: painting goes on with the next WM_PAINT,
    // after whatever input has come meanwhile.
    repaint();
  } else {
    mouseState_ |= kPaintCompleted;
    postQueued();
  }
  if (shown.shown) showOverlay(shown.at);
}

void previewBtn::drawFrame(HDC dc) const {
  RECT r = window().clientRect();
  ui::unique_hbrush brush(CreateSolidBrush(frameColour_));
  for (int i = 0; i < 2; ++i) {
    FrameRect(dc, &r, brush.get());
    InflateRect(&r, -1, -1);
  }
  if (GetFocus() == hwnd()) {
    InflateRect(&r, -3, -3);
    DrawFocusRect(dc, &r);
  }
}

void previewBtn::OnSize(UINT, int, int) {
  fitToClient();
  repaint();
}

void previewBtn::OnMouseWheel(int delta, UINT, POINT screen) {
  POINT at = screen;
  ScreenToClient(hwnd(), &at);
  // The overlay stays: the paint takes it off the old picture and puts it on the new.
  view_.zoom_at(-delta / 120.0 * kWheelStep, at.x, at.y);
  resetSnap();
  repaint();
}

void previewBtn::OnMButtonDown(UINT, POINT client) {
  takeFocus();
  noteMode();
  endDrag();
  setDrag(kDragPan);
  lastAt_ = client;
  SetCapture(hwnd());
  hideOverlay();
  refreshCursor();
}

void previewBtn::OnMButtonUp(UINT, POINT) {
  if (drag() == kDragPan) endDrag();
}

void previewBtn::OnMButtonDblClk(UINT, POINT) {
  takeFocus();
  view_.zoom_extents(kExtentsMargin);
  resetSnap();
  repaint();
}

void previewBtn::OnMouseMove(UINT, POINT at) {
  if (!tracking_) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd(), 0};
    tracking_ = TrackMouseEvent(&track) != FALSE;
  }
  if (toolTipOn_ && toolTip_ && (at.x != toolTipAt_.x || at.y != toolTipAt_.y)) {
    SendMessageW(toolTip_.hwnd(), TTM_POP, 0, 0);
    toolTipAt_ = at;
  }
  const POINT from = lastAt_;
  lastAt_ = at;
  switch (drag()) {
    case kDragPan:
      view_.pan(at.x - from.x, at.y - from.y);
      resetSnap();
      repaint();
      return;
    case kDragZoom:
      view_.zoom(kZoomPerPixel * (at.y - from.y));
      resetSnap();
      repaint();
      return;
    default:
      break;
  }
  if (hoverFocus_) {
    if (GetFocus() != hwnd()) {
      focusBefore_ = GetFocus();
      SetFocus(hwnd());
    }
    window().setTimer(kHoverTimer, kHoverMilliseconds);
  }
  if (drag() == kDragSelect) {
    if (mouseState_ & kPaintCompleted) boxSelect(at);
  } else if (hovering()) {
    hover(at);
  }
  showOverlay(at);
}

LRESULT previewBtn::OnMouseLeave(WPARAM, LPARAM) {
  tracking_ = false;
  if (drag() == kDragNone) hideOverlay();
  return 0;
}

void previewBtn::noteMode() { mouseState_ = (mouseState_ & ~0xF00u) | (mode() << 8); }

void previewBtn::OnLButtonDown(UINT, POINT at) {
  noteMode();
  pressAt_ = lastAt_ = at;
  if (pointInput_) {
    endPointInput(snapValid_ ? snapPoint_ : worldAt(at));
    return;
  }
  if (dragRequest_ == kDragPan || dragRequest_ == kDragZoom) {
    takeFocus();
    setDrag(dragRequest_);
    dragRequest_ = kDragNone;
    SetCapture(hwnd());
    hideOverlay();
    refreshCursor();
    return;
  }
  if (snapping() && snapValid_) {
    queue(kSnapClicked, snapPoint_);
    takeFocus();
  } else if (selecting()) {
    takeFocus();
    selectionAtPress_ = selection();
    clickSelect(at);
    selectionAfterClick_ = selection();
    boxDrawn_.reset();
    setDrag(kDragSelect);
    SetCapture(hwnd());
    refreshCursor();
  }
  // A pane with a focus frame is also a button that can be checked.
  if (focusFrame_) {
    Default();
    repaint();
  }
}

void previewBtn::OnLButtonUp(UINT, POINT) {
  if (focusFrame_) {
    // The button's own click; it releases the capture too.
    Default();
    repaint();
  }
  endDrag();
}

void previewBtn::OnLButtonDblClk(UINT, POINT) {
  SendMessageW(GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(id(), BN_DOUBLECLICKED), reinterpret_cast<LPARAM>(hwnd()));
}

void previewBtn::OnCaptureChanged(HWND other) {
  if (other != hwnd()) endDrag();
  if (focusFrame_) Default();
}

bool previewBtn::OnSetCursor(HWND, UINT hitTest, UINT) {
  if (hitTest == HTCLIENT) {
    switch (drag()) {
      case kDragPan:
        SetCursor(panCursor_);
        return true;
      case kDragZoom:
        SetCursor(zoomCursor_);
        return true;
      case kDragSelect:
        // The box shows where the selection goes.
        SetCursor(nullptr);
        return true;
      default:
        break;
    }
    if (hovering()) {
      // The pane draws its own cross-hair, unless snapping is on and no snap
      // point is near.
      SetCursor(snappingOn_ && !snapValid_ ? LoadCursorW(nullptr, IDC_ARROW) : nullptr);
      return true;
    }
  }
  // No cursor of the pane's own: the parent decides (DefWindowProc asks it).
  return Default() != 0;
}

void previewBtn::OnSetFocus(HWND) {
  Default();
  repaint();
}

void previewBtn::OnKillFocus(HWND) {
  endPointInput(std::nullopt);
  Default();
  repaint();
}

void previewBtn::OnTimer(UINT_PTR id) {
  if (id != kHoverTimer) {
    Default();
    return;
  }
  POINT p{};
  if (hoverFocus_ && GetCursorPos(&p) && WindowFromPoint(p) == hwnd()) return;
  window().killTimer(kHoverTimer);
  const HWND before = std::exchange(focusBefore_, nullptr);
  if (hoverFocus_ && before && IsWindow(before) && GetFocus() == hwnd()) SetFocus(before);
}

void previewBtn::OnDestroy() {
  window().killTimer(kHoverTimer);
  toolTip_.destroy();
  Default();
}

LRESULT previewBtn::OnNotify(WPARAM, LPARAM l) {
  auto* header = reinterpret_cast<NMHDR*>(l);
  if (header && toolTip_ && header->hwndFrom == toolTip_.hwnd() && header->code == TTN_GETDISPINFOW) {
    toolTip_.answer(*reinterpret_cast<NMTTDISPINFOW*>(l));
    return 0;
  }
  return Default();
}

LRESULT previewBtn::OnButtonState(WPARAM, LPARAM) {
  const LRESULT result = Default();
  repaint();
  return result;
}

std::wstring previewBtn::toolTipText() {
  // The pick marks what it finds as highlighted: the selection is put back after.
  std::vector<std::uint64_t> saved = selection();
  view_.highlight(GDI::hl_reset_set, nullptr, nullptr, false);
  GDI::extents box = pickBox(toolTipAt_, pickHalf_);
  view_.highlight(GDI::hl_touch_add, &box, nullptr, false);
  std::vector<std::uint64_t> under = selection();
  view_.highlight(GDI::hl_reset_set, nullptr, nullptr, false);
  view_.highlight(GDI::hl_add_listed, nullptr, &saved, false);
  repaint();
  std::wstring text;
  if (under.empty()) return text;
  previewTipRequest request{&under, &text};
  SendMessageW(GetParent(hwnd()), kToolTipText, static_cast<WPARAM>(id()), reinterpret_cast<LPARAM>(&request));
  return text;
}

// ---------------------------------------------------------------- keys

bool previewBtn::PreTranslateMessage(MSG& msg) {
  if (msg.hwnd != hwnd()) return false;
  if (toolTipOn_ && toolTip_ && isMouseMessage(msg.message)) {
    toolTip_.relayEvent(msg);
    // A press hides the tip, and it would stay away until the cursor leaves
    // the pane: switched off and on again after the release, it shows at the
    // cursor's next rest. The end of a drag (still running here) brings it
    // back itself.
    if (isButtonRelease(msg.message) && drag() == kDragNone) {
      toolTip_.activate(false);
      refreshToolTip();
    }
  }
  if (msg.message == WM_KEYDOWN) {
    switch (msg.wParam) {
      case VK_TAB:
        // Tab stays in the pane only while it has a candidate to move to.
        return hovering() && snapValid_ && nextSnap();
      case VK_ESCAPE:
        if (drag() != kDragNone) {
          endDrag();
          return true;
        }
        if (pointInput_) {
          endPointInput(std::nullopt);
          return true;
        }
        return false;
      case VK_CONTROL:
        // Only the first of the repeated key downs.
        if (!(msg.lParam & (LPARAM{1} << 30)))
          PostMessageW(GetParent(hwnd()), kCtrlPressed, static_cast<WPARAM>(id()), 0);
        return false;
      default:
        return false;
    }
  }
  if (msg.message == WM_KEYUP && msg.wParam == VK_CONTROL)
    PostMessageW(GetParent(hwnd()), kCtrlReleased, static_cast<WPARAM>(id()), 0);
  return false;
}

}  // namespace vd
