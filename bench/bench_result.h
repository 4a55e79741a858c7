// The line a benchmark prints for each of its headline figures, besides its
// own table, so that `./vd bench` can gather every figure of the run into one
// table (bench/collect_results.py reads these lines):
//   bench-result: NAME VALUE UNIT target TARGET UNIT [runs N spread S]
// Every figure is one where less is better (a time, or a time over its floor
// as "x"); it meets its target when VALUE is at most TARGET.
//
// An absolute time moves from run to run with what the machine does besides
// (other processes) and with the allocator: glibc gives freed memory back to
// the system, and the next run pays a page fault for each page it touches
// anew. On the build machine (a virtual one) that is about 15 us a page:
// 15,000 faults made one round of chain_bench 345 ms where one on kept pages
// takes 100 ms. Such a figure is therefore the best of several runs after a
// warm-up run, with freed memory kept in the process (`repeat`), and the
// spread (the worst run over the best) is printed with it.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vdbench {

// Freed memory stays in the process for the next run, as in a host that has
// been running a while.
inline void keepFreedMemory() {
#if defined(__GLIBC__)
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
#endif
}

inline void result(const char* name, double value, const char* unit, double target) {
  std::printf("bench-result: %s %.4g %s target %g %s\n", name, value, unit, target, unit);
  std::fflush(stdout);
}

// The figures of repeated runs of one measurement.
struct Runs {
  std::vector<double> figures;
  double best() const { return *std::min_element(figures.begin(), figures.end()); }
  double worst() const { return *std::max_element(figures.begin(), figures.end()); }
  double spread() const { return best() > 0 ? worst() / best() : 1.0; }
};

// Calls `once` (which returns its figure) first as a warm-up, unmeasured,
// then `runs` times, with freed memory kept between them.
template <class Once>
Runs repeat(int runs, Once once) {
  keepFreedMemory();
  once();
  Runs r;
  for (int i = 0; i < runs; ++i) r.figures.push_back(once());
  return r;
}

// The best of the runs, with their number and spread.
inline void result(const char* name, const Runs& runs, const char* unit, double target) {
  std::printf("bench-result: %s %.4g %s target %g %s runs %zu spread %.3f\n", name, runs.best(), unit, target, unit,
              runs.figures.size(), runs.spread());
  std::fflush(stdout);
}

inline double secondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace vdbench
