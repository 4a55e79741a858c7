// Building 10,000 height-dimension marks into the host's binary buffers in one
// batch, flushing it, and loading the bases of the drawing that results:
// marks per second for each step, the way a drawing full of elevation marks
// is made, regenerated and opened by the next command.
#include <chrono>
#include <cstdio>

#include "bench/bench_result.h"
#include "heightdim/bases.h"
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

  // One base that every section-view mark measures from, current for new marks.
  vd::HNoteBases bases;
  vd::HNoteBase base;
  base.id = u"0A1B2C3D-0000-4000-8000-00AABBCCDDEE";
  if (!bases.store(base) || !bases.setCurrent(base.id)) {
    std::fprintf(stderr, "heightdim_bench: the base was not stored\n");
    return 1;
  }
  for (vd::HNoteData& r : records) r.baseId = base.id;

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

  const vd::HNoteDataSet settings;
  vd::HNoteBases loaded;
  t = std::chrono::steady_clock::now();
  const bool loadedOk = loaded.load(settings);
  const double loadSeconds = secondsSince(t);
  const vd::HNoteBase* found = loaded.find(base.id);
  const size_t dependants = found ? found->dimensions.size() : 0;
  vd::unbindHost();

  if (built != kMarks || flushed != vd::kRtNorm || blocks != static_cast<size_t>(kMarks)) {
    std::fprintf(stderr, "heightdim_bench: built %d of %d marks, %zu blocks, flush %d\n", built, kMarks, blocks,
                 flushed);
    return 1;
  }
  if (!loadedOk || dependants != static_cast<size_t>(kMarks / 10 * 9)) {
    std::fprintf(stderr, "heightdim_bench: loading found %zu marks on the base\n", dependants);
    return 1;
  }
  std::printf("build %d marks into the buffers: %.3f s, %.0f marks/s\n", kMarks, buildSeconds, kMarks / buildSeconds);
  std::printf("flush %zu entities and %zu blocks: %.3f s, %.0f marks/s\n", entities, blocks, flushSeconds,
              kMarks / flushSeconds);
  std::printf("load the bases: %zu marks on the base, %.3f s, %.0f marks/s\n", dependants, loadSeconds,
              kMarks / loadSeconds);
  // HeightDimUpdate may take 2 s for a drawing of 10,000 marks (as
  // bench/hnote_update_vdhost.py sets it); building them gets half of that.
  vdbench::result("builder: 10,000 marks into one batch", buildSeconds * 1e3, "ms", 1000);
  return 0;
}
