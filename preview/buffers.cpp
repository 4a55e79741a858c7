#include "preview/buffers.h"

#include "geom/circarc2d.h"
#include "geom/curve2d.h"
#include "preview/prefetch.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>

namespace GDI {
namespace {
int g_liveBuffers = 0;

// Deletes the curves of a pointer array when it goes out of scope.
struct owned_curves {
  GcGeCurve2dPtrArray items;
  ~owned_curves() { deleteCurves(items); }
};

// Widens the box [x0, x1] x [y0, y1] to hold every point of pts; false when
// a coordinate is not a number. Minima and maxima, no branches: the points of
// a list's caches lie every which way.
bool growBox(const GcGePoint2dArray& pts, double& x0, double& y0, double& x1, double& y1) {
  bool numbers = true;
  for (const GcGePoint2d& p : pts) {
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
    numbers &= p.x == p.x && p.y == p.y;
  }
  return numbers;
}

void samplePiece(const GcGeCurve2d& piece, double tol, GcGePoint2dArray& out) {
  if (piece.isKindOf(GcGe::kLineSeg2d)) {
    out.append(piece.startPoint());
    out.append(piece.endPoint());
    return;
  }
  const GcGeInterval r = piece.interval();
  GcGeInterval range(r.lowerBound(), r.upperBound(), 1e-12);
  // Arcs reserve room for all their samples before appending them, so a
  // cache is allocated once; the parameters go to an array kept from call
  // to call.
  thread_local GcGeDoubleArray params;
  params.removeAll();
  piece.getSamplePoints(range.lowerBound(), range.upperBound(), tol, out, params);
}

// Fixed-size slots carved from blocks of 256; freed slots are reused and the
// blocks are kept for the life of the program. Everything runs on the host's
// command thread, so the pool takes no lock. Slots start on a cache line, so
// that what drawing a cache reads first (its serial, end counts and point
// array, see buffer_curve) lies in one line.
class slot_pool {
public:
  explicit slot_pool(std::size_t size) : size_((size + line - 1) / line * line) {}
  void* take() {
    if (free_.empty()) {
      blocks_.emplace_back(static_cast<unsigned char*>(::operator new(size_ * slots_per_block, std::align_val_t{line})));
      unsigned char* base = blocks_.back().get();
      for (std::size_t i = slots_per_block; i-- > 0;)
        free_.push_back(base + i * size_);
    }
    void* p = free_.back();
    free_.pop_back();
    // A list makes its caches one after the other: fetch the slot the next
    // one will get while this one is being filled.
    if (free_.size() >= 4) {
      const auto* next = static_cast<const char*>(free_[free_.size() - 4]);
      prefetch(next);
      prefetch(next + 64);
    }
    return p;
  }
  void give(void* p) {
    free_.push_back(p);
  }
  std::size_t size() const { return size_; }

private:
  static constexpr std::size_t slots_per_block = 256;
  static constexpr std::size_t line = 64;
  struct aligned_delete {
    void operator()(unsigned char* p) const { ::operator delete(p, std::align_val_t{line}); }
  };
  std::size_t size_;
  std::vector<void*> free_;
  std::vector<std::unique_ptr<unsigned char, aligned_delete>> blocks_;
};

slot_pool& curvePool() {
  static slot_pool* pool = new slot_pool(sizeof(buffer_curve)); // outlives every cache
  return *pool;
}
} // namespace

// Under AddressSanitizer the caches come from the ordinary heap, so that a use
// after free or an overrun of a cache is still caught there.
#if defined(__SANITIZE_ADDRESS__)
#define VD_CACHE_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VD_CACHE_POOL 0
#endif
#endif
#ifndef VD_CACHE_POOL
#define VD_CACHE_POOL 1
#endif

void* buffer_curve::operator new(std::size_t size) {
  if (!VD_CACHE_POOL)
    return ::operator new(size);
  slot_pool& pool = curvePool();
  return size <= pool.size() ? pool.take() : ::operator new(size);
}

void buffer_curve::operator delete(void* p, std::size_t size) {
  if (!p)
    return;
  if (!VD_CACHE_POOL) {
    ::operator delete(p);
    return;
  }
  slot_pool& pool = curvePool();
  if (size <= pool.size())
    pool.give(p);
  else
    ::operator delete(p);
}

void end_list::reserve(std::size_t n) {
  if (n <= capacity_)
    return;
  if (n > 0xFFFFFFFFu)
    throw std::bad_alloc();
  auto* grown = static_cast<std::uint32_t*>(IcGeMemoryController::allocateArray(n * sizeof(std::uint32_t)));
  if (!grown)
    throw std::bad_alloc();
  std::copy(begin(), end(), grown);
  if (data_ != inline_)
    IcGeMemoryController::deallocateArray(data_);
  data_ = grown;
  capacity_ = static_cast<std::uint32_t>(n);
}

void cache_outline::set_reach(double x0, double y0, double x1, double y1) {
  // Each side moved out by a relative 2^-22 (two to four float steps) and
  // 1e-37 before it is rounded to the nearest float, which then still lies
  // outside the box: cheaper than stepping each float out exactly, and as
  // good for a box test that may only err towards clipping.
  const double most = std::max({std::abs(x0), std::abs(y0), std::abs(x1), std::abs(y1)});
  if (!(x0 <= x1 && y0 <= y1 && most < 1e38)) {
    *this = cache_outline{{1.0f, 1.0f, 0.0f, 0.0f}, whole, pairs}; // empty: not known
    return;
  }
  constexpr double out = 1.0 / (1 << 22), tiny = 1e-37;
  reach[0] = static_cast<float>(x0 - std::abs(x0) * out - tiny);
  reach[1] = static_cast<float>(y0 - std::abs(y0) * out - tiny);
  reach[2] = static_cast<float>(x1 + std::abs(x1) * out + tiny);
  reach[3] = static_cast<float>(y1 + std::abs(y1) * out + tiny);
}

void cache_outline::set_reach(const extents& box) {
  if (box.valid)
    set_reach(box.min.x, box.min.y, box.max.x, box.max.y);
  else
    set_reach(1.0, 1.0, 0.0, 0.0);
}

buffer_paint::buffer_paint() { ++g_liveBuffers; }
buffer_paint::~buffer_paint() { --g_liveBuffers; }
int buffer_paint::live_count() { return g_liveBuffers; }

void buffer_curve::clear() {
  ++serial;
  points.removeAll();
  ends.clear();
  dashes.removeAll();
  outline = cache_outline();
  tolerance = 0.0;
}

void buffer_solid::clear() {
  ring_points.removeAll();
  ring_counts.clear();
  tolerance = 0.0;
}

buffer_buffer_paint::~buffer_buffer_paint() { clear(); }

void buffer_buffer_paint::clear() {
  for (buffer_paint* b : entries)
    delete b;
  entries.clear();
}

bool buffer_buffer_paint::made_under(const GcGeMatrix2d* m) const {
  if (!m || !placed_)
    return !m && !placed_;
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c)
      if (transform_.entry[r][c] != m->entry[r][c])
        return false;
  return true;
}

void buffer_buffer_paint::set_transform(const GcGeMatrix2d* m) {
  placed_ = m != nullptr;
  if (m)
    transform_ = *m;
}

bool refresh_curve_cache(buffer_curve& cache, const GcGeCurve2d& curve, const regen_context& ctx) {
  if (cache_reusable(cache.tolerance, cache.regen, cache.whole, ctx))
    return false;
  cache.clear();
  const double tol = 0.5 * (ctx.band_low + ctx.band_high) * ctx.pixel;
  cache.tolerance = tol;
  cache.regen = ctx.regen;
  cache.whole = ctx.no_clip;

  // Segments clip without copies, and a curve wholly inside the boundary is
  // sampled as it is: only curves that cross it are cut into pieces.
  const bool clip = !ctx.no_clip && ctx.boundary;
  if (curve.isKindOf(GcGe::kLineSeg2d)) {
    GcGePoint2d p = curve.startPoint(), q = curve.endPoint();
    // A segment inside an axis-parallel boundary needs no clipping.
    const bool inside = clip && ctx.boundary->is_box() && ctx.boundary->box().contains(p) &&
                        ctx.boundary->box().contains(q);
    if (!clip || inside || clip_segment(p, q, *ctx.boundary)) {
      // Exactly two points: thousands of segment caches stay small.
      if (cache.points.physicalLength() < 2)
        cache.points.setPhysicalLength(2);
      cache.points.append(p);
      cache.points.append(q);
      cache.ends.push_back(2);
    }
  } else {
    bool whole = !clip;
    if (clip && curve.isKindOf(GcGe::kCircArc2d)) {
      // The arc's circle inside the boundary is the common case and cheap.
      const auto& arc = static_cast<const GcGeCircArc2d&>(curve);
      const GcGeVector2d r(arc.radius(), arc.radius());
      whole = region_contains(*ctx.boundary, extents(arc.center() - r, arc.center() + r));
    }
    if (clip && !whole) {
      GcGePoint2d lo, hi;
      curve.gcOrthoBoundBlock().getMinMaxPoints(lo, hi);
      whole = region_contains(*ctx.boundary, extents(lo, hi));
    }
    if (whole) {
      samplePiece(curve, tol, cache.points);
      cache.ends.push_back(static_cast<std::uint32_t>(cache.points.length()));
    } else {
      owned_curves pieces;
      clip_curve(curve, *ctx.boundary, pieces.items);
      for (GcGeCurve2d* piece : pieces.items) {
        samplePiece(*piece, tol, cache.points);
        cache.ends.push_back(static_cast<std::uint32_t>(cache.points.length()));
      }
    }
  }
  if (ctx.block)
    for (GcGePoint2d& p : cache.points)
      p = ctx.block->apply(p);

  if (ctx.pattern) {
    std::uint32_t first = 0;
    for (std::uint32_t end : cache.ends) {
      double along = 0.0;
      for (std::uint32_t i = first; i + 1 < end; ++i) {
        const GcGePoint2d p = cache.points[static_cast<int>(i)], q = cache.points[static_cast<int>(i + 1)];
        const double next = along + p.distanceTo(q);
        ctx.pattern->dash_segment(p, q, along, next, ctx.pattern_scale, cache.dashes);
        along = next;
      }
      first = end;
    }
  }
  cache.outline.whole = cache.whole;
  cache.outline.pairs = !cache.dashes.isEmpty();
  constexpr double inf = std::numeric_limits<double>::infinity();
  double x0 = inf, y0 = inf, x1 = -inf, y1 = -inf;
  if (growBox(cache.points, x0, y0, x1, y1) && growBox(cache.dashes, x0, y0, x1, y1))
    cache.outline.set_reach(x0, y0, x1, y1); // no points: an empty box, not known
  else
    cache.outline.set_reach(extents());
  return true;
}

bool refresh_solid_cache(buffer_solid& cache, const std::vector<GcGeCurve2d*>& loops, const regen_context& ctx) {
  if (cache_reusable(cache.tolerance, cache.regen, cache.whole, ctx))
    return false;
  cache.clear();
  cache.tolerance = 0.5 * (ctx.band_low + ctx.band_high) * ctx.pixel;
  cache.regen = ctx.regen;
  cache.whole = ctx.no_clip;
  std::vector<GcGePoint2d> ring, clipped;
  for (const GcGeCurve2d* loop : loops) {
    if (!loop)
      continue;
    GcGePoint2dArray sampled;
    owned_curves exploded;
    if (!loop->explode(exploded.items))
      exploded.items.append(loop->copyCurve());
    for (int m = 0; m < exploded.items.length(); ++m) {
      // Each member's last point is the next member's first.
      if (m > 0 && sampled.length() > 0)
        sampled.removeLast();
      samplePiece(*exploded.items[m], cache.tolerance, sampled);
    }
    ring.assign(sampled.begin(), sampled.end());
    if (ring.size() > 1 && ring.front().isEqualTo(ring.back()))
      ring.pop_back();
    if (!ctx.no_clip && ctx.boundary)
      clip_ring(ring, *ctx.boundary, clipped);
    else
      clipped = ring;
    if (clipped.size() < 3)
      continue;
    for (GcGePoint2d p : clipped)
      cache.ring_points.append(ctx.block ? ctx.block->apply(p) : p);
    cache.ring_counts.push_back(static_cast<std::uint32_t>(clipped.size()));
  }
  return true;
}

} // namespace GDI
