// The line a benchmark prints for each of its headline figures, besides its
// own table, so that `./vd bench` can gather every figure of the run into one
// table (bench/collect_results.py reads these lines):
//   bench-result: NAME VALUE UNIT target TARGET UNIT
// Every figure is one where less is better (a time, or a time over its floor
// as "x"); it meets its target when VALUE is at most TARGET.
#pragma once

#include <cstdio>

namespace vdbench {

inline void result(const char* name, double value, const char* unit, double target) {
  std::printf("bench-result: %s %.4g %s target %g %s\n", name, value, unit, target, unit);
  std::fflush(stdout);
}

}  // namespace vdbench
