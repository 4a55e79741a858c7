// previewBtn: the preview pane of the dialogs.
//
// A button of a dialog template, subclassed, that owns a GDI::view and
// paints it progressively, and lets the user zoom (wheel, middle double
// click, a zoom drag), pan (middle button), hover with snapping, click or
// drag a box to select elements, and pick a point for the dialog. The dialog
// fills the view through its factories (view().add_curve ...), then calls
// zoomExtents(); it hears about the user's actions through the messages
// below, posted to the pane's parent.
//
//   class CSampleDlg : public ui::Dialog {
//     CSampleDlg() : ui::Dialog(1000) { Bind(1100, pane_); }
//     bool OnInitDialog() override {
//       pane_.view().add_curve(...);  // the factories
//       pane_.zoomExtents();
//       pane_.setSelectMode(nullptr, false);
//       return ui::Dialog::OnInitDialog();
//     }
//     // ui::onMessage<vd::previewBtn::kSelectionChanged, &CSampleDlg::OnSelection>
//     vd::previewBtn pane_;
//   };
#pragma once
#include <windows.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "controls/preview_tool_tip.h"
#include "geom/point2d.h"
#include "preview/view.h"
#include "ui/controls.h"

namespace vd {

class previewBtn : public ui::Button {
 public:
  // Messages to the parent window. wParam is always the pane's control id.
  //   kSnapClicked       a left click while a snap point is current; lParam
  //                      names the snap point (postedPoint).
  //   kSelectionChanged  a click or a drag box changed the selection
  //                      (selection()); lParam 0.
  //   kPointInputEnded   point input ended; lParam names the picked point,
  //                      0 when it was cancelled (Esc, focus lost, another
  //                      mode set).
  //   kToolTipText       sent, not posted: the tool tip needs a text; lParam
  //                      points to a previewTipRequest to fill.
  //   kCtrlReleased, kCtrlPressed: the Ctrl key went up / down.
  // The first three come after the next completed paint (they are queued
  // until the picture shows what they report); the Ctrl messages come at once.
  static constexpr UINT kSnapClicked = WM_APP + 0x65;
  static constexpr UINT kSelectionChanged = WM_APP + 0x66;
  static constexpr UINT kPointInputEnded = WM_APP + 0x67;
  static constexpr UINT kToolTipText = WM_APP + 0x68;
  static constexpr UINT kCtrlReleased = WM_APP + 0x69;
  static constexpr UINT kCtrlPressed = WM_APP + 0x6A;

  // Modes (the low 4 bits of mouseState()).
  static constexpr std::uint32_t kModeNone = 0;        // no hover snapping, no click selection
  static constexpr std::uint32_t kModeSnap = 1;        // hover snapping
  static constexpr std::uint32_t kModeSelect = 2;      // click and box selection
  static constexpr std::uint32_t kModeSnapSelect = 5;  // both
  // Drags of the moment (the next 4 bits).
  static constexpr std::uint32_t kDragNone = 0, kDragPan = 1, kDragZoom = 2, kDragSelect = 3;
  // Set once a paint has completed.
  static constexpr std::uint32_t kPaintCompleted = 0x1000;

  // Zoom factors: extents margin, per wheel notch, per pixel of a zoom drag.
  static constexpr double kExtentsMargin = 0.05;
  static constexpr double kWheelStep = 0.05;
  static constexpr double kZoomPerPixel = 0.001;
  // Hover focus: the timer id and its period.
  static constexpr UINT_PTR kHoverTimer = 1;
  static constexpr UINT kHoverMilliseconds = 100;

  previewBtn();
  ~previewBtn() override;

  // The pane's view: fill it through its factories, then zoomExtents().
  GDI::view& view() noexcept { return view_; }
  const GDI::view& view() const noexcept { return view_; }
  // After refilling the view: shows everything with a 5 % margin and repaints.
  bool zoomExtents();

  // Modes. Each ends a running point input first (the parent hears
  // kPointInputEnded without a point) and refreshes the cursor. A filter
  // limits the elements by handle: with sense true only the listed ones
  // take part, with false only the others; null for no filter.
  void setModeNone();
  void setSnapMode(std::uint32_t snapModes, const std::vector<std::uint64_t>* filter, bool sense);
  void setSelectMode(const std::vector<std::uint64_t>* filter, bool sense);  // also clears snapping-on
  void setSnapSelectMode(std::uint32_t snapModes, const std::vector<std::uint64_t>* snapFilter, bool snapSense,
                         const std::vector<std::uint64_t>* selectFilter, bool selectSense);
  // Point input over the current mode: the pane takes the focus and the
  // next left click picks a point (the current snap point, else the world
  // point under the cursor), snapping with snapModes. With a base point the
  // snap queries pass it as the last point: a rubber line runs from it and
  // perpendicular snapping works from it.
  void startPointInput(std::uint32_t snapModes, const GcGePoint2d* base);
  // Asks the next left press to start panning (kDragPan) or the zoom drag
  // (kDragZoom) instead of its usual action; kDragNone withdraws the request.
  void requestDrag(std::uint32_t drag) noexcept {
    dragRequest_ = drag == kDragPan || drag == kDragZoom ? drag : kDragNone;
  }

  // Snap points count only within this distance of the cursor, in the
  // view's pixel measure (twice the world distance over the pixel size).
  // The current snap point is dropped: the next move asks again. A negative
  // value goes back to the default, 32 x the screen scale.
  void setSnapAperture(double pixels);
  // With snapping on, the normal cursor shows while no snap point is near.
  void setSnappingOn(bool on);
  // Points never offered as snap points (outside point input).
  void setSnapExclusions(std::vector<GcGePoint2d> points) { exclusions_ = std::move(points); }
  // Hover focus: the pane takes the focus while the mouse is over it and
  // gives it back to the window that had it once the mouse has left.
  void setHoverFocus(bool on);
  // While the button is checked, a two-pixel frame of this colour, and a
  // focus rectangle inside it while the pane has the focus.
  void setFocusFrame(bool on, COLORREF colour = RGB(255, 255, 255));
  // The tool tip shows the parent's text (kToolTipText) for the elements
  // under the cursor.
  bool setToolTip(bool on);

  // State.
  std::uint32_t mouseState() const noexcept { return mouseState_; }
  std::uint32_t mode() const noexcept { return mouseState_ & 0xF; }
  std::uint32_t drag() const noexcept { return (mouseState_ >> 4) & 0xF; }
  bool pointInput() const noexcept { return pointInput_; }
  // The current snap point, when one is near the cursor.
  std::optional<GcGePoint2d> snapPoint() const;
  // The selected (highlighted) handles.
  std::vector<std::uint64_t> selection();
  // The point a kSnapClicked or kPointInputEnded message names; nothing for
  // 0 or a point too old (the last 16 are kept).
  std::optional<GcGePoint2d> postedPoint(LPARAM token) const;
  // Snap queries made for the hover since the pane was made.
  std::uint32_t snapQueries() const noexcept { return snapQueries_; }
  // Pick box half-size in pixels (7 x the screen scale).
  int pickHalf() const noexcept { return pickHalf_; }
  const previewToolTip& toolTip() const noexcept { return toolTip_; }

  bool ProcessMessage(ui::Message& m) override;
  bool PreTranslateMessage(MSG& msg) override;

 protected:
  void OnSubclassed() override;

 private:
  friend class previewToolTip;
  struct Queued {
    UINT message;
    LPARAM lParam;
  };
  // What the pane draws inverted over the picture: the cross-hair with the
  // pick box, a rubber line from the base point, the selection box.
  struct Overlay {
    bool shown = false;
    POINT at{};
    bool cross = false;
    std::optional<POINT> rubberFrom;
    std::optional<RECT> box;
  };

  void OnPaint();
  bool OnEraseBackground(HDC) { return true; }
  void OnSize(UINT, int, int);
  void OnMouseWheel(int delta, UINT keys, POINT screen);
  void OnMButtonDown(UINT keys, POINT client);
  void OnMButtonUp(UINT keys, POINT client);
  void OnMButtonDblClk(UINT keys, POINT client);
  void OnMouseMove(UINT keys, POINT client);
  void OnLButtonDown(UINT keys, POINT client);
  void OnLButtonUp(UINT keys, POINT client);
  void OnLButtonDblClk(UINT keys, POINT client);
  void OnCaptureChanged(HWND other);
  bool OnSetCursor(HWND window, UINT hitTest, UINT mouseMessage);
  void OnSetFocus(HWND other);
  void OnKillFocus(HWND other);
  void OnTimer(UINT_PTR id);
  void OnDestroy();
  LRESULT OnMouseLeave(WPARAM, LPARAM);
  LRESULT OnNotify(WPARAM, LPARAM);
  LRESULT OnButtonState(WPARAM, LPARAM);

  bool snapping() const noexcept;
  bool selecting() const noexcept;
  void setMode(std::uint32_t mode);
  void setDrag(std::uint32_t drag);
  // Notes the mode at a button press (bits 8-11 of the mouse state).
  void noteMode();
  void endDrag();
  void endPointInput(std::optional<GcGePoint2d> point);
  void queue(UINT message, std::optional<GcGePoint2d> point = std::nullopt);
  void postQueued();
  void takeFocus();
  void repaint() const;
  // Asks for the cursor again when it is over the pane (its shape follows the state).
  void refreshCursor();
  // Activates the tip when it is on and no picture is dragged, deactivates it otherwise.
  void refreshToolTip() const;
  void fitToClient();
  void drawFrame(HDC dc) const;
  // The box of half-size h pixels about a client point, as device extents.
  GDI::extents pickBox(POINT at, int h) const;
  GcGePoint2d worldAt(POINT client) const;
  POINT deviceOf(const GcGePoint2d& world) const;
  double aperture() const noexcept;
  void hover(POINT at);
  void takeSnap(const GcGePoint2d& point);
  void resetSnap();
  bool nextSnap();
  void clickSelect(POINT at);
  void boxSelect(POINT at);
  bool hovering() const noexcept;
  void showOverlay(POINT at);
  void refreshOverlay();
  void hideOverlay();
  void drawOverlay(const Overlay& o) const;
  std::wstring toolTipText();

  GDI::view view_;
  previewToolTip toolTip_;
  bool toolTipOn_ = false;
  std::uint32_t mouseState_ = 0;
  std::uint32_t dragRequest_ = kDragNone;
  int pickHalf_ = 7;
  int defaultAperture_ = 32;  // 32 x the screen scale: every point of the pick box counts
  HCURSOR panCursor_ = nullptr;
  HCURSOR zoomCursor_ = nullptr;
  std::vector<Queued> queued_;
  std::deque<std::pair<LPARAM, GcGePoint2d>> posted_;
  LPARAM nextToken_ = 1;

  POINT pressAt_{};
  POINT lastAt_{};
  std::vector<std::uint64_t> selectionAtPress_;
  std::vector<std::uint64_t> selectionAfterClick_;
  std::optional<RECT> boxDrawn_;  // the selection box of the drag, in client pixels
  bool tracking_ = false;         // WM_MOUSELEAVE is asked for
  bool snapValid_ = false;
  GcGePoint2d snapPoint_;
  GDI::extents snapBox_;
  std::optional<std::vector<std::uint64_t>> snapFilter_;
  bool snapSense_ = false;
  std::optional<std::vector<std::uint64_t>> selectFilter_;
  bool selectSense_ = false;
  std::uint32_t snapModes_ = 0;
  std::vector<GcGePoint2d> exclusions_;
  double aperture_ = -1.0;  // negative: 32 x the screen scale
  bool snappingOn_ = false;
  bool pointInput_ = false;
  std::uint32_t pointModes_ = 0;
  std::optional<GcGePoint2d> base_;
  std::uint32_t snapQueries_ = 0;

  bool focusFrame_ = false;
  COLORREF frameColour_ = RGB(255, 255, 255);
  bool hoverFocus_ = false;
  HWND focusBefore_ = nullptr;
  Overlay overlay_;
  POINT toolTipAt_{-1, -1};
};

}  // namespace vd
