#include "controls/colour_button.h"

#include "colour/colour_value.h"
#include "colour/palette.h"

namespace vd {

void AcLtColorBtn::setColour(std::uint32_t value) {
  grid_.first = value;
  grid_.rows = grid_.columns = 1;
  grid_.row_step = grid_.column_step = 0;
  redraw();
}

void AcLtColorBtn::setGrid(std::uint32_t first, int rows, int rowStep, int columns, int columnStep) {
  grid_.first = first;
  grid_.rows = rows;
  grid_.row_step = rowStep;
  grid_.columns = columns;
  grid_.column_step = columnStep;
  redraw();
}

void AcLtColorBtn::setFrame(bool on) {
  grid_.frame = on;
  redraw();
}

void AcLtColorBtn::setGaps(int vertical, int horizontal) {
  grid_.vertical_gap = vertical;
  grid_.horizontal_gap = horizontal;
  redraw();
}

void AcLtColorBtn::setGround(COLORREF ground) {
  ground_ = ground;
  redraw();
}

COLORREF AcLtColorBtn::ground() const { return ground_ ? *ground_ : GetSysColor(COLOR_BTNFACE); }

void AcLtColorBtn::redraw() const {
  if (hwnd()) window().invalidate();
}

std::optional<std::uint32_t> AcLtColorBtn::colourAt(POINT client) const {
  const RECT r = window().clientRect();
  return colour::colour_at(grid_, r.right, r.bottom, client.x, client.y);
}

COLORREF AcLtColorBtn::shownColour(std::uint32_t value) const {
  return colour::value_rgb(value, colour::kNone, colour::kNone, ground());
}

bool AcLtColorBtn::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onMouse<WM_LBUTTONDOWN, &AcLtColorBtn::OnButtonDown>,
      ui::onMouse<WM_LBUTTONUP, &AcLtColorBtn::OnButtonUp>,
      ui::onMouse<WM_LBUTTONDBLCLK, &AcLtColorBtn::OnDoubleClick>,
      ui::onReflected<BN_CLICKED, &AcLtColorBtn::OnClicked>,
      ui::onReflected<BN_DOUBLECLICKED, &AcLtColorBtn::OnDoubleClicked>,
  };
  return ui::dispatch(*this, map, m) || ui::OwnerDrawButton::ProcessMessage(m);
}

void AcLtColorBtn::OnButtonDown(UINT, POINT client) {
  pressedAt_ = client;
  Default();
}

// The release makes the click (inside the button) or none (outside): either
// way the press's point is spent, and a later click from the keyboard must
// not pick the cell of a press the user abandoned.
void AcLtColorBtn::OnButtonUp(UINT, POINT) {
  Default();
  pressedAt_.reset();
}

void AcLtColorBtn::OnDoubleClick(UINT, POINT client) {
  pressedAt_ = client;
  Default();
}

void AcLtColorBtn::OnClicked() { pick(false); }

void AcLtColorBtn::OnDoubleClicked() { pick(true); }

void AcLtColorBtn::pick(bool twice) {
  // A click from the keyboard has no point: a single swatch is its colour,
  // a grid has no cell to offer.
  std::optional<std::uint32_t> colour;
  if (pressedAt_) {
    colour = colourAt(*pressedAt_);
  } else if (grid_.rows == 1 && grid_.columns == 1) {
    colour = grid_.first;
  }
  pressedAt_.reset();
  if (colour && onPick) onPick(*colour, twice);
}

void AcLtColorBtn::DrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  const RECT r = item.rcItem;
  const int width = r.right - r.left, height = r.bottom - r.top;
  HBRUSH brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
  const COLORREF previous = SetDCBrushColor(dc, ground());
  FillRect(dc, &r, brush);
  if (grid_.frame) {
    SetDCBrushColor(dc, RGB(0, 0, 0));
    FrameRect(dc, &r, brush);
  }
  for (int row = 0; row < grid_.rows; ++row) {
    for (int column = 0; column < grid_.columns; ++column) {
      const colour::CellBox box = colour::cell_box(grid_, width, height, row, column);
      const RECT cell{r.left + box.left, r.top + box.top, r.left + box.right, r.top + box.bottom};
      SetDCBrushColor(dc, shownColour(colour::cell_colour(grid_, row, column)));
      FillRect(dc, &cell, brush);
    }
  }
  if (item.itemState & ODS_FOCUS) {
    RECT focus = r;
    InflateRect(&focus, -1, -1);
    DrawFocusRect(dc, &focus);
  }
  SetDCBrushColor(dc, previous);
}

}  // namespace vd
