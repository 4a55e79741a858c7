#pragma once
// Device-point batches: segments collected per pen into polylines and rings
// per brush, and how a pen batch is split into GDI calls. No Windows types:
// device_point has the layout of a Win32 POINT.
#include "geom/matrix2d.h"
#include "geom/point2d.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace GDI {

struct device_point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const device_point&) const = default;
};

// Rounds a device coordinate the way the batches do: +0.5, then down to the
// integer below (also for negative values, so that moving a point by whole
// pixels moves its rounded point by exactly as many). Values far outside any
// bitmap are clamped so the conversion stays defined.
inline std::int32_t round_device(double v) {
  const double c = v + 0.5;
  if (!(c > -1e9))
    return -1000000000;
  if (c > 1e9)
    return 1000000000;
  // c + 1e9 is positive, where truncation rounds down.
  return static_cast<std::int32_t>(static_cast<std::int64_t>(c + 1e9) - 1000000000);
}

struct pen_batch {
  std::vector<device_point> points;
  std::vector<std::uint32_t> counts; // points per polyline

  // Continues the current polyline when p (rounded) is its last point,
  // else starts a new polyline p-q.
  void add_segment(const GcGePoint2d& p, const GcGePoint2d& q) {
    const device_point a{round_device(p.x), round_device(p.y)};
    const device_point b{round_device(q.x), round_device(q.y)};
    if (!points.empty() && points.back() == a) {
      points.push_back(b);
      ++counts.back();
      return;
    }
    points.push_back(a);
    points.push_back(b);
    counts.push_back(2);
  }
  // What add_segment gives for the segments of the polyline through the n
  // points mapped by m, one after the other, with each point mapped and
  // rounded once: the polyline continues the last one when its first point
  // rounds to that one's last point.
  void add_polyline(const GcGePoint2d* pts, std::size_t n, const GcGeMatrix2d& m) {
    if (n < 2)
      return;
    const double a = m.entry[0][0], b = m.entry[0][1], c = m.entry[0][2];
    const double d = m.entry[1][0], e = m.entry[1][1], f = m.entry[1][2];
    auto map = [&](const GcGePoint2d& p) {
      return device_point{round_device(a * p.x + b * p.y + c), round_device(d * p.x + e * p.y + f)};
    };
    const device_point start = map(pts[0]);
    if (points.empty() || !(points.back() == start)) {
      points.push_back(start);
      counts.push_back(1);
    }
    counts.back() += static_cast<std::uint32_t>(n - 1);
    const std::size_t at = points.size();
    points.resize(at + n - 1);
    device_point* out = points.data() + at;
    for (std::size_t i = 1; i < n; ++i)
      *out++ = map(pts[i]);
  }
  // Pushes the last point of every polyline one pixel further along its last
  // segment: cosmetic pens leave a polyline's last pixel out. A last segment
  // of no length grows one pixel to the right, so that it shows as a dot.
  void extend_last_points();
  bool empty() const { return points.empty(); }
  void clear() { points.clear(); counts.clear(); }
};

struct brush_batch {
  std::vector<device_point> points;
  std::vector<std::uint32_t> counts;

  // Rings of fewer than 3 points are ignored; a ring is closed with its first
  // point when its last one differs.
  void add_ring(const GcGePoint2d* ring, std::size_t n);
  bool empty() const { return points.empty(); }
  void clear() { points.clear(); counts.clear(); }
};

// One GDI call: polylines [first, first + count) of the batch.
struct polyline_call {
  std::size_t first = 0;
  std::size_t count = 0;
};

// Groups consecutive polylines so that each call stays within `limit` points;
// a polyline longer than the limit still gets a call of its own. With
// one_per_call every polyline is a call.
std::vector<polyline_call> plan_polyline_calls(const std::uint32_t* counts, std::size_t n, std::uint32_t limit,
                                               bool one_per_call);
inline std::vector<polyline_call> plan_polyline_calls(const std::vector<std::uint32_t>& counts, std::uint32_t limit,
                                                      bool one_per_call) {
  return plan_polyline_calls(counts.data(), counts.size(), limit, one_per_call);
}

} // namespace GDI
