#include "colour/swatch_grid.h"

namespace vd::colour {
namespace {

// Start of cell `i` of `count` cells sharing `length` pixels with `gap`
// between neighbours: cell i spans [start(i), start(i + 1) - gap).
int cell_start(int i, int count, int length, int gap) {
  return static_cast<int>(static_cast<long long>(i) * (length + gap) / count);
}

// The cell along one axis that holds pixel `p`; -1 on a gap or outside.
int cell_along(int p, int count, int length, int gap) {
  if (p < 0 || p >= length || count <= 0)
    return -1;
  int i = static_cast<int>(static_cast<long long>(p) * count / (length + gap));
  // The division may land one cell early near a boundary; step on when so.
  while (i + 1 < count && p >= cell_start(i + 1, count, length, gap))
    ++i;
  return p < cell_start(i + 1, count, length, gap) - gap ? i : -1;
}

int inset(const SwatchGrid& grid) { return grid.frame ? 1 : 0; }

// The gaps that count: none along an axis with one cell, never negative.
int column_gap(const SwatchGrid& grid) { return grid.columns > 1 && grid.horizontal_gap > 0 ? grid.horizontal_gap : 0; }
int row_gap(const SwatchGrid& grid) { return grid.rows > 1 && grid.vertical_gap > 0 ? grid.vertical_gap : 0; }

} // namespace

std::uint32_t cell_colour(const SwatchGrid& grid, int row, int column) {
  return grid.first + static_cast<std::uint32_t>(row * grid.row_step + column * grid.column_step);
}

CellBox cell_box(const SwatchGrid& grid, int width, int height, int row, int column) {
  const int d = inset(grid);
  const int w = width - 2 * d, h = height - 2 * d;
  if (grid.rows <= 0 || grid.columns <= 0 || w <= 0 || h <= 0)
    return {};
  const int hg = column_gap(grid), vg = row_gap(grid);
  return CellBox{d + cell_start(column, grid.columns, w, hg), d + cell_start(row, grid.rows, h, vg),
                 d + cell_start(column + 1, grid.columns, w, hg) - hg, d + cell_start(row + 1, grid.rows, h, vg) - vg};
}

std::optional<std::uint32_t> colour_at(const SwatchGrid& grid, int width, int height, int x, int y) {
  const int d = inset(grid);
  const int hg = column_gap(grid), vg = row_gap(grid);
  const int column = cell_along(x - d, grid.columns, width - 2 * d, hg);
  const int row = cell_along(y - d, grid.rows, height - 2 * d, vg);
  if (row < 0 || column < 0)
    return std::nullopt;
  return cell_colour(grid, row, column);
}

} // namespace vd::colour
