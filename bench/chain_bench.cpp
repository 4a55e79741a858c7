// Build, copy and release of one million value nodes: nodes per second for
// each step, the way an editing command moves entity data in bulk.
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/bench_result.h"
#include "host/value_chain.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

int main() {
  constexpr int kNodesPerChain = 10;  // a typical small entity: type, handle, layer, points, reals, xdata
  constexpr int kChains = 100000;
  constexpr double kNodes = double(kNodesPerChain) * kChains;
  const double a[3] = {1, 2, 0}, b[3] = {3, 4, 0};
  std::vector<vd::ValueNode*> built(kChains), copies(kChains);

  auto t = std::chrono::steady_clock::now();
  for (int i = 0; i < kChains; ++i) {
    built[i] = vd::buildValueChain(0, 0, u"LINE", 5, u"1F", 8, u"WALLS", 62, 3, 10, a, 11, b, 39, 0.5, -3, 1001,
                                   u"VDAPP", 1070, i & 0x7FFF, -9);
  }
  double buildSeconds = secondsSince(t);

  t = std::chrono::steady_clock::now();
  for (int i = 0; i < kChains; ++i) copies[i] = vd::copyValueChain(built[i], false);
  double copySeconds = secondsSince(t);

  long nodes = 0;
  for (int i = 0; i < kChains; ++i) nodes += vd::chainLength(copies[i]);

  t = std::chrono::steady_clock::now();
  for (int i = 0; i < kChains; ++i) {
    vd::releaseValueChain(built[i], false);
    vd::releaseValueChain(copies[i], false);
  }
  double releaseSeconds = secondsSince(t);

  if (nodes != static_cast<long>(kNodes)) {
    std::fprintf(stderr, "chain_bench: expected %.0f nodes, copied %ld\n", kNodes, nodes);
    return 1;
  }
  std::printf("build   %.0f nodes in %.3f s: %.2f M nodes/s\n", kNodes, buildSeconds, kNodes / buildSeconds / 1e6);
  std::printf("copy    %.0f nodes in %.3f s: %.2f M nodes/s\n", kNodes, copySeconds, kNodes / copySeconds / 1e6);
  std::printf("release %.0f nodes in %.3f s: %.2f M nodes/s\n", 2 * kNodes, releaseSeconds,
              2 * kNodes / releaseSeconds / 1e6);
  double total = buildSeconds + copySeconds + releaseSeconds;
  std::printf("build+copy+release of %.0f nodes: %.3f s, %.2f M nodes/s\n", kNodes, total, kNodes / total / 1e6);
  // Five million nodes a second through all three steps, about an allocation
  // and a fill each: moving entity data stays a small part of a command.
  vdbench::result("value chains: build + copy + release, per node", total / kNodes * 1e9, "ns", 200);
  return 0;
}
