#pragma once
// Device-point batches: segments collected per pen into polylines and rings
// per brush, and how a pen batch is split into GDI calls. No Windows types:
// device_point has the layout of a Win32 POINT.
#include "geom/matrix2d.h"
#include "geom/point2d.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>
#include <type_traits>
#include <vector>

namespace GDI {

// A growable array of plain values whose room is not initialised when it
// grows: the batches write every point right after making room for it, and
// the zeroing std::vector does on resize would be a second pass over each.
template <class T>
class plain_buffer {
  static_assert(std::is_trivially_copyable_v<T>);

public:
  using value_type = T;
  using iterator = T*;
  using const_iterator = const T*;

  plain_buffer() = default;
  plain_buffer(std::initializer_list<T> values) { std::copy(values.begin(), values.end(), extend(values.size())); }
  plain_buffer(const plain_buffer& o) { append(o.data(), o.size()); }
  plain_buffer(plain_buffer&& o) noexcept : data_(o.data_), size_(o.size_), capacity_(o.capacity_) {
    o.data_ = nullptr;
    o.size_ = o.capacity_ = 0;
  }
  plain_buffer& operator=(plain_buffer o) noexcept {
    std::swap(data_, o.data_);
    std::swap(size_, o.size_);
    std::swap(capacity_, o.capacity_);
    return *this;
  }
  ~plain_buffer() { ::operator delete(data_); }

  // Room for n more values at the end, returned uninitialised.
  T* extend(std::size_t n) {
    if (capacity_ - size_ < n)
      grow(size_ + n);
    T* at = data_ + size_;
    size_ += n;
    return at;
  }
  // By value: v may be one of this buffer's own values, which growing moves.
  void push_back(T v) { *extend(1) = v; }
  void append(const T* values, std::size_t n) {
    if (n)
      std::memcpy(extend(n), values, n * sizeof(T));
  }
  void reserve(std::size_t n) {
    if (n > capacity_)
      grow(n);
  }
  void clear() { size_ = 0; }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  T& back() { return data_[size_ - 1]; }
  const T& back() const { return data_[size_ - 1]; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  bool operator==(const plain_buffer& o) const { return std::equal(begin(), end(), o.begin(), o.end()); }
  bool operator==(const std::vector<T>& o) const { return std::equal(begin(), end(), o.begin(), o.end()); }

private:
  void grow(std::size_t need) {
    const std::size_t n = std::max(need, 2 * capacity_);
    T* grown = static_cast<T*>(::operator new(n * sizeof(T)));
    if (size_)
      std::memcpy(grown, data_, size_ * sizeof(T));
    ::operator delete(data_);
    data_ = grown;
    capacity_ = n;
  }

  T* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

struct device_point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const device_point&) const = default;
};

// Rounds a device coordinate the way the batches do: +0.5, then down to the
// integer below (also for negative values, so that moving a point by whole
// pixels moves its rounded point by exactly as many). Values far outside any
// bitmap (and NaN) are clamped so the conversion stays defined; the clamps
// are selections rather than branches, so loops of them vectorise.
inline std::int32_t round_device(double v) {
  double c = v + 0.5;
  c = c > -1e9 ? c : -1e9; // NaN too
  c = c < 1e9 ? c : 1e9;
  // c + 1e9 is not negative, where truncation rounds down.
  return static_cast<std::int32_t>(static_cast<std::int64_t>(c + 1e9) - 1000000000);
}

struct pen_batch {
  plain_buffer<device_point> points;
  plain_buffer<std::uint32_t> counts; // points per polyline

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
    const device_point start{round_device(a * pts[0].x + b * pts[0].y + c),
                             round_device(d * pts[0].x + e * pts[0].y + f)};
    device_point* out;
    if (!points.empty() && points.back() == start) {
      counts.back() += static_cast<std::uint32_t>(n - 1);
      out = points.extend(n - 1);
    } else {
      counts.push_back(static_cast<std::uint32_t>(n));
      out = points.extend(n);
      *out++ = start;
    }
    for (std::size_t i = 1; i < n; ++i, ++out) {
      out->x = round_device(a * pts[i].x + b * pts[i].y + c);
      out->y = round_device(d * pts[i].x + e * pts[i].y + f);
    }
  }
  // Pushes the last point of every polyline one pixel further along its last
  // segment: cosmetic pens leave a polyline's last pixel out. A last segment
  // of no length grows one pixel to the right, so that it shows as a dot.
  void extend_last_points();
  bool empty() const { return points.empty(); }
  void clear() { points.clear(); counts.clear(); }
};

struct brush_batch {
  plain_buffer<device_point> points;
  plain_buffer<std::uint32_t> counts;

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
