#include "geom/composite_curve2d.h"

#include "geom/mathutils.h"

#include <algorithm>
#include <cmath>
#include <limits>

GcGeCompositeCurve2d::GcGeCompositeCurve2d(const GcGeCompositeCurve2d& o) : GcGeCurve2d(o) {
  mCurves.reserve(o.mCurves.size());
  for (const auto& c : o.mCurves)
    mCurves.emplace_back(c->copyCurve());
}

GcGeCompositeCurve2d& GcGeCompositeCurve2d::operator=(const GcGeCompositeCurve2d& o) {
  if (this != &o) {
    GcGeCompositeCurve2d copy(o);
    mCurves.swap(copy.mCurves);
  }
  return *this;
}

void GcGeCompositeCurve2d::getCurveList(GcGeCurve2dPtrArray& curves) const {
  for (const auto& c : mCurves)
    curves.append(c.get());
}

bool GcGeCompositeCurve2d::setCurveList(const GcGeCurve2dPtrArray& curves) {
  std::vector<std::unique_ptr<GcGeCurve2d>> list;
  for (const GcGeCurve2d* c : curves) {
    if (!c || !c->interval().isBounded())
      return false;
    list.emplace_back(c->copyCurve());
  }
  mCurves.swap(list);
  return true;
}

bool GcGeCompositeCurve2d::append(GcGeCurve2d* curve) {
  std::unique_ptr<GcGeCurve2d> owned(curve);
  if (!owned || !owned->interval().isBounded())
    return false;
  mCurves.push_back(std::move(owned));
  return true;
}

void GcGeCompositeCurve2d::globalToLocalParam(double param, int& index, double& localParam) const {
  const int n = numCurves();
  // Clamped as a double first: the cast of an out-of-range value is undefined.
  index = n == 0 ? 0 : static_cast<int>(std::clamp(std::floor(param), 0.0, static_cast<double>(n - 1)));
  localParam = n == 0 ? 0.0 : toLocal(index, param);
}

double GcGeCompositeCurve2d::toLocal(int i, double param) const {
  const GcGeInterval r = mCurves[static_cast<std::size_t>(i)]->interval();
  return r.lowerBound() + (param - i) * (r.upperBound() - r.lowerBound());
}

double GcGeCompositeCurve2d::localToGlobalParam(int i, double localParam) const {
  const GcGeInterval r = mCurves[static_cast<std::size_t>(i)]->interval();
  const double len = r.upperBound() - r.lowerBound();
  return i + (len == 0.0 ? 0.0 : (localParam - r.lowerBound()) / len);
}

bool GcGeCompositeCurve2d::transformBy(const GcGeMatrix2d& m) {
  // All or nothing: transform copies first.
  GcGeCompositeCurve2d copy(*this);
  for (auto& c : copy.mCurves)
    if (!c->transformBy(m))
      return false;
  mCurves.swap(copy.mCurves);
  return true;
}

GcGePoint2d GcGeCompositeCurve2d::gcEvalPoint(double param) const {
  if (mCurves.empty())
    return {};
  int i = 0;
  double t = 0.0;
  globalToLocalParam(param, i, t);
  return mCurves[static_cast<std::size_t>(i)]->gcEvalPoint(t);
}

GcGeVector2d GcGeCompositeCurve2d::evalDeriv(double param) const {
  if (mCurves.empty())
    return {};
  int i = 0;
  double t = 0.0;
  globalToLocalParam(param, i, t);
  const GcGeInterval r = mCurves[static_cast<std::size_t>(i)]->interval();
  return mCurves[static_cast<std::size_t>(i)]->evalDeriv(t) * (r.upperBound() - r.lowerBound());
}

double GcGeCompositeCurve2d::magnitudeAt(double param) const {
  if (mCurves.empty())
    return 0.0;
  int i = 0;
  double t = 0.0;
  globalToLocalParam(param, i, t);
  return mCurves[static_cast<std::size_t>(i)]->magnitudeAt(t);
}

double GcGeCompositeCurve2d::closestParamTo(const GcGePoint2d& p, const GcGeTol& tol) const {
  double best = 0.0, bestD = std::numeric_limits<double>::infinity();
  for (int i = 0; i < numCurves(); ++i) {
    const double t = mCurves[static_cast<std::size_t>(i)]->closestParamTo(p, tol);
    const double d = mCurves[static_cast<std::size_t>(i)]->gcEvalPoint(t).distanceTo(p);
    if (d < bestD) {
      bestD = d;
      best = localToGlobalParam(i, t);
    }
  }
  return best;
}

double GcGeCompositeCurve2d::paramOf(const GcGePoint2d& p, const GcGeTol& tol) const {
  return closestParamTo(p, tol);
}

double GcGeCompositeCurve2d::gcLength(double from, double to, const GcGeTol& tol) const {
  if (from > to)
    std::swap(from, to);
  double sum = 0.0;
  for (int i = 0; i < numCurves(); ++i) {
    const double lo = std::max(from, static_cast<double>(i)), hi = std::min(to, static_cast<double>(i + 1));
    if (hi > lo)
      sum += mCurves[static_cast<std::size_t>(i)]->gcLength(toLocal(i, lo), toLocal(i, hi), tol);
  }
  return sum;
}

double GcGeCompositeCurve2d::greenIntegral(double from, double to) const {
  const double sign = from <= to ? 1.0 : -1.0;
  if (from > to)
    std::swap(from, to);
  double sum = 0.0;
  for (int i = 0; i < numCurves(); ++i) {
    const double lo = std::max(from, static_cast<double>(i)), hi = std::min(to, static_cast<double>(i + 1));
    if (hi > lo)
      sum += mCurves[static_cast<std::size_t>(i)]->greenIntegral(toLocal(i, lo), toLocal(i, hi));
  }
  return sign * sum;
}

GcGeCurve2d& GcGeCompositeCurve2d::gcReverseParam() {
  std::reverse(mCurves.begin(), mCurves.end());
  for (auto& c : mCurves)
    c->gcReverseParam();
  return *this;
}

GcGeBoundBlock2d GcGeCompositeCurve2d::gcOrthoBoundBlock() const {
  if (mCurves.empty())
    return {};
  GcGeBoundBlock2d box = mCurves.front()->gcOrthoBoundBlock();
  for (const auto& c : mCurves) {
    GcGePoint2d lo, hi;
    c->gcOrthoBoundBlock().getMinMaxPoints(lo, hi);
    box.extend(lo);
    box.extend(hi);
  }
  return box;
}

void GcGeCompositeCurve2d::getSamplePoints(double from, double to, double approxEps, GcGePoint2dArray& points,
                                           GcGeDoubleArray& params) const {
  bool first = true;
  for (int i = 0; i < numCurves(); ++i) {
    const double lo = std::max(from, static_cast<double>(i)), hi = std::min(to, static_cast<double>(i + 1));
    if (hi < lo || (hi == lo && !first))
      continue;
    GcGePoint2dArray pts;
    GcGeDoubleArray ts;
    mCurves[static_cast<std::size_t>(i)]->getSamplePoints(toLocal(i, lo), toLocal(i, hi), approxEps, pts, ts);
    // The first point of each further member repeats the joint.
    for (int k = first ? 0 : 1; k < pts.length(); ++k) {
      points.append(pts[k]);
      params.append(localToGlobalParam(i, ts[k]));
    }
    first = false;
  }
}

GcGeCurve2d* GcGeCompositeCurve2d::trimmedCopy(double from, double to) const {
  GcGeCompositeCurve2d* out = new GcGeCompositeCurve2d();
  for (int i = 0; i < numCurves(); ++i) {
    const double lo = std::max(from, static_cast<double>(i)), hi = std::min(to, static_cast<double>(i + 1));
    if (hi <= lo && !(hi == lo && from == to && out->mCurves.empty()))
      continue;
    out->mCurves.emplace_back(mCurves[static_cast<std::size_t>(i)]->trimmedCopy(toLocal(i, lo), toLocal(i, hi)));
  }
  return out;
}

bool GcGeCompositeCurve2d::explode(GcGeCurve2dPtrArray& pieces) const {
  for (const auto& c : mCurves)
    pieces.append(c->copyCurve());
  return !mCurves.empty();
}
