// HeightDimUpdate on drawings with 1,000 and 10,000 height-dimension marks
// (on 100 bases), and on one of 100,000 entities with 1,000 marks, through
// the headless host in the same process: the walk,
// the load of the bases, the rebuild of every mark into one batch and the
// erase of the old ones. Linear when the time per mark stays flat.
//
// With DXF files as arguments (bench/hnote_update_vdhost.py makes them) it
// runs the update on each of those drawings instead, loaded as vdhost loads
// them: the same drawings as the vdhost benchmark, for a profiler on the
// native build.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_result.h"
#include "heightdim/regen.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "res/string_ids.h"
#include "tests/heightdim/mark_drawing.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

vd::vstring idOf(int n) {
  char text[32];
  int length = std::snprintf(text, sizeof text, "M%d", n);
  return vd::vstring(text, text + length);
}

// The attribute prompts the builder asks for.
bool texts(int id, vd::vstring& out) {
  switch (id) {
    case IDS_ATTR_HEIGHT: out = u"Výška"; return true;
    case IDS_ATTR_LABEL: out = u"Označení"; return true;
    case IDS_ATTR_ROUNDING: out = u"Zaokrouhlení"; return true;
    default: return false;
  }
}

bool makeDrawing(int marks) {
  hostsim::Host& host = hostsim::Host::instance();
  host.reset();
  host.stringSource = &texts;
  constexpr int kBases = 100;
  std::vector<hnotetest::Mark> all;
  all.reserve(static_cast<size_t>(marks));
  for (int i = 0; i < marks; ++i) {
    hnotetest::Mark m;
    const int base = i % kBases;
    m.id = idOf(i);
    m.baseId = i < kBases ? vd::vstring() : idOf(base);
    m.x = base * 10.0;
    m.y = (i / kBases) * 100.0;
    m.text1 = u"+1.500";
    all.push_back(std::move(m));
  }
  if (!hnotetest::writeMarks(all)) return false;
  for (int b = 0; b < kBases; ++b) {
    if (!hnotetest::writeEntry(idOf(b), hnotetest::baseEntry(0, 0, b * 10.0, 0, 0, 1500, 0))) return false;
  }
  return hnotetest::writeEntry(u"Current", hnotetest::currentEntry(u"M0"));
}

int updateDrawings(int count, char** files) {
  std::printf("%-40s %12s %12s\n", "drawing", "update", "marks");
  for (int i = 0; i < count; ++i) {
    hostsim::Host& host = hostsim::Host::instance();
    host.reset();
    host.stringSource = &texts;
    std::string error;
    if (!host.loadDrawing(files[i], error)) {
      std::fprintf(stderr, "hnote_update_bench: %s\n", error.c_str());
      return 1;
    }
    auto t = std::chrono::steady_clock::now();
    const int rebuilt = vd::updateHeightDims(u"");
    std::printf("%-40s %10.1f ms %12d\n", files[i], secondsSince(t) * 1e3, rebuilt);
    if (rebuilt <= 0) return 1;
  }
  vd::unbindHost();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!vd::bindHost(nullptr, &hostsim::resolveExport, nullptr)) {
    std::fprintf(stderr, "hnote_update_bench: the host did not bind\n");
    return 1;
  }
  if (argc > 1) return updateDrawings(argc - 1, argv + 1);
  std::printf("%8s %9s %12s %12s %12s %8s\n", "marks", "entities", "drawing made", "update", "per mark", "spread");
  struct Drawing {
    int marks;
    size_t entities;  // lines up to this many entities
  };
  for (const Drawing& drawing : {Drawing{1000, 0}, Drawing{10000, 0}, Drawing{1000, 100000}}) {
    const int marks = drawing.marks;
    bool failed = false;
    double making = 0;
    size_t entities = 0;
    // Each run on a drawing made anew: the update rebuilds every mark.
    const vdbench::Runs runs = vdbench::repeat(3, [&] {
      auto made = std::chrono::steady_clock::now();
      if (!makeDrawing(marks) || !hnotetest::fillWithLines(drawing.entities)) {
        std::fprintf(stderr, "hnote_update_bench: the drawing of %d marks was refused\n", marks);
        failed = true;
        return 0.0;
      }
      making = secondsSince(made);
      entities = hostsim::Host::instance().drawing().allEntities().size();
      auto t = std::chrono::steady_clock::now();
      const int rebuilt = vd::updateHeightDims(u"");
      const double update = secondsSince(t);
      if (rebuilt != marks) {
        std::fprintf(stderr, "hnote_update_bench: %d of %d marks rebuilt\n", rebuilt, marks);
        failed = true;
      }
      return update * 1e3;
    });
    if (failed) return 1;
    std::printf("%8d %9zu %10.1f ms %10.1f ms %9.2f us %8.3f\n", marks, entities, making * 1e3, runs.best(),
                runs.best() / marks * 1e3, runs.spread());
    // The same bound as the command's in vdhost (bench/hnote_update_vdhost.py),
    // and a second for the marks of a large drawing.
    if (marks == 10000) vdbench::result("HeightDimUpdate in process, 10,000 marks on 100 bases", runs, "ms", 2000);
    if (drawing.entities == 100000)
      vdbench::result("HeightDimUpdate in process, 1,000 marks in 100,000 entities", runs, "ms", 1000);
  }
  vd::unbindHost();
  return 0;
}
