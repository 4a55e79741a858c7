#pragma once
// Reference geometry for the property tests: long double arithmetic on the
// very values the library was given, written without any of the library's
// code, so that a fault the library makes cannot hide in its own check.
// Curves are built here from their defining numbers, points are placed on
// them by construction, and distances are measured from the exact curves.
#include "geom/point2d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace oracle {

static_assert(std::numeric_limits<long double>::digits >= 64,
              "the reference geometry needs extended precision to check doubles");

using ld = long double;
inline constexpr ld kPi = 3.14159265358979323846264338327950288L;

struct P {
  ld x = 0, y = 0;
};
inline P operator+(P a, P b) { return {a.x + b.x, a.y + b.y}; }
inline P operator-(P a, P b) { return {a.x - b.x, a.y - b.y}; }
inline P operator*(P a, ld s) { return {a.x * s, a.y * s}; }
inline P operator*(ld s, P a) { return {a.x * s, a.y * s}; }
inline ld dot(P a, P b) { return a.x * b.x + a.y * b.y; }
inline ld cross(P a, P b) { return a.x * b.y - a.y * b.x; }
inline ld len(P a) { return std::sqrt(a.x * a.x + a.y * a.y); }
inline ld dist(P a, P b) { return len(a - b); }
inline P perp(P a) { return {-a.y, a.x}; }
inline P unit(P a) { return a * (1.0L / len(a)); }
inline P dir(ld angle) { return {std::cos(angle), std::sin(angle)}; }
inline P of(const GcGePoint2d& p) { return {p.x, p.y}; }
inline GcGePoint2d rounded(P p) { return {static_cast<double>(p.x), static_cast<double>(p.y)}; }

// The equal-point distance the library documents for coordinates of
// magnitude m (docs/geometry.md): 1e-10, or 1e-14 m where that is larger.
inline double tolAt(double m) { return std::max(1e-10, 1e-14 * m); }

// Angle reduced to [0, 2pi).
inline ld wrap(ld a) {
  ld r = std::fmod(a, 2 * kPi);
  return r < 0 ? r + 2 * kPi : r;
}

struct Segment {
  P a, b;
  P at(ld t) const { return a + (b - a) * t; }
  ld distTo(P q) const {
    const P d = b - a;
    const ld l2 = dot(d, d);
    const ld t = l2 == 0 ? 0 : std::clamp(dot(q - a, d) / l2, ld(0), ld(1));
    return dist(at(t), q);
  }
};

// Circular arc: centre + r (cos, sin)(a0 + t) for t from 0 to sweep
// (negative sweep: clockwise). An arc made from points keeps its start p0
// and measures from it: a nearly straight arc has its centre so far off
// (1e13 for a bulge of 1e-7 at 1e6) that even long double loses the
// distance |q - c| - r to cancellation.
struct Arc {
  P c;
  ld r = 1, a0 = 0, sweep = 2 * kPi;
  bool anchored = false;
  P p0;
  P at(ld t) const {
    if (!anchored)
      return c + dir(a0 + t) * r;
    // p0 + (dir(a0 + t) - dir(a0)) r, the difference in product form.
    const ld h = std::sin(t / 2);
    return p0 + dir(a0 + t / 2 + kPi / 2) * (2 * h * r);
  }
  P start() const { return anchored ? p0 : at(0); }
  P end() const { return at(sweep); }
  // Signed distance from the full circle, positive outside.
  ld radial(P q) const {
    if (!anchored)
      return len(q - c) - r;
    // |q - c| - r = (|w|^2 - 2 r w.n) / (|q - c| + r), w = q - p0 and n the
    // unit normal at p0 towards the centre.
    const P w = q - p0, n = dir(a0) * ld(-1);
    return (dot(w, w) - 2 * r * dot(w, n)) / (len(q - c) + r);
  }
  bool containsAngle(ld angle) const {
    if (std::abs(sweep) >= 2 * kPi)
      return true;
    const ld d = sweep >= 0 ? wrap(angle - a0) : wrap(a0 - angle);
    return d <= std::abs(sweep);
  }
  ld distTo(P q) const {
    const P v = q - c;
    if (len(v) > 0 && containsAngle(std::atan2(v.y, v.x)))
      return std::abs(radial(q));
    return std::min(dist(q, start()), dist(q, end()));
  }
};

// The arc of a polyline member from a to b with the given bulge
// (tan of a quarter of the included angle, positive counter-clockwise):
// the centre lies (1 - bulge^2) / (4 bulge) chord lengths to the left of
// the chord's midpoint.
inline Arc bulgeArc(P a, P b, ld bulge) {
  const P d = b - a;
  const P c = (a + b) * 0.5L + perp(d) * ((1 - bulge * bulge) / (4 * bulge));
  Arc arc;
  arc.c = c;
  arc.r = len(d) * (1 + bulge * bulge) / (4 * std::abs(bulge));
  // The direction from the centre to a, without forming the far centre.
  const P s = d * ld(-0.5) - perp(d) * ((1 - bulge * bulge) / (4 * bulge));
  arc.a0 = std::atan2(s.y, s.x);
  arc.sweep = 4 * std::atan(bulge);
  arc.anchored = true;
  arc.p0 = a;
  return arc;
}

// The point of the bulge arc halfway along it: the sagitta bulge * chord / 2
// off the chord's midpoint, to the right of the chord for a positive bulge.
inline P bulgeMid(P a, P b, ld bulge) {
  const P d = b - a;
  return (a + b) * 0.5L - perp(d) * (bulge / 2);
}

// Elliptical arc: centre + A cos t u + B sin t v for t in [t0, t1], with u, v
// unit and perpendicular.
struct Ellipse {
  P c, u, v;
  ld A = 1, B = 1, t0 = 0, t1 = 2 * kPi;
  P at(ld t) const { return c + u * (A * std::cos(t)) + v * (B * std::sin(t)); }
  bool full() const { return t1 - t0 >= 2 * kPi; }
  // Distance from q: dense samples, then a golden-section search around each
  // sample that is a local minimum (ends included).
  ld distTo(P q) const {
    constexpr int n = 256;
    const ld h = (t1 - t0) / n;
    std::vector<ld> d(n + 1);
    for (int i = 0; i <= n; ++i)
      d[static_cast<std::size_t>(i)] = dist(at(t0 + i * h), q);
    ld best = std::min(d.front(), d.back());
    for (int i = 0; i <= n; ++i) {
      const ld left = i > 0 ? d[static_cast<std::size_t>(i - 1)] : (full() ? d[n - 1] : d[0]);
      const ld right = i < n ? d[static_cast<std::size_t>(i + 1)] : (full() ? d[1] : d[n]);
      const ld here = d[static_cast<std::size_t>(i)];
      if (here > left || here > right)
        continue;
      ld lo = t0 + (i - 1) * h, hi = t0 + (i + 1) * h;
      if (!full()) {
        lo = std::max(lo, t0);
        hi = std::min(hi, t1);
      }
      const ld g = (std::sqrt(5.0L) - 1) / 2;
      ld x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo);
      ld f1 = dist(at(x1), q), f2 = dist(at(x2), q);
      for (int it = 0; it < 90 && hi - lo > 1e-8L; ++it) {
        if (f1 < f2) {
          hi = x2;
          x2 = x1;
          f2 = f1;
          x1 = hi - g * (hi - lo);
          f1 = dist(at(x1), q);
        } else {
          lo = x1;
          x1 = x2;
          f1 = f2;
          x2 = lo + g * (hi - lo);
          f2 = dist(at(x2), q);
        }
      }
      // Newton on (p - q).p' = 0 from there: the distance to a point on the
      // curve is not flat at its minimum, and needs the parameter to full
      // precision.
      ld t = f1 < f2 ? x1 : x2;
      for (int it = 0; it < 8; ++it) {
        const P r = at(t) - q, d1 = deriv(t), d2 = u * (-A * std::cos(t)) - v * (B * std::sin(t));
        const ld fp = dot(d1, d1) + dot(r, d2);
        if (fp <= 0)
          break;
        const ld next = std::clamp(t - dot(r, d1) / fp, lo, hi);
        if (next == t)
          break;
        t = next;
      }
      best = std::min({best, here, f1, f2, dist(at(t), q)});
    }
    return best;
  }
  P deriv(ld t) const { return u * (-A * std::sin(t)) + v * (B * std::cos(t)); }
};

// Where the straight line through p and q meets the circle (c, r): the
// parameters along p -> q, ascending; count 0 or 2.
inline int lineCircle(P p, P q, P c, ld r, ld t[2]) {
  const P d = q - p, w = p - c;
  const ld a = dot(d, d), b = 2 * dot(d, w), cc = dot(w, w) - r * r;
  const ld disc = b * b - 4 * a * cc;
  if (disc <= 0)
    return 0;
  const ld s = std::sqrt(disc);
  t[0] = (-b - s) / (2 * a);
  t[1] = (-b + s) / (2 * a);
  return 2;
}

// Random numbers with a fixed seed per test and scale.
struct Rng {
  std::mt19937_64 gen;
  explicit Rng(std::uint64_t seed) : gen(seed) {}
  double uni(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen); }
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(gen); }
  // 10^e for e uniform in [lo, hi].
  double logUni(double lo, double hi) { return std::pow(10.0, uni(lo, hi)); }
};

// A direction (its angle in [0, pi)) that crosses both unit directions t1
// and t2 at an angle whose sine is at least 0.1, for a line through a joint
// that cuts both members; the last try when none is found.
inline double angleAcross(Rng& g, const GcGeVector2d& t1, const GcGeVector2d& t2) {
  double ang = 0;
  for (int tries = 0; tries < 20; ++tries) {
    ang = g.uni(0, 3.14159265);
    const double ux = std::cos(ang), uy = std::sin(ang);
    if (std::abs(ux * t1.y - uy * t1.x) > 0.1 && std::abs(ux * t2.y - uy * t2.x) > 0.1)
      break;
  }
  return ang;
}

// Feature size and distance from the origin of one group of cases.
struct Scale {
  double size = 1;
  double offset = 0;
  // The equal-point distance at the coordinates of this scale.
  double tol() const { return tolAt(offset + 2 * size); }
  // Whether exact counts are claimed: the feature spans at least a thousand
  // equal-point distances. Below that, results are only checked to lie on
  // the curves.
  bool claimed() const { return size >= 1e3 * tol(); }
  std::string name() const {
    char buf[64];
    std::snprintf(buf, sizeof buf, "size %g at %g", size, offset);
    return buf;
  }
};

// Feature sizes 1e-6 .. 1e7 at the origin and at offsets up to 1e9
// (S-JTSK coordinates in millimetres).
inline std::vector<Scale> scales() {
  std::vector<Scale> out;
  for (double offset : {0.0, 1e2, 1e6, 1e7, 1e9})
    for (double size : {1e-6, 1e-3, 1.0, 1e3, 1e6, 1e7})
      out.push_back({size, offset});
  return out;
}

// A random base point at the scale's offset, in any quadrant.
inline P basePoint(Rng& g, const Scale& s) {
  if (s.offset == 0)
    return {0, 0};
  return {(g.pick(2) ? 1 : -1) * s.offset * g.uni(0.5, 1.0), (g.pick(2) ? 1 : -1) * s.offset * g.uni(0.5, 1.0)};
}

// A random point within `size` of `base` in either coordinate, in doubles.
inline GcGePoint2d nearPoint(Rng& g, P base, double size) {
  return rounded(base + P{g.uni(-size, size), g.uni(-size, size)});
}

// The parts of a failure message one after another, numbers at the full
// precision of a double.
template <class... T>
std::string message(const T&... parts) {
  std::ostringstream w;
  w.precision(17);
  (w << ... << parts);
  return w.str();
}
inline std::string fmt(const GcGePoint2d& p) { return message("(", p.x, ", ", p.y, ")"); }

// Counts the failing cases of one property at one scale and keeps the first
// message. A case is counted once, however many of its checks fail.
struct Tally {
  int cases = 0;
  int failures = 0;
  std::string first;
  template <class F>
  void check(bool ok, F describe) {
    if (ok || lastFailed == cases)
      return;
    lastFailed = cases;
    if (failures++ == 0)
      first = describe();
  }

private:
  int lastFailed = -1;
};

// Failure report of one property over all scales.
struct Report {
  std::vector<std::pair<Scale, Tally>> rows;
  Tally& at(const Scale& s) {
    rows.push_back({s, {}});
    return rows.back().second;
  }
  void expectClean(const char* property) const {
    for (const auto& [s, t] : rows)
      EXPECT_EQ(t.failures, 0) << property << ", " << s.name() << ": " << t.failures << " of " << t.cases
                               << " failed; first: " << t.first;
  }
};

// Checks the named properties at every scale, or only at those whose counts
// are claimed: `cases` times a scale, with the generator seeded anew at each,
// body(g, s, base, n, tallies) draws case n around a random base point and
// counts it in the tallies, one a property.
template <class Body>
void atEveryScale(const std::vector<const char*>& properties, std::uint64_t seed, int cases, bool claimedOnly,
                  Body body) {
  std::vector<Report> reports(properties.size());
  for (const Scale& s : scales()) {
    if (claimedOnly && !s.claimed())
      continue;
    Rng g(seed);
    std::vector<Tally*> tallies;
    for (Report& r : reports)
      tallies.push_back(&r.at(s));
    for (int n = 0; n < cases; ++n) {
      const P base = basePoint(g, s);
      body(g, s, base, n, tallies);
    }
  }
  for (std::size_t i = 0; i < reports.size(); ++i)
    reports[i].expectClean(properties[i]);
}

} // namespace oracle
