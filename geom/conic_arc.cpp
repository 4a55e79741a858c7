#include "geom/conic_arc.h"

#include <algorithm>
#include <array>
#include <limits>

namespace vdgeom {

GcGePoint2d ConicArc::evalAnchored(double t) const {
  if (t == t1)
    return p1;
  // cos t - 1 = -2 sin^2(t/2), free of cancellation for small t.
  const double h = std::sin(0.5 * t);
  return p0 + a * (-2.0 * h * h) + b * std::sin(t);
}

double conicAngleOf(const ConicArc& arc, const GcGePoint2d& p) {
  const double det = arc.a.crossProduct(arc.b);
  if (det == 0.0)
    return 0.0;
  if (arc.anchored) {
    // p - c = d + a with d = p - p0: its coordinates (1 + d x b / det,
    // a x d / det) without ever forming the far centre.
    const GcGeVector2d d = p - arc.p0;
    return std::atan2(arc.a.crossProduct(d) / det, 1.0 + d.crossProduct(arc.b) / det);
  }
  // Coordinates of p - c in the (a, b) basis by Cramer's rule.
  const GcGeVector2d v = p - arc.c;
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

namespace {
// t - sin t, by its series where the subtraction would cancel.
double tMinusSin(double t) {
  if (std::abs(t) >= 0.1)
    return t - std::sin(t);
  const double t2 = t * t;
  return t * t2 * (1.0 / 6 - t2 * (1.0 / 120 - t2 * (1.0 / 5040 - t2 / 362880)));
}
} // namespace

double conicGreen(const ConicArc& arc, double t0, double t1) {
  if (arc.anchored) {
    // p = p0 + D(t), D = a (cos t - 1) + b sin t: p x p' = p0 x D' + (a x b)(1 - cos t).
    auto D = [&](double t) { return arc.eval(t) - arc.p0; };
    return 0.5 * (arc.p0.asVector().crossProduct(D(t1) - D(t0)) +
                  arc.a.crossProduct(arc.b) * (tMinusSin(t1) - tMinusSin(t0)));
  }
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

namespace {
// Local minimum of |p(t) - q|^2 in [lo, hi] from t: Newton on
// f(t) = (p - q).p', kept inside the shrinking bracket.
double refineNearest(const ConicArc& arc, const GcGePoint2d& q, double lo, double hi, double t) {
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
    if (std::abs(next - t) <= tol::kRootRelStep * std::max(1.0, std::abs(t)))
      return next;
    t = next;
  }
  return t;
}
} // namespace

double conicClosestParam(const ConicArc& arc, const GcGePoint2d& q, double from, double to) {
  if (from > to)
    std::swap(from, to);
  auto dist2 = [&](double t) { return (arc.eval(t) - q).lengthSqrd(); };
  constexpr int n = tol::kConicClosestSamples;
  const bool wraps = to - from >= kTwoPi;
  const double h = (to - from) / n;
  // The samples only bracket the minima (Newton then works on exact points):
  // they come from rotating the frame at `from` step by step, as in
  // conicSample, instead of a sine and cosine each.
  std::array<double, n + 1> d;
  {
    const double cf = std::cos(from), sf = std::sin(from);
    const GcGeVector2d u = arc.a * cf + arc.b * sf, v = arc.b * cf - arc.a * sf;
    const GcGeVector2d base = (arc.anchored ? arc.eval(from) : arc.c + u) - q;
    const double hs = std::sin(0.5 * h), chm1 = -2.0 * hs * hs, sh = std::sin(h);
    double cm1 = 0.0, sn = 0.0;
    for (int i = 0; i < n; ++i) {
      d[static_cast<std::size_t>(i)] = (base + u * cm1 + v * sn).lengthSqrd();
      const double nextCm1 = cm1 + cm1 * chm1 + chm1 - sn * sh;
      sn = sn + sn * chm1 + cm1 * sh + sh;
      cm1 = nextCm1;
    }
    d[n] = dist2(to);
  }
  double best = from, bestD = d[0];
  if (d[n] < bestD) {
    best = to;
    bestD = d[n];
  }
  // Every sample nearer than its neighbours brackets a local minimum (an end
  // sample too: the minimum may lie before the next sample); the nearest of
  // them wins. On a whole turn the last sample is the first.
  constexpr double none = std::numeric_limits<double>::infinity();
  for (int i = 0; i < (wraps ? n : n + 1); ++i) {
    const double here = d[static_cast<std::size_t>(i)];
    const double left = i > 0 ? d[static_cast<std::size_t>(i - 1)] : (wraps ? d[n - 1] : none);
    const double right = i < n ? d[static_cast<std::size_t>(i + 1)] : none;
    if (here > left || here > right)
      continue;
    double lo = from + (i - 1) * h, hi = from + (i + 1) * h;
    if (!wraps) {
      lo = std::max(lo, from);
      hi = std::min(hi, to);
    }
    double t = refineNearest(arc, q, lo, hi, from + i * h);
    if (t < from)
      t += kTwoPi;
    else if (t > to)
      t -= kTwoPi;
    t = clampTo(t, from, to);
    const double dt = dist2(t);
    if (dt < bestD) {
      best = t;
      bestD = dt;
    }
  }
  return best;
}

void conicSample(const ConicArc& arc, double from, double to, double maxStep, GcGePoint2dArray& points,
                 GcGeDoubleArray& params) {
  const int n = static_cast<int>(std::clamp(std::ceil(std::abs(to - from) / maxStep), 1.0, tol::kMaxSamples));
  if (points.physicalLength() < points.length() + n + 1)
    points.setPhysicalLength(points.length() + n + 1);
  if (params.physicalLength() < params.length() + n + 1)
    params.setPhysicalLength(params.length() + n + 1);
  const double h = (to - from) / n;
  if (!arc.anchored) {
    // cos and sin of the equally spaced parameters by rotating the first pair
    // step by step, restarted from exact values every 64 steps so that the
    // rounding of the recurrence cannot build up.
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
    return;
  }
  // An anchored arc keeps the precision of its start: points are measured
  // from the first, p(from + s) = p(from) + u (cos s - 1) + v sin s, u and v
  // the frame turned to `from`, with cos s - 1 and sin s rotated by the step
  // in a form free of cancellation (and restarted every 64 steps), and the
  // last point the arc's own end.
  const double cf = std::cos(from), sf = std::sin(from);
  const GcGeVector2d u = arc.a * cf + arc.b * sf, v = arc.b * cf - arc.a * sf;
  const GcGePoint2d base = arc.eval(from);
  const double hs = std::sin(0.5 * h);
  const double chm1 = -2.0 * hs * hs, sh = std::sin(h);
  double cm1 = 0.0, sn = 0.0; // cos s - 1 and sin s
  for (int i = 0; i < n; ++i) {
    if (i % 64 == 0 && i > 0) {
      const double s = (to - from) * i / n, half = std::sin(0.5 * s);
      cm1 = -2.0 * half * half;
      sn = std::sin(s);
    }
    points.append(i == 0 ? base : base + u * cm1 + v * sn);
    params.append(from + (to - from) * i / n);
    // cos(s + h) - 1 = (cos s - 1) cos h + (cos h - 1) - sin s sin h, and
    // sin(s + h) = sin s cos h + (cos s - 1) sin h + sin h.
    const double nextCm1 = cm1 + cm1 * chm1 + chm1 - sn * sh;
    sn = sn + sn * chm1 + cm1 * sh + sh;
    cm1 = nextCm1;
  }
  points.append(arc.eval(to));
  params.append(to);
}

} // namespace vdgeom
