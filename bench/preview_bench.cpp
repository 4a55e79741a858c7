// Painting speed of the preview view under Wine, each figure measured in the
// same run as its floors: the same device points drawn by bare PolyPolyline
// calls into the same kind of DC (a screen-compatible memory bitmap); that
// with the bitmap cleared first; and that drawn like a window without
// flicker, into a cleared back bitmap then copied to the DC.
// Two scenes in a 1280 x 1024 view: 10,000 short segments and 1,000 arcs
// inside the window, and 10,000 long segments (100 to 1,200 pixels), many of
// them reaching out of the window.
//   first picture        restart to finished picture, tessellation included:
//                        in a view that has to make its back buffer (floor:
//                        the points into a bitmap made for them), and in one
//                        that takes the bitmap a destroyed view left
//   pan repaint          after a pan by whole pixels inside the regeneration
//                        window: the kept picture moved, the bared strips drawn
//   far pan repaint      a pan by 3/4 of the bitmap's width: every kept point
//                        drawn again into the cleared back buffer
//   repaint from caches  after a pan by half a pixel, which the kept points
//                        cannot follow: the last picture's draws again, every
//                        point taken from the cached tessellation
//   with a text          a pan by whole pixels of the list with one text added,
//                        which is never kept as points: from the caches as well
//   zoom repaint         after a zoom out by 1.2: the list walked, from the caches
//   snap query           every element of the list, without the time limit
// and how many curves regenerate on the repaints that must regenerate none.
#include <windows.h>

#include "geom/circarc2d.h"
#include "geom/linear_ent2d.h"
#include "geom/mathutils.h"
#include "preview/view.h"
#include "ui/gdi.h"

#include "bench/bench_result.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

using namespace GDI;

namespace {

constexpr int kWidth = 1280, kHeight = 1024;
constexpr int kSegments = 10000, kArcs = 1000, kLongSegments = 10000, kRuns = 7;
constexpr COLORREF kColours[] = {RGB(200, 0, 0), RGB(0, 120, 0), RGB(0, 0, 200), RGB(0, 0, 0)};

double msSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v) {
  if (v.empty())
    return 0.0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Short segments and arcs, all inside the window.
void fillShort(view& v) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> x(0, kWidth), y(0, kHeight), len(-60, 60), r(4, 40),
      a(0, vdgeom::kTwoPi);
  for (int i = 0; i < kSegments; ++i) {
    const GcGePoint2d p(x(rng), y(rng));
    v.add_curve(new GcGeLineSeg2d(p, p + GcGeVector2d(len(rng), len(rng))), colour_pair(0, kColours[i % 4]), 1,
                nullptr, 1, static_cast<std::uint64_t>(i), false, false);
  }
  for (int i = 0; i < kArcs; ++i)
    v.add_curve(new GcGeCircArc2d(GcGePoint2d(x(rng), y(rng)), r(rng), a(rng), a(rng)),
                colour_pair(0, kColours[i % 4]), 1, nullptr, 1, static_cast<std::uint64_t>(kSegments + i), false,
                false);
}

// Long segments whose middles lie up to a fifth of the window beyond its
// edges, so that many of them are cut by the window.
void fillLong(view& v) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> x(-0.2 * kWidth, 1.2 * kWidth), y(-0.2 * kHeight, 1.2 * kHeight),
      len(100, 1200), a(0, vdgeom::kTwoPi);
  for (int i = 0; i < kLongSegments; ++i) {
    const GcGePoint2d c(x(rng), y(rng));
    const double l = len(rng), t = a(rng);
    const GcGeVector2d half(0.5 * l * std::cos(t), 0.5 * l * std::sin(t));
    v.add_curve(new GcGeLineSeg2d(c - half, c + half), colour_pair(0, kColours[i % 4]), 1, nullptr, 1,
                static_cast<std::uint64_t>(i), false, false);
  }
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

// The device polylines of the elements the view draws now (those in its
// window), taken from their caches, per pen colour, each as a bare
// PolyPolyline job.
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
    if (v.list_item(1, i)->kind() != 1)
      continue; // the text of the scene that has one
    auto* c = static_cast<curve*>(v.list_item(1, i));
    const buffer_curve* cache = c->cache();
    if (!cache || !c->get_extents(v).overlaps(v.window()))
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

// Best of three pictures drawn the way a window shows them without flicker:
// the back bitmap cleared, the points drawn into it, the bitmap copied to dc.
double drawBufferedFloor(HDC back, HDC dc, const Floor& f, const std::vector<HPEN>& pens) {
  double best = 1e300;
  for (int k = 0; k < 3; ++k) {
    const auto t0 = std::chrono::steady_clock::now();
    const RECT all{0, 0, kWidth, kHeight};
    FillRect(back, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    drawFloorOnce(back, f, pens);
    BitBlt(dc, 0, 0, kWidth, kHeight, back, 0, 0, SRCCOPY);
    GdiFlush();
    best = std::min(best, msSince(t0));
  }
  return best;
}

// One figure: the view's times and its floors, run by run.
struct Figure {
  std::vector<double> view, floor, cleared, buffered;
  void add(double v, double f, double c = 0.0, double b = 0.0) {
    view.push_back(v);
    floor.push_back(f);
    cleared.push_back(c);
    buffered.push_back(b);
  }
};

// The surfaces the floors draw into: the DC the view is bound to, and a back
// bitmap for the floor that draws like a window without flicker.
struct Surfaces {
  HDC target;
  HDC back;
  const std::vector<HPEN>& pens;

  // Adds the view's time t with the three floors of the points it drew.
  void add(Figure& fig, double t, const Floor& points) const {
    fig.add(t, drawFloor(target, points, pens), drawClearedFloor(target, points, pens),
            drawBufferedFloor(back, target, points, pens));
  }
};

// Prints the medians of the view's times and of its floors, the median and
// range of the ratios run by run (each floor from the view's own run), and
// the ratio of the best time to the best floor: on a busy machine the best
// times are the ones least disturbed by other processes. Then the same
// against the floor that clears the bitmap first, when it was measured.
void report(const char* scene, const char* what, const Figure& f, double target) {
  auto ratios = [&](const std::vector<double>& floor) {
    std::vector<double> r;
    for (std::size_t i = 0; i < f.view.size(); ++i)
      r.push_back(f.view[i] / floor[i]);
    std::sort(r.begin(), r.end());
    return r;
  };
  auto best = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
  const std::vector<double> r = ratios(f.floor);
  char targetText[16] = "-";
  if (target > 0)
    std::snprintf(targetText, sizeof targetText, "%.1f", target);
  std::printf("  %-34s %6.2f ms  floor %5.2f ms  ratio %4.2f [%4.2f-%4.2f] best %4.2f  (target %s)\n", what,
              median(f.view), median(f.floor), median(r), r.front(), r.back(), best(f.view) / best(f.floor),
              targetText);
  if (median(f.cleared) > 0.0) {
    const std::vector<double> c = ratios(f.cleared);
    std::printf("  %-34s          floor with clearing %5.2f ms  ratio %4.2f [%4.2f-%4.2f] best %4.2f\n", "",
                median(f.cleared), median(c), c.front(), c.back(), best(f.view) / best(f.cleared));
  }
  if (median(f.buffered) > 0.0) {
    const std::vector<double> b = ratios(f.buffered);
    std::printf("  %-34s  and copying to the DC %5.2f ms  ratio %4.2f [%4.2f-%4.2f] best %4.2f\n", "",
                median(f.buffered), median(b), b.front(), b.back(), best(f.view) / best(f.buffered));
  }
  if (target > 0) {
    // The headline figure: the median ratio to the bare floor, run by run.
    char name[160];
    std::snprintf(name, sizeof name, "preview, %s: %s, to the GDI floor", scene, what);
    vdbench::result(name, median(r), "x", target);
  }
}

// Curves of list 1 that have never been drawn (no cache yet).
std::uint32_t undrawn(view& v) {
  std::uint32_t n = 0;
  for (std::size_t i = 0; i < v.list_size(1); ++i)
    n += v.list_item(1, i)->kind() == 1 && !static_cast<curve*>(v.list_item(1, i))->cache();
  return n;
}

// Curves a repaint regenerated, without those it drew for the first time
// (elements coming into the window): those are the regenerations that
// should not happen.
std::uint32_t regenerated(view& v, std::uint32_t undrawnBefore) {
  return v.statistics().curves_regenerated - (undrawnBefore - undrawn(v));
}

struct Counts {
  std::uint32_t worst = 0;    // most curves regenerated by one repaint (first drawings left out)
  std::uint32_t entered = 0;  // most curves drawn for the first time by one repaint
  std::uint32_t replayed = 0; // repaints drawn from kept points
  std::uint32_t repaints = 0;
  void add(view& v, std::uint32_t undrawnBefore) {
    worst = std::max(worst, regenerated(v, undrawnBefore));
    entered = std::max(entered, undrawnBefore - undrawn(v));
    replayed += v.statistics().lists_replayed;
    ++repaints;
  }
};

struct Scene {
  const char* name;
  const char* tag; // the short name of the figures in the benchmark table
  std::function<void(view&)> fill;
  bool breakdown; // print the tessellation time, calls per batch and the snap query
};

// The best of three pans back and forth by (dx, dy) pixels, each painted in
// full and counted.
double timedPans(view& v, double dx, double dy, Counts& counts) {
  double best = 1e300;
  for (int k = 0; k < 3; ++k) {
    v.pan(k % 2 ? -dx : dx, k % 2 ? -dy : dy);
    const std::uint32_t before = undrawn(v);
    const auto t0 = std::chrono::steady_clock::now();
    paintAll(v);
    best = std::min(best, msSince(t0));
    counts.add(v, before);
  }
  return best;
}

void runScene(const Scene& scene, ui::memory_surface& target, const Surfaces& floors, const std::vector<HPEN>& pens) {
  Figure first, firstNew, pan, farPan, fromCaches, withText, zoomed, snap;
  Counts panCounts, farCounts, cacheCounts, zoomCounts, textCounts;
  std::uint32_t calls = 0, flushes = 0, firstCalls = 0, vertices = 0, farCalls = 0;
  std::uint32_t zoomRegen[2] = {0, 0};
  for (int run = 0; run < kRuns; ++run) {
    {
      // A view whose back buffer has to be made: no kept bitmap to take.
      release_back_buffers();
      view n;
      n.bind_dc(target.dc());
      scene.fill(n);
      setWindow(n);
      const auto t0 = std::chrono::steady_clock::now();
      paintAll(n);
      const double t = msSince(t0);
      // Its floor: the same points into a bitmap made just now, cleared
      // like the view's back buffer.
      const Floor points = collectFloor(n);
      const auto t1 = std::chrono::steady_clock::now();
      ui::memory_surface fresh;
      fresh.create(nullptr, kWidth, kHeight);
      const RECT all{0, 0, kWidth, kHeight};
      FillRect(fresh.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      const double made = msSince(t1);
      firstNew.add(t, made + drawFloorOnce(fresh.dc(), points, pens));
    } // the view's bitmap goes on the shelf for the next one
    view v;
    v.bind_dc(target.dc());
    scene.fill(v);
    setWindow(v);
    auto t0 = std::chrono::steady_clock::now();
    firstCalls = static_cast<std::uint32_t>(paintAll(v));
    const double firstTime = msSince(t0);
    calls = v.statistics().polyline_calls;
    flushes = v.statistics().flushes;
    vertices = v.statistics().vertices_painted;
    {
      const Floor points = collectFloor(v);
      floors.add(first, firstTime, points);
    }

    // Pans by whole pixels back and forth, all inside the regeneration window.
    floors.add(pan, timedPans(v, 37, -23, panCounts), collectFloor(v));
    // Pans by three quarters of the bitmap's width and back: too little of
    // the old picture is left to move it, so every kept point is drawn again.
    double best = 1e300;
    for (int k = 0; k < 4; ++k) {
      v.pan(k % 2 ? -kWidth * 3 / 4 : kWidth * 3 / 4, 0);
      const std::uint32_t before = undrawn(v);
      t0 = std::chrono::steady_clock::now();
      paintAll(v);
      const double t = msSince(t0);
      farCounts.add(v, before);
      farCalls = v.statistics().polyline_calls;
      if (k % 2)
        best = std::min(best, t); // back at the first window
    }
    floors.add(farPan, best, collectFloor(v));

    // Pans by half a pixel there and back, which the kept points cannot follow.
    floors.add(fromCaches, timedPans(v, 37.5, -23.5, cacheCounts), collectFloor(v));

    // Zooms out by 1.2 and back, and by 1.4 and back, from the caches; the
    // repaint after the zoom out by 1.2 is timed.
    const double out[] = {1.2, 1.4};
    for (int z = 0; z < 2; ++z) {
      const double f = (out[z] - 1.0) / 2.0; // each corner moves by f times the diagonal
      v.zoom(f);
      std::uint32_t before = undrawn(v);
      t0 = std::chrono::steady_clock::now();
      paintAll(v);
      const double t = msSince(t0);
      zoomRegen[z] = std::max(zoomRegen[z], regenerated(v, before));
      zoomCounts.add(v, before);
      if (z == 0) {
        const Floor points = collectFloor(v);
        floors.add(zoomed, t, points);
      }
      setWindow(v);
      before = undrawn(v);
      paintAll(v);
      zoomRegen[z] = std::max(zoomRegen[z], regenerated(v, before));
    }

    if (run == 0 && scene.breakdown) {
      // Tessellation alone, for the breakdown of the first picture.
      regen_context ctx = v.regen_ctx();
      std::vector<buffer_curve> caches(v.list_size(1));
      t0 = std::chrono::steady_clock::now();
      for (std::size_t i = 0; i < v.list_size(1); ++i)
        refresh_curve_cache(caches[i],
                            static_cast<const GcGeCurve2d&>(static_cast<curve*>(v.list_item(1, i))->geometry()), ctx);
      std::printf("  tessellation of the whole list alone: %.2f ms\n", msSince(t0));
    }
    if (scene.breakdown) {
      const extents pick(GcGePoint2d(630, 500), GcGePoint2d(650, 520));
      t0 = std::chrono::steady_clock::now();
      v.snap_query(0x3FF | snap_no_timer, pick, nullptr, false, nullptr, nullptr);
      snap.add(msSince(t0), 1.0);
    }
    {
      // The list with one text cannot be kept as points: every pan is
      // painted in full from the caches, the text drawn straight into the
      // stage. Timed like the pans by half a pixel.
      view t;
      t.bind_dc(target.dc());
      scene.fill(t);
      t.add_text(GcGePoint2d(100, 100), GcGeVector2d::kXAxis, u"Kóta", 12.0, colour_pair(0, kColours[3]), 0, 0,
                 1u << 30, false, 0, text_style{});
      setWindow(t);
      paintAll(t);
      floors.add(withText, timedPans(t, 37, -23, textCounts), collectFloor(t));
    }
  }
  std::printf("%s, %d x %d, medians of %d runs\n", scene.name, kWidth, kHeight, kRuns);
  report(scene.tag, "first picture, new back buffer", firstNew, 2.0);
  report(scene.tag, "first picture, kept back buffer", first, 2.0);
  {
    // The two first pictures against each other, run by run: the floors
    // above differ (the new buffer's makes a bitmap, about a third of it),
    // so their ratios do not compare; the times do.
    std::vector<double> keptOverNew;
    for (std::size_t i = 0; i < first.view.size(); ++i)
      keptOverNew.push_back(first.view[i] / firstNew.view[i]);
    std::sort(keptOverNew.begin(), keptOverNew.end());
    std::printf("  %-34s %6.2f ms against %5.2f ms  ratio %4.2f [%4.2f-%4.2f]  (target 1.0)\n",
                "first picture, kept over new buffer", median(first.view), median(firstNew.view), median(keptOverNew),
                keptOverNew.front(), keptOverNew.back());
    char name[160];
    std::snprintf(name, sizeof name, "preview, %s: first picture, kept back buffer over a new one", scene.tag);
    vdbench::result(name, median(keptOverNew), "x", 1.0);
  }
  report(scene.tag, "pan repaint (kept picture moved)", pan, 1.3);
  report(scene.tag, "far pan repaint (kept points)", farPan, 0);
  report(scene.tag, "repaint from the caches (0.5 px)", fromCaches, 1.3);
  report(scene.tag, "pan repaint of the list with a text", withText, 1.3);
  report(scene.tag, "repaint after a zoom out by 1.2", zoomed, 0);
  std::printf("  paint calls for the first picture %u; far pan: %u polyline calls\n", firstCalls, farCalls);
  std::printf("  curves regenerated (must be 0): pans %u, far pans %u, pans by half a pixel %u, zooms out by 1.2 "
              "and back %u, by 1.4 and back %u, pans of the list with a text %u\n",
              panCounts.worst, farCounts.worst, cacheCounts.worst, zoomRegen[0], zoomRegen[1], textCounts.worst);
  std::printf("  curves coming into the window, drawn for the first time: at most %u a pan, %u a far pan, %u a "
              "zoom out\n",
              std::max({panCounts.entered, cacheCounts.entered, textCounts.entered}), farCounts.entered, zoomCounts.entered);
  std::printf("  repaints drawn from kept points: pans %u of %u, far pans %u of %u, from the caches %u of %u\n",
              panCounts.replayed, panCounts.repaints, farCounts.replayed, farCounts.repaints, cacheCounts.replayed,
              cacheCounts.repaints);
  std::printf("  GDI polyline calls %u in %u batches: %.2f per batch, %u vertices\n", calls, flushes,
              flushes ? static_cast<double>(calls) / flushes : 0.0, vertices);
  if (scene.breakdown) {
    std::printf("  snap query %7.2f ms  (target 5)\n", median(snap.view));
    char name[120];
    std::snprintf(name, sizeof name, "preview, %s: snap query over the whole list", scene.tag);
    vdbench::result(name, median(snap.view), "ms", 5.0);
  }
}

} // namespace

int main() {
  ui::memory_surface target;
  if (!target.create(nullptr, kWidth, kHeight)) {
    std::fprintf(stderr, "no memory DC\n");
    return 1;
  }
  std::vector<ui::unique_hpen> ownedPens;
  std::vector<HPEN> pens;
  for (COLORREF c : kColours) {
    ownedPens.emplace_back(CreatePen(PS_SOLID, 0, c));
    pens.push_back(ownedPens.back().get());
  }
  std::printf("preview_bench: every figure beside its floor from the same run (best of 3 within a run)\n");
  ui::memory_surface back;
  if (!back.create(nullptr, kWidth, kHeight)) {
    std::fprintf(stderr, "no memory DC\n");
    return 1;
  }
  const Surfaces floors{target.dc(), back.dc(), pens};
  runScene({"10,000 segments + 1,000 arcs", "10k segments + 1k arcs", fillShort, true}, target, floors, pens);
  runScene({"10,000 segments of 100 to 1,200 pixels, many leaving the window", "10k long segments", fillLong, false},
           target, floors, pens);
  {
    // What every full repaint adds to the floor: clearing the back buffer and
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
    std::printf("back buffer: clear %.2f ms, copy to the DC %.2f ms\n", fillBest, copyBest);
  }
  return 0;
}
