// Placing section-view marks with the HeightDim pass loop through the
// headless host: one run that places 200 marks (after making its base on an
// empty drawing), on drawings of 0, 10,000 and 100,000 entities, one in a
// hundred of them a mark's. The first pass reads the bases from the drawing
// and walks its marks; the later ones keep what it read, so the time of a
// mark after the first should not grow with the drawing. The first one's
// is shown beside it: a walk of the drawing by the host.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_result.h"
#include "heightdim/place.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "tests/heightdim/mark_drawing.h"

namespace {

vd::vstring idOf(int n) {
  const std::string s = "OLD" + std::to_string(n);
  return vd::vstring(s.begin(), s.end());
}

// A drawing of about `entities` entities: a mark (its reference, three
// attributes and the end of their sequence) for every hundred, measured from
// one base that the dictionary keeps as current, and lines for the rest.
bool makeDrawing(int entities) {
  hostsim::Host::instance().reset();
  if (entities == 0) return true;
  const int marks = entities / 100;
  std::vector<hnotetest::Mark> all(static_cast<size_t>(marks));
  for (int i = 0; i < marks; ++i) {
    all[i].id = idOf(i);
    all[i].baseId = i == 0 ? vd::vstring() : idOf(0);
    all[i].x = (i % 100) * 10.0;
    all[i].y = (i / 100) * 10.0;
    all[i].text1 = u"+1.500";
  }
  return hnotetest::writeMarks(all) && hnotetest::writeEntry(idOf(0), hnotetest::baseEntry(0, 0, 0, 0, 0, 1500, 0)) &&
         hnotetest::writeEntry(u"Current", hnotetest::currentEntry(idOf(0))) &&
         hnotetest::fillWithLines(static_cast<size_t>(entities));
}

void queue(hostsim::Answer::Kind kind, double x = 0, double y = 0) {
  hostsim::Answer a;
  a.kind = kind;
  a.point[0] = a.real = x;
  a.point[1] = y;
  hostsim::Host::instance().queueAnswer(a);
}

}  // namespace

int main() {
  if (!vd::bindHost(nullptr, &hostsim::resolveExport, nullptr)) {
    std::fprintf(stderr, "hnote_place_bench: the host did not bind\n");
    return 1;
  }
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "hnote_place_bench";
  std::filesystem::create_directories(dir);
  const std::string ini = (dir / "hnoteData.ini").string();
  constexpr int kPlaced = 200;
  std::printf("%10s %8s %14s %14s %8s\n", "entities", "placed", "ms per mark", "first mark", "spread");
  // The end of each pass that kept its bases for the next one.
  std::vector<std::chrono::steady_clock::time_point> kept;
  vd::setHNoteKeptBasesCheck([&](const vd::HNoteBases&) { kept.push_back(std::chrono::steady_clock::now()); });
  double empty = 0;
  for (int entities : {0, 10000, 100000}) {
    bool failed = false;
    size_t count = 0;
    double first = 0;
    const vdbench::Runs runs = vdbench::repeat(5, [&] {
      if (!makeDrawing(entities)) {
        std::fprintf(stderr, "hnote_place_bench: the drawing of %d entities was refused\n", entities);
        failed = true;
        return 0.0;
      }
      count = hostsim::Host::instance().drawing().allEntities().size();
      // An empty drawing gets its base first; then the marks, then a cancel.
      const int bases = entities == 0 ? 1 : 0;
      if (bases) {
        queue(hostsim::Answer::Kind::Point, 5000, 0);
        queue(hostsim::Answer::Kind::Real, 1000);
      }
      for (int i = 0; i < kPlaced; ++i)
        queue(hostsim::Answer::Kind::Point, 5000 + (i % 20) * 50.0, (i / 20) * 300.0 - 1500);
      queue(hostsim::Answer::Kind::Cancel);
      vd::heightdim::PlaceArgs args;
      kept.clear();
      const auto t = std::chrono::steady_clock::now();
      const vd::PlaceOutcome out = vd::placeHeightDims(args, vd::utf8ToUtf16(ini), {});
      // From the first pass that kept its bases to the last (the cancel):
      // the marks between.
      if (out.placed != kPlaced + bases || out.failed || kept.size() < 3) {
        std::fprintf(stderr, "hnote_place_bench: %d marks placed of %d (%s), %zu passes kept their bases\n",
                     out.placed, kPlaced + bases, out.failed ? "failed" : "ended", kept.size());
        failed = true;
        return 0.0;
      }
      first = std::chrono::duration<double>(kept.front() - t).count() * 1e3;
      return std::chrono::duration<double>(kept.back() - kept.front()).count() * 1e3 / double(kept.size() - 2);
    });
    if (failed) return 1;
    std::printf("%10zu %8d %14.3f %14.3f %8.3f\n", count, kPlaced, runs.best(), first, runs.spread());
    // A mark placed by a click answers before the next click, on a drawing
    // of any size: 10 ms, and not half as much again as on an empty one.
    const std::string name = "HeightDim: one mark placed on a drawing of " +
                             std::string(entities == 0 ? "0" : entities == 10000 ? "10,000" : "100,000") + " entities";
    vdbench::result(name.c_str(), runs, "ms", 10);
    if (entities == 0) empty = runs.best();
    if (entities == 100000) {
      vdbench::result("HeightDim: one mark on 100,000 entities over an empty drawing", runs.best() / empty, "x", 1.5);
      // The first pass reads the bases: the first load of a command.
      vdbench::result("HeightDim: the first mark of a command on 100,000 entities", first, "ms", 1000);
    }
  }
  vd::setHNoteKeptBasesCheck(nullptr);
  std::filesystem::remove_all(dir);
  return 0;
}
