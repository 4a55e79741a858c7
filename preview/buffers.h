#pragma once
// Per-element caches of device-ready geometry and how they are refreshed:
// tessellated polylines (with their dash pieces) of a curve, sampled rings of
// a solid, and the set of member caches a block reference keeps.
#include "geom/curve2d.h"
#include "geom/memory_controller.h"
#include "preview/clip.h"
#include "preview/extents.h"
#include "preview/linetype.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace GDI {

class buffer_paint {
public:
  virtual ~buffer_paint();
  virtual void clear() = 0;
  // Caches alive now, reported as "BUFFER INSTANCES".
  static int live_count();

protected:
  buffer_paint();
  buffer_paint(const buffer_paint&) = delete;
  buffer_paint& operator=(const buffer_paint&) = delete;
};

// Running point counts of a cache's polylines. Nearly every cache holds one
// polyline, so two counts live in the list itself and only longer lists take
// a geometry-array block: a list of ten thousand segments makes no heap
// blocks for them.
class end_list {
public:
  end_list() = default;
  end_list(std::initializer_list<std::uint32_t> values) {
    reserve(values.size());
    for (std::uint32_t v : values)
      push_back(v);
  }
  end_list(const end_list& o) : end_list() {
    reserve(o.size_);
    std::copy(o.begin(), o.end(), data_);
    size_ = o.size_;
  }
  end_list& operator=(const end_list& o) {
    if (this != &o) {
      size_ = 0;
      reserve(o.size_);
      std::copy(o.begin(), o.end(), data_);
      size_ = o.size_;
    }
    return *this;
  }
  ~end_list() {
    if (data_ != inline_)
      IcGeMemoryController::deallocateArray(data_);
  }

  void push_back(std::uint32_t v) {
    if (size_ == capacity_)
      reserve(2 * static_cast<std::size_t>(capacity_));
    data_[size_++] = v;
  }
  void reserve(std::size_t n);
  void clear() { size_ = 0; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::uint32_t operator[](std::size_t i) const { return data_[i]; }
  std::uint32_t back() const { return data_[size_ - 1]; }
  const std::uint32_t* begin() const { return data_; }
  const std::uint32_t* end() const { return data_ + size_; }
  bool operator==(const end_list& o) const { return std::equal(begin(), end(), o.begin(), o.end()); }

private:
  std::uint32_t inline_[2] = {0, 0};
  std::uint32_t* data_ = inline_;
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = 2;
};

// How to draw a curve cache, in 20 bytes: the box its points and dash pieces
// reach, in floats rounded outwards (empty when not known or beyond the range
// of floats), whether it was made without clipping and whether it holds dash
// pieces. Made when the cache is filled; a noted drawing of the cache keeps a
// copy, good while the cache's serial stays.
struct cache_outline {
  float reach[4] = {1.0f, 1.0f, 0.0f, 0.0f}; // min x, min y, max x, max y; empty
  bool whole = false;
  bool pairs = false;

  bool known() const { return reach[0] <= reach[2] && reach[1] <= reach[3]; }
  // The reach: a float box that holds the box given, a few float steps
  // wider; not known for an empty or invalid box or one beyond the floats.
  void set_reach(double x0, double y0, double x1, double y1);
  void set_reach(const extents& box);
  bool operator==(const cache_outline&) const = default;
};

class buffer_curve : public buffer_paint {
public:
  // A replay reads the serial, end counts and point array: the first cache
  // line (the pool starts each cache on one). A walk of the list reads the
  // outline and the regeneration window in the second too.
  std::uint32_t serial = 0;         // counts the times it was emptied: a drawing noted with it is still good
  bool whole = false;               // made without clipping (the view's no-clipping flag)
  end_list ends;                    // running point count after each polyline
  GcGePoint2dArray points;          // drawing units, block transform applied
  cache_outline outline;            // made from the fields here when the cache is filled
  extents regen;                    // regeneration window the points were made for
  double tolerance = 0.0;           // 0: empty, must be regenerated
  GcGePoint2dArray dashes;          // point pairs; painted instead of points when not empty

  void clear() override;

  // Curve caches come from a pool of blocks: a list makes thousands of them
  // at once, and one heap allocation per cache is slow on fresh memory.
  static void* operator new(std::size_t size);
  static void operator delete(void* p, std::size_t size);
};

class buffer_solid : public buffer_paint {
public:
  GcGePoint2dArray ring_points;
  std::vector<std::uint32_t> ring_counts;
  double tolerance = 0.0;
  extents regen;
  bool whole = false;

  void clear() override;
};

class buffer_buffer_paint : public buffer_paint {
public:
  ~buffer_buffer_paint() override;
  std::vector<buffer_paint*> entries; // owned; entries may be null
  void clear() override;

  // Whether the entries were made under exactly this block transform (null:
  // outside any reference).
  bool made_under(const GcGeMatrix2d* m) const;
  void set_transform(const GcGeMatrix2d* m);

private:
  GcGeMatrix2d transform_;
  bool placed_ = false; // transform_ holds the transform the entries were made under
};

// What a cache refresh needs to know of the view and the block context.
struct regen_context {
  double pixel = 1.0;          // chord tolerance: the pixel size (in block units inside a block)
  double band_low = 0.5;
  double band_high = 1.5;
  extents visible;             // world window on screen
  extents regen;               // world regeneration window
  extents element;             // world extents of the element (invalid: unknown)
  const clip_region* boundary = nullptr; // regeneration boundary in the geometry's units
  const GcGeMatrix2d* block = nullptr;   // block transform, null outside references
  bool no_clip = false;
  const linetype* pattern = nullptr;     // applied linetype or null
  double pattern_scale = 1.0;
};

// Whether a cache made with `tolerance` for regeneration window `regen` can
// be painted at pixel size `pixel`: its tolerance lies within the band, and
// its points are complete wherever they can show, because its window holds
// the visible window or the whole element (which then lost nothing to
// clipping). `whole` and `no_clip` say whether the cache was made, and would
// be made now, without clipping.
inline bool cache_fits(double tolerance, const extents& regen, bool whole, double pixel, double band_low,
                       double band_high, const extents& visible, const extents& element, bool no_clip) {
  return tolerance > 0.0 && tolerance >= band_low * pixel && tolerance <= band_high * pixel && whole == no_clip &&
         (whole || regen.contains(visible) || regen.contains(element));
}
inline bool cache_reusable(double tolerance, const extents& regen, bool whole, const regen_context& ctx) {
  return cache_fits(tolerance, regen, whole, ctx.pixel, ctx.band_low, ctx.band_high, ctx.visible, ctx.element,
                    ctx.no_clip);
}

// Rebuilds the cache unless it is reusable; returns true when it regenerated.
bool refresh_curve_cache(buffer_curve& cache, const GcGeCurve2d& curve, const regen_context& ctx);
bool refresh_solid_cache(buffer_solid& cache, const std::vector<GcGeCurve2d*>& loops, const regen_context& ctx);

} // namespace GDI
