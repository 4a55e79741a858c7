// Placing section-view marks with the HeightDim pass loop through the
// headless host: one run that makes a base and then places 200 marks, on
// drawings that already hold 0 to 10,000 marks. Every pass reads the
// settings and the bases anew (the drawing's marks are walked once per
// pass), so the time per mark grows with the drawing; the figures show by
// how much.
#include <chrono>
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

double secondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

vd::vstring idOf(int n) {
  const std::string s = "OLD" + std::to_string(n);
  return vd::vstring(s.begin(), s.end());
}

// `marks` marks measured from one base that the dictionary keeps as current.
bool makeDrawing(int marks) {
  hostsim::Host::instance().reset();
  if (marks == 0) return true;
  std::vector<hnotetest::Mark> all(static_cast<size_t>(marks));
  for (int i = 0; i < marks; ++i) {
    all[i].id = idOf(i);
    all[i].baseId = i == 0 ? vd::vstring() : idOf(0);
    all[i].x = (i % 100) * 10.0;
    all[i].y = (i / 100) * 10.0;
    all[i].text1 = u"+1.500";
  }
  return hnotetest::writeMarks(all) && hnotetest::writeEntry(idOf(0), hnotetest::baseEntry(0, 0, 0, 0, 0, 1500, 0)) &&
         hnotetest::writeEntry(u"Current", hnotetest::currentEntry(idOf(0)));
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
  std::printf("%10s %8s %12s %14s\n", "drawing", "placed", "seconds", "ms per mark");
  for (int existing : {0, 1000, 5000, 10000}) {
    if (!makeDrawing(existing)) {
      std::fprintf(stderr, "hnote_place_bench: the drawing of %d marks was refused\n", existing);
      return 1;
    }
    // An empty drawing gets its base first; then the marks, then a cancel.
    const int bases = existing == 0 ? 1 : 0;
    if (bases) {
      queue(hostsim::Answer::Kind::Point, 5000, 0);
      queue(hostsim::Answer::Kind::Real, 1000);
    }
    for (int i = 0; i < kPlaced; ++i) queue(hostsim::Answer::Kind::Point, 5000 + (i % 20) * 50.0, (i / 20) * 300.0 - 1500);
    queue(hostsim::Answer::Kind::Cancel);
    vd::heightdim::PlaceArgs args;
    const auto t = std::chrono::steady_clock::now();
    const vd::PlaceOutcome out = vd::placeHeightDims(args, vd::utf8ToUtf16(ini), {});
    const double s = secondsSince(t);
    if (out.placed != kPlaced + bases || out.failed) {
      std::fprintf(stderr, "hnote_place_bench: %d marks placed of %d (%s)\n", out.placed, kPlaced + bases,
                   out.failed ? "failed" : "ended");
      return 1;
    }
    std::printf("%10d %8d %12.3f %14.3f\n", existing, out.placed, s, s * 1000 / out.placed);
    // A mark placed by a click answers before the next click: 100 ms a mark
    // on a drawing that already holds 10,000.
    if (existing == 10000)
      vdbench::result("HeightDim: one mark placed on a drawing of 10,000", s * 1000 / out.placed, "ms", 100);
  }
  std::filesystem::remove_all(dir);
  return 0;
}
