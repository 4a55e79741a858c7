#include "preview/hatch_lines.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace GDI {
namespace {

bool finite(const GcGePoint2d& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Line indices beyond 2^52 cannot be stepped one by one in a double.
constexpr double kMaxLineIndex = 4503599627370496.0;

// A boundary edge seen in one family's frame: across the lines (n) and along
// them (s), and the range of line indices that may cross it.
struct frame_edge {
  double n0, n1, s0, s1;
  std::int64_t first, last;
};

// Writes line pieces of one family into `out` and counts them against the
// limit; false when the limit is reached.
class piece_writer {
public:
  piece_writer(std::vector<hatch_segment>& out, std::size_t start, std::size_t limit)
      : out_(out), start_(start), limit_(limit) {}

  // The family's frame: d along the lines, n across them.
  void frame(const GcGeVector2d& d, const GcGeVector2d& n) {
    d_ = d;
    n_ = n;
  }

  // The piece from along-position a to b on the line at across-position c.
  bool piece(double c, double a, double b) {
    if (out_.size() - start_ >= limit_)
      return false;
    const GcGeVector2d across = n_ * c;
    out_.push_back({GcGePoint2d::kOrigin + d_ * a + across, GcGePoint2d::kOrigin + d_ * b + across});
    return true;
  }

  std::size_t left() const { return limit_ - (out_.size() - start_); }

private:
  std::vector<hatch_segment>& out_;
  std::size_t start_, limit_;
  GcGeVector2d d_, n_;
};

// The dash pattern of a family, with what drawing it needs precomputed.
struct dash_pattern {
  const std::vector<double>* lengths = nullptr;
  double period = 0.0;  // sum of the absolute lengths; 0: continuous
  int drawn = 0;        // dashes and dots in one repeat
  double dot = 0.0;

  explicit dash_pattern(const std::vector<double>& dashes) : lengths(&dashes) {
    for (double len : dashes) {
      period += std::abs(len);
      drawn += len >= 0.0 ? 1 : 0;
    }
    // Only dots, or nothing at all: the line is continuous.
    if (!(period > 0.0) || !std::isfinite(period))
      period = 0.0;
    dot = period / 64.0;
  }
  bool invisible() const { return period > 0.0 && drawn == 0; }
};

// The dashes of the inside stretch [a, b] of the line at across-position c
// whose pattern starts at along-position origin.
bool dashStretch(piece_writer& w, const dash_pattern& p, double c, double a, double b, double origin) {
  if (p.period == 0.0)
    return w.piece(c, a, b);
  const double t0 = a - origin, t1 = b - origin;
  const double repeats = std::ceil((t1 - t0) / p.period) + 2.0;
  // Bounds the loop below however far the stretch lies from the origin.
  if (!(repeats * p.drawn <= static_cast<double>(w.left()) + p.drawn * 2.0))
    return false;
  const double first = std::floor(t0 / p.period);
  for (double r = 0; r < repeats; ++r) {
    double x = (first + r) * p.period;
    if (x > t1)
      break;
    for (double len : *p.lengths) {
      double lo = x, hi = x + len;
      if (len == 0.0) {
        lo = x - p.dot / 2;
        hi = x + p.dot / 2;
      }
      if (len >= 0.0) {
        lo = std::max(lo, t0);
        hi = std::min(hi, t1);
        if (hi > lo && !w.piece(c, origin + lo, origin + hi))
          return false;
      }
      x += std::abs(len);
    }
  }
  return true;
}

} // namespace

hatch_outcome hatch_lines(const std::vector<hatch_ring>& rings, const std::vector<pattern_family>& families,
                          std::vector<hatch_segment>& out, const hatch_limits& limits) {
  const std::size_t start = out.size();
  auto tooDense = [&] {
    out.resize(start);
    return hatch_outcome::too_dense;
  };

  // Edges of all rings; points that are not numbers are passed over.
  std::vector<std::pair<GcGePoint2d, GcGePoint2d>> edges;
  for (const hatch_ring& ring : rings) {
    std::vector<GcGePoint2d> pts;
    for (const GcGePoint2d& p : ring)
      if (finite(p))
        pts.push_back(p);
    if (pts.size() < 2)
      continue;
    for (std::size_t i = 0; i < pts.size(); ++i)
      edges.emplace_back(pts[i], pts[(i + 1) % pts.size()]);
  }
  if (edges.empty())
    return hatch_outcome::drawn;

  piece_writer writer(out, start, limits.max_segments);
  std::size_t lines = 0;
  std::vector<frame_edge> framed;
  std::vector<std::size_t> order, active;
  std::vector<double> crossings;
  for (const pattern_family& f : families) {
    if (!std::isfinite(f.angle) || !finite(f.base) || !std::isfinite(f.offset.x) || !std::isfinite(f.offset.y))
      continue;
    if (std::any_of(f.dashes.begin(), f.dashes.end(), [](double v) { return !std::isfinite(v); }))
      continue;
    const dash_pattern pattern(f.dashes);
    if (pattern.invisible())
      continue;
    const GcGeVector2d d(std::cos(f.angle), std::sin(f.angle)), n(-d.y, d.x);
    writer.frame(d, n);

    // Line k lies at across-position b0 + k * step; its pattern starts at
    // along-position s0 + k * shift.
    const double b0 = f.base.asVector().dotProduct(n), step = f.offset.dotProduct(n);
    const double s0 = f.base.asVector().dotProduct(d), shift = f.offset.dotProduct(d);
    framed.clear();
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (const auto& [p, q] : edges) {
      const frame_edge e{p.asVector().dotProduct(n), q.asVector().dotProduct(n), p.asVector().dotProduct(d),
                         q.asVector().dotProduct(d), 0, 0};
      lo = std::min({lo, e.n0, e.n1});
      hi = std::max({hi, e.n0, e.n1});
      framed.push_back(e);
    }
    if (!(hi > lo))
      continue; // every edge along the lines: nothing inside
    const double size = std::max({hi - lo, std::abs(lo), std::abs(hi), std::abs(b0)});
    // Index range of the lines across the rings' extent (and the per-edge
    // ranges below); a step of no size leaves the one line through base.
    const bool single = !(std::abs(step) > 1e-12 * size);
    auto indexRange = [&](double from, double to, double& first, double& last) {
      if (single) {
        first = last = 0.0;
        return from <= b0 && b0 <= to;
      }
      first = (from - b0) / step;
      last = (to - b0) / step;
      if (first > last)
        std::swap(first, last);
      return true;
    };
    double kLo = 0, kHi = 0;
    if (!indexRange(lo, hi, kLo, kHi))
      continue;
    kLo = std::ceil(kLo);
    kHi = std::floor(kHi);
    if (!(kHi >= kLo))
      continue;
    if (kHi - kLo + 1.0 > static_cast<double>(limits.max_lines - lines))
      return tooDense();
    if (std::abs(kLo) > kMaxLineIndex || std::abs(kHi) > kMaxLineIndex)
      continue; // a base point absurdly far from the boundary
    lines += static_cast<std::size_t>(kHi - kLo + 1.0);

    // Each edge joins the sweep at the first line that may cross it and
    // leaves after the last.
    order.clear();
    for (std::size_t i = 0; i < framed.size(); ++i) {
      frame_edge& e = framed[i];
      if (e.n0 == e.n1)
        continue; // along the lines: never crossed
      double first = 0, last = 0;
      if (!indexRange(std::min(e.n0, e.n1), std::max(e.n0, e.n1), first, last))
        continue;
      first = std::max(std::floor(first), kLo);
      last = std::min(std::ceil(last), kHi);
      if (first > last)
        continue;
      e.first = static_cast<std::int64_t>(first);
      e.last = static_cast<std::int64_t>(last);
      order.push_back(i);
    }
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return framed[a].first < framed[b].first; });

    active.clear();
    std::size_t next = 0;
    for (auto k = static_cast<std::int64_t>(kLo); k <= static_cast<std::int64_t>(kHi); ++k) {
      while (next < order.size() && framed[order[next]].first <= k)
        active.push_back(order[next++]);
      const double c = single ? b0 : b0 + static_cast<double>(k) * step;
      crossings.clear();
      for (std::size_t a = 0; a < active.size();) {
        const frame_edge& e = framed[active[a]];
        if (e.last < k) {
          active[a] = active.back();
          active.pop_back();
          continue;
        }
        ++a;
        // A corner exactly on the line counts as above it, for both of its
        // edges alike: a line touching a corner crosses twice or not at all.
        if ((e.n0 > c) != (e.n1 > c))
          crossings.push_back(e.s0 + (e.s1 - e.s0) * (c - e.n0) / (e.n1 - e.n0));
      }
      std::sort(crossings.begin(), crossings.end());
      const double origin = s0 + static_cast<double>(k) * shift;
      for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
        if (crossings[i + 1] > crossings[i] && !dashStretch(writer, pattern, c, crossings[i], crossings[i + 1], origin))
          return tooDense();
      }
    }
  }
  return hatch_outcome::drawn;
}

} // namespace GDI
