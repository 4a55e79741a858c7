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

using vdbench::secondsSince;
constexpr int kMarks = 10000;

struct Figures {
  double build = 0, flush = 0, load = 0;
  size_t entities = 0, dependants = 0;
};

// One run on a fresh host; false (with a message) when the host refused
// something or the load did not find what was built.
bool runOnce(Figures& f) {
  hostsim::Host& host = hostsim::Host::instance();
  host.reset();
  if (!vd::bindHost(nullptr, hostsim::resolveExport, nullptr)) {
    std::fprintf(stderr, "heightdim_bench: the host did not bind\n");
    return false;
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
    return false;
  }
  for (vd::HNoteData& r : records) r.baseId = base.id;

  if (vd::hostCallOr<&vd::HostApi::Header_bin>(0) != vd::kRtNorm) return false;
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
    return false;
  }
  if (!loadedOk || dependants != static_cast<size_t>(kMarks / 10 * 9)) {
    std::fprintf(stderr, "heightdim_bench: loading found %zu marks on the base\n", dependants);
    return false;
  }
  f = {buildSeconds, flushSeconds, loadSeconds, entities, dependants};
  return true;
}

}  // namespace

int main() {
  Figures f;
  bool failed = false;
  const vdbench::Runs runs = vdbench::repeat(5, [&] {
    failed = failed || !runOnce(f);
    return f.build * 1e3;
  });
  if (failed) return 1;
  std::printf("build %d marks into the buffers: %.3f s, %.0f marks/s (best of %zu, worst %.2fx)\n", kMarks,
              runs.best() / 1e3, kMarks / runs.best() * 1e3, runs.figures.size(), runs.spread());
  std::printf("flush %zu entities and %d blocks: %.3f s, %.0f marks/s\n", f.entities, kMarks, f.flush,
              kMarks / f.flush);
  std::printf("load the bases: %zu marks on the base, %.3f s, %.0f marks/s\n", f.dependants, f.load,
              kMarks / f.load);
  // HeightDimUpdate may take 2 s for a drawing of 10,000 marks (as
  // bench/hnote_update_vdhost.py sets it); building them gets half of that.
  vdbench::result("builder: 10,000 marks into one batch", runs, "ms", 1000);
  return 0;
}
