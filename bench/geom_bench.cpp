// Throughput of the geometry library's hot paths: curve-pair intersections
// and chord-tolerance sampling of arcs.
#include "geom/circarc2d.h"
#include "geom/curve_curve_int2d.h"
#include "geom/linear_ent2d.h"
#include "geom/mathutils.h"

#include <cstdio>
#include <random>
#include <vector>

namespace {

struct Inputs {
  std::vector<GcGeLineSeg2d> segs;
  std::vector<GcGeCircArc2d> arcs;
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
  const auto t0 = std::chrono::steady_clock::now();
  long points = 0;
  for (int i = 0; i < 20; ++i)
    points += sampleArcs();
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("%-28s %12.3f ms per run  (%ld points per run)\n", "sampling of 10,000 arcs", s / 20 * 1e3, points / 20);
  return 0;
}
#endif
