#pragma once
// Dash patterns for the display list and the generation of dash segments
// along a polyline.
#include "geom/arrays.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace GDI {

struct linetype {
  double total = 0.0;               // sum of the absolute element lengths
  std::vector<double> lengths;      // drawing units, all >= 0
  std::vector<std::uint8_t> dashes; // 1 dash, 0 gap
  std::string name;

  // A negative length is a gap, zero a dot, positive a dash; an element of the
  // same kind as the last one is merged into it.
  void append(double length);
  // Patterns finer than half a pixel on average are drawn continuous.
  bool applies(double pixelSize) const;
  // Repeats of the pattern along one segment beyond which it is drawn whole.
  static constexpr double kMaxRepeats = 100000.0;
  // Dash pieces of the segment p-q, which runs from length a to length b of
  // its polyline, with the pattern scaled by `scale`. Appends point pairs.
  void dash_segment(const GcGePoint2d& p, const GcGePoint2d& q, double a, double b, double scale,
                    GcGePoint2dArray& out) const;
};

class linetype_table {
public:
  // Index of the linetype with this name (ASCII case ignored); -1 when absent.
  int find(std::string_view name) const;
  // Appends an empty linetype (or returns the existing one of that name).
  int add(std::string_view name);
  linetype* at(int index) { return index >= 0 && index < size() ? &items_[static_cast<std::size_t>(index)] : nullptr; }
  const linetype* at(int index) const {
    return index >= 0 && index < size() ? &items_[static_cast<std::size_t>(index)] : nullptr;
  }
  int size() const { return static_cast<int>(items_.size()); }
  void clear() { items_.clear(); }

private:
  std::vector<linetype> items_;
};

} // namespace GDI
