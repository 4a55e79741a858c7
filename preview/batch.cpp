#include "preview/batch.h"

#include <cstdlib>

namespace GDI {

void pen_batch::extend_last_points() {
  // Without branches on the direction: the directions of a list's polylines
  // follow no pattern a processor could predict.
  std::size_t end = 0;
  for (std::uint32_t n : counts) {
    end += n;
    if (n < 2)
      continue;
    device_point& last = points[end - 1];
    const device_point& prev = points[end - 2];
    const std::int64_t dx = std::int64_t{last.x} - prev.x, dy = std::int64_t{last.y} - prev.y;
    const std::int64_t ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
    const int sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
    // Mostly horizontal: x moves on; mostly vertical: y; else both. A segment
    // shorter than a pixel (a dot of a dash pattern) still shows as one
    // pixel: it grows to the right.
    const bool flatter = ax > 4 * ay, steeper = ay > 4 * ax;
    last.x += (steeper ? 0 : sx) + (dx == 0 && dy == 0);
    last.y += flatter ? 0 : sy;
  }
}

void brush_batch::add_ring(const GcGePoint2d* ring, std::size_t n) {
  if (n < 3)
    return;
  const std::size_t start = points.size();
  for (std::size_t i = 0; i < n; ++i)
    points.push_back({round_device(ring[i].x), round_device(ring[i].y)});
  if (!(points.back() == points[start]))
    points.push_back(points[start]);
  counts.push_back(static_cast<std::uint32_t>(points.size() - start));
}

std::vector<polyline_call> plan_polyline_calls(const std::uint32_t* counts, std::size_t n, std::uint32_t limit,
                                               bool one_per_call) {
  std::vector<polyline_call> calls;
  std::size_t pointsInCall = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const bool fits = !calls.empty() && !one_per_call && pointsInCall + counts[i] <= limit;
    if (fits) {
      ++calls.back().count;
      pointsInCall += counts[i];
      continue;
    }
    calls.push_back({i, 1});
    pointsInCall = counts[i];
  }
  return calls;
}

} // namespace GDI
