// Loading the bases of drawings with 1,000 to 20,000 height-dimension marks
// through the headless host: the dictionary walk, the drawing walk with each
// mark's attributes, the lookups by identifier and the purge. The time per
// mark stays flat when the load is linear in the drawing's size.
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/bench_result.h"
#include "heightdim/bases.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "tests/heightdim/mark_drawing.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

vd::vstring idOf(const char* kind, int n) {
  char text[32];
  int length = std::snprintf(text, sizeof text, "%s%d", kind, n);
  return vd::vstring(text, text + length);
}

// `marks` marks on 100 bases (each base mark and its dependants), the
// dictionary with the 100 entries, 10 unused ones and "Current".
bool makeDrawing(int marks) {
  hostsim::Host::instance().reset();
  constexpr int kBases = 100;
  std::vector<hnotetest::Mark> all;
  all.reserve(static_cast<size_t>(marks));
  for (int i = 0; i < marks; ++i) {
    hnotetest::Mark m;
    int base = i % kBases;
    m.id = idOf("M", i);
    m.baseId = i < kBases ? vd::vstring() : idOf("M", base);
    m.x = base * 10.0;
    m.y = (i / kBases) * 100.0;
    m.text1 = u"+1.500";
    m.text2 = u"Ozn";
    all.push_back(std::move(m));
  }
  if (!hnotetest::writeMarks(all)) return false;
  for (int b = 0; b < kBases + 10; ++b) {
    if (!hnotetest::writeEntry(idOf("M", b < kBases ? b : marks + b), hnotetest::baseEntry(0, 0, b * 10.0, 0, 0, 1500, 0)))
      return false;
  }
  return hnotetest::writeEntry(u"Current", hnotetest::currentEntry(u"M0"));
}

}  // namespace

int main() {
  if (!vd::bindHost(nullptr, &hostsim::resolveExport, nullptr)) {
    std::fprintf(stderr, "hnote_bases_bench: the host did not bind\n");
    return 1;
  }
  std::printf("%8s %12s %12s %14s %12s %14s\n", "marks", "drawing made", "first load", "per mark", "next loads",
              "per mark");
  for (int marks : {1000, 5000, 10000, 20000}) {
    auto made = std::chrono::steady_clock::now();
    if (!makeDrawing(marks)) {
      std::fprintf(stderr, "hnote_bases_bench: the drawing of %d marks was refused\n", marks);
      return 1;
    }
    double making = secondsSince(made);
    vd::HNoteDataSet settings;
    vd::HNoteBases bases;
    vd::HNoteLoadReport report;
    auto t = std::chrono::steady_clock::now();
    bases.load(settings, &report);  // purges the 10 unused entries: two walks
    double first = secondsSince(t);
    size_t found = 0;
    for (const vd::HNoteBase& b : bases.list()) found += b.dimensions.size();
    if (found != static_cast<size_t>(marks) || report.purged != 10 || bases.list().size() != 100) {
      std::fprintf(stderr, "hnote_bases_bench: %zu marks on %zu bases, %d purged\n", found, bases.list().size(),
                   report.purged);
      return 1;
    }
    constexpr int kRounds = 5;
    t = std::chrono::steady_clock::now();
    for (int r = 0; r < kRounds; ++r) bases.load(settings);
    double next = secondsSince(t) / kRounds;
    std::printf("%8d %10.1f ms %10.1f ms %11.2f us %10.1f ms %11.2f us\n", marks, making * 1e3, first * 1e3,
                first / marks * 1e6, next * 1e3, next / marks * 1e6);
    // Every placing pass and every editing command loads the bases: those of
    // 10,000 marks within a fifth of a second.
    if (marks == 10000) vdbench::result("bases: first load, 10,000 marks on 100 bases", first * 1e3, "ms", 200);
  }
  vd::unbindHost();
  return 0;
}
