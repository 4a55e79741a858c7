// DimAlign on rows of 1,000 and 10,000 rotated dimensions through the
// headless host in the same process: the selections, the copies of the
// walk, the rewrite of every dimension into one batch and the erase of the
// old ones. Linear when the time per dimension stays flat.
//
// With DXF files as arguments (bench/dimalign_vdhost.py makes them) it
// aligns every dimension of each of those drawings onto A00 instead, loaded
// as vdhost loads them, for a profiler on the native build.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "dimtools/dim_align.h"
#include "host/chain.h"
#include "host/host_api.h"
#include "hostsim/host.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// A rotated horizontal dimension from x to x + 10 on the x axis, its line at y.
vd::OwnedChain rotated(double x, double y) {
  vd::ChainBuilder b;
  b.text(0, u"DIMENSION").text(100, u"AcDbEntity").text(8, u"0").text(100, u"AcDbDimension").text(2, u"*D1");
  b.point(10, x + 10, y).point(11, x + 5, y + 1.875).integer(70, 32).integer(71, 5).text(3, u"VD");
  b.text(100, u"AcDbAlignedDimension").point(13, x, 0).point(14, x + 10, 0).real(50, 0);
  b.text(100, u"AcDbRotatedDimension");
  return b.build();
}

// The sample (its line at y = 30) and then `count` dimensions, in one flush.
std::vector<vd::vstring> makeRow(int count) {
  hostsim::Host& host = hostsim::Host::instance();
  host.reset();
  hostsim::Drawing& d = host.drawing();
  d.beginBatch();
  vd::OwnedChain sample = rotated(-20, 30);
  d.addEntity(sample.get());
  for (int i = 0; i < count; ++i) {
    vd::OwnedChain dim = rotated(10.0 * i, 5 + i % 7);
    d.addEntity(dim.get());
  }
  d.flush();
  return d.lastMade();
}

hostsim::Answer pick(std::vector<vd::vstring> handles) {
  hostsim::Answer a;
  a.kind = hostsim::Answer::Kind::Pick;
  a.handles = std::move(handles);
  return a;
}

// Aligns everything onto the first handle; the number of dimensions written.
size_t align(const std::vector<vd::vstring>& handles) {
  hostsim::Host& host = hostsim::Host::instance();
  host.queueAnswer(pick({handles.front()}));
  host.queueAnswer(pick(handles));
  if (vd::dim::runDimAlign() != 1) return 0;
  // The sample is among the handles: rewritten onto itself, its handle is gone.
  return host.drawing().findEntity(handles.front()) ? 0 : host.drawing().lastMade().size();
}

int alignDrawings(int count, char** files) {
  std::printf("%-40s %12s %12s\n", "drawing", "DimAlign", "written");
  for (int i = 0; i < count; ++i) {
    hostsim::Host& host = hostsim::Host::instance();
    host.reset();
    std::string error;
    if (!host.loadDrawing(files[i], error)) {
      std::fprintf(stderr, "dimalign_bench: %s\n", error.c_str());
      return 1;
    }
    std::vector<vd::vstring> handles{u"A00"};
    for (const hostsim::Entity* e : host.drawing().entities()) {
      if (e->view().isType(u"DIMENSION") && e->view().handle() != u"A00") handles.emplace_back(e->view().handle());
    }
    auto t = std::chrono::steady_clock::now();
    const size_t written = align(handles);
    std::printf("%-40s %10.1f ms %12zu\n", files[i], secondsSince(t) * 1e3, written);
    if (written == 0) return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!vd::bindHost(nullptr, &hostsim::resolveExport, nullptr)) {
    std::fprintf(stderr, "dimalign_bench: the host did not bind\n");
    return 1;
  }
  int status = 0;
  if (argc > 1) {
    status = alignDrawings(argc - 1, argv + 1);
  } else {
    std::printf("%10s %12s %12s\n", "dimensions", "DimAlign", "per one");
    for (int count : {1000, 10000}) {
      const std::vector<vd::vstring> handles = makeRow(count);
      auto t = std::chrono::steady_clock::now();
      const size_t written = align(handles);
      const double seconds = secondsSince(t);
      if (written != static_cast<size_t>(count) + 1) {
        std::fprintf(stderr, "dimalign_bench: %zu of %d dimensions written\n", written, count + 1);
        status = 1;
        break;
      }
      std::printf("%10d %10.1f ms %9.2f us\n", count, seconds * 1e3, seconds / count * 1e6);
    }
  }
  vd::unbindHost();
  return status;
}
