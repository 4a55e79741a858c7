// Painting speed of the preview view under Wine, each figure measured in the
// same run as its floor: the same device points drawn by bare PolyPolyline
// calls into the same kind of DC (a screen-compatible memory bitmap).
//   first picture      restart to finished picture, tessellation included:
//                      in a view that has to make its back buffer (floor:
//                      the points into a bitmap made for them), and in one
//                      that takes the bitmap a destroyed view left (floor:
//                      the points into a warm bitmap)
//   pan repaint        after a pan inside the regeneration window: the kept
//                      picture moved and the bared strips drawn
//   far pan repaint    a pan by 3/4 of the bitmap's width: every kept point drawn
//                      again into the cleared back buffer
//   snap query         every element of the list, without the time limit
#include <windows.h>

#include "geom/circarc2d.h"
#include "geom/linear_ent2d.h"
#include "geom/mathutils.h"
#include "preview/view.h"
#include "ui/gdi.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

using namespace GDI;

namespace {

constexpr int kWidth = 1280, kHeight = 1024;
constexpr int kSegments = 10000, kArcs = 1000, kRuns = 7;

double msSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void fill(view& v) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> x(0, kWidth), y(0, kHeight), len(-60, 60), r(4, 40),
      a(0, vdgeom::kTwoPi);
  const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 120, 0), RGB(0, 0, 200), RGB(0, 0, 0)};
  for (int i = 0; i < kSegments; ++i) {
    const GcGePoint2d p(x(rng), y(rng));
    v.add_curve(new GcGeLineSeg2d(p, p + GcGeVector2d(len(rng), len(rng))), colour_pair(0, colours[i % 4]), 1,
                nullptr, 1, static_cast<std::uint64_t>(i), false, false);
  }
  for (int i = 0; i < kArcs; ++i)
    v.add_curve(new GcGeCircArc2d(GcGePoint2d(x(rng), y(rng)), r(rng), a(rng), a(rng)),
                colour_pair(0, colours[i % 4]), 1, nullptr, 1, static_cast<std::uint64_t>(kSegments + i), false, false);
}

void setWindow(view& v) {
  const extents world(GcGePoint2d(0, 0), GcGePoint2d(kWidth, kHeight));
  const extents device(GcGePoint2d(0, 0), GcGePoint2d(kWidth, kHeight));
  v.fit_window(&world, &device);
}

int paintAll(view& v) {
  int calls = 1;
  while (!v.paint() && calls < 10000)
    ++calls;
  return calls;
}

// The device polylines of the list as the view sees them now, per pen
// colour, each as a bare PolyPolyline job.
struct Floor {
  std::vector<std::vector<POINT>> points;
  std::vector<std::vector<DWORD>> counts;
};

Floor collectFloor(view& v) {
  Floor f;
  f.points.resize(4);
  f.counts.resize(4);
  const GcGeMatrix2d& m = v.world_to_device();
  for (std::size_t i = 0; i < v.list_size(1); ++i) {
    const auto* c = static_cast<const curve*>(v.list_item(1, i));
    const buffer_curve* cache = c->cache();
    if (!cache)
      continue;
    auto& pts = f.points[i % 4];
    auto& cnt = f.counts[i % 4];
    std::uint32_t first = 0;
    for (std::uint32_t end : cache->ends) {
      for (std::uint32_t k = first; k < end; ++k) {
        const GcGePoint2d p = m.apply(cache->points[static_cast<int>(k)]);
        pts.push_back({round_device(p.x), round_device(p.y)});
      }
      cnt.push_back(end - first);
      first = end;
    }
  }
  return f;
}

double drawFloorOnce(HDC dc, const Floor& f, const std::vector<HPEN>& pens) {
  const auto t0 = std::chrono::steady_clock::now();
  for (std::size_t k = 0; k < f.points.size(); ++k) {
    ui::select_result pen(dc, pens[k]);
    // Calls of at most 16384 points, split at polyline boundaries.
    std::size_t p = 0, c = 0;
    while (c < f.counts[k].size()) {
      std::size_t n = 0, pts = 0;
      while (c + n < f.counts[k].size() && (n == 0 || pts + f.counts[k][c + n] <= cosmetic_pen_limit))
        pts += f.counts[k][c + n++];
      PolyPolyline(dc, f.points[k].data() + p, f.counts[k].data() + c, static_cast<DWORD>(n));
      p += pts;
      c += n;
    }
  }
  GdiFlush();
  return msSince(t0);
}

// Best of three, as the repaints are measured.
double drawFloor(HDC dc, const Floor& f, const std::vector<HPEN>& pens) {
  double best = drawFloorOnce(dc, f, pens);
  for (int i = 0; i < 2; ++i)
    best = std::min(best, drawFloorOnce(dc, f, pens));
  return best;
}

// Best of three, each clearing the bitmap first as every picture must.
double drawClearedFloor(HDC dc, const Floor& f, const std::vector<HPEN>& pens) {
  double best = 1e300;
  for (int k = 0; k < 3; ++k) {
    const auto t0 = std::chrono::steady_clock::now();
    const RECT all{0, 0, kWidth, kHeight};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    best = std::min(best, msSince(t0) + drawFloorOnce(dc, f, pens));
  }
  return best;
}

} // namespace

int main() {
  ui::memory_surface target;
  if (!target.create(nullptr, kWidth, kHeight)) {
    std::fprintf(stderr, "no memory DC\n");
    return 1;
  }
  const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 120, 0), RGB(0, 0, 200), RGB(0, 0, 0)};
  std::vector<ui::unique_hpen> ownedPens;
  std::vector<HPEN> pens;
  for (COLORREF c : colours) {
    ownedPens.emplace_back(CreatePen(PS_SOLID, 0, c));
    pens.push_back(ownedPens.back().get());
  }

  std::printf("preview_bench: %d segments + %d arcs, %d x %d, median of %d runs\n", kSegments, kArcs, kWidth,
              kHeight, kRuns);
  std::vector<double> first, firstNew, firstFloor, firstClearFloor, freshFloor, pan, panFloor, panClearFloor, farPan, farFloor, snap;
  std::uint32_t panRegen = 0, calls = 0, flushes = 0, firstCalls = 0, vertices = 0, replayed = 0, farCalls = 0;
  for (int run = 0; run < kRuns; ++run) {
    {
      // A view whose back buffer has to be made: no kept bitmap to take.
      release_back_buffers();
      view n;
      n.bind_dc(target.dc());
      fill(n);
      setWindow(n);
      const auto t0 = std::chrono::steady_clock::now();
      paintAll(n);
      firstNew.push_back(msSince(t0));
      // Its floor: the same points into a bitmap made just now, cleared
      // like the view's back buffer.
      const Floor points = collectFloor(n);
      const auto t1 = std::chrono::steady_clock::now();
      ui::memory_surface fresh;
      fresh.create(nullptr, kWidth, kHeight);
      const RECT all{0, 0, kWidth, kHeight};
      FillRect(fresh.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      const double made = msSince(t1);
      freshFloor.push_back(made + drawFloorOnce(fresh.dc(), points, pens));
    } // the view's bitmap goes on the shelf for the next one
    view v;
    v.bind_dc(target.dc());
    fill(v);
    setWindow(v);
    auto t0 = std::chrono::steady_clock::now();
    firstCalls = static_cast<std::uint32_t>(paintAll(v));
    first.push_back(msSince(t0));
    calls = v.statistics().polyline_calls;
    flushes = v.statistics().flushes;
    vertices = v.statistics().vertices_painted;
    const Floor points = collectFloor(v);
    firstFloor.push_back(drawFloor(target.dc(), points, pens));
    firstClearFloor.push_back(drawClearedFloor(target.dc(), points, pens));

    // Best of three pans back and forth, all inside the regeneration window.
    double bestPan = 1e300;
    for (int k = 0; k < 3; ++k) {
      v.pan(k % 2 ? -37 : 37, k % 2 ? 23 : -23);
      t0 = std::chrono::steady_clock::now();
      paintAll(v);
      bestPan = std::min(bestPan, msSince(t0));
      panRegen = std::max(panRegen, v.statistics().curves_regenerated);
      replayed += v.statistics().lists_replayed;
    }
    pan.push_back(bestPan);
    const Floor panned = collectFloor(v);
    panFloor.push_back(drawFloor(target.dc(), panned, pens));
    panClearFloor.push_back(drawClearedFloor(target.dc(), panned, pens));
    {
      // Pans by three quarters of the bitmap's width and back: too little of
      // the old picture is left to move it, so every kept point is drawn again.
      double best = 1e300;
      for (int k = 0; k < 4; ++k) {
        v.pan(k % 2 ? -kWidth * 3 / 4 : kWidth * 3 / 4, 0);
        t0 = std::chrono::steady_clock::now();
        paintAll(v);
        const double t = msSince(t0);
        panRegen = std::max(panRegen, v.statistics().curves_regenerated);
        replayed += v.statistics().lists_replayed;
        farCalls = v.statistics().polyline_calls;
        if (k % 2)
          best = std::min(best, t); // back at the first window
      }
      farPan.push_back(best);
      farFloor.push_back(drawFloor(target.dc(), collectFloor(v), pens));
    }

    if (run == 0) {
      // Tessellation alone, for the breakdown of the first picture.
      regen_context ctx = v.regen_ctx();
      std::vector<buffer_curve> caches(v.list_size(1));
      t0 = std::chrono::steady_clock::now();
      for (std::size_t i = 0; i < v.list_size(1); ++i)
        refresh_curve_cache(caches[i], static_cast<const GcGeCurve2d&>(static_cast<curve*>(v.list_item(1, i))->geometry()), ctx);
      std::printf("  tessellation of the whole list alone: %.2f ms\n", msSince(t0));
    }
    const extents pick(GcGePoint2d(630, 500), GcGePoint2d(650, 520));
    t0 = std::chrono::steady_clock::now();
    v.snap_query(0x3FF | snap_no_timer, pick, nullptr, false, nullptr, nullptr);
    snap.push_back(msSince(t0));
  }
  {
    // What every repaint adds to the floor: clearing the back buffer and
    // copying it to the bound DC (both bitmaps warm).
    ui::memory_surface back;
    back.create(nullptr, kWidth, kHeight);
    const RECT all{0, 0, kWidth, kHeight};
    double fillBest = 1e300, copyBest = 1e300;
    for (int k = 0; k < 5; ++k) {
      auto t0 = std::chrono::steady_clock::now();
      SetBkColor(back.dc(), RGB(255, 255, 255));
      ExtTextOutW(back.dc(), 0, 0, ETO_OPAQUE, &all, L"", 0, nullptr);
      GdiFlush();
      fillBest = std::min(fillBest, msSince(t0));
      t0 = std::chrono::steady_clock::now();
      BitBlt(target.dc(), 0, 0, kWidth, kHeight, back.dc(), 0, 0, SRCCOPY);
      GdiFlush();
      copyBest = std::min(copyBest, msSince(t0));
    }
    std::printf("  back buffer: clear %.2f ms, copy to the DC %.2f ms\n", fillBest, copyBest);

  }
  const double f = median(first), fn = median(firstNew), ff = median(firstFloor), fc = median(firstClearFloor),
               fr = median(freshFloor), p = median(pan),
               pf = median(panFloor), pc = median(panClearFloor), fa = median(farPan), faf = median(farFloor),
               s = median(snap);
  std::printf("  first picture, new back buffer   %8.2f ms  floor %7.2f ms  ratio %5.2f  (target 2.0)\n", fn, fr,
              fn / fr);
  std::printf("  first picture, kept back buffer  %8.2f ms  floor %7.2f ms  ratio %5.2f  (target 2.0, %u paint calls)\n",
              f, ff, f / ff, firstCalls);
  std::printf("                              floor with clearing %7.2f ms  ratio %5.2f\n", fc, f / fc);
  std::printf("  pan repaint     %8.2f ms  floor %7.2f ms  ratio %5.2f  (target 1.3)\n", p, pf, p / pf);
  std::printf("                              floor with clearing %7.2f ms  ratio %5.2f\n", pc, p / pc);
  std::printf("  far pan repaint %8.2f ms  floor %7.2f ms  ratio %5.2f  (%u polyline calls)\n", fa, faf, fa / faf,
              farCalls);
  std::printf("  curves regenerated by the pans %u, repaints from kept points %u of %d\n", panRegen, replayed,
              kRuns * 7);
  std::printf("  snap query      %8.2f ms  (target 5)\n", s);
  std::printf("  GDI polyline calls %u in %u batches: %.2f per batch, %u vertices\n", calls, flushes,
              flushes ? static_cast<double>(calls) / flushes : 0.0, vertices);
  return 0;
}
