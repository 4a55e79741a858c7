#include "heightdim/mark_geometry.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vd {

namespace {

using P = GcGePoint2d;

MarkPath straight(std::initializer_list<P> points) {
  MarkPath path{points, {}};
  path.bulges.assign(path.points.size(), 0.0);
  return path;
}

// ČSN: a triangle standing on the point, a vertical line up from it and the
// horizontal line the values sit on and under.
bool sectionCsn(const HNoteData& r, MarkGeometry& g) {
  const P o(0, 0);
  const P t1(r.hxLen / 2, r.hyLen), t2(-r.hxLen / 2, r.hyLen), m(0, r.hyLen);
  // A negative LHORZLEN is a mirrored mark: the line runs to the left and the
  // texts, right-aligned, along it.
  const P v(0, r.lvertLen), e(r.lhorzLen, r.lvertLen);
  switch (r.arrowIndex) {
    case 0:
      g.outlines.push_back(straight({t2, o, t1, o, v, e}));
      break;
    case 1:
    case 2:
      g.outlines.push_back(straight({t1, t2, o, m, v, e}));
      if (r.arrowIndex == 2) g.fills.push_back(straight({o, t2, m}));
      break;
    case 3:
    case 4:
      g.outlines.push_back(straight({o, t2, t1, o, m, v, e}));
      if (r.arrowIndex == 4) g.fills.push_back(straight({o, t1, m}));
      break;
    case 5:
      g.outlines.push_back(straight({m, t2, o, t1, m, v, e}));
      break;
    default:
      return false;
  }
  // Texts run away from the vertical line on the side the horizontal length's sign says.
  const double s = r.lhorzLen < 0 ? -1.0 : 1.0;
  const int hJust = s < 0 ? 2 : 0;
  g.texts.push_back({P(s * r.textDistX, r.lvertLen + r.textDistY), 0, hJust, 1});
  g.texts.push_back({P(s * r.textDistX, r.lvertLen - r.textDistY), 8, hJust, 3});
  return true;
}

// DIN: a base line through the point and a triangle with its apex on it.
void sectionDin(const HNoteData& r, MarkGeometry& g) {
  const P o(0, 0);
  const P a(-r.hxLen / 2, 0), b(r.hxLen / 2, 0), a2(-r.hxLen / 2, r.hyLen), b2(r.hxLen / 2, r.hyLen);
  g.outlines.push_back(straight({a, o, a2, b2, o, b}));
  if (r.type == 2) g.fills.push_back(straight({o, a2, b2}));
  g.texts.push_back({a2 + GcGeVector2d(r.textDistX, r.textDistY), 0, 0, 1});
  // The second level goes under the base line, clear of the triangle.
  g.texts.push_back({a + GcGeVector2d(r.textDistX, -r.textDistY), 8, 0, 3});
}

// The attribute that carries the rounding mark follows the first value text.
void roundingMarkPlace(const HNoteData& r, MarkGeometry& g) {
  const MarkTextPlace& first = g.texts[kMarkValue];
  const double s = r.lhorzLen < 0 ? -1.0 : 1.0;
  const double along = s * static_cast<double>(r.valueText.size()) * 0.8 * r.textHeight;
  g.texts.push_back({first.anchor + GcGeVector2d(along, 0), 8, first.hJust, first.vJust});
}

void planView(const HNoteData& r, double textWidth, double textHeight, MarkGeometry& g) {
  const double w = std::max(textWidth, r.cxSize);
  const double h = std::max(textHeight, r.cySize);
  g.frameWidth = w;
  g.frameHeight = h;
  const P o(0, 0);
  const P p0(-w / 2, -h / 2), p1(w / 2, -h / 2), p2(-w / 2, h / 2), p3(w / 2, h / 2);
  g.outlines.push_back(straight({p0, p1, p3, p2, p0}));
  // A half circle of radius h/2 on the right edge, counter-clockwise from
  // the bottom corner to the top one: a bulge of 1.
  if (r.hnoteOptions & kPlanRoundEnd) g.outlines.push_back(MarkPath{{p1, p3}, {1.0, 0.0}});
  if (r.hnoteOptions & kPlanFilledEnd) g.fills.push_back(MarkPath{{p3, p1}, {0.0, 1.0}});
  const P bases[] = {o, p2, p0, P(0, h / 2), P(0, -h / 2), p3, p1};
  g.base = r.insPt >= 1 && r.insPt <= 6 ? bases[r.insPt] : o;
  g.texts.push_back({o, 0, 1, 2});
}

// Mirrors everything in the X axis; arcs turn the other way, and texts that
// hang from a line are attached at the other edge so they stay clear of it.
void flip(MarkGeometry& g) {
  auto mirror = [](P& p) { p.y = -p.y; };
  mirror(g.base);
  for (auto* paths : {&g.outlines, &g.fills}) {
    for (MarkPath& path : *paths) {
      for (P& p : path.points) mirror(p);
      for (double& b : path.bulges) b = -b;
    }
  }
  for (MarkTextPlace& t : g.texts) {
    mirror(t.anchor);
    if (t.vJust == 1)
      t.vJust = 3;
    else if (t.vJust == 3)
      t.vJust = 1;
  }
}

}  // namespace

bool markGeometry(const HNoteData& record, double textWidth, double textHeight, MarkGeometry& out) {
  out = MarkGeometry();
  MarkGeometry g;
  switch (record.type) {
    case 0:
      if (!sectionCsn(record, g)) return false;
      break;
    case 1:
    case 2:
      sectionDin(record, g);
      break;
    case 3:
      planView(record, textWidth, textHeight, g);
      break;
    default:
      return false;
  }
  if (record.type != 3) roundingMarkPlace(record, g);
  if (record.flipped) flip(g);
  out = std::move(g);
  return true;
}

}  // namespace vd
