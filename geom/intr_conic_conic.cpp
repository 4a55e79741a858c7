#include "geom/intr_conic_conic.h"

#include <algorithm>
#include <vector>

namespace vdgeom {

namespace {

// g(t) = k0 + k1 cos t + k2 sin t + k3 cos 2t + k4 sin 2t, evaluated with
// one sine and one cosine (double-angle formulas).
struct TrigPoly {
  double k[5] = {0, 0, 0, 0, 0};
  double value(double t) const {
    const double c = std::cos(t), s = std::sin(t);
    return k[0] + k[1] * c + k[2] * s + k[3] * (c * c - s * s) + k[4] * (2 * s * c);
  }
  double deriv(double t) const {
    const double c = std::cos(t), s = std::sin(t);
    return -k[1] * s + k[2] * c - 2 * k[3] * (2 * s * c) + 2 * k[4] * (c * c - s * s);
  }
  double deriv2(double t) const {
    const double c = std::cos(t), s = std::sin(t);
    return -k[1] * c - k[2] * s - 4 * k[3] * (c * c - s * s) - 4 * k[4] * (2 * s * c);
  }
};

// Root of f in [lo, hi] where f changes sign: Newton steps kept inside the
// shrinking bracket, bisection when a step would leave it (rtsafe, Numerical
// Recipes 9.4).
template <class F, class DF>
double refineRoot(F f, DF df, double lo, double hi) {
  double flo = f(lo);
  if (flo == 0.0)
    return lo;
  double t = 0.5 * (lo + hi);
  for (int i = 0; i < 100; ++i) {
    const double ft = f(t);
    if (ft == 0.0)
      return t;
    if ((ft < 0) == (flo < 0)) {
      lo = t;
      flo = ft;
    } else {
      hi = t;
    }
    const double d = df(t);
    double next = d != 0.0 ? t - ft / d : 0.5 * (lo + hi);
    if (!(next > lo && next < hi))
      next = 0.5 * (lo + hi);
    if (std::abs(next - t) <= tol::kRootRelStep * std::max(1.0, std::abs(t)) || hi - lo <= tol::kRootRelStep)
      return next;
    t = next;
  }
  return t;
}

// Whether every sample of `other` lies within eps of the full conic `frame`,
// by a bound rather than a first-order distance (which falls short where the
// conics are only a few tolerances big): the map from the unit frame of
// `frame` stretches distances by at most its longer semi-axis.
bool liesWithin(const ConicArc& frame, const ConicArc& other, double eps) {
  const double det = frame.a.crossProduct(frame.b);
  auto toUnit = [&](const GcGeVector2d& v) {
    return GcGeVector2d(v.crossProduct(frame.b) / det, frame.a.crossProduct(v) / det);
  };
  const GcGeVector2d P = toUnit(other.c - frame.c), U = toUnit(other.a), V = toUnit(other.b);
  const double stretch = std::max(frame.a.length(), frame.b.length());
  const int n = tol::kConicRootSamples;
  for (int i = 0; i < n; ++i) {
    const double t = i * kTwoPi / n;
    if (std::abs((P + U * std::cos(t) + V * std::sin(t)).length() - 1.0) * stretch > eps)
      return false;
  }
  return true;
}

} // namespace

ConicConicIntr intrConicConic(const ConicArc& e1, const ConicArc& e2, double eps) {
  ConicConicIntr r;
  const double det = e1.a.crossProduct(e1.b);
  if (det == 0.0 || e2.a.crossProduct(e2.b) == 0.0)
    return r;
  auto toUnit = [&](const GcGeVector2d& v) {
    return GcGeVector2d(v.crossProduct(e1.b) / det, e1.a.crossProduct(v) / det);
  };
  // q(t) = P + U cos t + V sin t.
  const GcGeVector2d P = toUnit(e2.c - e1.c), U = toUnit(e2.a), V = toUnit(e2.b);
  TrigPoly g;
  const double uu = U.lengthSqrd(), vv = V.lengthSqrd();
  g.k[0] = P.lengthSqrd() + 0.5 * (uu + vv) - 1.0;
  g.k[1] = 2 * P.dotProduct(U);
  g.k[2] = 2 * P.dotProduct(V);
  g.k[3] = 0.5 * (uu - vv);
  g.k[4] = U.dotProduct(V);

  // Real distance of e2(t) from e1, to first order: g / |grad g|, with
  // grad g = 2 M^-T q where M = [a b].
  auto realDist = [&](double t) {
    const GcGeVector2d q = P + U * std::cos(t) + V * std::sin(t);
    // M^-T q: rows of M^-1 are (b.y, -b.x)/det and (-a.y, a.x)/det.
    const GcGeVector2d grad((e1.b.y * q.x - e1.a.y * q.y) / det, (-e1.b.x * q.x + e1.a.x * q.y) / det);
    const double gl = 2.0 * grad.length();
    return gl > 0.0 ? std::abs(g.value(t)) / gl : std::abs(g.value(t));
  };

  const int n = tol::kConicRootSamples;
  const double h = kTwoPi / n;
  if (liesWithin(e1, e2, eps) && liesWithin(e2, e1, eps)) {
    r.kind = ConicConicKind::Coincident;
    return r;
  }

  // Critical points of g, ascending from phase. The samples start at an
  // odd phase so that the symmetric zeros of g' (axis-aligned cases) fall
  // between samples, where a sign change finds them.
  const double phase = 0.1234567;
  std::vector<double> crit;
  bool prevPos = g.deriv(phase) >= 0.0;
  for (int i = 1; i <= n; ++i) {
    const double t = phase + i * h;
    const bool pos = g.deriv(t) >= 0.0;
    if (pos != prevPos)
      crit.push_back(refineRoot([&](double x) { return g.deriv(x); }, [&](double x) { return g.deriv2(x); }, t - h, t));
    prevPos = pos;
  }

  std::vector<std::pair<double, bool>> roots; // (t on e2, tangent)
  if (crit.empty())
    crit.push_back(phase);
  // Tangencies at critical points.
  for (double c : crit)
    if (realDist(c) <= eps)
      roots.emplace_back(normalizeAngle(c), true);
  // One transversal root per monotone piece between consecutive critical
  // points (cyclically).
  const int m = static_cast<int>(crit.size());
  for (int i = 0; i < m; ++i) {
    const double lo = crit[i];
    double hi = i + 1 < m ? crit[i + 1] : crit[0] + kTwoPi;
    if (m == 1)
      hi = lo + kTwoPi;
    const double glo = g.value(lo), ghi = g.value(hi);
    if ((glo < 0) == (ghi < 0) || realDist(lo) <= eps || realDist(hi) <= eps)
      continue;
    roots.emplace_back(
        normalizeAngle(refineRoot([&](double x) { return g.value(x); }, [&](double x) { return g.deriv(x); }, lo, hi)),
        false);
  }

  // Points within eps of each other are one (tangent) point.
  std::sort(roots.begin(), roots.end());
  for (const auto& [t, tangent] : roots) {
    const GcGePoint2d p = e2.eval(t);
    bool merged = false;
    for (int j = 0; j < r.count; ++j) {
      if (r.hits[j].point.distanceTo(p) <= eps) {
        r.hits[j].tangent = true;
        merged = true;
      }
    }
    if (merged || r.count == 4)
      continue;
    ConicHit& hit = r.hits[r.count++];
    hit.point = p;
    hit.angle2 = t;
    hit.angle1 = conicAngleOf(e1, p);
    hit.tangent = tangent;
  }
  r.kind = r.count > 0 ? ConicConicKind::Points : ConicConicKind::None;
  return r;
}

} // namespace vdgeom
