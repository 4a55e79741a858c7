#include "preview/batch.h"

#include <cstdlib>

namespace GDI {

void pen_batch::extend_last_points() {
  // From the last polyline back to the first one not pushed on yet.
  std::size_t end = points.size();
  for (std::size_t k = counts.size(); k > pushed; end -= counts[--k])
    if (counts[k - 1] >= 2)
      push_last_point(points[end - 1], points[end - 2]);
  pushed = counts.size();
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
