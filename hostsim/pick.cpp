#include "hostsim/pick.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "host/names.h"
#include "hostsim/host.h"

namespace hostsim {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct P {
  double x, y;
};

double segmentDistance(P p, P a, P b) {
  double dx = b.x - a.x, dy = b.y - a.y;
  double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double normalAngle(double a) {
  a = std::fmod(a, 2 * kPi);
  return a < 0 ? a + 2 * kPi : a;
}

// True when angle `a` lies on the counter-clockwise sweep from `start` to `end`.
bool onSweep(double a, double start, double end) {
  double sweep = normalAngle(end - start);
  if (sweep == 0) sweep = 2 * kPi;
  return normalAngle(a - start) <= sweep;
}

double arcDistance(P p, P c, double r, double start, double end) {
  double a = std::atan2(p.y - c.y, p.x - c.x);
  if (onSweep(a, start, end)) return std::fabs(std::hypot(p.x - c.x, p.y - c.y) - r);
  P s{c.x + r * std::cos(start), c.y + r * std::sin(start)};
  P e{c.x + r * std::cos(end), c.y + r * std::sin(end)};
  return std::min(std::hypot(p.x - s.x, p.y - s.y), std::hypot(p.x - e.x, p.y - e.y));
}

// The arc a bulge makes between two vertices: centre, radius, start and end
// angle (counter-clockwise). The centre lies on the left normal of the chord
// at chord * (1 - b^2) / (4 b) from its middle.
void bulgeArc(P a, P b, double bulge, P& c, double& r, double& start, double& end) {
  double dx = b.x - a.x, dy = b.y - a.y;
  double chord = std::hypot(dx, dy);
  double offset = chord * (1 - bulge * bulge) / (4 * bulge);
  c = {(a.x + b.x) / 2 - dy / chord * offset, (a.y + b.y) / 2 + dx / chord * offset};
  r = chord * (1 + bulge * bulge) / (4 * std::fabs(bulge));
  double sa = std::atan2(a.y - c.y, a.x - c.x), sb = std::atan2(b.y - c.y, b.x - c.x);
  start = bulge > 0 ? sa : sb;
  end = bulge > 0 ? sb : sa;
}

struct Outline {
  std::vector<std::pair<P, P>> segments;
  struct Arc {
    P c;
    double r, start, end;
  };
  std::vector<Arc> arcs;
  std::vector<P> points;
};

Outline outlineOf(vd::ChainView e) {
  Outline o;
  auto pt = [&](int code) -> std::optional<P> {
    auto p = e.point(code);
    if (!p) return std::nullopt;
    return P{p->x, p->y};
  };
  if (e.isType(vd::names::kLine)) {
    auto a = pt(10), b = pt(11);
    if (a && b) o.segments.push_back({*a, *b});
    return o;
  }
  if (e.isType(vd::names::kCircle) || e.isType(vd::names::kArc)) {
    auto c = pt(10);
    double r = e.real(40).value_or(0);
    if (!c) return o;
    double start = 0, end = 2 * kPi;
    if (e.isType(vd::names::kArc)) {
      // A chain holds an arc's angles in radians.
      start = e.real(50).value_or(0);
      end = e.real(51).value_or(2 * kPi);
    }
    o.arcs.push_back({*c, r, start, end});
    return o;
  }
  if (e.isType(vd::names::kLwPolyline)) {
    std::vector<P> v;
    std::vector<double> bulge;
    for (vd::ChainItem item : e) {
      if (item.code() == 10) {
        auto p = item.point();
        v.push_back({p->x, p->y});
        bulge.push_back(0);
      } else if (item.code() == 42 && !bulge.empty()) {
        bulge.back() = item.real().value_or(0);
      }
    }
    bool closed = (e.integer(70).value_or(0) & 1) != 0;
    size_t n = v.size();
    for (size_t i = 0; i + 1 < n || (closed && i < n && n > 1); ++i) {
      P a = v[i], b = v[(i + 1) % n];
      if (std::fabs(bulge[i]) < 1e-12 || std::hypot(b.x - a.x, b.y - a.y) == 0) {
        o.segments.push_back({a, b});
      } else {
        Outline::Arc arc{};
        bulgeArc(a, b, bulge[i], arc.c, arc.r, arc.start, arc.end);
        o.arcs.push_back(arc);
      }
      if (i + 1 >= n) break;
    }
    if (n == 1) o.points.push_back(v[0]);
    return o;
  }
  if (e.isType(vd::names::kSolid) || e.isType(vd::names::k3dFace)) {
    std::vector<P> v;
    for (int code : {10, 11, 13, 12}) {
      if (auto p = pt(code)) v.push_back(*p);
    }
    for (size_t i = 0; i < v.size(); ++i) o.segments.push_back({v[i], v[(i + 1) % v.size()]});
    return o;
  }
  for (vd::ChainItem item : e) {
    if (item.code() >= 10 && item.code() <= 18) {
      auto p = item.point();
      o.points.push_back({p->x, p->y});
    }
  }
  return o;
}

}  // namespace

double pickDistance(vd::ChainView entity, double x, double y) {
  Outline o = outlineOf(entity);
  P p{x, y};
  double best = -1;
  auto take = [&](double d) {
    if (best < 0 || d < best) best = d;
  };
  for (auto& [a, b] : o.segments) take(segmentDistance(p, a, b));
  for (auto& arc : o.arcs) take(arcDistance(p, arc.c, arc.r, arc.start, arc.end));
  for (P q : o.points) take(std::hypot(p.x - q.x, p.y - q.y));
  return best;
}

bool insideWindow(vd::ChainView entity, const double a[3], const double b[3]) {
  double x0 = std::min(a[0], b[0]), x1 = std::max(a[0], b[0]);
  double y0 = std::min(a[1], b[1]), y1 = std::max(a[1], b[1]);
  auto in = [&](P p) { return p.x >= x0 - 1e-9 && p.x <= x1 + 1e-9 && p.y >= y0 - 1e-9 && p.y <= y1 + 1e-9; };
  Outline o = outlineOf(entity);
  bool any = false;
  for (auto& [s, e] : o.segments) {
    any = true;
    if (!in(s) || !in(e)) return false;
  }
  for (auto& arc : o.arcs) {
    any = true;
    // The ends and every quadrant point the arc passes decide its extent.
    std::vector<double> angles = {arc.start, arc.end};
    for (int k = 0; k < 4; ++k) {
      double q = k * kPi / 2;
      if (onSweep(q, arc.start, arc.end)) angles.push_back(q);
    }
    for (double t : angles) {
      if (!in({arc.c.x + arc.r * std::cos(t), arc.c.y + arc.r * std::sin(t)})) return false;
    }
  }
  for (P p : o.points) {
    any = true;
    if (!in(p)) return false;
  }
  return any;
}

std::optional<std::vector<vd::vstring>> pickedEntities(Host& host, const Answer& a) {
  Drawing& d = host.drawing();
  std::vector<vd::vstring> out;
  if (a.kind == Answer::Kind::Pick) {
    for (const vd::vstring& h : a.handles) {
      const Entity* e = d.findEntity(h);
      if (!e || !e->owner.empty()) {
        host.fail("script line " + std::to_string(a.line) + ": the drawing has no entity with handle " +
                  vd::utf16ToUtf8(h));
        return std::nullopt;
      }
      out.push_back(e->handle);
    }
    return out;
  }
  if (a.kind == Answer::Kind::PickAt) {
    const Entity* best = nullptr;
    double bestDistance = 0;
    for (const Entity* e : d.entities()) {
      double dist = pickDistance(e->view(), a.point[0], a.point[1]);
      if (dist >= 0 && dist <= host.pickAperture && (!best || dist < bestDistance)) {
        best = e;
        bestDistance = dist;
      }
    }
    if (best) out.push_back(best->handle);
    return out;
  }
  for (const Entity* e : d.entities()) {
    if (insideWindow(e->view(), a.point, a.corner)) out.push_back(e->handle);
  }
  return out;
}

std::optional<PickedArc> arcAt(vd::ChainView e, const double* pickPoint) {
  const bool polyline = e.isType(vd::names::kLwPolyline);
  if (!polyline && !e.isType(vd::names::kArc) && !e.isType(vd::names::kCircle)) return std::nullopt;
  Outline o = outlineOf(e);
  if (o.arcs.empty()) return std::nullopt;
  size_t chosen = 0;
  if (polyline && pickPoint) {
    P p{pickPoint[0], pickPoint[1]};
    double nearestArc = -1;
    for (size_t i = 0; i < o.arcs.size(); ++i) {
      const Outline::Arc& arc = o.arcs[i];
      double d = arcDistance(p, arc.c, arc.r, arc.start, arc.end);
      if (nearestArc < 0 || d < nearestArc) {
        nearestArc = d;
        chosen = i;
      }
    }
    for (auto& [a, b] : o.segments) {
      if (segmentDistance(p, a, b) < nearestArc) return std::nullopt;
    }
  }
  const Outline::Arc& arc = o.arcs[chosen];
  PickedArc out;
  out.centre[0] = arc.c.x;
  out.centre[1] = arc.c.y;
  out.centre[2] = polyline ? e.real(38).value_or(0) : e.point(10).value_or(vd::ChainPoint{}).z;
  out.radius = arc.r;
  out.circle = e.isType(vd::names::kCircle);
  out.start = normalAngle(arc.start);
  out.end = out.circle ? out.start + 2 * kPi : normalAngle(arc.end);
  return out;
}

}  // namespace hostsim
