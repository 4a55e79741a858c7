#include "preview/batch.h"

#include <cstdlib>

namespace GDI {

void pen_batch::extend_last_points() {
  std::size_t end = 0;
  for (std::uint32_t n : counts) {
    end += n;
    if (n < 2)
      continue;
    device_point& last = points[end - 1];
    const device_point& prev = points[end - 2];
    const int dx = last.x - prev.x, dy = last.y - prev.y;
    const int sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
    if (dx == 0 && dy == 0) {
      // A segment shorter than a pixel (a dot of a dash pattern) still
      // shows as one pixel.
      last.x += 1;
    } else if (std::abs(dx) > 4 * std::abs(dy)) {
      last.x += sx;
    } else if (std::abs(dy) > 4 * std::abs(dx)) {
      last.y += sy;
    } else {
      last.x += sx;
      last.y += sy;
    }
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
