// Building 10,000 height-dimension marks into the host's binary buffers in one
// batch and flushing it: marks per second for the build and for the flush, the
// way a drawing full of elevation marks is made or regenerated.
#include <chrono>
#include <cstdio>

#include "heightdim/builder.h"
#include "host/host_api.h"
#include "hostsim/host.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

int main() {
  constexpr int kMarks = 10000;
  hostsim::Host& host = hostsim::Host::instance();
  host.reset();
  if (!vd::bindHost(nullptr, hostsim::resolveExport, nullptr)) {
    std::fprintf(stderr, "heightdim_bench: the host did not bind\n");
    return 1;
  }
  // A mix as drawings have it: mostly ČSN marks, some DIN and plan-view marks.
  vd::HNoteData records[4];
  for (int t = 0; t < 4; ++t) {
    vd::hnoteDefaults(records[t], t);
    records[t].valueText = u"+12.345";
    records[t].valueText2 = u"A1";
    records[t].layer = u"KOTY";
    records[t].layerText = u"KOTY";
  }

  if (vd::hostCallOr<&vd::HostApi::Header_bin>(0) != vd::kRtNorm) return 1;
  auto t = std::chrono::steady_clock::now();
  int built = 0;
  for (int i = 0; i < kMarks; ++i) {
    const int type = i % 10 < 7 ? 0 : i % 10 < 9 ? 1 + i % 2 : 3;
    vd::HNoteData r = records[type];
    r.arrowIndex = i % 6;
    r.insertPoint = {double(i % 100) * 40.0, double(i / 100) * 40.0};
    if (vd::buildHNote(r, nullptr, true, false, GcGePoint2d())) ++built;
  }
  const double buildSeconds = secondsSince(t);
  t = std::chrono::steady_clock::now();
  const int flushed = vd::hostCallOr<&vd::HostApi::Flush_bin>(0, 1);
  const double flushSeconds = secondsSince(t);
  const size_t entities = host.drawing().allEntities().size();
  const size_t blocks = host.drawing().blocks().size();
  vd::unbindHost();

  if (built != kMarks || flushed != vd::kRtNorm || blocks != static_cast<size_t>(kMarks)) {
    std::fprintf(stderr, "heightdim_bench: built %d of %d marks, %zu blocks, flush %d\n", built, kMarks, blocks,
                 flushed);
    return 1;
  }
  std::printf("build %d marks into the buffers: %.3f s, %.0f marks/s\n", kMarks, buildSeconds, kMarks / buildSeconds);
  std::printf("flush %zu entities and %zu blocks: %.3f s, %.0f marks/s\n", entities, blocks, flushSeconds,
              kMarks / flushSeconds);
  return 0;
}
