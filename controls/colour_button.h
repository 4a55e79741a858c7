// AcLtColorBtn: an owner-drawn button showing colour swatches, a single
// colour or a grid of palette colours, and telling which cell the user
// clicked or double-clicked.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "colour/swatch_grid.h"
#include "ui/controls.h"

namespace vd {

class AcLtColorBtn : public ui::OwnerDrawButton {
 public:
  AcLtColorBtn() = default;

  // A single cell of one colour value (a palette number or a true colour).
  void setColour(std::uint32_t value);
  // A grid of rows x columns cells, the cell in row r and column c showing
  // palette number first + r x rowStep + c x columnStep.
  void setGrid(std::uint32_t first, int rows, int rowStep, int columns, int columnStep);
  // A one-pixel black frame around the cells, which it insets by a pixel.
  void setFrame(bool on);
  void setGaps(int vertical, int horizontal);
  // The ground the button stands on: colour 7 and colours left unresolved
  // are drawn in its contrast colour (black on a light ground, white on a
  // dark one). Without one, the dialog face colour.
  void setGround(COLORREF ground);

  const colour::SwatchGrid& grid() const noexcept { return grid_; }
  // The colour of the cell under a client pixel; nothing on a gap or the frame.
  std::optional<std::uint32_t> colourAt(POINT client) const;
  // The RGB a colour value is drawn in on this button's ground.
  COLORREF shownColour(std::uint32_t value) const;

  // Told of a click (false) or double click (true) on a cell, with the colour
  // of the cell under the pointer where the button was pressed.
  std::function<void(std::uint32_t colour, bool twice)> onPick;

  bool ProcessMessage(ui::Message& m) override;

 protected:
  void DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  void OnButtonDown(UINT keys, POINT client);
  void OnButtonUp(UINT keys, POINT client);
  void OnDoubleClick(UINT keys, POINT client);
  void OnClicked();
  void OnDoubleClicked();
  void pick(bool twice);
  COLORREF ground() const;
  void redraw() const;

  colour::SwatchGrid grid_;
  std::optional<COLORREF> ground_;
  std::optional<POINT> pressedAt_;  // where the left button last went down
};

}  // namespace vd
