#include "hostsim/terminators.h"

#include <cmath>
#include <numbers>

namespace hostsim {

namespace {

using vd::ChainBuilder;
using vd::vchar;
using vd::OwnedChain;

constexpr const vchar* kNames[kStandardTerminatorCount] = {
    u".",         u"_CLOSED",   u"_NONE",      u"_DOT",        u"_CLOSEDBLANK", u"_OBLIQUE",
    u"_ARCHTICK", u"_OPEN",     u"_ORIGIN",    u"_OPEN90",     u"_Open30",      u"_DotBlank",
    u"_DotSmall", u"_BOXFILLED", u"_BOXBLANK", u"_DATUMFILLED", u"_DATUMBLANK", u"_INTEGRAL"};
constexpr const vchar* kClosedFilled = u"_CLOSEDFILLED";

struct P {
  double x, y;
};

// Every member starts the same way: type, a handle to be replaced, layer 0, by block.
ChainBuilder& member(ChainBuilder& b, const vchar* type) {
  return b.text(0, type).text(5, u"0").text(8, u"0").integer(62, 0);
}

OwnedChain line(P a, P b) {
  ChainBuilder c;
  member(c, u"LINE").point(10, a.x, a.y).point(11, b.x, b.y);
  return c.build();
}

// The dimension line's end inside the terminator: from the tail to `to`.
OwnedChain tail(double to) { return line({-1, 0}, {to, 0}); }

OwnedChain polyline(std::initializer_list<P> points, bool closed, double width = 0) {
  ChainBuilder c;
  member(c, u"LWPOLYLINE").integer(90, static_cast<int64_t>(points.size())).integer(70, closed ? 1 : 0);
  if (width > 0) c.real(43, width);
  for (P p : points) c.point(10, p.x, p.y);
  return c.build();
}

// A filled triangle or quadrilateral; corners in the order a SOLID takes
// them (the third and fourth crosswise).
OwnedChain solid(P a, P b, P c, P d) {
  ChainBuilder s;
  member(s, u"SOLID").point(10, a.x, a.y).point(11, b.x, b.y).point(12, c.x, c.y).point(13, d.x, d.y);
  return s.build();
}

OwnedChain circle(P centre, double r) {
  ChainBuilder c;
  member(c, u"CIRCLE").point(10, centre.x, centre.y).real(40, r);
  return c.build();
}

// A filled disc: a closed polyline of two half circles whose width fills it.
OwnedChain disc(double r) {
  ChainBuilder c;
  member(c, u"LWPOLYLINE").integer(90, 2).integer(70, 1).real(43, r);
  c.point(10, -r / 2, 0).real(42, 1.0).point(10, r / 2, 0).real(42, 1.0);
  return c.build();
}

// Angles in radians, as chains hold them.
OwnedChain arc(P centre, double r, double fromDegrees, double toDegrees) {
  ChainBuilder c;
  member(c, u"ARC").point(10, centre.x, centre.y).real(40, r);
  c.real(50, fromDegrees * std::numbers::pi / 180).real(51, toDegrees * std::numbers::pi / 180);
  return c.build();
}

template <class... C>
std::vector<OwnedChain> shapes(C&&... parts) {
  std::vector<OwnedChain> out;
  (out.push_back(std::forward<C>(parts)), ...);
  return out;
}

constexpr double kHalfWidth = 1.0 / 6;                  // closed and open arrows: 1 long, 1/3 wide
const double kOpen30 = std::tan(std::numbers::pi / 12);  // half of a 30 degree opening
const double kDatum = 1.0 / std::sqrt(3.0);              // half the side of the datum triangle

}  // namespace

std::optional<vd::vstring> terminatorBlockName(vd::vstring_view name) {
  for (const vchar* n : kNames) {
    if (!vd::equalsNoCaseAscii(name, n)) continue;
    return vd::vstring(n[0] == u'.' ? kClosedFilled : n);
  }
  if (vd::equalsNoCaseAscii(name, kClosedFilled)) return vd::vstring(kClosedFilled);
  return std::nullopt;
}

std::optional<std::vector<OwnedChain>> terminatorShape(vd::vstring_view blockName) {
  const std::optional<vd::vstring> known = terminatorBlockName(blockName);
  if (!known) return std::nullopt;
  const vd::vstring& n = *known;
  const double h = kHalfWidth;
  if (n == kClosedFilled) return shapes(solid({0, 0}, {-1, h}, {-1, -h}, {-1, -h}));
  if (n == u"_CLOSED") return shapes(polyline({{0, 0}, {-1, h}, {-1, -h}}, true), tail(0));
  if (n == u"_NONE") return std::vector<OwnedChain>();
  if (n == u"_DOT") return shapes(disc(0.25), tail(-0.25));
  if (n == u"_CLOSEDBLANK") return shapes(polyline({{0, 0}, {-1, h}, {-1, -h}}, true));
  if (n == u"_OBLIQUE") return shapes(line({-0.5, -0.5}, {0.5, 0.5}));
  if (n == u"_ARCHTICK") return shapes(polyline({{-0.5, -0.5}, {0.5, 0.5}}, false, 0.15));
  if (n == u"_OPEN") return shapes(polyline({{-1, h}, {0, 0}, {-1, -h}}, false), tail(0));
  if (n == u"_ORIGIN") return shapes(circle({0, 0}, 0.5), tail(-0.5));
  if (n == u"_OPEN90") return shapes(polyline({{-0.5, 0.5}, {0, 0}, {-0.5, -0.5}}, false), tail(0));
  if (n == u"_Open30") return shapes(polyline({{-1, kOpen30}, {0, 0}, {-1, -kOpen30}}, false), tail(0));
  if (n == u"_DotBlank") return shapes(circle({0, 0}, 0.25), tail(-0.25));
  if (n == u"_DotSmall") return shapes(disc(1.0 / 16));
  if (n == u"_BOXFILLED") return shapes(solid({-0.25, -0.25}, {0.25, -0.25}, {-0.25, 0.25}, {0.25, 0.25}), tail(-0.25));
  if (n == u"_BOXBLANK")
    return shapes(polyline({{-0.25, -0.25}, {0.25, -0.25}, {0.25, 0.25}, {-0.25, 0.25}}, true), tail(-0.25));
  if (n == u"_DATUMFILLED") return shapes(solid({0, kDatum}, {0, -kDatum}, {-1, 0}, {-1, 0}));
  if (n == u"_DATUMBLANK") return shapes(polyline({{0, kDatum}, {0, -kDatum}, {-1, 0}}, true));
  // _INTEGRAL: an integral sign through the tip, two quarter circles.
  return shapes(arc({-0.25, 0}, 0.25, 270, 360), arc({0.25, 0}, 0.25, 90, 180));
}

}  // namespace hostsim
