#include "host/terminator_shapes.h"

#include <cmath>
#include <numbers>

namespace vd {

namespace {

using Kind = TerminatorPart::Kind;
using P = GcGePoint2d;

TerminatorPart line(P a, P b) { return {Kind::Line, {a, b}}; }
// The dimension line's end inside the terminator: from the tail to `to`.
TerminatorPart tail(double to) { return line(P(-1, 0), P(to, 0)); }
TerminatorPart polyline(std::vector<P> points, bool closed, double width = 0) {
  return {Kind::Polyline, std::move(points), closed, width};
}
TerminatorPart solid(P a, P b, P c, P d) { return {Kind::Solid, {a, b, c, d}}; }
TerminatorPart roundPart(Kind kind, P centre, double r, double from = 0, double to = 0) {
  return {kind, {centre}, false, 0, r, from, to};
}

constexpr double kHalfWidth = 1.0 / 6;  // closed and open arrows: 1 long, 1/3 wide

std::vector<TerminatorShape> makeTable() {
  const double h = kHalfWidth;
  const double open30 = std::tan(std::numbers::pi / 12);  // half of a 30 degree opening
  const double datum = 1.0 / std::sqrt(3.0);              // half the side of the datum triangle
  const P o(0, 0);
  return {
      {u".", u"_CLOSEDFILLED", {solid(o, P(-1, h), P(-1, -h), P(-1, -h))}},
      {u"_CLOSED", u"_CLOSED", {polyline({o, P(-1, h), P(-1, -h)}, true), tail(0)}},
      {u"_NONE", u"_NONE", {}},
      {u"_DOT", u"_DOT", {roundPart(Kind::Disc, o, 0.25), tail(-0.25)}},
      {u"_CLOSEDBLANK", u"_CLOSEDBLANK", {polyline({o, P(-1, h), P(-1, -h)}, true)}},
      {u"_OBLIQUE", u"_OBLIQUE", {line(P(-0.5, -0.5), P(0.5, 0.5))}},
      {u"_ARCHTICK", u"_ARCHTICK", {polyline({P(-0.5, -0.5), P(0.5, 0.5)}, false, 0.15)}},
      {u"_OPEN", u"_OPEN", {polyline({P(-1, h), o, P(-1, -h)}, false), tail(0)}},
      {u"_ORIGIN", u"_ORIGIN", {roundPart(Kind::Circle, o, 0.5), tail(-0.5)}},
      {u"_OPEN90", u"_OPEN90", {polyline({P(-0.5, 0.5), o, P(-0.5, -0.5)}, false), tail(0)}},
      {u"_Open30", u"_Open30", {polyline({P(-1, open30), o, P(-1, -open30)}, false), tail(0)}},
      {u"_DotBlank", u"_DotBlank", {roundPart(Kind::Circle, o, 0.25), tail(-0.25)}},
      {u"_DotSmall", u"_DotSmall", {roundPart(Kind::Disc, o, 1.0 / 16)}},
      {u"_BOXFILLED", u"_BOXFILLED",
       {solid(P(-0.25, -0.25), P(0.25, -0.25), P(-0.25, 0.25), P(0.25, 0.25)), tail(-0.25)}},
      {u"_BOXBLANK", u"_BOXBLANK",
       {polyline({P(-0.25, -0.25), P(0.25, -0.25), P(0.25, 0.25), P(-0.25, 0.25)}, true), tail(-0.25)}},
      {u"_DATUMFILLED", u"_DATUMFILLED", {solid(P(0, datum), P(0, -datum), P(-1, 0), P(-1, 0))}},
      {u"_DATUMBLANK", u"_DATUMBLANK", {polyline({P(0, datum), P(0, -datum), P(-1, 0)}, true)}},
      // An integral sign through the tip, two quarter circles.
      {u"_INTEGRAL", u"_INTEGRAL",
       {roundPart(Kind::Arc, P(-0.25, 0), 0.25, 270, 360), roundPart(Kind::Arc, P(0.25, 0), 0.25, 90, 180)}},
  };
}

}  // namespace

const std::vector<TerminatorShape>& standardTerminators() {
  static const std::vector<TerminatorShape> table = makeTable();
  return table;
}

const TerminatorShape* findTerminator(vstring_view name) {
  for (const TerminatorShape& t : standardTerminators()) {
    if (equalsNoCaseAscii(name, t.name) || equalsNoCaseAscii(name, t.blockName)) return &t;
  }
  return nullptr;
}

}  // namespace vd
