#include "geom/conic_arc.h"

#include <algorithm>
#include <array>

namespace vdgeom {

double conicAngleOf(const ConicArc& arc, const GcGePoint2d& p) {
  // Coordinates of p - c in the (a, b) basis by Cramer's rule.
  const GcGeVector2d v = p - arc.c;
  const double det = arc.a.crossProduct(arc.b);
  if (det == 0.0)
    return 0.0;
  const double u = v.crossProduct(arc.b) / det;
  const double w = arc.a.crossProduct(v) / det;
  return std::atan2(w, u);
}

double conicParamInRange(const ConicArc& arc, double angle) {
  const double t = angleFrom(arc.t0, angle);
  if (t <= arc.t1)
    return t;
  // Outside the arc: take whichever end is nearer in angle.
  const double below = t - kTwoPi;
  return (t - arc.t1) <= (arc.t0 - below) ? t : below;
}

GcGeBoundBlock2d conicExtents(const ConicArc& arc, double from, double to) {
  if (from > to)
    std::swap(from, to);
  const GcGePoint2d p0 = arc.eval(from);
  GcGeBoundBlock2d box(p0, p0);
  box.extend(arc.eval(to));
  // x(t) = c.x + a.x cos t + b.x sin t peaks where tan t = b.x / a.x.
  const double bases[2] = {std::atan2(arc.b.x, arc.a.x), std::atan2(arc.b.y, arc.a.y)};
  for (double base : bases) {
    for (int k = 0; k < 2; ++k) {
      double t = angleFrom(from, base + k * kPi);
      for (; t <= to; t += kTwoPi)
        box.extend(arc.eval(t));
    }
  }
  return box;
}

double conicGreen(const ConicArc& arc, double t0, double t1) {
  // With e(t) = a cos t + b sin t: p x p' = a x b + c x e'(t), integrated
  // term by term.
  const GcGeVector2d c = arc.c.asVector();
  return 0.5 * (arc.a.crossProduct(arc.b) * (t1 - t0) +
                c.crossProduct(arc.a) * (std::cos(t1) - std::cos(t0)) +
                c.crossProduct(arc.b) * (std::sin(t1) - std::sin(t0)));
}

namespace {
// Gauss-Kronrod (7, 15) nodes and weights (QUADPACK qk15).
constexpr std::array<double, 8> kXgk = {0.991455371120812639206854697526329, 0.949107912342758524526189684047851,
                                        0.864864423359769072789712788640926, 0.741531185599394439863864773280788,
                                        0.586087235467691130294144845693013, 0.405845151377397166906606412076961,
                                        0.207784955007898467600689403773245, 0.0};
constexpr std::array<double, 8> kWgk = {0.022935322010529224963732008058970, 0.063092092629978553290700663189204,
                                        0.104790010322250183839876322541518, 0.140653259715525918745189590510238,
                                        0.169004726639267902826583426598550, 0.190350578064785409913256402421014,
                                        0.204432940075298892414161999234649, 0.209482141084727828012999174891714};
constexpr std::array<double, 4> kWg = {0.129484966168869693270611432679082, 0.279705391489276667901467771423780,
                                       0.381830050505118944950369775488975, 0.417959183673469387755102040816327};

double speed(const ConicArc& arc, double t) { return arc.deriv(t).length(); }

double gk15(const ConicArc& arc, double lo, double hi, double& err) {
  const double c = 0.5 * (lo + hi), h = 0.5 * (hi - lo);
  const double fc = speed(arc, c);
  double k = fc * kWgk[7];
  double g = fc * kWg[3];
  for (int j = 0; j < 7; ++j) {
    const double f = speed(arc, c - h * kXgk[j]) + speed(arc, c + h * kXgk[j]);
    k += kWgk[j] * f;
    if (j % 2 == 1)
      g += kWg[j / 2] * f;
  }
  err = std::abs((k - g) * h);
  return k * h;
}

double adaptive(const ConicArc& arc, double lo, double hi, double tol, int depth) {
  double err = 0.0;
  const double v = gk15(arc, lo, hi, err);
  if (err <= tol || depth >= 40)
    return v;
  const double m = 0.5 * (lo + hi);
  return adaptive(arc, lo, m, 0.5 * tol, depth + 1) + adaptive(arc, m, hi, 0.5 * tol, depth + 1);
}
} // namespace

double conicLength(const ConicArc& arc, double from, double to) {
  if (from == to)
    return 0.0;
  const double sign = to > from ? 1.0 : -1.0;
  if (from > to)
    std::swap(from, to);
  const double scale = std::max(arc.a.length(), arc.b.length());
  // Quarter-turn pieces keep each integrand smooth between axis crossings.
  const int pieces = std::max(1, static_cast<int>(std::ceil((to - from) / (kPi / 2))));
  const double step = (to - from) / pieces;
  double sum = 0.0;
  for (int i = 0; i < pieces; ++i) {
    const double lo = from + i * step, hi = i + 1 == pieces ? to : lo + step;
    sum += adaptive(arc, lo, hi, 1e-14 * scale * (hi - lo) + 1e-300, 0);
  }
  return sign * sum;
}

double conicClosestParam(const ConicArc& arc, const GcGePoint2d& q, double from, double to) {
  if (from > to)
    std::swap(from, to);
  auto dist2 = [&](double t) { return (arc.eval(t) - q).lengthSqrd(); };
  const int n = tol::kConicClosestSamples;
  double best = from, bestD = dist2(from);
  const double dEnd = dist2(to);
  if (dEnd < bestD) {
    best = to;
    bestD = dEnd;
  }
  const double h = (to - from) / n;
  for (int i = 1; i < n; ++i) {
    const double t = from + i * h;
    const double d = dist2(t);
    if (d < bestD) {
      best = t;
      bestD = d;
    }
  }
  // Newton on f(t) = (p - q).p', kept inside the bracket around the best
  // sample so it cannot wander to another local minimum.
  double lo = std::max(from, best - h), hi = std::min(to, best + h);
  double t = best;
  for (int it = 0; it < 50; ++it) {
    const GcGeVector2d r = arc.eval(t) - q, d1 = arc.deriv(t), d2 = arc.deriv2(t);
    const double f = r.dotProduct(d1);
    const double fp = d1.lengthSqrd() + r.dotProduct(d2);
    double next = fp > 0.0 ? t - f / fp : (f > 0.0 ? lo : hi);
    if (!(next > lo && next < hi))
      next = f > 0.0 ? 0.5 * (lo + t) : 0.5 * (t + hi);
    if (f > 0.0)
      hi = t;
    else
      lo = t;
    if (std::abs(next - t) <= tol::kRootRelStep * std::max(1.0, std::abs(t))) {
      t = next;
      break;
    }
    t = next;
  }
  return dist2(t) <= bestD ? t : best;
}

void conicSample(const ConicArc& arc, double from, double to, double maxStep, GcGePoint2dArray& points,
                 GcGeDoubleArray& params) {
  const int n = static_cast<int>(std::clamp(std::ceil(std::abs(to - from) / maxStep), 1.0, tol::kMaxSamples));
  if (points.physicalLength() < points.length() + n + 1)
    points.setPhysicalLength(points.length() + n + 1);
  if (params.physicalLength() < params.length() + n + 1)
    params.setPhysicalLength(params.length() + n + 1);
  // cos and sin of the equally spaced parameters by rotating the first pair
  // step by step, restarted from exact values every 64 steps so that the
  // rounding of the recurrence cannot build up.
  const double h = (to - from) / n;
  const double ch = std::cos(h), sh = std::sin(h);
  double c = 1.0, s = 0.0;
  for (int i = 0; i <= n; ++i) {
    const double t = i == n ? to : from + (to - from) * i / n;
    if (i % 64 == 0 || i == n) {
      c = std::cos(t);
      s = std::sin(t);
    }
    points.append(arc.c + arc.a * c + arc.b * s);
    params.append(t);
    const double next = c * ch - s * sh;
    s = s * ch + c * sh;
    c = next;
  }
}

} // namespace vdgeom
