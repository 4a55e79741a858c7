#include "preview/spline_curve.h"

#include <algorithm>
#include <cmath>

namespace GDI {
namespace {

constexpr int kDefaultDegree = 3;
constexpr std::size_t kMinPiecesPerSpan = 4;
constexpr std::size_t kMaxPointsPerSpan = 4096;
constexpr std::size_t kMaxPoints = 200000;
constexpr int kMaxDepth = 12;

bool finitePoint(const GcGePoint2d& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool knotsFit(const std::vector<double>& knots, std::size_t points, int degree) {
  if (knots.size() != points + static_cast<std::size_t>(degree) + 1)
    return false;
  for (std::size_t i = 0; i < knots.size(); ++i) {
    if (!std::isfinite(knots[i]) || (i > 0 && knots[i] < knots[i - 1]))
      return false;
  }
  return knots[static_cast<std::size_t>(degree)] < knots[points];
}

// Knots 0, 1, 2, ... for a periodic curve; clamped ones (degree + 1 equal
// values at each end, steps of 1 between) otherwise.
std::vector<double> uniformKnots(std::size_t points, int degree, bool periodic) {
  const std::size_t count = points + static_cast<std::size_t>(degree) + 1;
  std::vector<double> knots(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (periodic) {
      knots[i] = static_cast<double>(i);
      continue;
    }
    const double inner = static_cast<double>(i) - degree;
    knots[i] = std::clamp(inner, 0.0, static_cast<double>(points) - degree);
  }
  return knots;
}

// The span k (degree <= k < points) with knots[k] <= u < knots[k + 1]; the
// last span of positive length for u at the end of the range.
std::size_t findSpan(const std::vector<double>& knots, int degree, std::size_t points, double u) {
  const std::size_t p = static_cast<std::size_t>(degree);
  const auto first = knots.begin() + static_cast<std::ptrdiff_t>(p);
  const auto last = knots.begin() + static_cast<std::ptrdiff_t>(points) + 1;
  std::size_t k = static_cast<std::size_t>(std::upper_bound(first, last, u) - knots.begin());
  k = std::clamp<std::size_t>(k == 0 ? 0 : k - 1, p, points - 1);
  while (k > p && !(knots[k] < knots[k + 1]))
    --k;
  return k;
}

GcGeVector2d unit(const GcGeVector2d& v) { return v / v.length(); }

// The degree + 1 basis functions that do not vanish at u in span k (The
// NURBS Book, algorithm A2.2).
void basisFunctions(const std::vector<double>& knots, std::size_t k, double u, int degree, std::vector<double>& out) {
  const std::size_t p = static_cast<std::size_t>(degree);
  out.assign(p + 1, 0.0);
  std::vector<double> left(p + 1), right(p + 1);
  out[0] = 1.0;
  for (std::size_t j = 1; j <= p; ++j) {
    left[j] = u - knots[k + 1 - j];
    right[j] = knots[k + j] - u;
    double saved = 0.0;
    for (std::size_t r = 0; r < j; ++r) {
      const double den = right[r + 1] + left[j - r];
      const double t = den != 0.0 ? out[r] / den : 0.0;
      out[r] = saved + right[r + 1] * t;
      saved = left[j - r] * t;
    }
    out[j] = saved;
  }
}

double chordDistance(const GcGePoint2d& p, const GcGePoint2d& a, const GcGePoint2d& b) {
  const GcGeVector2d ab = b - a;
  const double len2 = ab.lengthSqrd();
  if (!(len2 > 0.0))
    return p.distanceTo(a);
  const double t = std::clamp((p - a).dotProduct(ab) / len2, 0.0, 1.0);
  return p.distanceTo(a + ab * t);
}

struct sampler {
  const spline_curve& curve;
  double tolerance;
  std::vector<GcGePoint2d>& out;
  std::size_t spanPoints = 0;

  // Emits the points after a, up to and including b.
  void piece(double t0, double t1, const GcGePoint2d& a, const GcGePoint2d& b, int depth) {
    const double tm = 0.5 * (t0 + t1);
    const GcGePoint2d m = spline_point(curve, tm);
    const bool flat = chordDistance(m, a, b) <= tolerance;
    if (flat || depth >= kMaxDepth || spanPoints >= kMaxPointsPerSpan || out.size() >= kMaxPoints ||
        !(t0 < tm && tm < t1)) {
      out.push_back(b);
      ++spanPoints;
      return;
    }
    piece(t0, tm, a, m, depth + 1);
    piece(tm, t1, m, b, depth + 1);
  }
};

// A band matrix: row r holds the columns r - B .. r + B.
class band_matrix {
public:
  band_matrix(std::size_t n, std::size_t band) : n_(n), band_(band), cells_(n * (2 * band + 1), 0.0) {}
  bool inside(std::size_t r, std::size_t c) const { return c + band_ >= r && c <= r + band_; }
  double& at(std::size_t r, std::size_t c) { return cells_[r * (2 * band_ + 1) + (c + band_ - r)]; }

  // Solves in place by elimination without row exchanges, which B-spline
  // interpolation matrices do not need (they are totally positive). False
  // when a pivot vanishes.
  bool solve(std::vector<GcGeVector2d>& rhs) {
    for (std::size_t k = 0; k < n_; ++k) {
      const double pivot = at(k, k);
      if (!(std::abs(pivot) > 1e-14))
        return false;
      for (std::size_t i = k + 1; i < std::min(n_, k + band_ + 1); ++i) {
        const double f = at(i, k) / pivot;
        if (f == 0.0)
          continue;
        for (std::size_t j = k; j < std::min(n_, k + band_ + 1); ++j)
          at(i, j) -= f * at(k, j);
        rhs[i] -= rhs[k] * f;
      }
    }
    for (std::size_t i = n_; i-- > 0;) {
      GcGeVector2d sum = rhs[i];
      for (std::size_t j = i + 1; j < std::min(n_, i + band_ + 1); ++j)
        sum -= rhs[j] * at(i, j);
      rhs[i] = sum / at(i, i);
    }
    return true;
  }

private:
  std::size_t n_, band_;
  std::vector<double> cells_;
};

} // namespace

std::optional<spline_curve> make_spline(int degree, std::vector<double> knots, std::vector<GcGePoint2d> controls,
                                        std::vector<double> weights, bool closed) {
  const bool weighted = weights.size() == controls.size();
  std::vector<GcGePoint2d> points;
  std::vector<double> kept;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (!finitePoint(controls[i]))
      continue;
    points.push_back(controls[i]);
    if (weighted)
      kept.push_back(weights[i]);
  }
  const bool droppedPoints = points.size() != controls.size();
  if (points.size() < 2)
    return std::nullopt;
  spline_curve c;
  const int given = degree >= 1 ? degree : kDefaultDegree;
  c.degree = std::min<int>(given, static_cast<int>(points.size()) - 1);
  if (weighted && std::all_of(kept.begin(), kept.end(), [](double w) { return std::isfinite(w) && w > 0.0; }) &&
      std::any_of(kept.begin(), kept.end(), [](double w) { return w != 1.0; }))
    c.weights = std::move(kept);
  if (!droppedPoints && c.degree == given && knotsFit(knots, points.size(), c.degree)) {
    c.knots = std::move(knots);
    c.controls = std::move(points);
    return c;
  }
  if (closed) {
    for (int i = 0; i < c.degree; ++i) {
      points.push_back(points[static_cast<std::size_t>(i)]);
      if (!c.weights.empty())
        c.weights.push_back(c.weights[static_cast<std::size_t>(i)]);
    }
  }
  c.knots = uniformKnots(points.size(), c.degree, closed);
  c.controls = std::move(points);
  return c;
}

GcGePoint2d spline_point(const spline_curve& c, double u) {
  u = std::clamp(u, c.first(), c.last());
  const std::size_t p = static_cast<std::size_t>(c.degree);
  const std::size_t k = findSpan(c.knots, c.degree, c.controls.size(), u);
  struct homogeneous {
    double x, y, w;
  };
  std::vector<homogeneous> d(p + 1);
  for (std::size_t j = 0; j <= p; ++j) {
    const std::size_t i = k - p + j;
    const double w = c.weights.empty() ? 1.0 : c.weights[i];
    d[j] = {c.controls[i].x * w, c.controls[i].y * w, w};
  }
  for (std::size_t r = 1; r <= p; ++r) {
    for (std::size_t j = p; j >= r; --j) {
      const std::size_t i = k - p + j;
      const double den = c.knots[i + p - r + 1] - c.knots[i];
      const double a = den != 0.0 ? (u - c.knots[i]) / den : 0.0;
      d[j] = {(1 - a) * d[j - 1].x + a * d[j].x, (1 - a) * d[j - 1].y + a * d[j].y,
              (1 - a) * d[j - 1].w + a * d[j].w};
    }
  }
  return {d[p].x / d[p].w, d[p].y / d[p].w};
}

std::vector<GcGePoint2d> spline_points(const spline_curve& c, double tolerance) {
  std::vector<GcGePoint2d> out;
  const std::size_t p = static_cast<std::size_t>(c.degree), n = c.controls.size();
  out.push_back(spline_point(c, c.first()));
  sampler s{c, tolerance, out};
  for (std::size_t k = p; k < n; ++k) {
    const double a = c.knots[k], b = c.knots[k + 1];
    if (!(a < b))
      continue;
    s.spanPoints = 0;
    GcGePoint2d from = out.back();
    for (std::size_t i = 1; i <= kMinPiecesPerSpan; ++i) {
      const double t0 = a + (b - a) * static_cast<double>(i - 1) / kMinPiecesPerSpan;
      const double t1 = i == kMinPiecesPerSpan ? b : a + (b - a) * static_cast<double>(i) / kMinPiecesPerSpan;
      const GcGePoint2d to = spline_point(c, t1);
      s.piece(t0, t1, from, to, 0);
      from = to;
    }
  }
  return out;
}

std::optional<spline_curve> interpolate_spline(std::span<const GcGePoint2d> fit, int degree,
                                               const GcGeVector2d* start_tangent, const GcGeVector2d* end_tangent) {
  std::vector<GcGePoint2d> q;
  for (const GcGePoint2d& p : fit) {
    if (finitePoint(p) && (q.empty() || !(p.x == q.back().x && p.y == q.back().y)))
      q.push_back(p);
  }
  if (q.size() < 2)
    return std::nullopt;
  auto usable = [](const GcGeVector2d* t) {
    return t && std::isfinite(t->x) && std::isfinite(t->y) && t->length() > 0.0;
  };
  const bool t0 = usable(start_tangent), t1 = usable(end_tangent);
  const std::size_t last = q.size() - 1;

  // Parameters by chord length.
  std::vector<double> params(q.size(), 0.0);
  double total = 0.0;
  for (std::size_t k = 1; k < q.size(); ++k)
    params[k] = total += q[k].distanceTo(q[k - 1]);
  if (!(total > 0.0) || !std::isfinite(total))
    return std::nullopt;
  for (double& u : params)
    u /= total;
  params[last] = 1.0;

  // Each end tangent adds a control point; the knots are averaged from the
  // parameters with the ends of those counted twice.
  std::vector<double> spaced;
  if (t0)
    spaced.push_back(0.0);
  spaced.insert(spaced.end(), params.begin(), params.end());
  if (t1)
    spaced.push_back(1.0);
  const std::size_t n = spaced.size();
  spline_curve c;
  c.degree = std::clamp(degree >= 1 ? degree : kDefaultDegree, 1, static_cast<int>(n) - 1);
  const std::size_t p = static_cast<std::size_t>(c.degree);
  c.knots.assign(n + p + 1, 0.0);
  for (std::size_t i = n; i < n + p + 1; ++i)
    c.knots[i] = 1.0;
  for (std::size_t j = 1; j + p < n; ++j) {
    double sum = 0.0;
    for (std::size_t i = j; i < j + p; ++i)
      sum += spaced[i];
    c.knots[j + p] = sum / static_cast<double>(p);
  }

  band_matrix a(n, p + 2);
  std::vector<GcGeVector2d> rhs(n);
  c.controls.assign(n, GcGePoint2d());
  std::size_t row = 0;
  a.at(row, 0) = 1.0;
  rhs[row++] = q.front().asVector();
  if (t0) {
    a.at(row, 0) = -1.0;
    a.at(row, 1) = 1.0;
    rhs[row++] = unit(*start_tangent) * (total * c.knots[p + 1] / static_cast<double>(p));
  }
  std::vector<double> basis;
  for (std::size_t k = 1; k < last; ++k, ++row) {
    const std::size_t span = findSpan(c.knots, c.degree, n, params[k]);
    basisFunctions(c.knots, span, params[k], c.degree, basis);
    for (std::size_t j = 0; j <= p; ++j) {
      const std::size_t col = span - p + j;
      if (!a.inside(row, col))
        return std::nullopt;
      a.at(row, col) = basis[j];
    }
    rhs[row] = q[k].asVector();
  }
  if (t1) {
    a.at(row, n - 2) = -1.0;
    a.at(row, n - 1) = 1.0;
    rhs[row++] = unit(*end_tangent) * (total * (1.0 - c.knots[n - 1]) / static_cast<double>(p));
  }
  a.at(row, n - 1) = 1.0;
  rhs[row] = q.back().asVector();
  if (!a.solve(rhs))
    return std::nullopt;
  for (std::size_t i = 0; i < n; ++i) {
    if (!std::isfinite(rhs[i].x) || !std::isfinite(rhs[i].y))
      return std::nullopt;
    c.controls[i] = GcGePoint2d(rhs[i].x, rhs[i].y);
  }
  return c;
}

} // namespace GDI
