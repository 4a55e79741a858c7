#include "hostsim/terminators.h"

#include <numbers>

#include "host/terminator_shapes.h"

namespace hostsim {

namespace {

using vd::ChainBuilder;
using vd::OwnedChain;
using vd::TerminatorPart;
using Kind = vd::TerminatorPart::Kind;

// Every member starts the same way: type, a handle to be replaced, layer 0, by block.
ChainBuilder& member(ChainBuilder& b, const vd::vchar* type) {
  return b.text(0, type).text(5, u"0").text(8, u"0").integer(62, 0);
}

// One part of a terminator's shape as a block member.
OwnedChain memberChain(const TerminatorPart& part) {
  ChainBuilder c;
  const GcGePoint2d& p0 = part.points.front();
  switch (part.kind) {
    case Kind::Line:
      member(c, u"LINE").point(10, p0.x, p0.y).point(11, part.points[1].x, part.points[1].y);
      break;
    case Kind::Polyline:
      member(c, u"LWPOLYLINE").integer(90, static_cast<int64_t>(part.points.size())).integer(70, part.closed ? 1 : 0);
      if (part.width > 0) c.real(43, part.width);
      for (const GcGePoint2d& p : part.points) c.point(10, p.x, p.y);
      break;
    case Kind::Solid:
      member(c, u"SOLID");
      for (int i = 0; i < 4; ++i) c.point(10 + i, part.points[i].x, part.points[i].y);
      break;
    case Kind::Circle:
      member(c, u"CIRCLE").point(10, p0.x, p0.y).real(40, part.radius);
      break;
    case Kind::Arc:
      // Angles in radians, as chains hold them.
      member(c, u"ARC").point(10, p0.x, p0.y).real(40, part.radius);
      c.real(50, part.startDegrees * std::numbers::pi / 180).real(51, part.endDegrees * std::numbers::pi / 180);
      break;
    case Kind::Disc: {
      // A closed polyline of two half circles whose width fills the disc.
      const double r = part.radius;
      member(c, u"LWPOLYLINE").integer(90, 2).integer(70, 1).real(43, r);
      c.point(10, p0.x - r / 2, p0.y).real(42, 1.0).point(10, p0.x + r / 2, p0.y).real(42, 1.0);
      break;
    }
  }
  return c.build();
}

}  // namespace

std::optional<vd::vstring> terminatorBlockName(vd::vstring_view name) {
  const vd::TerminatorShape* t = vd::findTerminator(name);
  if (!t) return std::nullopt;
  return vd::vstring(t->blockName);
}

std::optional<std::vector<OwnedChain>> terminatorShape(vd::vstring_view blockName) {
  const vd::TerminatorShape* t = vd::findTerminator(blockName);
  if (!t) return std::nullopt;
  std::vector<OwnedChain> out;
  for (const TerminatorPart& part : t->parts) out.push_back(memberChain(part));
  return out;
}

}  // namespace hostsim
