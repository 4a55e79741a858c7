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

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define VD_HAVE_SSE2 1
#else
#define VD_HAVE_SSE2 0
#endif

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

// Pushes a polyline's last point one pixel further along its last segment
// (prev to last): cosmetic pens leave a polyline's last pixel out. Mostly
// horizontal, x moves on; mostly vertical, y; else both. A last segment of
// no length grows one pixel to the right, so that it shows as a dot.
inline void push_last_point(device_point& last, const device_point& prev) {
  const std::int64_t dx = std::int64_t{last.x} - prev.x, dy = std::int64_t{last.y} - prev.y;
  const std::int64_t ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
  const int sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
  if (dx == 0 && dy == 0)
    last.x += 1;
  else if (ax > 4 * ay)
    last.x += sx;
  else if (ay > 4 * ax)
    last.y += sy;
  else {
    last.x += sx;
    last.y += sy;
  }
}

// A drawing point mapped by the matrix (a b c / d e f) and rounded as
// round_device rounds: (round_device(a x + b y + c), round_device(d x + e y + f)),
// computed operation for operation the same way. Where the processor has
// SSE2 (every x86-64 one) both coordinates go through each step together.
inline device_point map_device_scalar(const GcGePoint2d& p, const double (&m)[6]) {
  return {round_device(m[0] * p.x + m[1] * p.y + m[2]), round_device(m[3] * p.x + m[4] * p.y + m[5])};
}
#if VD_HAVE_SSE2
inline device_point map_device(const GcGePoint2d& p, const double (&m)[6]) {
  // Lanes: x in the low one, y in the high one.
  __m128d v = _mm_add_pd(_mm_mul_pd(_mm_set_pd(m[3], m[0]), _mm_set1_pd(p.x)),
                         _mm_mul_pd(_mm_set_pd(m[4], m[1]), _mm_set1_pd(p.y)));
  v = _mm_add_pd(v, _mm_set_pd(m[5], m[2]));
  v = _mm_add_pd(v, _mm_set1_pd(0.5));
  v = _mm_max_pd(v, _mm_set1_pd(-1e9)); // NaN gives the second operand: -1e9
  v = _mm_min_pd(v, _mm_set1_pd(1e9));
  v = _mm_add_pd(v, _mm_set1_pd(1e9)); // 0 to 2e9: truncation rounds down and fits 32 bits
  const __m128i r = _mm_sub_epi32(_mm_cvttpd_epi32(v), _mm_set1_epi32(1000000000));
  device_point out;
  out.x = _mm_cvtsi128_si32(r);
  out.y = _mm_cvtsi128_si32(_mm_srli_si128(r, 4));
  return out;
}
#else
inline device_point map_device(const GcGePoint2d& p, const double (&m)[6]) { return map_device_scalar(p, m); }
#endif

struct pen_batch {
  plain_buffer<device_point> points;
  plain_buffer<std::uint32_t> counts; // points per polyline
  // A batch of a cosmetic pen pushes each polyline's last point on (see
  // push_last_point) as soon as the polyline is finished, that is when the
  // next one starts, while its points are at hand; extend_last_points does
  // the rest.
  bool cosmetic = false;
  std::size_t pushed = 0; // polylines whose last point was pushed on

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
    finish_polyline();
    device_point* out = points.extend(2);
    out[0] = a;
    out[1] = b;
    counts.push_back(2);
  }
  // What add_segment gives for the segments of the polyline through the n
  // points mapped by m, one after the other, with each point mapped and
  // rounded once: the polyline continues the last one when its first point
  // rounds to that one's last point.
  void add_polyline(const GcGePoint2d* pts, std::size_t n, const GcGeMatrix2d& m) {
    if (n < 2)
      return;
    const double e[6] = {m.entry[0][0], m.entry[0][1], m.entry[0][2], m.entry[1][0], m.entry[1][1], m.entry[1][2]};
    const device_point start = map_device(pts[0], e);
    device_point* out;
    if (!points.empty() && points.back() == start) {
      counts.back() += static_cast<std::uint32_t>(n - 1);
      out = points.extend(n - 1);
    } else {
      finish_polyline();
      counts.push_back(static_cast<std::uint32_t>(n));
      out = points.extend(n);
      *out++ = start;
    }
    for (std::size_t i = 1; i < n; ++i)
      *out++ = map_device(pts[i], e);
  }
  // Pushes on the last point of every polyline not pushed yet (for a
  // cosmetic batch, the one being added to), as push_last_point says.
  void extend_last_points();
  bool empty() const { return points.empty(); }
  void clear() {
    points.clear();
    counts.clear();
    pushed = 0;
  }

private:
  // A new polyline starts: a cosmetic batch pushes on the last point of the
  // one before, which is finished.
  void finish_polyline() {
    if (cosmetic && !counts.empty()) {
      if (counts.back() >= 2)
        push_last_point(points.back(), points[points.size() - 2]);
      pushed = counts.size();
    }
  }
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
