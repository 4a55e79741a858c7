#pragma once
// Where the cells of a colour swatch lie: a single colour, or a grid of rows
// by columns of colour numbers with gaps between the cells, optionally inside
// a one-pixel frame. Portable, so the layout is tested without a window.
#include <cstdint>
#include <optional>

namespace vd::colour {

struct SwatchGrid {
  std::uint32_t first = 0;  // the colour of row 0, column 0 (a colour value for a single cell)
  int rows = 1;
  int row_step = 0;         // added to the colour number from one row to the next
  int columns = 1;
  int column_step = 0;      // added from one column to the next
  bool frame = false;       // a one-pixel frame around, the cells inset by it
  int vertical_gap = 1;     // pixels between rows
  int horizontal_gap = 1;   // pixels between columns
};

// A cell's pixels: left and top inside, right and bottom just outside.
struct CellBox {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const CellBox&) const = default;
};

// The colour of the cell in `row` and `column`: first + row x row step +
// column x column step.
std::uint32_t cell_colour(const SwatchGrid& grid, int row, int column);

// The box of a cell in a client area of width x height pixels. The cells
// share the room left by the frame and the gaps; where it does not divide
// evenly, the cells further right and down are a pixel larger.
CellBox cell_box(const SwatchGrid& grid, int width, int height, int row, int column);

// The colour of the cell under pixel (x, y); nothing on a gap, the frame or
// outside, and nothing for a grid without rows or columns.
std::optional<std::uint32_t> colour_at(const SwatchGrid& grid, int width, int height, int x, int y);

} // namespace vd::colour
