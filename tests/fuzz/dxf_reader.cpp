// The host's DXF reader on any bytes: a file it takes must write out and read
// back with the same entities and blocks (and the dimension blocks the writer
// adds), and writing that again must give the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "hostsim/dxf_reader.h"
#include "hostsim/dxf_writer.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace hostsim::dxf;
  ReadResult first = readDxf(std::string_view(reinterpret_cast<const char*>(data), size));
  FUZZ_CHECK((first.drawing == nullptr) == !first.error.empty());
  if (!first.drawing) return 0;

  std::string error;
  std::string written = writeDxf(*first.drawing, first.variables, first.environment, &error);
  // A number that is not finite is refused with a reason, and nothing else is.
  FUZZ_CHECK(written.empty() == !error.empty());
  if (written.empty()) return 0;

  ReadResult second = readDxf(written);
  if (!second.drawing) std::fprintf(stderr, "re-read: %s\n", second.error.c_str());
  FUZZ_CHECK(second.drawing != nullptr);
  FUZZ_CHECK(second.drawing->entities().size() == first.drawing->entities().size());
  // Every block comes back; a dimension whose block the file lacked gets a
  // new "*D" block when written, as a CAD program regenerates it.
  for (const auto& block : first.drawing->blocks()) FUZZ_CHECK(second.drawing->findBlock(block->name));
  FUZZ_CHECK(second.drawing->blocks().size() >= first.drawing->blocks().size());
  std::string again = writeDxf(*second.drawing, second.variables, second.environment, &error);
  FUZZ_CHECK(again == written);
  return 0;
}
