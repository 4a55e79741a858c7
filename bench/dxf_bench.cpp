// Loading and saving a large DXF file through the headless host: time and the
// process's peak memory, as a multiple of the file's size.
//
// The file is generated here (R2000, about 310 bytes an entity, coordinates of
// survey size with full precision: lines, light-weight polylines, arcs,
// circles, texts and block references with an attribute) and written as it is
// made, so that making it does not raise the peak that is measured.
//
//   dxf_bench [--keep] [ENTITIES]   (180000 by default: a file of about 56 MB,
//                                    made in the temporary directory; --keep
//                                    leaves the source and saved files there)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include "bench/bench_result.h"
#include "hostsim/host.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// Highest resident set of the process so far, in bytes.
double peakResidentBytes() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc)) return 0;
  return static_cast<double>(pmc.PeakWorkingSetSize);
#else
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) * 1024.0;  // kilobytes on Linux
#endif
}

double fileBytes(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  std::fseek(f, 0, SEEK_END);
  long size = std::ftell(f);
  std::fclose(f);
  return static_cast<double>(size);
}

class Generator {
 public:
  explicit Generator(std::FILE* f) : f_(f) {}

  void tag(int code, const char* value) { std::fprintf(f_, "%3d\n%s\n", code, value); }
  void tag(int code, double value) { std::fprintf(f_, "%3d\n%.10f\n", code, value); }
  void tag(int code, long value) { std::fprintf(f_, "%3d\n%ld\n", code, value); }
  void point(int code, double x, double y) {
    tag(code, x);
    tag(code + 10, y);
  }
  void point3(int code, double x, double y) {
    point(code, x, y);
    tag(code + 20, "0.0");
  }
  std::string handle() {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lX", next_++);
    return buf;
  }
  std::string head(const char* type, const char* owner, const char* layer, const char* subclass) {
    std::string h = handle();
    tag(0, type);
    tag(5, h.c_str());
    tag(330, owner);
    tag(100, "AcDbEntity");
    tag(8, layer);
    tag(100, subclass);
    return h;
  }
  // An entity placed at a point with a size (radius, text height): the start
  // that circles, arcs, texts and attributes share.
  void placed(const char* type, const char* owner, const char* layer, const char* subclass, double x, double y,
              double size) {
    head(type, owner, layer, subclass);
    point3(10, x, y);
    tag(40, size);
  }

  void file(long entities) {
    static const char* const layers[] = {"WALLS", "DOORS", "SURVEY_POINTS", "TEXT", "HEIGHTS", "0"};
    tag(0, "SECTION");
    tag(2, "HEADER");
    tag(9, "$ACADVER");
    tag(1, "AC1015");
    tag(9, "$HANDSEED");
    tag(5, "FFFFFF");
    tag(0, "ENDSEC");
    tag(0, "SECTION");
    tag(2, "TABLES");
    tag(0, "TABLE");
    tag(2, "LAYER");
    tag(5, "2");
    tag(330, "0");
    tag(100, "AcDbSymbolTable");
    tag(70, 6L);
    for (const char* name : layers) {
      tag(0, "LAYER");
      tag(5, handle().c_str());
      tag(330, "2");
      tag(100, "AcDbSymbolTableRecord");
      tag(100, "AcDbLayerTableRecord");
      tag(2, name);
      tag(70, 0L);
      tag(62, 7L);
      tag(6, "Continuous");
    }
    tag(0, "ENDTAB");
    tag(0, "ENDSEC");
    tag(0, "SECTION");
    tag(2, "BLOCKS");
    tag(0, "BLOCK");
    tag(5, handle().c_str());
    tag(330, "1F");
    tag(100, "AcDbEntity");
    tag(8, "0");
    tag(100, "AcDbBlockBegin");
    tag(2, "MARK");
    tag(70, 2L);
    point3(10, 0, 0);
    tag(3, "MARK");
    head("LINE", "1F", "0", "AcDbLine");
    point3(10, -1, 0);
    point3(11, 1, 0);
    placed("ATTDEF", "1F", "0", "AcDbText", 0, 0, 1.0);
    tag(1, "");
    tag(100, "AcDbAttributeDefinition");
    tag(3, "Level");
    tag(2, "LEVEL");
    tag(70, 0L);
    tag(0, "ENDBLK");
    tag(5, handle().c_str());
    tag(330, "1F");
    tag(100, "AcDbEntity");
    tag(8, "0");
    tag(100, "AcDbBlockEnd");
    tag(0, "ENDSEC");
    tag(0, "SECTION");
    tag(2, "ENTITIES");
    // Survey coordinates (S-JTSK, metres): about -740000, -1040000.
    double x = -743215.1234567, y = -1043872.7654321;
    for (long i = 0; i < entities; ++i) {
      const char* layer = layers[i % 6];
      x += 0.731;
      y += (i % 7) * 0.113;
      switch (i % 10) {
        case 0: case 1: case 2: case 3:
          head("LINE", "1F", layer, "AcDbLine");
          point3(10, x, y);
          point3(11, x + 12.5, y + 3.25);
          break;
        case 4: case 5:
          head("LWPOLYLINE", "1F", layer, "AcDbPolyline");
          tag(90, 15L);
          tag(70, 1L);
          tag(43, 0.0);
          for (int k = 0; k < 15; ++k) point(10, x + k * 1.5, y + (k & 1) * 2.0);
          break;
        case 6:
          placed("ARC", "1F", layer, "AcDbCircle", x, y, 2.75);
          tag(100, "AcDbArc");
          tag(50, 15.0);
          tag(51, 195.0);
          break;
        case 7:
          placed("CIRCLE", "1F", layer, "AcDbCircle", x, y, 0.5);
          break;
        case 8:
          placed("TEXT", "1F", layer, "AcDbText", x, y, 2.5);
          tag(1, "+312.450 Bod polohopisu");
          tag(100, "AcDbText");
          break;
        default: {
          std::string owner = head("INSERT", "1F", layer, "AcDbBlockReference");
          tag(66, 1L);
          tag(2, "MARK");
          point3(10, x, y);
          tag(41, 1.0);
          tag(42, 1.0);
          tag(43, 1.0);
          tag(50, 30.0);
          placed("ATTRIB", owner.c_str(), layer, "AcDbText", x, y, 1.0);
          tag(1, "+312.450");
          tag(100, "AcDbAttribute");
          tag(2, "LEVEL");
          tag(70, 0L);
          head("SEQEND", owner.c_str(), layer, "AcDbEntity");
          break;
        }
      }
    }
    tag(0, "ENDSEC");
    tag(0, "EOF");
  }

 private:
  std::FILE* f_;
  unsigned long next_ = 0x100;
};

}  // namespace

int main(int argc, char** argv) {
  long entities = 180000;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--keep") {
      keep = true;
    } else {
      entities = std::atol(argv[i]);
    }
  }
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::string source = (dir / "dxf_bench_source.dxf").string(), saved = (dir / "dxf_bench_saved.dxf").string();
  {
    std::FILE* f = std::fopen(source.c_str(), "wb");
    if (!f) {
      std::fprintf(stderr, "dxf_bench: cannot write %s\n", source.c_str());
      return 1;
    }
    Generator(f).file(entities);
    std::fclose(f);
  }
  double size = fileBytes(source);
  double before = peakResidentBytes();

  hostsim::Host& host = hostsim::Host::instance();
  host.reset();
  std::string error;
  auto t = std::chrono::steady_clock::now();
  if (!host.loadDrawing(source, error)) {
    std::fprintf(stderr, "dxf_bench: %s\n", error.c_str());
    return 1;
  }
  double loadSeconds = secondsSince(t);
  double afterLoad = peakResidentBytes();
  size_t loaded = host.drawing().entities().size();
  t = std::chrono::steady_clock::now();
  if (!host.saveDrawing(saved, error)) {
    std::fprintf(stderr, "dxf_bench: %s\n", error.c_str());
    return 1;
  }
  double saveSeconds = secondsSince(t);
  double afterSave = peakResidentBytes();
  double savedSize = fileBytes(saved);
  // The load's time: the best of three more loads after a warm-up (the peak
  // above is the first load's and save's).
  bool reloaded = true;
  const vdbench::Runs loads = vdbench::repeat(3, [&] {
    host.reset();
    const auto start = std::chrono::steady_clock::now();
    reloaded = host.loadDrawing(source, error) && reloaded;
    return secondsSince(start) * 1e3;
  });
  if (!reloaded) {
    std::fprintf(stderr, "dxf_bench: %s\n", error.c_str());
    return 1;
  }
  if (!keep) {
    std::remove(source.c_str());
    std::remove(saved.c_str());
  }

  // Each INSERT counts once: its ATTRIB and SEQEND follow it.
  if (loaded != static_cast<size_t>(entities)) {
    std::fprintf(stderr, "dxf_bench: %zu entities loaded, %ld in the file\n", loaded, entities);
    return 1;
  }
  const double mb = 1024.0 * 1024.0;
  std::printf("file %.1f MB, %ld entities; saved %.1f MB%s%s\n", size / mb, entities, savedSize / mb,
              keep ? ", both in " : "", keep ? dir.string().c_str() : "");
  std::printf("load %.2f s (then best of %zu: %.2f s, worst %.2fx), save %.2f s\n", loadSeconds, loads.figures.size(),
              loads.best() / 1e3, loads.spread(), saveSeconds);
  std::printf("peak resident: %.1f MB before loading, %.1f MB after loading, %.1f MB after saving\n", before / mb,
              afterLoad / mb, afterSave / mb);
  std::printf("peak of load and save: %.2f times the file (%.2f times without the %.1f MB before loading)\n",
              afterSave / size, (afterSave - before) / size, before / mb);
  // A drawing loads in about the time its file takes to read and parse:
  // 10 s is a generous bound for the 56 MB file. The peak is held under
  // three times the file's size (the loader reads in pieces).
  char name[96];
  std::snprintf(name, sizeof name, "DXF load of %ld entities (%.0f MB)", entities, size / mb);
  vdbench::result(name, loads, "ms", 10000);
  std::snprintf(name, sizeof name, "DXF load and save of %.0f MB: peak memory over the file's size", size / mb);
  vdbench::result(name, afterSave / size, "x", 3.0);
  return 0;
}
