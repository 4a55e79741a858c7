// Throughput of the geometry library's hot paths: curve-pair intersections
// (single pieces, and a segment against polylines whose joints and bulged
// members make contacts settle at ends), nearest points on ellipses, and
// chord-tolerance sampling of arcs.
#include "geom/circarc2d.h"
#include "geom/composite_curve2d.h"
#include "geom/curve_curve_int2d.h"
#include "geom/elliparc2d.h"
#include "geom/linear_ent2d.h"
#include "geom/mathutils.h"

#include <cstdio>
#include <random>
#include <vector>

namespace {

struct Inputs {
  std::vector<GcGeLineSeg2d> segs;
  std::vector<GcGeCircArc2d> arcs;
  std::vector<GcGeCompositeCurve2d> polylines;
  std::vector<GcGeEllipArc2d> ellipses;
  std::vector<GcGePoint2d> queries;
};

// Fixed random curves in a 20 x 20 square, so that about half the pairs meet.
const Inputs& inputs() {
  static const Inputs in = [] {
    Inputs r;
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(-10, 10), rad(0.5, 8), ang(0, vdgeom::kTwoPi);
    for (int i = 0; i < 1024; ++i) {
      r.segs.emplace_back(GcGePoint2d(u(rng), u(rng)), GcGePoint2d(u(rng), u(rng)));
      r.arcs.emplace_back(GcGePoint2d(u(rng), u(rng)), rad(rng), ang(rng), ang(rng), GcGeVector2d::kXAxis, i % 2 == 1);
      r.queries.emplace_back(u(rng), u(rng));
    }
    // Polylines of 16 members, every other one bulged, zig-zagging across
    // the square; ellipses of all shapes.
    std::uniform_real_distribution<double> bulge(-0.6, 0.6), ratio(0.1, 1.0);
    for (int i = 0; i < 64; ++i) {
      GcGeCompositeCurve2d poly;
      GcGePoint2d at(u(rng), u(rng));
      for (int k = 0; k < 16; ++k) {
        const GcGePoint2d next(u(rng), u(rng));
        const GcGePoint2d mid = midPoint(at, next) + (next - at).perpVector() * (bulge(rng) / 2);
        auto* arc = new GcGeCircArc2d();
        if (k % 2 == 1 && arc->set(at, mid, next)) {
          poly.append(arc);
        } else {
          delete arc;
          poly.append(new GcGeLineSeg2d(at, next));
        }
        at = next;
      }
      r.polylines.push_back(std::move(poly));
      const double a = rad(rng), phi = ang(rng);
      r.ellipses.emplace_back(GcGePoint2d(u(rng), u(rng)), GcGeVector2d(std::cos(phi), std::sin(phi)),
                              GcGeVector2d(-std::sin(phi), std::cos(phi)), a, a * ratio(rng), ang(rng),
                              ang(rng) + vdgeom::kTwoPi);
    }
    return r;
  }();
  return in;
}

// One intersection of pair i; returns the point count so the work is used.
template <class A, class B>
int intersectPair(const std::vector<A>& a, const std::vector<B>& b, std::size_t i) {
  const GcGeCurveCurveInt2d cci(a[i % a.size()], b[(i * 7 + 3) % b.size()]);
  return cci.numIntPoints();
}

// Nearest point on a closed ellipse to query i; returns a value so the work
// is used.
double nearestOnEllipse(std::size_t i) {
  const Inputs& in = inputs();
  const GcGeEllipArc2d& e = in.ellipses[i % in.ellipses.size()];
  return e.closestPointTo(in.queries[(i * 7 + 3) % in.queries.size()]).x;
}

// Samples 10,000 arcs at a chord tolerance of 1e-3; returns the point count.
long sampleArcs() {
  const Inputs& in = inputs();
  long total = 0;
  GcGePoint2dArray pts(4096);
  GcGeDoubleArray params(4096);
  for (int i = 0; i < 10000; ++i) {
    const GcGeCircArc2d& arc = in.arcs[static_cast<std::size_t>(i) % in.arcs.size()];
    pts.removeAll();
    params.removeAll();
    arc.getSamplePoints(arc.startAng(), arc.endAng(), 1e-3, pts, params);
    total += pts.length();
  }
  return total;
}

} // namespace

#if defined(VD_HAVE_GBENCH)
#include <benchmark/benchmark.h>

static void BM_SegmentSegment(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(intersectPair(inputs().segs, inputs().segs, i++));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_SegmentSegment);

static void BM_SegmentArc(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(intersectPair(inputs().segs, inputs().arcs, i++));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_SegmentArc);

static void BM_ArcArc(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(intersectPair(inputs().arcs, inputs().arcs, i++));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ArcArc);

static void BM_SegmentPolyline16(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(intersectPair(inputs().segs, inputs().polylines, i++));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_SegmentPolyline16);

static void BM_NearestOnEllipse(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(nearestOnEllipse(i++));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_NearestOnEllipse);

static void BM_Sample10000Arcs(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(sampleArcs());
}
BENCHMARK(BM_Sample10000Arcs)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

#else
#include <chrono>

namespace {
template <class F>
void report(const char* name, int reps, F f) {
  const auto t0 = std::chrono::steady_clock::now();
  long sink = 0;
  for (int i = 0; i < reps; ++i)
    sink += f(static_cast<std::size_t>(i));
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("%-28s %12.0f per second  (%.3f s for %d, checksum %ld)\n", name, reps / s, s, reps, sink);
}
} // namespace

int main() {
  const Inputs& in = inputs();
  report("segment-segment", 2000000, [&](std::size_t i) { return intersectPair(in.segs, in.segs, i); });
  report("segment-arc", 1000000, [&](std::size_t i) { return intersectPair(in.segs, in.arcs, i); });
  report("arc-arc", 1000000, [&](std::size_t i) { return intersectPair(in.arcs, in.arcs, i); });
  report("segment-polyline (16)", 200000, [&](std::size_t i) { return intersectPair(in.segs, in.polylines, i); });
  report("nearest on ellipse", 500000, [&](std::size_t i) { return nearestOnEllipse(i) > 0.0 ? 1 : 0; });
  const auto t0 = std::chrono::steady_clock::now();
  long points = 0;
  for (int i = 0; i < 20; ++i)
    points += sampleArcs();
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("%-28s %12.3f ms per run  (%ld points per run)\n", "sampling of 10,000 arcs", s / 20 * 1e3, points / 20);
  return 0;
}
#endif
