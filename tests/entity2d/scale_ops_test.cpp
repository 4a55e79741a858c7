// Splitting, trimming and polyline round trips at every feature size from
// 1e-6 to 1e7 and at offsets up to 1e9, against reference geometry in long
// double (tests/geom/oracle.h). Fixed seeds; each property counts its
// failures per scale and must have none.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "entity2d/curve_entities.h"
#include "entity2d/curve_ops.h"
#include "entity2d/entity_factory.h"
#include "entity_test_support.h"
#include "geom_test_util.h"
#include "oracle.h"

namespace {

using namespace vd;
using namespace oracle;

using Curves = geomtest::OwnedCurves;

// A segment across a circle (through two points of it, extended past them)
// is split into three pieces at the crossings, none a sliver; trimming keeps
// the chord inside or the two ends outside, with the reference lengths.
TEST(ScaleOps, SplitAndTrimASegmentByACircle) {
  atEveryScale({"split by a circle", "trim keeping the inside", "trim keeping the outside"}, 909, 300, true,
               [&](Rng& g, const Scale& s, P base, int, auto& tallies) {
    Tally &ts = *tallies[0], &ti = *tallies[1], &to = *tallies[2];
    const GcGePoint2d c = nearPoint(g, base, s.size / 2);
    const double r = s.size * g.uni(0.1, 0.5);
    const double alpha = g.uni(0, 6.283185307179586), beta = alpha + g.uni(0.3, 6.283185307179586 - 0.3);
    const P pa = of(c) + dir(alpha) * ld(r), pb = of(c) + dir(beta) * ld(r);
    const ld k = g.uni(0.05, 1.0);
    const GcGePoint2d s0 = rounded(pa - (pb - pa) * k), s1 = rounded(pb + (pb - pa) * k);
    ld tx[2];
    if (lineCircle(of(s0), of(s1), of(c), r, tx) != 2) return;
    const P x0 = of(s0) + (of(s1) - of(s0)) * tx[0], x1 = of(s0) + (of(s1) - of(s0)) * tx[1];
    const ld total = dist(of(s0), of(s1)), chord = dist(x0, x1);
    const GcGeLineSeg2d seg(s0, s1);
    const GcGeCircArc2d circle(c, r);
    const std::string what = message("segment ", fmt(s0), " ", fmt(s1), " by circle ", fmt(c), " r ", r);

    ++ts.cases;
    Curves pieces;
    splitByCurve(seg, circle, pieces.list);
    bool ok = pieces.list.length() == 3;
    double shortest = 1e300, worstCut = 0;
    if (ok) {
      std::vector<GcGePoint2d> ends;
      for (const GcGeCurve2d* p : pieces.list) {
        shortest = std::min(shortest, p->gcLength());
        ends.push_back(p->startPoint());
        ends.push_back(p->endPoint());
      }
      // Every piece end is an end of the segment or one of the crossings.
      for (const GcGePoint2d& e : ends) {
        const ld d = std::min({dist(of(e), of(s0)), dist(of(e), of(s1)), dist(of(e), x0), dist(of(e), x1)});
        worstCut = std::max(worstCut, static_cast<double>(d));
      }
      ok = shortest > 1e-3 * s.size && worstCut <= 20 * s.tol();
    }
    ts.check(ok, [&] {
      return what + ": " + std::to_string(pieces.list.length()) + " pieces, shortest " + std::to_string(shortest) +
             ", a cut " + std::to_string(worstCut) + " off";
    });

    for (bool keepInside : {true, false}) {
      Tally& t = keepInside ? ti : to;
      ++t.cases;
      Curves kept;
      bool removed = false;
      const int count = trimByCurve(seg, circle, kept.list, keepInside, removed);
      double length = 0;
      for (const GcGeCurve2d* p : kept.list) length += p->gcLength();
      const double want = static_cast<double>(keepInside ? chord : total - chord);
      t.check(count == (keepInside ? 1 : 2) && removed && std::abs(length - want) <= 40 * s.tol(), [&] {
        return what + (keepInside ? ", kept inside: " : ", kept outside: ") + std::to_string(count) +
               " pieces of length " + std::to_string(length) + " for " + std::to_string(want);
      });
    }
  });
}

// A segment through a vertex of a polyline is cut once there, and the
// polyline is not cut beside its vertex: no sliver anywhere.
TEST(ScaleOps, SplitThroughAPolylineVertexLeavesNoSliver) {
  atEveryScale({"split through a polyline vertex"}, 1010, 300, true,
               [&](Rng& g, const Scale& s, P base, int, auto& tallies) {
    Tally& t = *tallies[0];
    std::vector<GcGePoint2d> v = {nearPoint(g, base, s.size / 2)};
    for (int i = 0; i < 3; ++i) v.push_back(rounded(of(v.back()) + dir(g.uni(0, 6.3)) * ld(s.size * g.uni(0.3, 0.8))));
    GcGeCompositeCurve2d poly;
    for (int i = 0; i < 3; ++i) {
      const double bulge = g.pick(2) ? 0.0 : (g.pick(2) ? 1 : -1) * g.logUni(-10, 0);
      poly.append(ent::bulgedMember(v[i], v[i + 1], bulge));
    }
    const int vi = 1 + g.pick(2);
    const double ang =
        angleAcross(g, poly.curveAt(vi - 1).evalDeriv(poly.curveAt(vi - 1).interval().upperBound()).normal(),
                    poly.curveAt(vi).evalDeriv(poly.curveAt(vi).interval().lowerBound()).normal());
    const GcGePoint2d at = v[static_cast<size_t>(vi)];
    const GcGeLineSeg2d line(rounded(of(at) - dir(ang) * ld(s.size * g.uni(0.05, 0.5))),
                             rounded(of(at) + dir(ang) * ld(s.size * g.uni(0.05, 0.5))));
    ++t.cases;
    Curves a, b;
    splitByCurve(line, poly, a.list);
    splitByCurve(poly, line, b.list);
    double shortest = 1e300;
    int cutsNearVertex = 0;
    for (const GcGeCurve2d* p : a.list) {
      shortest = std::min(shortest, p->gcLength());
      if (p->endPoint().distanceTo(at) <= 1e-3 * s.size && p->endPoint().distanceTo(line.endPoint()) > 0) ++cutsNearVertex;
    }
    for (const GcGeCurve2d* p : b.list) shortest = std::min(shortest, p->gcLength());
    t.check(shortest > 1e-4 * s.size && cutsNearVertex == 1, [&] {
      return "segment " + fmt(line.startPoint()) + " " + fmt(line.endPoint()) + " through vertex " + fmt(at) + ": " +
             std::to_string(cutsNearVertex) + " cuts there, shortest piece " + std::to_string(shortest);
    });
  });
}

OwnedChain lwpolyline(const std::vector<GcGePoint2d>& v, const std::vector<double>& bulges, bool closed) {
  ChainBuilder b;
  b.text(0, u"LWPOLYLINE").text(8, u"0").integer(90, static_cast<int64_t>(v.size())).integer(70, closed ? 1 : 0);
  for (size_t i = 0; i < v.size(); ++i) {
    b.point(10, v[i].x, v[i].y, 0);
    if (bulges[i] != 0) b.real(42, bulges[i]);
  }
  return b.build();
}

// A closed polyline with bulges down to 1e-12 is written back closed, with
// its own vertices and bulges, also after a move; its arcs pass through the
// reference arc's middle.
TEST(ScaleOps, ClosedPolylinesWithTinyBulgesStayClosed) {
  atEveryScale({"closed polylines with bulges"}, 1111, 200, false,
               [&](Rng& g, const Scale& s, P base, int, auto& tallies) {
    Tally& t = *tallies[0];
    const int count = 3 + g.pick(3);
    std::vector<GcGePoint2d> v;
    std::vector<double> bulges;
    const P centre = of(nearPoint(g, base, s.size / 4));
    const ld phase = g.uni(0, 6.3);
    for (int i = 0; i < count; ++i) {
      v.push_back(rounded(centre + dir(phase + 6.283185307179586L * i / count) * ld(s.size * g.uni(0.3, 0.5))));
      const int kind = g.pick(3);
      bulges.push_back(kind == 0 ? 0.0 : (g.pick(2) ? 1 : -1) * (kind == 1 ? g.logUni(-12, -6) : g.logUni(-3, 0)));
    }
    const OwnedChain src = lwpolyline(v, bulges, true);
    auto obj = makeEntity(src.get());
    ++t.cases;
    if (!obj || obj->typeId() != kEntPolyline) {
      t.check(false, [] { return std::string("not read as a polyline"); });
      return;
    }
    std::string what = "closed polyline";
    for (int i = 0; i < count; ++i) what += message(" ", fmt(v[i]), " b ", bulges[i]);
    // The members' middles against the reference arcs. A bulge whose arc
    // leaves its chord by no more than the arc's own equal-point distance
    // (at its centre's magnitude plus its radius) may be a straight member.
    const auto& comp = static_cast<const GcGeCompositeCurve2d&>(*obj->curve());
    double worstMid = 0;
    for (int i = 0; i < comp.numCurves() && i < count; ++i) {
      const GcGeCurve2d& m = comp.curveAt(i);
      const GcGeInterval r = m.interval();
      const GcGePoint2d mid = m.gcEvalPoint(0.5 * (r.lowerBound() + r.upperBound()));
      const P a = of(v[i]), b = of(v[(i + 1) % count]);
      const P chordMid = (a + b) * 0.5L;
      ld off = dist(of(mid), chordMid);
      if (bulges[i] != 0) {
        const Arc ref = bulgeArc(a, b, bulges[i]);
        const ld sagitta = std::abs(bulges[i]) * dist(a, b) / 2;
        const double arcTol = tolAt(static_cast<double>(std::max(std::abs(ref.c.x), std::abs(ref.c.y)) + ref.r));
        const ld toArc = dist(of(mid), bulgeMid(a, b, bulges[i]));
        off = sagitta <= 2 * arcTol ? std::min(off, toArc) : toArc;
      }
      worstMid = std::max(worstMid, static_cast<double>(off));
    }
    t.check(worstMid <= 2 * s.tol(), [&] { return what + ": an arc's middle is " + std::to_string(worstMid) + " off"; });

    for (bool moved : {false, true}) {
      const GcGeVector2d shift(s.offset * 0.25 + s.size * 0.5, -s.offset * 0.125 + s.size * 0.25);
      if (moved) obj->transformBy(GcGeMatrix2d::translation(shift));
      const enttest::WrittenPolyline out = enttest::writtenPolyline(obj->chain(kChainRegenerate));
      const std::vector<GcGePoint2d>& got = out.points;
      bool same = out.flags == 1 && out.count == count && static_cast<int>(got.size()) == count;
      double worstVertex = 0, worstBulge = 0;
      for (int i = 0; same && i < count; ++i) {
        const GcGePoint2d want = moved ? v[i] + shift : v[i];
        worstVertex = std::max(worstVertex, got[i].distanceTo(want));
        worstBulge = std::max(worstBulge, std::abs(out.bulges[i] - bulges[i]) / std::max(std::abs(bulges[i]), 1e-300));
      }
      // Unmoved, the vertices are the ones read; moved, they are moved
      // exactly as the vertices alone would be.
      same = same && worstVertex <= (moved ? s.tol() : 0.0) && worstBulge <= 1e-9;
      t.check(same, [&] {
        return what + (moved ? " (moved)" : "") + ": written with flags " + std::to_string(out.flags) + ", " +
               std::to_string(got.size()) + " vertices, vertex " + std::to_string(worstVertex) +
               " off, bulge off by " + std::to_string(worstBulge) + " of itself";
      });
    }
  });
}

}  // namespace
